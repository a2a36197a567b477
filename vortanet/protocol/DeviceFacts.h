// What every side of the device protocol must agree on about a device: its
// configuration blocks (read and written whole through GetDevConfig and
// SetDevConfig) and the outcomes of a login. The module's colour panel, both
// builds of the network library and the simulator read them from here; the
// wire's own constants are in Wire.h.
#pragma once

#include <cstdint>

namespace zv::proto {

// Configuration commands. The device block is read on channel 0; the channel
// records for one channel or for all of them (kCfgAllChannels).
constexpr int32_t kCfgDevice = 1;
constexpr int32_t kCfgChannel = 3;
constexpr int32_t kCfgAllChannels = -1;

constexpr int kDeviceBlockSize = 212;
constexpr int kChannelCountOffset = 181;  // N, the number of channel records (8 bits)
constexpr int kChannelRecordSize = 340;
// The picture values within a channel record, one byte each, in this order.
constexpr int kColorOffset = 208;
constexpr int kBrightnessOffset = kColorOffset;
constexpr int kContrastOffset = kColorOffset + 1;
constexpr int kSaturationOffset = kColorOffset + 2;
constexpr int kHueOffset = kColorOffset + 3;

// A login's outcome, also the library's error out value.
enum LoginError : int { LOGIN_OK = 0, LOGIN_BAD_PASSWORD = 1, LOGIN_REFUSED = 2,
                        LOGIN_NETWORK = 3, LOGIN_PROTOCOL = 4 };

}  // namespace zv::proto
