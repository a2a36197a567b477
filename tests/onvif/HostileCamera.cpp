#include "HostileCamera.h"

#include <chrono>
#include <map>
#include <sstream>

namespace zv::onvif::test {

namespace ds = zv::devsim;

HostileCamera::~HostileCamera() {
    m_stop = true;
    if (m_trap.joinable()) m_trap.join();
    if (m_sim) m_sim->Stop();
}

ds::SimulatorOptions HostileCamera::OneDevice(const char* address) {
    ds::SimulatorOptions opts;
    ds::DeviceOptions d;
    d.address = address;
    d.port = 0;
    d.channels = 2;
    d.users = {{"admin", "admin"}};
    d.onvifPort = 0;
    d.rtspPort = 0;
    opts.devices.push_back(d);
    opts.controlPort = 0;
    return opts;
}

bool HostileCamera::Start(std::string* error) {
    m_sim = std::make_unique<ds::Simulator>(OneDevice(kIp));
    if (!m_sim->Start(error)) return false;
    ds::Device* dev = m_sim->FindDevice(kIp);
    m_address = std::string(kIp) + ":" + std::to_string(dev->OnvifPort());
    for (uint16_t port : {dev->OnvifPort(), dev->RtspPort()}) {
        net::Socket s = net::Socket::Listen(kTrapIp, port, error);
        if (!s.Valid()) return false;
        m_trapListeners.push_back(std::move(s));
    }
    m_trap = std::thread(&HostileCamera::Trap, this);
    return true;
}

void HostileCamera::Trap() {
    std::vector<net::Socket> taken;  // held open, never answered
    while (!m_stop) {
        for (net::Socket& l : m_trapListeners) {
            if (l.WaitReadable(20) != net::Socket::Wait::Ready) continue;
            net::Socket c = l.Accept();
            if (!c.Valid()) continue;
            ++m_trapped;
            taken.push_back(std::move(c));
        }
    }
}

std::string HostileCamera::Fault(const std::string& command, const std::string& args) {
    return m_sim->Execute(command + " " + kIp + (args.empty() ? "" : " " + args));
}

void HostileCamera::ClearFaults() {
    for (const char* off : {"onvif-freeze", "onvif-basic-only", "onvif-foreign-host", "rtsp-session-timeout",
                            "rtsp-silent", "onvif-no-stop"})
        Fault(off, "off");
    Fault("onvif-delay", "0");
    Fault("onvif-xmlns", "0");
}

static std::map<std::string, double> Fields(const std::string& reply) {
    std::map<std::string, double> out;
    std::istringstream in(reply);
    for (std::string w; in >> w;) {
        const size_t eq = w.find('=');
        if (eq != std::string::npos) out[w.substr(0, eq)] = std::atof(w.c_str() + eq + 1);
    }
    return out;
}

double HostileCamera::Counter(const std::string& name) { return Fields(Fault("counters"))[name]; }

double HostileCamera::State(int channel, const std::string& name) {
    return Fields(Fault("state", std::to_string(channel)))[name];
}

std::unique_ptr<OnvifDevice> HostileCamera::Login(LoginError* error, const DeviceTimeouts& t) {
    LoginError e = LOGIN_PROTOCOL;
    auto dev = OnvifDevice::Login(m_address, "admin", "admin", &e, t);
    if (error) *error = e;
    return dev;
}

}  // namespace zv::onvif::test
