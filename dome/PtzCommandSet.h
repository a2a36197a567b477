// The one vocabulary in which the dome is driven: fifteen actions, each one
// NetPtzControl call, reached from the panel's hold buttons, its joystick
// and the host's DVR_SetDomeCMD. Nothing here needs a window; the panel
// owns one of these and tells it where to send.
#pragma once

#include <atomic>
#include <cstdint>

#include "NetLibrary.h"

namespace zv {

// How an action goes to the device.
struct PtzCode {
    uint32_t dwCode;      // the library's command code
    bool bSpeedIsParam1;  // diagonals carry the panel's speed in param1
    bool bStop;
};

// The action table; false for a number above 14 (any negative one too).
bool LookupPtzAction(uint32_t nAction, PtzCode& code);

// param2 of a command: (s + 1) / 8 on the low 8 bits of the speed s.
uint8_t PtzParam2(int32_t nSpeed);

// One action as one library call: param2 from `nSpeed`, the diagonals'
// param1 from `nPanelSpeed`. 0 for an action above 14, with nothing sent.
int32_t SendPtzAction(INetLibrary& net, int32_t lLoginHandle, int32_t nChannel, uint32_t nAction,
                      int32_t nSpeed, int32_t nPanelSpeed);

// What the panel shows around a button command.
class IPtzFeedback {
public:
    virtual ~IPtzFeedback() = default;
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
    virtual void SpeedChanged() = 0;  // redraw the speed text
};

// Where the command set finds a login again when its own stopped working
// (the device was lost and has been logged in anew since): a handle, or 0.
class IPtzLoginRenewal {
public:
    virtual ~IPtzLoginRenewal() = default;
    virtual int32_t RenewLogin() = 0;
};

// The joystick area in screen pixels (right and bottom exclusive).
struct JoystickArea {
    int left, top, right, bottom;
};

struct JoystickStep {
    uint32_t nAction;
    int32_t nSpeed;  // 0 means the panel's own speed
};

// Steers towards the cursor from the centre of the area: the direction by
// the side of each centre line, the speed by the distance in half-widths
// (the half-width serves both axes; 32 on a centre line; at most 64).
// False, and nothing to send, for an area under two pixels wide.
bool ComputeJoystickStep(const JoystickArea& area, int x, int y, JoystickStep& step);

class CPtzCommandSet {
public:
    static constexpr int32_t kDefaultSpeed = 32;
    static constexpr int32_t kMinSpeed = 1;
    static constexpr int32_t kMaxSpeed = 63;
    static constexpr int32_t kAutoSpeed = 30;

    CPtzCommandSet(INetLibrary& net, IPtzFeedback& feedback, IPtzLoginRenewal* pRenewal = nullptr);

    // Where commands go: login 0 means none, and then nothing is sent.
    void SetTarget(int32_t lLoginHandle, int32_t nChannel);

    // One command at `nSpeed` (<= 0: the panel's speed). The library's
    // result, or 0 when nothing was sent. Clears the busy mark after every
    // library call. May be called from the host's thread while the panel's
    // thread uses the buttons: the members are atomics, and each call stands
    // on its own.
    int SendPtzCommand(uint32_t nAction, int32_t nSpeed);

    // A stop that did not reach the device (its login was lost) while a move
    // may still run there: the panel sends stops until one gets through or
    // another command does. Set and cleared by SendPtzCommand.
    bool StopOwed() const { return m_bStopOwed.load(std::memory_order_relaxed); }
    // The last command that reached the device was a move: the dome runs
    // until a stop (whoever sent the move, the panel or the host).
    bool IsMoving() const { return m_bMoving.load(std::memory_order_relaxed); }

    // The press-and-hold message of a motion button: its control id at the
    // press and every 250 ms, 0 at the release.
    void OnPtzButton(uintptr_t wParam);
    // The auto buttons that only set the busy mark.
    void OnBusyOnlyClick();

    int32_t Speed() const { return m_nSpeed.load(std::memory_order_relaxed); }
    int IsBusy() const { return m_bBusy.load(std::memory_order_relaxed); }
    int32_t LoginHandle() const { return m_lLoginHandle.load(std::memory_order_relaxed); }

private:
    void SetSpeed(int32_t nSpeed);

    INetLibrary& m_net;
    IPtzFeedback& m_feedback;
    IPtzLoginRenewal* m_pRenewal;
    std::atomic<int32_t> m_lLoginHandle{0};
    std::atomic<int32_t> m_nChannel{0};
    std::atomic<int32_t> m_nSpeed{kDefaultSpeed};
    std::atomic<int> m_bBusy{0};
    std::atomic<bool> m_bStopOwed{false};
    std::atomic<bool> m_bMoving{false};
};

}  // namespace zv
