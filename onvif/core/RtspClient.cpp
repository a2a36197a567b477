#include "RtspClient.h"

#include <algorithm>
#include <chrono>

#include "Clock.h"

namespace zv::onvif {

namespace {

constexpr uint32_t kMaxSessionTimeoutS = 3600;

std::string Trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
    return s.substr(a, b - a);
}

}  // namespace

bool ParseDecimal(const std::string& text, uint32_t max, uint32_t& out) {
    if (text.empty() || text.size() > 20) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
        if (v > max) return false;
    }
    out = static_cast<uint32_t>(v);
    return true;
}

bool ParseSessionHeader(const std::string& value, std::string& id, int& timeoutSeconds) {
    const size_t semi = value.find(';');
    id = Trim(value.substr(0, semi));
    if (id.empty() || id.size() > 256) return false;
    for (size_t at = semi; at != std::string::npos;) {
        const size_t next = value.find(';', at + 1);
        const std::string param = Trim(value.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1));
        at = next;
        const size_t eq = param.find('=');
        if (eq == std::string::npos || !EqualsNoCase(Trim(param.substr(0, eq)), "timeout")) continue;
        const std::string digits = Trim(param.substr(eq + 1));
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) continue;
        // Any number of digits: past what we read, it is more than the most we take.
        const size_t lead = digits.find_first_not_of('0');
        const std::string significant = lead == std::string::npos ? "0" : digits.substr(lead);
        uint32_t seconds = kMaxSessionTimeoutS;
        if (significant.size() <= 9 && ParseDecimal(significant, 999999999u, seconds))
            seconds = std::min(seconds, kMaxSessionTimeoutS);
        else
            seconds = kMaxSessionTimeoutS;
        timeoutSeconds = static_cast<int>(std::max<uint32_t>(1, seconds));
    }
    return true;
}

RtspClient::RtspClient(std::string user, std::string password)
    : m_auth(user, password), m_user(std::move(user)), m_password(std::move(password)) {}

RtspClient::~RtspClient() { CloseSocket(); }

void RtspClient::Abort() {
    std::lock_guard<std::mutex> lock(m_socketMutex);
    m_abort = true;
    m_socket.Shutdown();
}

void RtspClient::CloseSocket() {
    std::lock_guard<std::mutex> lock(m_socketMutex);
    m_socket.Close();
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
            uint32_t n = 0;
            if (cseq && (!ParseDecimal(Trim(*cseq), 0xFFFFFFFFu, n) || n != m_cseq)) continue;
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

RtspClient::Result RtspClient::Open(const Url& given, const std::string& ip, int64_t deadline, std::string* error) {
    Url url = given;
    if (!url.user.empty()) m_auth = HttpAuth(url.user, url.password);
    url.user.clear();
    url.password.clear();
    m_url = url.ToString();
    std::string why;
    net::Socket s = net::Socket::Connect(ip, url.port, static_cast<int>(std::max<int64_t>(1, deadline - NowMs())),
                                         &why, &m_abort);
    if (!s.Valid()) {
        if (error) *error = "connect: " + why;
        return Result::Network;
    }
    s.SetNoDelay();
    {
        std::lock_guard<std::mutex> lock(m_socketMutex);
        if (m_abort) return Result::Network;
        m_socket = std::move(s);
    }
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
    int timeoutS = 60;
    if (!session || !ParseSessionHeader(*session, m_session, timeoutS)) {
        if (error) *error = "SETUP: no session";
        return Result::Refused;
    }
    m_keepAliveMs = std::min(25000, std::max(1000, timeoutS * 500));
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
    CloseSocket();
    m_session.clear();
}

}  // namespace zv::onvif
