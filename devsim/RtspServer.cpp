#include "RtspServer.h"

#include "Device.h"
#include "SimHttpMessage.h"
#include "JpegCodec.h"
#include "RtspConnection.h"

namespace zv::devsim {

RtspServer::RtspServer(Device& device) : m_dev(device), m_auth("devsim", kNonceLifetime) {}

RtspServer::~RtspServer() { Stop(); }

bool RtspServer::Start(uint16_t port, std::string* error) {
    m_listener = net::Socket::Listen(m_dev.Address(), port, error);
    if (!m_listener.Valid()) return false;
    m_port = m_listener.LocalPort();
    m_running = true;
    m_thread = std::thread(&RtspServer::AcceptLoop, this);
    return true;
}

void RtspServer::Stop() {
    m_running = false;
    if (m_thread.joinable()) m_thread.join();
    Reap(true);
    m_listener.Close();
    std::lock_guard<std::mutex> lk(m_cacheMu);
    m_cache.clear();
}

int RtspServer::Drop() {
    std::lock_guard<std::mutex> lk(m_mu);
    int n = 0;
    for (auto& c : m_connections) {
        if (c->Finished()) continue;
        c->Abort();
        ++n;
    }
    return n;
}

int RtspServer::Connections() const {
    std::lock_guard<std::mutex> lk(m_mu);
    int n = 0;
    for (const auto& c : m_connections) n += c->Finished() ? 0 : 1;
    return n;
}

void RtspServer::Reap(bool all) {
    std::vector<std::shared_ptr<RtspConnection>> done;
    {
        std::lock_guard<std::mutex> lk(m_mu);
        for (auto it = m_connections.begin(); it != m_connections.end();) {
            if (all || (*it)->Finished()) {
                done.push_back(std::move(*it));
                it = m_connections.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& c : done) c->Abort();
    for (auto& c : done) c->Join();
}

void RtspServer::AcceptLoop() {
    while (m_running.load()) {
        if (m_listener.WaitReadable(100) == net::Socket::Wait::Ready) {
            net::Socket s = m_listener.Accept();
            if (s.Valid()) {
                if (Connections() >= kMaxConnections) {
                    HttpResponse r;
                    r.status = 503;
                    const std::string busy = r.Serialize("RTSP/1.0");
                    s.SendAll(busy.data(), busy.size(), 100, nullptr);
                } else {
                    std::lock_guard<std::mutex> lk(m_mu);
                    auto c = std::make_shared<RtspConnection>(*this, std::move(s), ++m_dev.Stats().rtspConnections);
                    m_connections.push_back(c);
                    c->Start();
                }
            }
        }
        Reap(false);
    }
}

std::shared_ptr<const RtpJpegFrame> RtspServer::Encoded(int channel, const Image& picture,
                                                        uint32_t frameNo) {
    std::lock_guard<std::mutex> lk(m_cacheMu);
    Cached& c = m_cache[channel];
    if (c.frame && c.frameNo == frameNo) return c.frame;
    // A restart marker every MCU row (16 lines at 4:2:0): a receiver that
    // loses a fragment resynchronises at the next row.
    const int mcusPerRow = (picture.width + 15) / 16;
    std::vector<uint8_t> jpeg;
    JpegParts parts;
    auto frame = std::make_shared<RtpJpegFrame>();
    if (!JpegCodec::Encode(picture, m_dev.Options().jpegQuality, mcusPerRow, jpeg, nullptr) ||
        !JpegCodec::Split(jpeg, parts, nullptr) ||
        !RtpJpeg::Packetize(jpeg, parts, RtpJpeg::kDefaultMaxPayload, *frame))
        return nullptr;
    c.frameNo = frameNo;
    c.frame = std::move(frame);
    return c.frame;
}

}  // namespace zv::devsim
