// The one vocabulary in which the dome is driven: fifteen actions, each one
// NetPtzControl call, reached from the panel's hold buttons, its joystick
// and the host's DVR_SetDomeCMD. Nothing here needs a window; the panel
// owns one of these and tells it where to send.
#pragma once

#include <atomic>
#include <cstdint>

#include "PtzActions.h"

namespace zv {

// What a dome button asks of the command set when it is pressed (and at
// every repeat of its hold).
enum class PtzButtonKind : uint8_t {
    None,       // nothing: the button has no PTZ effect
    BusyOnly,   // sets the busy mark and sends nothing (the auto buttons, "setting")
    Send,       // sends the button's action
    SpeedDown,  // one speed step down, then sends the button's action (the stop)
    SpeedUp,    // one speed step up, then the same
    SpeedAuto,  // to the auto speed, then the same
};

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

    // A button's press and the repeats of its hold (every 250 ms).
    void OnButtonPress(PtzButtonKind kind, uint32_t nAction);
    // The release of any held button: the stop.
    void OnButtonRelease();
    // The auto buttons that only set the busy mark.
    void OnBusyOnlyClick() { OnButtonPress(PtzButtonKind::BusyOnly, PTZ_STOP); }

    int32_t Speed() const { return m_nSpeed.load(std::memory_order_relaxed); }
    bool IsBusy() const { return m_bBusy.load(std::memory_order_relaxed); }
    int32_t LoginHandle() const { return m_lLoginHandle.load(std::memory_order_relaxed); }

private:
    void SetSpeed(int32_t nSpeed);

    INetLibrary& m_net;
    IPtzFeedback& m_feedback;
    IPtzLoginRenewal* m_pRenewal;
    std::atomic<int32_t> m_lLoginHandle{0};
    std::atomic<int32_t> m_nChannel{0};
    std::atomic<int32_t> m_nSpeed{kDefaultSpeed};
    std::atomic<bool> m_bBusy{false};
    std::atomic<bool> m_bStopOwed{false};
    std::atomic<bool> m_bMoving{false};
};

}  // namespace zv
