// A channel's picture bytes (0..255, as the channel records carry them)
// against the device's imaging levels: linear between the range GetOptions
// reports (0..100 when it reports none). A byte written is remembered with
// the level sent, and read back as that byte while the device still holds
// that level (within its own rounding), so a value set reads back as set.
#pragma once

#include <cstdint>

#include "OnvifMessages.h"

namespace zv::onvif {

enum ColorField { kBrightness = 0, kContrast = 1, kSaturation = 2 };

class ColorMap {
public:
    void SetRanges(const ImagingRanges& r);
    const Range& RangeOf(int field) const { return m_range[field]; }

    // The level to send for a byte.
    double ToLevel(int field, uint8_t byte) const;
    // The byte to report for a level the device answered.
    uint8_t ToByte(int field, double level) const;
    // A byte was written as `level` and the device took it.
    void Remember(int field, uint8_t byte, double level);
    void Forget();

private:
    double Tolerance(int field) const;

    Range m_range[3] = {{0, 100, true}, {0, 100, true}, {0, 100, true}};
    struct Written {
        bool valid = false;
        uint8_t byte = 0;
        double level = 0;
    } m_written[3];
};

}  // namespace zv::onvif
