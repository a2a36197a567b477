#include "PtzActions.h"

#include "PtzCodes.h"
#include "zentavo.h"

namespace zv {

namespace {

using namespace proto::ptz;

// Indexed by action. The upward move's code is, with the stop flag, the stop.
constexpr PtzActionCode kActions[15] = {
    {kPtzUp, false, true},            // PTZ_STOP
    {kPtzLeft, false, false},         // PTZ_LEFT
    {kPtzUp, false, false},           // PTZ_UP
    {kPtzRight, false, false},        // PTZ_RIGHT
    {kPtzDown, false, false},         // PTZ_DOWN
    {kPtzZoomIn, false, false},       // PTZ_ZOOM_IN
    {kPtzZoomOut, false, false},      // PTZ_ZOOM_OUT
    {kPtzFocusFar, false, false},     // PTZ_FOCUS_FAR
    {kPtzFocusNear, false, false},    // PTZ_FOCUS_NEAR
    {kPtzIrisLarger, false, false},   // PTZ_IRIS_LARGER
    {kPtzIrisSmaller, false, false},  // PTZ_IRIS_SMALLER
    {kPtzLeftUp, true, false},        // PTZ_LEFT_UP
    {kPtzLeftDown, true, false},      // PTZ_LEFT_DOWN
    {kPtzRightUp, true, false},       // PTZ_RIGHT_UP
    {kPtzRightDown, true, false},     // PTZ_RIGHT_DOWN
};
static_assert(PTZ_RIGHT_DOWN + 1 == sizeof kActions / sizeof kActions[0]);

}  // namespace

bool LookupPtzAction(uint32_t nAction, PtzActionCode& code) {
    if (nAction >= sizeof kActions / sizeof kActions[0]) return false;
    code = kActions[nAction];
    return true;
}

uint8_t PtzParam2(int32_t nSpeed) {
    return static_cast<uint8_t>(((static_cast<uint32_t>(nSpeed) & 0xFF) + 1) / 8);
}

int32_t SendPtzAction(INetLibrary& net, int32_t lLoginHandle, int32_t nChannel, uint32_t nAction,
                      int32_t nSpeed, int32_t nPanelSpeed) {
    PtzActionCode code;
    if (!LookupPtzAction(nAction, code)) return 0;
    const uint8_t param1 = code.bSpeedIsParam1 ? static_cast<uint8_t>(nPanelSpeed & 0xFF) : 0;
    return net.PtzControl(lLoginHandle, nChannel, code.dwCode, param1, PtzParam2(nSpeed), 0,
                          code.bStop ? 1 : 0);
}

}  // namespace zv
