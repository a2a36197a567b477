// The colour panel's round trip to the device: read a channel's four values,
// or write them back inside the blocks just read, so that no other setting
// of the device changes. Over INetLibrary, so it builds and is tested
// without windows; the panel only calls it.
#pragma once

#include <cstdint>
#include <vector>

#include "ColorBlock.h"
#include "NetLibrary.h"

namespace zv {

class CColorConfig {
public:
    explicit CColorConfig(INetLibrary& net) : m_net(net) {}

    // Two reads: the device block (exactly 212 bytes), then the N channel
    // records (exactly N x 340 bytes), each waiting CONFIG_WAIT_MS. True with
    // the channel's values; false, and `values` untouched, on a failed or
    // short read or a channel without a record.
    bool ReadDeviceValues(int32_t lLoginHandle, int32_t nChannel, ColorValues& values);

    // Reads both blocks afresh as above (the panel keeps no copy), puts the
    // four values into the channel's record and writes the whole records
    // block back with one SetDevConfig. False when nothing was written. The
    // write's own result is not known: the library does not report it.
    bool ApplyToDevice(int32_t lLoginHandle, int32_t nChannel, const ColorValues& values);

private:
    // The records block of a device that has a record for nChannel.
    bool ReadRecords(int32_t lLoginHandle, int32_t nChannel, std::vector<uint8_t>& records);

    INetLibrary& m_net;
};

}  // namespace zv
