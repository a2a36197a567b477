#include "ColorBlock.h"

namespace zv {

int ChannelRecordCount(const uint8_t* pDevice, size_t nSize) {
    if (!pDevice || nSize <= CHANNEL_COUNT_OFFSET) return 0;
    return pDevice[CHANNEL_COUNT_OFFSET];
}

bool HasChannelRecord(size_t nSize, int nChannel) {
    // Divide rather than multiply: a huge channel number must not wrap a
    // 32-bit size into something that fits.
    return nChannel >= 0 && static_cast<size_t>(nChannel) < nSize / CHANNEL_RECORD_SIZE;
}

bool ReadColorRecord(const uint8_t* pRecords, size_t nSize, int nChannel, ColorValues& values) {
    if (!pRecords || !HasChannelRecord(nSize, nChannel)) return false;
    const uint8_t* pRecord = pRecords + static_cast<size_t>(nChannel) * CHANNEL_RECORD_SIZE;
    values.nBrightness = pRecord[BRIGHTNESS_OFFSET];
    values.nContrast = pRecord[CONTRAST_OFFSET];
    values.nSaturation = pRecord[SATURATION_OFFSET];
    values.nHue = pRecord[HUE_OFFSET];
    return true;
}

bool WriteColorRecord(uint8_t* pRecords, size_t nSize, int nChannel, const ColorValues& values) {
    if (!pRecords || !HasChannelRecord(nSize, nChannel)) return false;
    uint8_t* pRecord = pRecords + static_cast<size_t>(nChannel) * CHANNEL_RECORD_SIZE;
    pRecord[BRIGHTNESS_OFFSET] = static_cast<uint8_t>(values.nBrightness & 0xFF);
    pRecord[CONTRAST_OFFSET] = static_cast<uint8_t>(values.nContrast & 0xFF);
    pRecord[SATURATION_OFFSET] = static_cast<uint8_t>(values.nSaturation & 0xFF);
    pRecord[HUE_OFFSET] = static_cast<uint8_t>(values.nHue & 0xFF);
    return true;
}

}  // namespace zv
