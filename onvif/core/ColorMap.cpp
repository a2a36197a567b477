#include "ColorMap.h"

#include <algorithm>
#include <cmath>

namespace zv::onvif {

void ColorMap::SetRanges(const ImagingRanges& r) {
    const Range* given[3] = {&r.brightness, &r.contrast, &r.saturation};
    for (int i = 0; i < 3; ++i) {
        m_range[i] = given[i]->present ? *given[i] : Range{0, 100, true};
        m_written[i].valid = false;
    }
}

double ColorMap::ToLevel(int field, uint8_t byte) const {
    const Range& r = m_range[field];
    // To four decimals, as the request writes it.
    return std::round((r.min + (r.max - r.min) * byte / 255.0) * 10000) / 10000;
}

double ColorMap::Tolerance(int field) const {
    // Within one byte's step, or half a unit for devices that keep whole
    // levels (and report them so) on a wide range.
    const Range& r = m_range[field];
    const double step = (r.max - r.min) / 255.0;
    return std::max(step * 0.999, r.max - r.min >= 20 ? 0.5 : 0.0);
}

uint8_t ColorMap::ToByte(int field, double level) const {
    const Written& w = m_written[field];
    if (w.valid && std::fabs(level - w.level) <= Tolerance(field)) return w.byte;
    const Range& r = m_range[field];
    const double f = (level - r.min) / (r.max - r.min);
    return static_cast<uint8_t>(std::clamp(std::lround(f * 255), 0L, 255L));
}

void ColorMap::Remember(int field, uint8_t byte, double level) {
    m_written[field] = {true, byte, level};
}

void ColorMap::Forget() {
    for (auto& w : m_written) w.valid = false;
}

}  // namespace zv::onvif
