// One channel's simulated dome: pan, tilt, zoom, focus and iris, driven by
// device PTZ codes or, from the web services, by velocities. Moves are
// continuous at the commanded speed until a stop (or another move) arrives,
// or until a velocity move's own deadline; the state is integrated lazily
// from the time passed in, so the model is deterministic under test.
#pragma once

#include <cstdint>

#include "PtzCodes.h"

namespace zv::devsim {

// PTZ device codes understood by the dome.
using namespace proto::ptz;

struct PtzPosition {
    double pan = 0;      // degrees, 0..360, wraps
    double tilt = 0;     // degrees, up positive, kTiltMin..kTiltMax
    double zoom = 1;     // magnification, kZoomMin..kZoomMax
    double focus = 500;  // 0..1000, sharp at kFocusSharp
    double iris = 50;    // 0..100, normal exposure at 50
};

// Rates per second; zoom is a rate of ln(zoom).
struct PtzMotion {
    double pan = 0;
    double tilt = 0;
    double zoom = 0;
    double focus = 0;
    double iris = 0;
    bool Any() const { return pan != 0 || tilt != 0 || zoom != 0 || focus != 0 || iris != 0; }
};

class Camera {
public:
    static constexpr double kTiltMin = -30;
    static constexpr double kTiltMax = 30;
    static constexpr double kZoomMin = 1;
    static constexpr double kZoomMax = 16;
    static constexpr double kFocusSharp = 500;

    // Fastest drives: what a velocity of 1 means, and level 8 of a code.
    static constexpr double kMaxPanTiltSpeed = 80;  // degrees a second
    static constexpr double kMaxZoomRate = 1.11;    // ln(zoom) a second
    static constexpr double kMaxFocusRate = 370;    // focus units a second

    // Applies a command at time now (seconds); false for an unknown code.
    bool Command(uint32_t code, uint8_t param1, uint8_t param2, bool stop, double now);

    // Velocity drive, each axis -1..1 of its fastest speed (clamped). Only
    // the axis groups named change (pan and tilt together, zoom alone); each
    // runs until a stop, another move, or until the deadline when one is
    // given (seconds, the same clock as now; <= 0 for none).
    void Drive(bool panTilt, double pan, double tilt, bool zoom, double zoomVelocity,
               double until, double now);
    void DriveFocus(double velocity, double now);
    // Stops the named axis groups.
    void Halt(bool panTilt, bool zoom, bool focus, double now);
    // Integrates the motion up to now; positions clamp (the motion persists,
    // as a real dome keeps its drive on against the end stop).
    void Advance(double now);

    const PtzPosition& Position() const { return m_pos; }
    const PtzMotion& Motion() const { return m_motion; }
    uint32_t LastCode() const { return m_lastCode; }

    // Picture effects of the current state.
    int BlurRadius() const;
    double Exposure() const;

    // Pan/tilt speed in degrees per second for a speed level 0..8 (param2)
    // and for the raw 0..63 speed that diagonals carry in param1.
    static double LevelSpeed(uint8_t level);
    static double RawSpeed(uint8_t raw);

private:
    void Integrate(double dt);

    PtzPosition m_pos;
    PtzMotion m_motion;
    double m_last = -1;
    // Deadlines of velocity moves (<= 0: none), pan/tilt and zoom apart.
    double m_panTiltUntil = 0;
    double m_zoomUntil = 0;
    uint32_t m_lastCode = 0;
};

}  // namespace zv::devsim
