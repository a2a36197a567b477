#include "OnvifFace.h"

#include <atomic>

#include "Device.h"
#include "HttpServer.h"
#include "OnvifService.h"
#include "RtspServer.h"

namespace zv::devsim {

namespace {

class NativeFace : public OnvifFace {
public:
    explicit NativeFace(Device& device)
        : m_dev(device), m_http(device.Stats()), m_service(device), m_rtsp(device) {}
    ~NativeFace() override { Stop(); }

    bool Start(std::string* error) override {
        const DeviceOptions& o = m_dev.Options();
        // The RTSP port first: the web services hand it out.
        if (!m_rtsp.Start(m_rtspPort ? m_rtspPort.load() : static_cast<uint16_t>(o.rtspPort),
                          error))
            return false;
        m_rtspPort = m_rtsp.Port();
        HttpServer::Config cfg;
        cfg.address = m_dev.Address();
        cfg.port = m_httpPort ? m_httpPort.load() : static_cast<uint16_t>(o.onvifPort);
        // A request has as long as a login to arrive whole, and a connection
        // may idle as long as a session.
        cfg.requestTimeoutMs = o.loginTimeoutMs;
        cfg.idleTimeoutMs = o.idleTimeoutMs;
        cfg.sendTimeoutMs = o.sendTimeoutMs;
        if (!m_http.Start(
                cfg, [this](const HttpRequest& r) { return m_service.Handle(r); }, error)) {
            m_rtsp.Stop();
            return false;
        }
        m_httpPort = m_http.Port();
        return true;
    }
    void Stop() override {
        m_http.Stop();
        m_rtsp.Stop();
    }
    int Drop() override { return m_http.Drop() + m_rtsp.Drop(); }
    uint16_t HttpPort() const override { return m_httpPort; }
    uint16_t RtspPort() const override { return m_rtspPort; }

private:
    Device& m_dev;
    HttpServer m_http;
    OnvifService m_service;
    RtspServer m_rtsp;
    // Kept across restarts; read by the servers' threads (URIs) meanwhile.
    std::atomic<uint16_t> m_httpPort{0}, m_rtspPort{0};
};

}  // namespace

std::unique_ptr<OnvifFace> OnvifFace::Create(Device& device) {
    return std::make_unique<NativeFace>(device);
}

}  // namespace zv::devsim
