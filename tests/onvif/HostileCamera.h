// The hostile camera the tests share: the simulator's web services and RTSP
// on an address of their own, switched into its faults (frozen, silent
// streams, Basic only, answers naming other hosts, odd Session timeouts,
// namespace floods, restarted RTP numbering, slow answers), and a trap on
// another address, listening on the camera's own port numbers, that counts
// every connection made to it: a request carrying the user's credentials
// must never reach it.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "OnvifDevice.h"
#include "Simulator.h"
#include "Socket.h"

namespace zv::onvif::test {

class HostileCamera {
public:
    // Each sanitizer preset has addresses of its own.
#if defined(__SANITIZE_THREAD__)
    static constexpr const char* kIp = "127.0.0.72";
    static constexpr const char* kTrapIp = "127.0.0.73";
#else
    static constexpr const char* kIp = "127.0.0.70";
    static constexpr const char* kTrapIp = "127.0.0.71";
#endif

    // The simulator both this camera and the device tests start: one device
    // on `address` with two channels, user admin:admin, every port chosen
    // by the system.
    static devsim::SimulatorOptions OneDevice(const char* address);

    HostileCamera() = default;
    ~HostileCamera();
    bool Start(std::string* error);

    // "ip:port" of the web services, as a user gives it.
    const std::string& Address() const { return m_address; }
    // A fault switched on this camera: Fault("onvif-freeze", "on").
    std::string Fault(const std::string& command, const std::string& args = std::string());
    void ClearFaults();
    // A counter of `counters`, or a field of `state` for channel 0.
    double Counter(const std::string& name);
    double State(int channel, const std::string& name);

    std::unique_ptr<OnvifDevice> Login(LoginError* error = nullptr, const DeviceTimeouts& t = DeviceTimeouts{});

    size_t TrapConnections() const { return m_trapped; }

private:
    void Trap();

    std::unique_ptr<devsim::Simulator> m_sim;
    std::string m_address;
    std::vector<net::Socket> m_trapListeners;
    std::atomic<size_t> m_trapped{0};
    std::atomic<bool> m_stop{false};
    std::thread m_trap;
};

}  // namespace zv::onvif::test
