// The fifteen PTZ actions (PTZ_STOP ... PTZ_RIGHT_DOWN in zentavo.h) as the
// network library takes them: each action is one PtzControl call. Spoken by
// the dome panel's command set and by the session manager's owed stops.
#pragma once

#include <cstdint>

#include "NetLibrary.h"

namespace zv {

// How an action goes to the device.
struct PtzActionCode {
    uint32_t dwCode;      // the library's command code
    bool bSpeedIsParam1;  // diagonals carry the panel's speed in param1
    bool bStop;
};

// The action table; false for a number above 14 (any negative one too).
bool LookupPtzAction(uint32_t nAction, PtzActionCode& code);

// param2 of a command: (s + 1) / 8 on the low 8 bits of the speed s.
uint8_t PtzParam2(int32_t nSpeed);

// One action as one library call: param2 from `nSpeed`, the diagonals'
// param1 from `nPanelSpeed`. 0 for an action above 14, with nothing sent.
int32_t SendPtzAction(INetLibrary& net, int32_t lLoginHandle, int32_t nChannel, uint32_t nAction,
                      int32_t nSpeed, int32_t nPanelSpeed);

}  // namespace zv
