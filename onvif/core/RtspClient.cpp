#include "RtspClient.h"

#include <chrono>
#include <cstdlib>

#include "Clock.h"
#include "Resolve.h"

namespace zv::onvif {

RtspClient::RtspClient(std::string user, std::string password)
    : m_auth(user, password), m_user(std::move(user)), m_password(std::move(password)) {}

RtspClient::~RtspClient() { m_socket.Close(); }

void RtspClient::Abort() {
    m_abort = true;
    m_socket.Shutdown();
}

bool RtspClient::Send(const std::string& method, const std::string& url, HeaderList headers, int64_t deadline) {
    headers.insert(headers.begin(), {"CSeq", std::to_string(++m_cseq)});
    headers.emplace_back("User-Agent", "Zentavo");
    const std::string authorization = m_auth.Authorization(method, url);
    if (!authorization.empty()) headers.emplace_back("Authorization", authorization);
    if (!m_session.empty() && method != "OPTIONS" && method != "DESCRIBE")
        headers.emplace_back("Session", m_session);
    const std::string req = BuildRequest(method, url, "RTSP/1.0", headers, std::string());
    const int left = static_cast<int>(std::max<int64_t>(1, deadline - NowMs()));
    return m_socket.SendAll(req.data(), req.size(), left, &m_abort);
}

bool RtspClient::Fill(int waitMs) {
    if (m_closed) return false;
    const auto w = m_socket.WaitReadable(waitMs);
    if (w == net::Socket::Wait::Error) {
        m_closed = true;
        return false;
    }
    if (w == net::Socket::Wait::Timeout) return true;
    char buf[32768];
    const long n = m_socket.Recv(buf, sizeof buf);
    if (n < 0 || !m_parser.Feed(buf, n > 0 ? static_cast<size_t>(n) : 0)) {
        m_closed = true;
        return false;
    }
    return true;
}

bool RtspClient::ReadResponse(Response& resp, int64_t deadline) {
    for (;;) {
        const auto st = m_parser.Next(resp);
        if (st == ResponseParser::Status::Response) {
            const std::string* cseq = resp.Header("CSeq");
            // An answer to an earlier request (a keep-alive) is not this one's.
            if (cseq && std::atoi(cseq->c_str()) != m_cseq) continue;
            return true;
        }
        if (st == ResponseParser::Status::Interleaved) continue;
        if (st == ResponseParser::Status::Error) return false;
        const int64_t now = NowMs();
        if (now >= deadline || m_abort) return false;
        if (!Fill(static_cast<int>(std::min<int64_t>(deadline - now, 100)))) return false;
    }
}

RtspClient::Result RtspClient::Request(const std::string& method, const std::string& url,
                                       const HeaderList& headers, Response& resp, int64_t deadline,
                                       std::string* error) {
    for (int round = 0; round < 3; ++round) {
        if (!Send(method, url, headers, deadline) || !ReadResponse(resp, deadline)) {
            if (error) *error = method + ": no answer";
            return Result::Network;
        }
        if (resp.status == 401) {
            if (round < 2 && m_auth.OnChallenge(resp.Headers("WWW-Authenticate"))) continue;
            if (error) *error = method + ": login refused";
            return Result::AuthFailed;
        }
        if (resp.status < 200 || resp.status >= 300) {
            if (error) *error = method + ": " + std::to_string(resp.status) + " " + resp.reason;
            return Result::Refused;
        }
        return Result::Ok;
    }
    return Result::AuthFailed;
}

RtspClient::Result RtspClient::Open(const Url& given, int timeoutMs, std::string* error) {
    const int64_t deadline = NowMs() + timeoutMs;
    Url url = given;
    if (!url.user.empty()) m_auth = HttpAuth(url.user, url.password);
    url.user.clear();
    url.password.clear();
    m_url = url.ToString();
    std::string ip;
    if (!ResolveIPv4(url.host, ip)) {
        if (error) *error = "cannot resolve " + url.host;
        return Result::Network;
    }
    std::string why;
    m_socket = net::Socket::Connect(ip, url.port, timeoutMs, &why);
    if (!m_socket.Valid()) {
        if (error) *error = "connect: " + why;
        return Result::Network;
    }
    m_socket.SetNoDelay();
    Response resp;
    // OPTIONS tells whether GET_PARAMETER keeps the session alive; a server
    // that refuses it is still worth a DESCRIBE.
    Result r = Request("OPTIONS", m_url, {}, resp, deadline, error);
    if (r == Result::Network || r == Result::AuthFailed) return r;
    if (r == Result::Ok)
        if (const std::string* pub = resp.Header("Public"))
            if (pub->find("GET_PARAMETER") != std::string::npos) m_keepAliveMethod = "GET_PARAMETER";
    r = Request("DESCRIBE", m_url, {{"Accept", "application/sdp"}}, resp, deadline, error);
    if (r != Result::Ok) return r;
    Sdp sdp;
    if (!ParseSdp(resp.body, sdp)) {
        if (error) *error = "DESCRIBE: not a session description";
        return Result::NoTrack;
    }
    const SdpMedia* track = nullptr;
    for (const auto& m : sdp.media)
        if (m.type == "video" && (m.encoding == "JPEG" || m.encoding == "H264")) {
            track = &m;
            break;
        }
    if (!track) {
        if (error) *error = "no JPEG or H.264 video track";
        return Result::NoTrack;
    }
    m_track = *track;
    std::string base = m_url;
    if (const std::string* cb = resp.Header("Content-Base")) base = *cb;
    else if (const std::string* cl = resp.Header("Content-Location")) base = *cl;
    const std::string sessionUrl = ResolveControl(base, sdp.control);
    const std::string trackUrl = ResolveControl(base, m_track.control);
    r = Request("SETUP", trackUrl, {{"Transport", "RTP/AVP/TCP;unicast;interleaved=0-1"}}, resp, deadline, error);
    if (r != Result::Ok) return r;
    const std::string* session = resp.Header("Session");
    if (!session || session->empty()) {
        if (error) *error = "SETUP: no session";
        return Result::Refused;
    }
    const size_t semi = session->find(';');
    m_session = session->substr(0, semi);
    while (!m_session.empty() && m_session.back() == ' ') m_session.pop_back();
    if (m_session.size() > 256) return Result::Refused;
    if (semi != std::string::npos) {
        const size_t t = session->find("timeout=", semi);
        if (t != std::string::npos) {
            const int seconds = std::atoi(session->c_str() + t + 8);
            if (seconds > 0) m_keepAliveMs = std::min(25000, std::max(1000, seconds * 500));
        }
    }
    // An aggregate control URL for PLAY when the description names one.
    const std::string playUrl = sdp.control.empty() ? trackUrl : sessionUrl;
    r = Request("PLAY", playUrl, {{"Range", "npt=0.000-"}}, resp, deadline, error);
    if (r != Result::Ok) return r;
    m_lastKeepAlive = NowMs();
    return Result::Ok;
}

RtspClient::Event RtspClient::Receive(int waitMs, const uint8_t*& data, size_t& size) {
    const int64_t until = NowMs() + waitMs;
    for (;;) {
        if (m_abort) return Event::Closed;
        const int64_t now = NowMs();
        if (now - m_lastKeepAlive >= m_keepAliveMs) {
            m_lastKeepAlive = now;
            const std::string url = m_url;
            if (!Send(m_keepAliveMethod, url, {}, now + 2000)) return Event::Closed;
        }
        Response resp;
        const auto st = m_parser.Next(resp);
        if (st == ResponseParser::Status::Interleaved) {
            if (m_parser.InterleavedChannel() != 0) continue;  // the server's RTCP reports
            m_packet = m_parser.InterleavedData();
            data = reinterpret_cast<const uint8_t*>(m_packet.data());
            size = m_packet.size();
            return Event::Packet;
        }
        if (st == ResponseParser::Status::Response) {
            // A keep-alive's answer; a session the server no longer knows ends it.
            if (resp.status == 454 || resp.status == 408) return Event::Closed;
            continue;
        }
        if (st == ResponseParser::Status::Error) return Event::Closed;
        if (now >= until) return Event::Idle;
        if (!Fill(static_cast<int>(std::min<int64_t>(until - now, 100)))) return Event::Closed;
    }
}

void RtspClient::Close(int timeoutMs) {
    if (m_socket.Valid() && !m_session.empty() && !m_closed && !m_abort) {
        const int64_t deadline = NowMs() + timeoutMs;
        Response resp;
        if (Send("TEARDOWN", m_url, {}, deadline)) ReadResponse(resp, deadline);
    }
    m_socket.Close();
    m_session.clear();
}

}  // namespace zv::onvif
