// The simulated world every camera looks at: a procedurally drawn 360-degree
// landscape (sky, sun, clouds, mountains, fields, a farmhouse and bearing
// signs every 30 degrees) much larger than any one view, so that pan, tilt
// and zoom are plain to see. Drawn once per process and shared read-only.
#pragma once

#include <cstdint>

#include "Image.h"

namespace zv::devsim {

class Panorama {
public:
    static constexpr int kPxPerDegree = 8;
    static constexpr int kTopTilt = 60;  // the top row looks 60 degrees up
    static constexpr int kWidth = 360 * kPxPerDegree;
    static constexpr int kHeight = 2 * kTopTilt * kPxPerDegree;

    static const Panorama& Shared();

    const Image& Picture() const { return m_img; }

private:
    Panorama();
    void DrawLandscape();
    void DrawSigns();
    void DrawFarm();

    Image m_img;
};

}  // namespace zv::devsim
