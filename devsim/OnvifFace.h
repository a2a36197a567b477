// A device's second face: web services (device, media, PTZ, imaging) and
// JPEG snapshots over HTTP, live pictures over RTSP. Built natively only
// (OnvifFace.cpp): it needs the system's JPEG library, which the Windows
// build does not have; there OnvifFaceNone.cpp refuses to start with a
// message saying so.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace zv::devsim {

class Device;

class OnvifFace {
public:
    static std::unique_ptr<OnvifFace> Create(Device& device);
    virtual ~OnvifFace() = default;

    // Listens on the device's address, on the configured ports the first
    // time and on the same ports after a restart.
    virtual bool Start(std::string* error) = 0;
    virtual void Stop() = 0;
    // Closes every HTTP and RTSP connection; returns how many.
    virtual int Drop() = 0;
    virtual uint16_t HttpPort() const = 0;
    virtual uint16_t RtspPort() const = 0;
};

}  // namespace zv::devsim
