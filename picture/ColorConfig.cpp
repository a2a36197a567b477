#include "ColorConfig.h"

#include <new>

namespace zv {

bool CColorConfig::ReadRecords(int32_t lLoginHandle, int32_t nChannel,
                               std::vector<uint8_t>& records) {
    uint8_t device[proto::kDeviceBlockSize] = {};
    int32_t nReturned = 0;
    if (!m_net.GetDevConfig(lLoginHandle, proto::kCfgDevice, 0, device, proto::kDeviceBlockSize, &nReturned,
                            CONFIG_WAIT_MS) ||
        nReturned != proto::kDeviceBlockSize)
        return false;
    const int nRecords = ChannelRecordCount(device, sizeof device);
    // A channel the device has no record for (or a device with none) would
    // send the edit outside the block: nothing more to read or write.
    const int32_t nSize = nRecords * proto::kChannelRecordSize;
    if (!HasChannelRecord(static_cast<size_t>(nSize), nChannel)) return false;
    try {
        records.assign(static_cast<size_t>(nSize), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    nReturned = 0;
    return m_net.GetDevConfig(lLoginHandle, proto::kCfgChannel, proto::kCfgAllChannels, records.data(),
                              nSize, &nReturned, CONFIG_WAIT_MS) &&
           nReturned == nSize;
}

bool CColorConfig::ReadDeviceValues(int32_t lLoginHandle, int32_t nChannel, ColorValues& values) {
    std::vector<uint8_t> records;
    return ReadRecords(lLoginHandle, nChannel, records) &&
           ReadColorRecord(records.data(), records.size(), nChannel, values);
}

bool CColorConfig::ApplyToDevice(int32_t lLoginHandle, int32_t nChannel,
                                 const ColorValues& values) {
    std::vector<uint8_t> records;
    if (!ReadRecords(lLoginHandle, nChannel, records) ||
        !WriteColorRecord(records.data(), records.size(), nChannel, values))
        return false;
    m_net.SetDevConfig(lLoginHandle, proto::kCfgChannel, proto::kCfgAllChannels, records.data(),
                       static_cast<int32_t>(records.size()), CONFIG_WAIT_MS);
    return true;
}

}  // namespace zv
