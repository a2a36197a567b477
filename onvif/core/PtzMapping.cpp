#include "PtzMapping.h"

#include <algorithm>
#include <cmath>

namespace zv::onvif {

namespace {

// A signed fraction of full speed into a range's velocity: the positive side
// scales to max, the negative to min (absent: -1..1).
double Scale(double f, const Range& r) {
    const double lo = r.present ? r.min : -1.0, hi = r.present ? r.max : 1.0;
    const double v = f >= 0 ? f * std::max(hi, 0.0) : -f * std::min(lo, 0.0);
    return std::clamp(v, lo, hi);
}

}  // namespace

double SpeedFraction(uint8_t level) {
    if (level == 0) return 1.0 / 8;
    return std::min<int>(level, 8) / 8.0;
}

PtzRequest MapPtzCode(uint32_t code, uint8_t param2, bool stop, const PtzSpaces& spaces) {
    PtzRequest r;
    if (stop) {
        r.kind = PtzRequest::Kind::Stop;
        r.panTilt = spaces.panTilt;
        r.zoom = spaces.hasZoom;
        return r;
    }
    const double f = SpeedFraction(param2);
    double px = 0, py = 0, pz = 0;
    bool wantsPanTilt = false, wantsZoom = false;
    switch (code) {
    case kPtzUp: py = f; wantsPanTilt = true; break;
    case kPtzDown: py = -f; wantsPanTilt = true; break;
    case kPtzLeft: px = -f; wantsPanTilt = true; break;
    case kPtzRight: px = f; wantsPanTilt = true; break;
    case kPtzLeftUp: px = -f; py = f; wantsPanTilt = true; break;
    case kPtzRightUp: px = f; py = f; wantsPanTilt = true; break;
    case kPtzLeftDown: px = -f; py = -f; wantsPanTilt = true; break;
    case kPtzRightDown: px = f; py = -f; wantsPanTilt = true; break;
    case kPtzZoomOut: pz = -f; wantsZoom = true; break;
    case kPtzZoomIn: pz = f; wantsZoom = true; break;
    case kPtzFocusNear:
    case kPtzFocusFar:
        r.kind = PtzRequest::Kind::Focus;
        r.focus = code == kPtzFocusNear ? -f : f;
        return r;
    case kPtzIrisSmaller:
    case kPtzIrisLarger:
        r.kind = PtzRequest::Kind::Unsupported;
        return r;
    default:
        r.kind = PtzRequest::Kind::Invalid;
        return r;
    }
    if ((wantsPanTilt && !spaces.panTilt) || (wantsZoom && !spaces.hasZoom)) {
        r.kind = PtzRequest::Kind::Unsupported;
        return r;
    }
    r.kind = PtzRequest::Kind::Move;
    r.panTilt = spaces.panTilt;
    r.zoom = spaces.hasZoom;
    r.x = Scale(px, spaces.panX);
    r.y = Scale(py, spaces.panY);
    r.z = Scale(pz, spaces.zoom);
    return r;
}

}  // namespace zv::onvif
