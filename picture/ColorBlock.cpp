#include "ColorBlock.h"

namespace zv {

int ChannelRecordCount(const uint8_t* pDevice, size_t nSize) {
    if (!pDevice || nSize <= proto::kChannelCountOffset) return 0;
    return pDevice[proto::kChannelCountOffset];
}

bool HasChannelRecord(size_t nSize, int nChannel) {
    // Divide rather than multiply: a huge channel number must not wrap a
    // 32-bit size into something that fits.
    return nChannel >= 0 && static_cast<size_t>(nChannel) < nSize / proto::kChannelRecordSize;
}

bool ReadColorRecord(const uint8_t* pRecords, size_t nSize, int nChannel, ColorValues& values) {
    if (!pRecords || !HasChannelRecord(nSize, nChannel)) return false;
    const uint8_t* pRecord = pRecords + static_cast<size_t>(nChannel) * proto::kChannelRecordSize;
    values.nBrightness = pRecord[proto::kBrightnessOffset];
    values.nContrast = pRecord[proto::kContrastOffset];
    values.nSaturation = pRecord[proto::kSaturationOffset];
    values.nHue = pRecord[proto::kHueOffset];
    return true;
}

bool WriteColorRecord(uint8_t* pRecords, size_t nSize, int nChannel, const ColorValues& values) {
    if (!pRecords || !HasChannelRecord(nSize, nChannel)) return false;
    uint8_t* pRecord = pRecords + static_cast<size_t>(nChannel) * proto::kChannelRecordSize;
    pRecord[proto::kBrightnessOffset] = static_cast<uint8_t>(values.nBrightness & 0xFF);
    pRecord[proto::kContrastOffset] = static_cast<uint8_t>(values.nContrast & 0xFF);
    pRecord[proto::kSaturationOffset] = static_cast<uint8_t>(values.nSaturation & 0xFF);
    pRecord[proto::kHueOffset] = static_cast<uint8_t>(values.nHue & 0xFF);
    return true;
}

}  // namespace zv
