// The stops that destroyed dome panels still owe: a panel whose device was
// lost mid-move could not stop it, and the stop must outlive the panel. One
// per camera (address, user name, channel), kept until it gets through or
// the module unloads.
//
// Lock rule: the list has a lock of its own, held only while the list is
// read or changed, never across a library call and never while waiting for
// anything else, so a panel destroyed on the UI thread hands its stop over
// at once. Callers may hold the session lock (it comes first, this one
// after, never the other way round).
#pragma once

#include <cstdint>
#include <list>
#include <mutex>
#include <string_view>

#include "NetLibrary.h"
#include "zentavo.h"

namespace zv {

class COwedStops {
public:
    explicit COwedStops(INetLibrary& net) : m_net(net) {}

    // Keeps a stop for the camera at nSpeed; one already kept for the same
    // camera takes the new speed. Nothing escapes: out of memory (or a
    // broken lock) nothing more can be kept.
    void Keep(const CAMERA_INFO& camera, int32_t nSpeed) noexcept;
    // Sends the stops owed to this address and user on `login`, outside the
    // lock; those that get through are forgotten, the others kept.
    void SendOn(std::string_view address, std::string_view user, int32_t login);
    bool Empty();
    // Forgets them all (no login is left to send them on).
    void Clear();

private:
    struct Stop {
        CAMERA_INFO camera;
        int32_t nSpeed;
    };

    INetLibrary& m_net;
    std::mutex m_mutex;
    std::list<Stop> m_stops;
};

}  // namespace zv
