// The library's PTZ codes (as NetPtzControl takes them) turned into what the
// device's services do: a continuous move with a velocity per axis, a stop,
// a focus drive, or nothing (iris has no continuous control here).
#pragma once

#include <cstdint>

#include "OnvifMessages.h"
#include "PtzCodes.h"

namespace zv::onvif {

// The codes, as the other build of the library defines them.
using namespace proto::ptz;

struct PtzRequest {
    enum class Kind { Move, Stop, Focus, Unsupported, Invalid };
    Kind kind = Kind::Invalid;
    // Move: the groups named and their velocities in the node's spaces.
    bool panTilt = false, zoom = false;
    double x = 0, y = 0, z = 0;
    // Focus: speed -1..1 (negative towards near).
    double focus = 0;
};

// The fraction of full speed for a speed level (param2): level/8 for 1..8,
// the slowest non-zero (1/8) for 0, full above 8.
double SpeedFraction(uint8_t level);

// stop: the stop flag. spaces: what the channel's PTZ node reports (ranges
// absent: -1..1). A move names both groups the node has, the one not driven
// at 0, so that a new code replaces the drive before it as codes do; a code
// for a group the node lacks is Unsupported.
PtzRequest MapPtzCode(uint32_t code, uint8_t param2, bool stop, const PtzSpaces& spaces);

}  // namespace zv::onvif
