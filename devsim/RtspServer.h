// The device's RTSP server: live RTP/JPEG of each channel, interleaved in
// the RTSP connection (TCP). One listener, a capped number of connections
// (RtspConnection), Digest logins, and one encoding per channel and frame
// shared by every client watching it.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "DigestAuth.h"
#include "Image.h"
#include "RtpJpeg.h"
#include "Socket.h"

namespace zv::devsim {

class Device;
class RtspConnection;

class RtspServer {
public:
    static constexpr int kMaxConnections = 16;
    static constexpr double kNonceLifetime = 300;

    explicit RtspServer(Device& device);
    ~RtspServer();
    RtspServer(const RtspServer&) = delete;
    RtspServer& operator=(const RtspServer&) = delete;

    bool Start(uint16_t port, std::string* error);
    void Stop();
    int Drop();
    uint16_t Port() const { return m_port; }
    int Connections() const;

    // --- for connections ---------------------------------------------------------
    Device& Dev() { return m_dev; }
    const DigestAuth& Auth() const { return m_auth; }
    // The picture as RTP/JPEG payloads, encoded once per channel and frame
    // however many clients watch; null if encoding failed.
    std::shared_ptr<const RtpJpegFrame> Encoded(int channel, const Image& picture,
                                                uint32_t frameNo);

private:
    void AcceptLoop();
    void Reap(bool all);

    Device& m_dev;
    DigestAuth m_auth;
    net::Socket m_listener;
    std::atomic<uint16_t> m_port{0};
    std::atomic<bool> m_running{false};
    std::thread m_thread;
    mutable std::mutex m_mu;
    std::vector<std::shared_ptr<RtspConnection>> m_connections;

    struct Cached {
        uint32_t frameNo = 0;
        std::shared_ptr<const RtpJpegFrame> frame;
    };
    std::mutex m_cacheMu;
    std::map<int, Cached> m_cache;
};

}  // namespace zv::devsim
