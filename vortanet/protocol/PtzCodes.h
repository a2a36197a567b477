// The PTZ codes of NetPtzControl, as devices take them (the simulator's
// dome and the web-service build's mapping read the same list).
#pragma once

#include <cstdint>

namespace zv::proto::ptz {

enum PtzCode : uint32_t {
    kPtzUp = 0,  // with the stop flag set: stop
    kPtzDown = 1,
    kPtzLeft = 2,
    kPtzRight = 3,
    kPtzZoomOut = 4,
    kPtzZoomIn = 5,
    kPtzFocusNear = 6,
    kPtzFocusFar = 7,
    kPtzIrisSmaller = 8,
    kPtzIrisLarger = 9,
    kPtzLeftUp = 0x20,
    kPtzRightUp = 0x21,
    kPtzLeftDown = 0x22,
    kPtzRightDown = 0x23,
};

}  // namespace zv::proto::ptz
