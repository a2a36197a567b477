#include "Camera.h"

#include <algorithm>
#include <cmath>

namespace zv::devsim {

double Camera::LevelSpeed(uint8_t level) {
    // Level 0 still moves: the panel sends 0 for its lowest speeds.
    return 4.0 + 9.5 * std::min<int>(level, 8);
}

double Camera::RawSpeed(uint8_t raw) { return 4.0 + 76.0 * std::min<int>(raw, 63) / 63.0; }

bool Camera::Command(uint32_t code, uint8_t param1, uint8_t param2, bool stop, double now) {
    Advance(now);
    m_lastCode = code;
    m_panTiltUntil = m_zoomUntil = 0;
    if (stop) {
        m_motion = PtzMotion{};
        return true;
    }
    const uint8_t level = std::min<uint8_t>(param2, 8);
    const double speed = LevelSpeed(level);
    const double diag = RawSpeed(param1);
    PtzMotion m;
    switch (code) {
    case kPtzUp: m.tilt = speed; break;
    case kPtzDown: m.tilt = -speed; break;
    case kPtzLeft: m.pan = -speed; break;
    case kPtzRight: m.pan = speed; break;
    case kPtzZoomOut: m.zoom = -(0.15 + 0.12 * level); break;
    case kPtzZoomIn: m.zoom = 0.15 + 0.12 * level; break;
    case kPtzFocusNear: m.focus = -(50 + 40.0 * level); break;
    case kPtzFocusFar: m.focus = 50 + 40.0 * level; break;
    case kPtzIrisSmaller: m.iris = -(5 + 5.0 * level); break;
    case kPtzIrisLarger: m.iris = 5 + 5.0 * level; break;
    case kPtzLeftUp:
        m.pan = -diag;
        m.tilt = diag;
        break;
    case kPtzRightUp:
        m.pan = diag;
        m.tilt = diag;
        break;
    case kPtzLeftDown:
        m.pan = -diag;
        m.tilt = -diag;
        break;
    case kPtzRightDown:
        m.pan = diag;
        m.tilt = -diag;
        break;
    default: return false;
    }
    // One drive at a time: a new move replaces the one in progress.
    m_motion = m;
    return true;
}

void Camera::Drive(bool panTilt, double pan, double tilt, bool zoom, double zoomVelocity,
                   double until, double now) {
    Advance(now);
    if (panTilt) {
        m_motion.pan = std::clamp(pan, -1.0, 1.0) * kMaxPanTiltSpeed;
        m_motion.tilt = std::clamp(tilt, -1.0, 1.0) * kMaxPanTiltSpeed;
        m_panTiltUntil = until;
    }
    if (zoom) {
        m_motion.zoom = std::clamp(zoomVelocity, -1.0, 1.0) * kMaxZoomRate;
        m_zoomUntil = until;
    }
}

void Camera::DriveFocus(double velocity, double now) {
    Advance(now);
    m_motion.focus = std::clamp(velocity, -1.0, 1.0) * kMaxFocusRate;
}

void Camera::Halt(bool panTilt, bool zoom, bool focus, double now) {
    Advance(now);
    if (panTilt) {
        m_motion.pan = m_motion.tilt = 0;
        m_panTiltUntil = 0;
    }
    if (zoom) {
        m_motion.zoom = 0;
        m_zoomUntil = 0;
    }
    if (focus) m_motion.focus = 0;
}

void Camera::Advance(double now) {
    if (m_last < 0 || now <= m_last) {
        if (m_last < 0) m_last = now;
        return;
    }
    // A deadline inside the step ends its axes there: integrate up to it,
    // stop them, and go on.
    for (;;) {
        double next = now;
        if (m_panTiltUntil > 0 && m_panTiltUntil < next) next = m_panTiltUntil;
        if (m_zoomUntil > 0 && m_zoomUntil < next) next = m_zoomUntil;
        if (next > m_last) Integrate(next - m_last);
        m_last = std::max(m_last, next);
        if (next >= now) break;
        if (m_panTiltUntil > 0 && m_panTiltUntil <= next) {
            m_motion.pan = m_motion.tilt = 0;
            m_panTiltUntil = 0;
        }
        if (m_zoomUntil > 0 && m_zoomUntil <= next) {
            m_motion.zoom = 0;
            m_zoomUntil = 0;
        }
    }
}

void Camera::Integrate(double dt) {
    if (!m_motion.Any()) return;
    m_pos.pan = std::fmod(m_pos.pan + m_motion.pan * dt, 360.0);
    if (m_pos.pan < 0) m_pos.pan += 360.0;
    m_pos.tilt = std::clamp(m_pos.tilt + m_motion.tilt * dt, kTiltMin, kTiltMax);
    m_pos.zoom = std::clamp(m_pos.zoom * std::exp(m_motion.zoom * dt), kZoomMin, kZoomMax);
    m_pos.focus = std::clamp(m_pos.focus + m_motion.focus * dt, 0.0, 1000.0);
    m_pos.iris = std::clamp(m_pos.iris + m_motion.iris * dt, 0.0, 100.0);
}

int Camera::BlurRadius() const {
    return std::min(6, static_cast<int>(std::fabs(m_pos.focus - kFocusSharp) / 70.0));
}

double Camera::Exposure() const { return std::exp2((m_pos.iris - 50.0) / 25.0); }

}  // namespace zv::devsim
