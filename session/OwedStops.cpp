#include "OwedStops.h"

#include <iterator>
#include <system_error>

#include "FieldText.h"
#include "PtzActions.h"

namespace zv {

namespace {

bool SameDevice(const CAMERA_INFO& camera, std::string_view address, std::string_view user) {
    return FieldText(camera.szDeviceAddress) == address && FieldText(camera.szUserName) == user;
}

}  // namespace

void COwedStops::Keep(const CAMERA_INFO& camera, int32_t nSpeed) noexcept {
    try {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (Stop& owed : m_stops) {
            if (SameDevice(owed.camera, FieldText(camera.szDeviceAddress), FieldText(camera.szUserName)) &&
                owed.camera.nChannel == camera.nChannel) {
                owed.nSpeed = nSpeed;
                return;
            }
        }
        m_stops.push_back(Stop{camera, nSpeed});
    } catch (...) {
    }
}

void COwedStops::SendOn(std::string_view address, std::string_view user, int32_t login) {
    std::list<Stop> due;
    try {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto it = m_stops.begin(); it != m_stops.end();) {
            auto next = std::next(it);
            if (SameDevice(it->camera, address, user)) due.splice(due.end(), m_stops, it);
            it = next;
        }
    } catch (const std::system_error&) {
        return;
    }
    if (due.empty()) return;
    // Outside the lock: the library may take its time.
    for (auto it = due.begin(); it != due.end();) {
        auto next = std::next(it);
        if (SendPtzAction(m_net, login, it->camera.nChannel, PTZ_STOP, it->nSpeed, 0) != 0) due.erase(it);
        it = next;
    }
    if (due.empty()) return;
    try {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stops.splice(m_stops.end(), due);
    } catch (const std::system_error&) {
    }
}

bool COwedStops::Empty() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stops.empty();
}

void COwedStops::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stops.clear();
}

}  // namespace zv
