// Where a channel's brightness, contrast, saturation and hue sit in the
// device's configuration blocks, and the edits that read or replace them.
// Pure functions over bytes: no window, no library call.
#pragma once

#include <cstddef>
#include <cstdint>

#include "DeviceFacts.h"

namespace zv {

// The four picture values of one channel, each 0 to 255 on the device.
struct ColorValues {
    int nBrightness;
    int nContrast;
    int nHue;
    int nSaturation;
};

// What a panel shows before (or without) a device answer. The hue default
// really is 255.
constexpr ColorValues kDefaultColorValues{127, 127, 255, 127};

// The blocks' layout is the protocol's (DeviceFacts.h): the device block,
// then all N channel records.

// N as the device block announces it; 0 for a block too short to hold it.
int ChannelRecordCount(const uint8_t* pDevice, size_t nSize);

// Whether channel nChannel has a whole record in a records block of nSize
// bytes. False for a negative channel and for an empty block.
bool HasChannelRecord(size_t nSize, int nChannel);

// Takes the channel's four values from its record. False, and `values`
// untouched, when the block has no record for that channel.
bool ReadColorRecord(const uint8_t* pRecords, size_t nSize, int nChannel, ColorValues& values);

// Puts the low 8 bits of each value into the channel's record and changes no
// other byte of the block. False, and nothing written, when the block has no
// record for that channel.
bool WriteColorRecord(uint8_t* pRecords, size_t nSize, int nChannel, const ColorValues& values);

}  // namespace zv
