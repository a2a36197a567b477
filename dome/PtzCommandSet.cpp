#include "PtzCommandSet.h"

#include <algorithm>

#include "zentavo.h"

namespace zv {

namespace {

// The axis value of one offset from the centre: none on the centre line.
int64_t AxisValue(int64_t d, int64_t half) { return d == 0 ? 32 : (d < 0 ? -d : d) / half; }

}  // namespace

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

int CPtzCommandSet::SendPtzCommand(uint32_t nAction, int32_t nSpeed) {
    const int32_t login = LoginHandle();
    if (login == 0) return 0;  // the busy mark stays as it is
    const int32_t panelSpeed = Speed();
    const int32_t speed = nSpeed > 0 ? nSpeed : panelSpeed;
    PtzActionCode code;
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
    m_bBusy.store(false, std::memory_order_relaxed);
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

void CPtzCommandSet::OnButtonPress(PtzButtonKind kind, uint32_t nAction) {
    if (kind == PtzButtonKind::None || IsBusy()) return;  // busy: presses are ignored
    m_feedback.BeginWaitCursor();
    m_bBusy.store(true, std::memory_order_relaxed);
    switch (kind) {
    case PtzButtonKind::SpeedDown: SetSpeed(Speed() - 1); break;
    case PtzButtonKind::SpeedUp: SetSpeed(Speed() + 1); break;
    case PtzButtonKind::SpeedAuto: SetSpeed(kAutoSpeed); break;
    default: break;
    }
    if (kind != PtzButtonKind::BusyOnly) SendPtzCommand(nAction, Speed());
    m_feedback.EndWaitCursor();
}

void CPtzCommandSet::OnButtonRelease() {
    // Even while busy: the release's stop is what clears the mark.
    m_feedback.BeginWaitCursor();
    m_bBusy.store(true, std::memory_order_relaxed);
    SendPtzCommand(PTZ_STOP, Speed());
    m_feedback.EndWaitCursor();
}

}  // namespace zv
