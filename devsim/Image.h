// A packed 24-bit RGB picture, rows top to bottom, no padding: the layout of
// the wire's RGB24 frames, so a rendered picture goes out as it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zv::devsim {

struct Rgb {
    uint8_t r, g, b;
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    Image() = default;
    Image(int w, int h) : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3) {}
    uint8_t* Row(int y) { return rgb.data() + static_cast<size_t>(y) * width * 3; }
    const uint8_t* Row(int y) const { return rgb.data() + static_cast<size_t>(y) * width * 3; }
    Rgb At(int x, int y) const {
        const uint8_t* p = Row(y) + x * 3;
        return {p[0], p[1], p[2]};
    }
    void Set(int x, int y, Rgb c) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        uint8_t* p = Row(y) + x * 3;
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
    }
    // Clipped to the picture.
    void FillRect(int x, int y, int w, int h, Rgb c);
    // Halves the brightness of a clipped rectangle (a backdrop for text).
    void DarkenRect(int x, int y, int w, int h);
};

}  // namespace zv::devsim
