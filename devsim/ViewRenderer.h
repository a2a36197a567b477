// Renders one camera view of the panorama: the part the dome's pan, tilt and
// zoom select, blurred by focus error, exposed by the iris, with the
// channel's brightness, contrast, saturation and hue applied and the text
// overlay on top.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Image.h"
#include "Panorama.h"

namespace zv::devsim {

struct ColorBytes {
    uint8_t brightness = 127;
    uint8_t contrast = 127;
    uint8_t saturation = 127;
    uint8_t hue = 255;  // 255 leaves hue as it is
    bool operator==(const ColorBytes& o) const {
        return brightness == o.brightness && contrast == o.contrast && saturation == o.saturation &&
               hue == o.hue;
    }
};

struct ViewSettings {
    double pan = 0;
    double tilt = 0;
    double zoom = 1;
    int blurRadius = 0;
    double exposure = 1;
    ColorBytes colour;
    bool operator==(const ViewSettings& o) const {
        return pan == o.pan && tilt == o.tilt && zoom == o.zoom && blurRadius == o.blurRadius &&
               exposure == o.exposure && colour == o.colour;
    }
};

struct OverlayInfo {
    std::string address;
    int channel = 0;           // 0-based; shown 1-based
    uint64_t timestampUs = 0;  // shown as UTC date and time
    uint32_t frameNo = 0;
    double pan = 0, tilt = 0, zoom = 1;
};

class ViewRenderer {
public:
    static constexpr double kFieldOfView = 60;  // horizontal, degrees, at zoom 1

    // out must already have its size.
    static void Render(const Panorama& world, const ViewSettings& view, Image& out);
    static void DrawOverlay(Image& img, const OverlayInfo& info);
    // "YYYY-MM-DD HH:MM:SS.mmm" in UTC.
    static std::string FormatTime(uint64_t timestampUs);
    // Packs to 16-bit 5:6:5, little-endian.
    static void ToRgb565(const Image& img, std::vector<uint8_t>& out);

private:
    static void Sample(const Panorama& world, const ViewSettings& view, Image& out);
    static void BoxBlur(Image& img, int radius);
    static void ApplyColor(Image& img, double exposure, const ColorBytes& colour);
};

}  // namespace zv::devsim
