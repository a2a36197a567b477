#include "PtzCommandSet.h"

#include <algorithm>

#include "resource.h"
#include "zentavo.h"

namespace zv {

namespace {

// Indexed by action. Device code 0 is both the upward move and, with the stop
// flag, the stop.
constexpr PtzCode kActions[15] = {
    {0, false, true},      // PTZ_STOP
    {2, false, false},     // PTZ_LEFT
    {0, false, false},     // PTZ_UP
    {3, false, false},     // PTZ_RIGHT
    {1, false, false},     // PTZ_DOWN
    {5, false, false},     // PTZ_ZOOM_IN
    {4, false, false},     // PTZ_ZOOM_OUT
    {7, false, false},     // PTZ_FOCUS_FAR
    {6, false, false},     // PTZ_FOCUS_NEAR
    {9, false, false},     // PTZ_IRIS_LARGER
    {8, false, false},     // PTZ_IRIS_SMALLER
    {0x20, true, false},   // PTZ_LEFT_UP
    {0x22, true, false},   // PTZ_LEFT_DOWN
    {0x21, true, false},   // PTZ_RIGHT_UP
    {0x23, true, false},   // PTZ_RIGHT_DOWN
};

// What a motion button's hold message does: send an action, or first change
// the speed (one step down or up, or to the auto speed) and then stop.
struct ButtonAction {
    uintptr_t id;
    uint32_t nAction;
    enum { SEND, SPEED_DOWN, SPEED_UP, SPEED_AUTO } kind;
};

constexpr ButtonAction kButtons[] = {
    {0, PTZ_STOP, ButtonAction::SEND},  // the release of any motion button
    {IDC_DOME_UP, PTZ_UP, ButtonAction::SEND},
    {IDC_DOME_DOWN, PTZ_DOWN, ButtonAction::SEND},
    {IDC_DOME_LEFT, PTZ_LEFT, ButtonAction::SEND},
    {IDC_DOME_RIGHT, PTZ_RIGHT, ButtonAction::SEND},
    {IDC_DOME_ZOOM_IN, PTZ_ZOOM_IN, ButtonAction::SEND},
    {IDC_DOME_ZOOM_OUT, PTZ_ZOOM_OUT, ButtonAction::SEND},
    {IDC_DOME_FOCUS_FAR, PTZ_FOCUS_FAR, ButtonAction::SEND},
    {IDC_DOME_FOCUS_NEAR, PTZ_FOCUS_NEAR, ButtonAction::SEND},
    {IDC_DOME_IRIS_LARGER, PTZ_IRIS_LARGER, ButtonAction::SEND},
    {IDC_DOME_IRIS_SMALLER, PTZ_IRIS_SMALLER, ButtonAction::SEND},
    {IDC_DOME_SPEED_DOWN, PTZ_STOP, ButtonAction::SPEED_DOWN},
    {IDC_DOME_SPEED_UP, PTZ_STOP, ButtonAction::SPEED_UP},
    {IDC_DOME_SPEED_AUTO, PTZ_STOP, ButtonAction::SPEED_AUTO},
};

// The axis value of one offset from the centre: none on the centre line.
int64_t AxisValue(int64_t d, int64_t half) { return d == 0 ? 32 : (d < 0 ? -d : d) / half; }

}  // namespace

bool LookupPtzAction(uint32_t nAction, PtzCode& code) {
    if (nAction >= sizeof kActions / sizeof kActions[0]) return false;
    code = kActions[nAction];
    return true;
}

uint8_t PtzParam2(int32_t nSpeed) {
    return static_cast<uint8_t>(((static_cast<uint32_t>(nSpeed) & 0xFF) + 1) / 8);
}

bool ComputeJoystickStep(const JoystickArea& area, int x, int y, JoystickStep& step) {
    // In 64 bits: the width of an area, or a cursor's offset from its centre,
    // need not fit an int when the coordinates are far apart.
    const int64_t half = (int64_t{area.right} - area.left) / 2;
    if (half <= 0) return false;
    const int64_t dx = x - (area.left + half);
    const int64_t dy = y - (area.top + half);
    const bool left = dx < 0, right = dx > 0, up = dy < 0, down = dy > 0;
    if (left && up) step.nAction = PTZ_LEFT_UP;
    else if (left && down) step.nAction = PTZ_LEFT_DOWN;
    else if (right && up) step.nAction = PTZ_RIGHT_UP;
    else if (right && down) step.nAction = PTZ_RIGHT_DOWN;
    else if (left) step.nAction = PTZ_LEFT;
    else if (right) step.nAction = PTZ_RIGHT;
    else if (up) step.nAction = PTZ_UP;
    else if (down) step.nAction = PTZ_DOWN;
    else step.nAction = PTZ_STOP;
    step.nSpeed = static_cast<int32_t>(
        std::min<int64_t>(64, std::max(AxisValue(dx, half), AxisValue(dy, half))));
    return true;
}

CPtzCommandSet::CPtzCommandSet(INetLibrary& net, IPtzFeedback& feedback,
                               IPtzLoginRenewal* pRenewal)
    : m_net(net), m_feedback(feedback), m_pRenewal(pRenewal) {}

void CPtzCommandSet::SetTarget(int32_t lLoginHandle, int32_t nChannel) {
    m_nChannel.store(nChannel, std::memory_order_relaxed);
    m_lLoginHandle.store(lLoginHandle, std::memory_order_relaxed);
}

int32_t SendPtzAction(INetLibrary& net, int32_t lLoginHandle, int32_t nChannel, uint32_t nAction,
                      int32_t nSpeed, int32_t nPanelSpeed) {
    PtzCode code;
    if (!LookupPtzAction(nAction, code)) return 0;
    const uint8_t param1 = code.bSpeedIsParam1 ? static_cast<uint8_t>(nPanelSpeed & 0xFF) : 0;
    return net.PtzControl(lLoginHandle, nChannel, code.dwCode, param1, PtzParam2(nSpeed), 0,
                          code.bStop ? 1 : 0);
}

int CPtzCommandSet::SendPtzCommand(uint32_t nAction, int32_t nSpeed) {
    const int32_t login = LoginHandle();
    if (login == 0) return 0;  // the busy mark stays as it is
    const int32_t panelSpeed = Speed();
    const int32_t speed = nSpeed > 0 ? nSpeed : panelSpeed;
    PtzCode code;
    if (!LookupPtzAction(nAction, code)) return 0;
    const int32_t channel = m_nChannel.load(std::memory_order_relaxed);
    int32_t result = SendPtzAction(m_net, login, channel, nAction, speed, panelSpeed);
    if (result == 0 && m_pRenewal) {
        // The login may have died with its connection while the device has
        // been logged in anew: the command goes once more on that login.
        const int32_t renewed = m_pRenewal->RenewLogin();
        if (renewed != 0 && renewed != login) {
            int32_t expected = login;  // unless another thread renewed it first
            m_lLoginHandle.compare_exchange_strong(expected, renewed);
            result = SendPtzAction(m_net, renewed, channel, nAction, speed, panelSpeed);
        }
    }
    m_bBusy.store(0, std::memory_order_relaxed);
    // A stop that failed is owed until one gets through; any command that
    // gets through means the device follows us again.
    if (result != 0) {
        m_bStopOwed.store(false, std::memory_order_relaxed);
        m_bMoving.store(!code.bStop, std::memory_order_relaxed);
    } else if (code.bStop) {
        m_bStopOwed.store(true, std::memory_order_relaxed);
    }
    return result;
}

void CPtzCommandSet::SetSpeed(int32_t nSpeed) {
    m_nSpeed.store(std::min(kMaxSpeed, std::max(kMinSpeed, nSpeed)), std::memory_order_relaxed);
    m_feedback.SpeedChanged();
}

void CPtzCommandSet::OnPtzButton(uintptr_t wParam) {
    // While busy, presses are ignored but releases are not: the release's
    // stop is what clears the mark.
    if (IsBusy() && wParam != 0) return;
    m_feedback.BeginWaitCursor();
    m_bBusy.store(1, std::memory_order_relaxed);
    for (const ButtonAction& b : kButtons) {
        if (b.id != wParam) continue;
        switch (b.kind) {
        case ButtonAction::SPEED_DOWN: SetSpeed(Speed() - 1); break;
        case ButtonAction::SPEED_UP: SetSpeed(Speed() + 1); break;
        case ButtonAction::SPEED_AUTO: SetSpeed(kAutoSpeed); break;
        case ButtonAction::SEND: break;
        }
        SendPtzCommand(b.nAction, Speed());
        break;
    }
    m_feedback.EndWaitCursor();
}

void CPtzCommandSet::OnBusyOnlyClick() {
    if (IsBusy()) return;
    m_feedback.BeginWaitCursor();
    m_bBusy.store(1, std::memory_order_relaxed);
    m_feedback.EndWaitCursor();
}

}  // namespace zv
