#include "RtspConnection.h"

#include <cmath>
#include <cstdio>

#include "Crypto.h"
#include "Device.h"
#include "HttpParser.h"
#include "RtspServer.h"

namespace zv::devsim {

namespace {

uint32_t Random32() {
    uint8_t b[4] = {};
    proto::RandomBytes(b, sizeof b);
    return static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 |
           static_cast<uint32_t>(b[2]) << 8 | b[3];
}

std::string Hex32(uint32_t v) {
    char buf[12];
    std::snprintf(buf, sizeof buf, "%08X", v);
    return buf;
}

using Clock = std::chrono::steady_clock;

}  // namespace

RtspConnection::RtspConnection(RtspServer& server, net::Socket socket, uint64_t id)
    : m_server(server), m_sock(std::move(socket)), m_id(id), m_ssrc(Random32()),
      m_timeBase(Random32()), m_seq(static_cast<uint16_t>(Random32())) {
    m_sock.SetSendBuffer(kSendBufferBytes);
    m_seqRestarts = m_server.Dev().GetFaults().onvif.seqRestarts;
}

RtspConnection::~RtspConnection() {
    Abort();
    Join();
}

void RtspConnection::Start() {
    m_reader = std::thread(&RtspConnection::ReadLoop, this);
    m_writer = std::thread(&RtspConnection::WriteLoop, this);
}

void RtspConnection::Abort() {
    m_abort = true;
    m_sock.Shutdown();
    { std::lock_guard<std::mutex> lk(m_mu); }
    m_cv.notify_all();
    m_replyRoom.notify_all();
}

void RtspConnection::Join() {
    if (m_reader.joinable()) m_reader.join();
    if (m_writer.joinable()) m_writer.join();
}

bool RtspConnection::Quiet() const {
    const OnvifFaults f = m_server.Dev().GetFaults().onvif;
    return f.frozen || f.rtspSilentAll || m_id < f.rtspSilentBelow;
}

// --- outgoing ---------------------------------------------------------------

void RtspConnection::Reply(const std::string& bytes) {
    std::unique_lock<std::mutex> lk(m_mu);
    m_replyRoom.wait(lk, [&] { return m_abort.load() || m_replies.size() < kMaxQueuedReplies; });
    if (m_abort.load()) return;
    m_replies.push_back(bytes);
    lk.unlock();
    m_cv.notify_one();
}

void RtspConnection::PushFrame(std::shared_ptr<const RtpJpegFrame> frame, double t) {
    // The 90 kHz clock at 25 frames a second: 3600 ticks a frame, on the
    // frame grid of the device's time, so the stream's rate reads exactly.
    const uint32_t ts = m_timeBase + static_cast<uint32_t>(std::llround(t * 25) * 3600);
    {
        std::lock_guard<std::mutex> lk(m_mu);
        if (!m_playing || m_closing) return;
        if (m_frames.size() >= kMaxQueuedFrames) {
            m_frames.pop_front();
            m_server.Dev().Stats().rtpFramesDropped++;
        }
        m_frames.push_back({std::move(frame), ts});
    }
    m_cv.notify_one();
}

void RtspConnection::WriteLoop() {
    const int timeout = m_server.Dev().Options().sendTimeoutMs;
    for (;;) {
        std::string reply;
        Frame frame;
        uint16_t seq = 0;
        {
            std::unique_lock<std::mutex> lk(m_mu);
            m_cv.wait(lk, [&] {
                return m_abort.load() || !m_replies.empty() || m_closing || !m_frames.empty();
            });
            if (m_abort.load()) break;
            if (!m_replies.empty()) {
                reply = std::move(m_replies.front());
                m_replies.pop_front();
                m_replyRoom.notify_one();
            } else if (m_closing) {
                break;
            } else {
                frame = std::move(m_frames.front());
                m_frames.pop_front();
            }
        }
        if (!reply.empty()) {
            if (!m_sock.SendAll(reply.data(), reply.size(), timeout, &m_abort)) break;
            continue;
        }
        if (Quiet()) continue;  // the picture is not sent
        {
            // A restarted numbering with the same source, as some cameras
            // do after an encoder restart.
            const uint32_t restarts = m_server.Dev().GetFaults().onvif.seqRestarts;
            std::lock_guard<std::mutex> lk(m_mu);
            if (restarts != m_seqRestarts) {
                m_seqRestarts = restarts;
                m_seq = static_cast<uint16_t>(m_seq - 30000);
            }
            seq = m_seq;
            m_seq = static_cast<uint16_t>(m_seq + frame.rtp->Packets());
        }
        // '$', channel, length, then the RTP packet, for each packet.
        const RtpJpegFrame& f = *frame.rtp;
        std::string out;
        out.reserve(f.payload.size() + f.Packets() * (4 + RtpJpeg::kRtpHeaderSize));
        size_t begin = 0;
        for (size_t i = 0; i < f.Packets(); ++i) {
            const size_t len = f.ends[i] - begin;
            const size_t packet = RtpJpeg::kRtpHeaderSize + len;
            uint8_t head[4 + RtpJpeg::kRtpHeaderSize];
            head[0] = '$';
            head[1] = m_rtpChannel;
            head[2] = static_cast<uint8_t>(packet >> 8);
            head[3] = static_cast<uint8_t>(packet);
            RtpJpeg::Header(head + 4, i + 1 == f.Packets(), static_cast<uint16_t>(seq + i),
                            frame.timestamp, m_ssrc);
            out.append(reinterpret_cast<const char*>(head), sizeof head);
            out.append(reinterpret_cast<const char*>(f.payload.data()) + begin, len);
            begin = f.ends[i];
        }
        if (!m_sock.SendAll(out.data(), out.size(), timeout, &m_abort)) break;
        m_server.Dev().Stats().rtpFramesSent++;
    }
    m_abort = true;
    m_sock.Shutdown();
    { std::lock_guard<std::mutex> lk(m_mu); }
    m_replyRoom.notify_all();
    m_writerDone = true;
}

// --- incoming ---------------------------------------------------------------

void RtspConnection::ReadLoop() {
    HttpParser parser(HttpParser::Dialect::Rtsp);
    std::vector<char> buf(16 * 1024);
    auto lastRx = Clock::now();
    bool ended = false;
    while (!ended && !m_abort.load()) {
        const auto w = m_sock.WaitReadable(100);
        if (w == net::Socket::Wait::Error) break;
        if (w == net::Socket::Wait::Ready) {
            const long n = m_sock.Recv(buf.data(), buf.size());
            if (n < 0) break;
            if (n > 0) {
                lastRx = Clock::now();
                parser.Feed(buf.data(), static_cast<size_t>(n));
                for (;;) {
                    HttpRequest req;
                    const auto st = parser.Next(req);
                    if (st == HttpParser::Status::NeedMore) break;
                    if (st == HttpParser::Status::Interleaved) continue;  // receiver reports
                    if (st == HttpParser::Status::Error) {
                        m_server.Dev().Stats().httpBad++;
                        HttpResponse r;
                        r.status = parser.ErrorStatus();
                        Reply(r.Serialize("RTSP/1.0"));
                        ended = true;
                        break;
                    }
                    m_server.Dev().Stats().rtspRequests++;
                    if (Quiet()) continue;  // read, never answered
                    const HttpResponse r = Handle(req);
                    Reply(r.Serialize("RTSP/1.0"));
                    // Pictures only after the answer to PLAY is queued.
                    if (m_state == State::Playing) {
                        std::lock_guard<std::mutex> lk(m_mu);
                        m_playing = true;
                    }
                }
            }
        }
        if (Clock::now() - lastRx > std::chrono::seconds(kSessionTimeoutS) && !Quiet()) break;
    }
    StopWatching();
    {
        std::lock_guard<std::mutex> lk(m_mu);
        m_closing = true;
    }
    m_cv.notify_one();
    m_readerDone = true;
}

void RtspConnection::StopWatching() {
    if (m_watchId) m_server.Dev().Unwatch(m_watchId);
    m_watchId = 0;
    std::lock_guard<std::mutex> lk(m_mu);
    m_playing = false;
    m_frames.clear();
}

std::string RtspConnection::BaseUrl(int channel) const {
    const std::string foreign = m_server.Dev().GetFaults().onvif.foreignHost;
    return "rtsp://" + (foreign.empty() ? m_server.Dev().Address() : foreign) + ":" + std::to_string(m_server.Port()) + "/ch" +
           std::to_string(channel + 1);
}

int RtspConnection::ChannelOf(const std::string& target) const {
    HttpRequest r;
    r.target = target;
    const std::string path = r.Path();
    if (path.compare(0, 3, "/ch") != 0) return -1;
    size_t end = path.find('/', 3);
    if (end == std::string::npos) end = path.size();
    const std::string digits = path.substr(3, end - 3);
    if (digits.empty() || digits.size() > 2 || digits[0] == '0' ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    const std::string rest = path.substr(end);
    if (!rest.empty() && rest != "/" && rest != "/trackID=0") return -1;
    const int n = std::stoi(digits);
    return n <= m_server.Dev().Channels() ? n - 1 : -1;
}

HttpResponse RtspConnection::Handle(const HttpRequest& req) {
    Device& dev = m_server.Dev();
    HttpResponse r;
    const std::string* cseq = req.Header("CSeq");
    if (!cseq) {
        r.status = 400;
        return r;
    }
    r.Set("CSeq", *cseq);
    r.Set("Server", "devsim");
    const std::string& m = req.method;
    if (m == "OPTIONS") {
        r.Set("Public", "OPTIONS, DESCRIBE, SETUP, PLAY, PAUSE, TEARDOWN, GET_PARAMETER");
        return r;
    }
    if (m == "ANNOUNCE" || m == "RECORD" || m == "SET_PARAMETER" || m == "REDIRECT") {
        r.status = 405;
        r.Set("Allow", "OPTIONS, DESCRIBE, SETUP, PLAY, PAUSE, TEARDOWN, GET_PARAMETER");
        return r;
    }
    if (m != "DESCRIBE" && m != "SETUP" && m != "PLAY" && m != "PAUSE" && m != "TEARDOWN" &&
        m != "GET_PARAMETER") {
        r.status = 501;
        return r;
    }
    if (dev.GetFaults().onvif.basicOnly) {
        const std::string* a = req.Header("Authorization");
        if (!a || a->size() <= 6 || !EqualsNoCase(a->substr(0, 6), "Basic ")) {
            r.status = 401;
            r.Set("WWW-Authenticate", "Basic realm=\"devsim\"");
            return r;
        }
        dev.Stats().rtspBasicSeen++;
    }
    const double now = dev.WallClock();
    const DigestAuth::Verdict v = dev.GetFaults().onvif.basicOnly ? DigestAuth::Verdict::Ok : m_server.Auth().Check(req.Header("Authorization"), m,
                                                        req.target, dev.Options().users, now,
                                                        nullptr);
    if (v != DigestAuth::Verdict::Ok) {
        if (v != DigestAuth::Verdict::Missing) dev.Stats().rtspAuthFailures++;
        r.status = 401;
        r.Set("WWW-Authenticate", m_server.Auth().Challenge(now, v == DigestAuth::Verdict::Stale));
        return r;
    }
    std::string session;
    if (const std::string* s = req.Header("Session")) session = Trim(s->substr(0, s->find(';')));
    if (!session.empty() && session != m_session) {
        r.status = 454;
        return r;
    }
    if (m == "DESCRIBE" || m == "SETUP") {
        const int ch = ChannelOf(req.target);
        if (ch < 0) {
            r.status = 404;
            return r;
        }
        return m == "DESCRIBE" ? Describe(req, ch) : Setup(req, ch);
    }
    if (m == "GET_PARAMETER") {
        if (!m_session.empty()) r.Set("Session", m_session);
        return r;
    }
    // PLAY, PAUSE and TEARDOWN act on the session set up before.
    if (m_session.empty() || session.empty()) {
        r.status = m_session.empty() ? 455 : 454;
        return r;
    }
    r.Set("Session", m_session);
    if (m == "PLAY") return Play(req);
    StopWatching();
    if (m == "PAUSE") {
        if (m_state == State::Playing) m_state = State::Ready;
    } else {
        m_state = State::Init;
        m_session.clear();
        m_channel = -1;
    }
    return r;
}

HttpResponse RtspConnection::Describe(const HttpRequest& req, int ch) {
    (void)req;
    const Device& dev = m_server.Dev();
    const std::string n = std::to_string(ch + 1);
    HttpResponse r;
    r.Set("CSeq", *req.Header("CSeq"));
    r.Set("Server", "devsim");
    r.Set("Content-Type", "application/sdp");
    r.Set("Content-Base", BaseUrl(ch) + "/");
    r.body = "v=0\r\n"
             "o=- " + std::to_string(m_id) + " 1 IN IP4 " + dev.Address() + "\r\n"
             "s=devsim " + dev.Address() + " CH" + n + "\r\n"
             "c=IN IP4 0.0.0.0\r\n"
             "t=0 0\r\n"
             "a=control:*\r\n"
             "a=range:npt=now-\r\n"
             "m=video 0 RTP/AVP 26\r\n"
             "a=rtpmap:26 JPEG/90000\r\n"
             "a=framerate:25\r\n"
             "a=x-dimensions:" + std::to_string(dev.Options().width) + "," +
             std::to_string(dev.Options().height) + "\r\n"
             "a=control:trackID=0\r\n";
    return r;
}

HttpResponse RtspConnection::Setup(const HttpRequest& req, int ch) {
    HttpResponse r;
    r.Set("CSeq", *req.Header("CSeq"));
    r.Set("Server", "devsim");
    if (m_state != State::Init && ch != m_channel) {
        r.status = 459;  // one stream per session
        return r;
    }
    const std::string* transport = req.Header("Transport");
    // The first TCP choice among the client's; UDP is not offered.
    int first = -1, second = -1;
    if (transport) {
        size_t at = 0;
        while (first < 0 && at <= transport->size()) {
            size_t comma = transport->find(',', at);
            if (comma == std::string::npos) comma = transport->size();
            const std::string choice = transport->substr(at, comma - at);
            at = comma + 1;
            const size_t semi = choice.find(';');
            if (!EqualsNoCase(Trim(choice.substr(0, semi)), "RTP/AVP/TCP")) continue;
            first = 0;
            second = 1;
            const size_t il = choice.find("interleaved=");
            if (il != std::string::npos) {
                int a = -1, b = -1;
                const std::string range = choice.substr(il + 12, choice.find(';', il) - il - 12);
                if (std::sscanf(range.c_str(), "%d-%d", &a, &b) < 1 || a < 0 || a > 254 ||
                    (b >= 0 && (b > 255 || b < a))) {
                    r.status = 461;
                    return r;
                }
                first = a;
                second = b >= 0 ? b : a + 1;
            }
        }
    }
    if (first < 0) {
        r.status = 461;
        return r;
    }
    if (m_session.empty()) {
        uint8_t id[8] = {};
        proto::RandomBytes(id, sizeof id);
        m_session.clear();
        for (uint8_t b : id) {
            static const char* k = "0123456789ABCDEF";
            m_session += k[b >> 4];
            m_session += k[b & 15];
        }
    }
    m_channel = ch;
    m_rtpChannel = static_cast<uint8_t>(first);
    if (m_state == State::Init) m_state = State::Ready;
    r.Set("Transport", "RTP/AVP/TCP;unicast;interleaved=" + std::to_string(first) + "-" +
                           std::to_string(second) + ";ssrc=" + Hex32(m_ssrc) + ";mode=\"PLAY\"");
    const std::string timeout = m_server.Dev().GetFaults().onvif.sessionTimeout;
    r.Set("Session", m_session + ";timeout=" + (timeout.empty() ? std::to_string(kSessionTimeoutS) : timeout));
    return r;
}

HttpResponse RtspConnection::Play(const HttpRequest& req) {
    Device& dev = m_server.Dev();
    HttpResponse r;
    r.Set("CSeq", *req.Header("CSeq"));
    r.Set("Server", "devsim");
    r.Set("Session", m_session);
    if (m_state == State::Init) {
        r.status = 455;
        return r;
    }
    if (m_state == State::Ready) {
        const int ch = m_channel;
        // Runs on the stream thread; StopWatching ends it before this
        // connection changes channel or goes.
        m_watchId = dev.Watch(ch, [this, ch](const Image& img, uint32_t frameNo, double t) {
            if (auto f = m_server.Encoded(ch, img, frameNo)) PushFrame(std::move(f), t);
        });
        m_state = State::Playing;
        dev.Stats().rtspPlays++;
    }
    uint16_t seq;
    {
        std::lock_guard<std::mutex> lk(m_mu);
        seq = m_seq;
    }
    const uint32_t ts = m_timeBase + static_cast<uint32_t>(std::llround(dev.Now() * 25) * 3600);
    r.Set("Range", "npt=0.000-");
    r.Set("RTP-Info", "url=" + BaseUrl(m_channel) + "/trackID=0;seq=" + std::to_string(seq) +
                          ";rtptime=" + std::to_string(ts));
    return r;
}

}  // namespace zv::devsim
