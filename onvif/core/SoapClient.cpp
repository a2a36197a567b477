#include "SoapClient.h"

#include <chrono>

#include "Clock.h"
#include "Crypto.h"
#include "DateTime.h"

namespace zv::onvif {

namespace {

constexpr size_t kMaxServers = 8;  // auth states kept; a device has a few service ports

}  // namespace

const char* ToString(SoapClient::Outcome o) {
    switch (o) {
    case SoapClient::Outcome::Ok: return "ok";
    case SoapClient::Outcome::Fault: return "fault";
    case SoapClient::Outcome::AuthFailed: return "login refused";
    case SoapClient::Outcome::Network: return "network";
    case SoapClient::Outcome::Malformed: return "malformed";
    }
    return "?";
}

SoapClient::SoapClient(std::string user, std::string password)
    : m_user(std::move(user)), m_password(std::move(password)) {}

SoapClient::~SoapClient() { CloseSocket(); }

double SoapClient::Now() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

void SoapClient::SetAddress(const std::string& ip) {
    DeadlineLock lock(m_mutex);
    if (ip == m_ip) return;
    CloseSocket();
    m_ip = ip;
}

void SoapClient::Abort() {
    std::lock_guard<std::mutex> lock(m_socketMutex);
    m_abort = true;
    m_socket.Shutdown();
}

void SoapClient::Close() {
    DeadlineLock lock(m_mutex);
    CloseSocket();
}

void SoapClient::CloseSocket() {
    std::lock_guard<std::mutex> lock(m_socketMutex);
    m_socket.Close();
    m_connectedTo.clear();
}

bool SoapClient::Connect(uint16_t port, int64_t deadline) {
    const std::string key = m_ip + ":" + std::to_string(port);
    if (m_socket.Valid() && key == m_connectedTo) return true;
    CloseSocket();
    if (m_ip.empty()) return false;
    std::string why;
    net::Socket s = net::Socket::Connect(m_ip, port, static_cast<int>(deadline - NowMs()), &why, &m_abort);
    if (!s.Valid()) return false;
    s.SetNoDelay();
    std::lock_guard<std::mutex> lock(m_socketMutex);
    if (m_abort) return false;  // aborted while connecting: not installed, closed here
    m_socket = std::move(s);
    m_connectedTo = key;
    return true;
}

bool SoapClient::Exchange(const std::string& request, Response& resp, int64_t deadline, bool& nothingBack) {
    nothingBack = true;
    const int left = static_cast<int>(std::max<int64_t>(1, deadline - NowMs()));
    if (!m_socket.SendAll(request.data(), request.size(), left, &m_abort)) return false;
    ResponseParser parser(ResponseParser::Dialect::Http);
    char buf[16384];
    for (;;) {
        const auto st = parser.Next(resp);
        if (st == ResponseParser::Status::Response) return true;
        if (st != ResponseParser::Status::NeedMore) return false;
        const int64_t now = NowMs();
        if (now >= deadline || m_abort) return false;
        // One wait to the deadline; Abort ends it by shutting the socket.
        const long n = m_socket.RecvWithin(buf, sizeof buf, static_cast<int>(deadline - now));
        if (n < 0) {
            // Closed: a body that runs to the close is complete now.
            parser.Finish();
            if (parser.Next(resp) == ResponseParser::Status::Response) return true;
            return false;
        }
        if (n == 0) continue;  // nothing in time: the deadline decides
        nothingBack = false;
        if (!parser.Feed(buf, static_cast<size_t>(n))) return false;
    }
}

SoapClient::Outcome SoapClient::Call(const Url& service, const std::string& body, SoapReply& reply,
                                     int64_t deadline, bool sign) {
    DeadlineLock lock(m_mutex, deadline);
    if (!lock.Owns()) return Outcome::Network;  // another call held it too long
    m_lastStatus = 0;
    if (m_abort) return Outcome::Network;
    // Two rounds for a login the device asks for, one more for a kept
    // connection found closed.
    int challenges = 0, reconnects = 0;
    for (;;) {
        if (deadline - NowMs() <= 0) return Outcome::Network;
        const bool reused = m_socket.Valid();
        if (!Connect(service.port, deadline)) return Outcome::Network;
        if (m_auth.size() >= kMaxServers && !m_auth.count(m_connectedTo)) m_auth.clear();
        HttpAuth& auth = m_auth.try_emplace(m_connectedTo, m_user, m_password).first->second;
        std::string envelope;
        if (sign && !m_user.empty()) {
            uint8_t nonce[16];
            if (!proto::RandomBytes(nonce, sizeof nonce)) return Outcome::Network;
            envelope = BuildEnvelope(body, m_user, m_password, nonce, FormatDateTime(Now() + m_offset));
        } else {
            envelope = BuildEnvelope(body, std::string(), std::string(), nullptr, std::string());
        }
        HeaderList headers = {{"Host", service.HostHeader()},
                              {"Content-Type", "application/soap+xml; charset=utf-8"},
                              {"Connection", "keep-alive"}};
        const std::string authorization = auth.Authorization("POST", service.path);
        if (!authorization.empty()) headers.emplace_back("Authorization", authorization);
        const std::string request = BuildRequest("POST", service.path, "HTTP/1.1", headers, envelope);
        Response resp;
        bool nothingBack = true;
        if (!Exchange(request, resp, deadline, nothingBack)) {
            CloseSocket();
            // A kept connection the device had closed meanwhile: once more
            // on a new one.
            if (reused && nothingBack && !m_abort && reconnects++ == 0) continue;
            return Outcome::Network;
        }
        m_lastStatus = resp.status;
        if (!resp.KeepAlive()) CloseSocket();
        if (resp.status == 401) {
            const auto challengesGiven = resp.Headers("WWW-Authenticate");
            if (!challengesGiven.empty() && challenges++ < 2 && auth.OnChallenge(challengesGiven)) continue;
            ParseSoapReply(resp.body, reply);
            return Outcome::AuthFailed;
        }
        ParseSoapReply(resp.body, reply);
        // Reading the answer counts too: one that took past the deadline is late.
        if (NowMs() > deadline) return Outcome::Network;
        if (reply.kind == SoapReply::Kind::Malformed) return Outcome::Malformed;
        if (reply.kind == SoapReply::Kind::Fault)
            return reply.NotAuthorized() || resp.status == 403 ? Outcome::AuthFailed : Outcome::Fault;
        return resp.status >= 200 && resp.status < 300 ? Outcome::Ok : Outcome::Malformed;
    }
}

}  // namespace zv::onvif
