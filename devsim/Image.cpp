#include "Image.h"

#include <algorithm>

namespace zv::devsim {

void Image::FillRect(int x, int y, int w, int h, Rgb c) {
    const int x0 = std::max(0, x), y0 = std::max(0, y);
    const int x1 = std::min(width, x + w), y1 = std::min(height, y + h);
    for (int yy = y0; yy < y1; ++yy) {
        uint8_t* p = Row(yy) + x0 * 3;
        for (int xx = x0; xx < x1; ++xx, p += 3) {
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
        }
    }
}

void Image::DarkenRect(int x, int y, int w, int h) {
    const int x0 = std::max(0, x), y0 = std::max(0, y);
    const int x1 = std::min(width, x + w), y1 = std::min(height, y + h);
    for (int yy = y0; yy < y1; ++yy) {
        uint8_t* p = Row(yy) + x0 * 3;
        for (int xx = x0; xx < x1; ++xx, p += 3) {
            p[0] >>= 1;
            p[1] >>= 1;
            p[2] >>= 1;
        }
    }
}

}  // namespace zv::devsim
