#include "WebClient.h"

#include <chrono>
#include <cstdlib>

#include "SimBase64.h"
#include "Crypto.h"
#include "DigestAuth.h"
#include "SimHttpMessage.h"
#include "IsoTime.h"
#include "UsernameToken.h"

namespace zv::test {

using Clock = std::chrono::steady_clock;

bool WebClient::Connect(const std::string& ip, uint16_t port) {
    m_sock = net::Socket::Connect(ip, port, 2000, nullptr);
    m_buf.clear();
    m_closed = false;
    return m_sock.Valid();
}

bool WebClient::Send(const std::string& bytes) {
    return m_sock.SendAll(bytes.data(), bytes.size(), 3000, nullptr);
}

bool WebClient::Fill(int timeoutMs) {
    if (m_closed) return false;
    if (m_sock.WaitReadable(timeoutMs) != net::Socket::Wait::Ready) return false;
    char buf[65536];
    const long n = m_sock.Recv(buf, sizeof buf);
    if (n < 0) {
        m_closed = true;
        return false;
    }
    m_buf.append(buf, static_cast<size_t>(n));
    return true;
}

int WebClient::Take(WebResponse& r) {
    if (!m_buf.empty() && m_buf[0] == '$') {
        if (m_buf.size() < 4) return 0;
        const size_t len = static_cast<uint8_t>(m_buf[2]) << 8 | static_cast<uint8_t>(m_buf[3]);
        if (m_buf.size() < 4 + len) return 0;
        RtpPacket p;
        p.channel = static_cast<uint8_t>(m_buf[1]);
        p.bytes.assign(m_buf.begin() + 4, m_buf.begin() + 4 + static_cast<long>(len));
        m_packets.push_back(std::move(p));
        m_buf.erase(0, 4 + len);
        return 2;
    }
    const size_t end = m_buf.find("\r\n\r\n");
    if (end == std::string::npos) return 0;
    WebResponse out;
    const std::string head = m_buf.substr(0, end);
    size_t lineEnd = head.find("\r\n");
    const std::string status = head.substr(0, lineEnd);
    const size_t sp = status.find(' ');
    out.status = sp == std::string::npos ? 0 : std::atoi(status.c_str() + sp + 1);
    while (lineEnd != std::string::npos && lineEnd < head.size()) {
        const size_t next = head.find("\r\n", lineEnd + 2);
        const std::string line = head.substr(lineEnd + 2, next == std::string::npos
                                                              ? std::string::npos
                                                              : next - lineEnd - 2);
        const size_t colon = line.find(':');
        if (colon != std::string::npos) {
            std::string name = line.substr(0, colon);
            for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            out.headers[name] = devsim::Trim(line.substr(colon + 1));
        }
        lineEnd = next;
    }
    const size_t len = static_cast<size_t>(std::atol(out.Header("content-length").c_str()));
    if (m_buf.size() < end + 4 + len) return 0;
    out.body = m_buf.substr(end + 4, len);
    m_buf.erase(0, end + 4 + len);
    r = std::move(out);
    return 1;
}

bool WebClient::Read(WebResponse& r, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int got;
        while ((got = Take(r)) == 2) {
        }
        if (got == 1) return true;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        if (!Fill(static_cast<int>(left)) && m_closed) return false;
    }
}

void WebClient::Pump(int timeoutMs, size_t maxPackets) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    WebResponse ignored;
    while (Clock::now() < deadline && m_packets.size() < maxPackets) {
        while (Take(ignored) != 0) {
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || (!Fill(static_cast<int>(std::min<long long>(left, 100))) && m_closed))
            break;
    }
    while (Take(ignored) != 0) {
    }
}

bool WebClient::WaitClosed(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!m_closed && Clock::now() < deadline) {
        Fill(50);
        m_buf.clear();
    }
    return m_closed;
}

std::string SoapEnvelope(const std::string& body, const std::string& header) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
           "xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\" "
           "xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\" "
           "xmlns:tptz=\"http://www.onvif.org/ver20/ptz/wsdl\" "
           "xmlns:timg=\"http://www.onvif.org/ver20/imaging/wsdl\" "
           "xmlns:tt=\"http://www.onvif.org/ver10/schema\">" +
           (header.empty() ? "" : "<s:Header>" + header + "</s:Header>") + "<s:Body>" + body +
           "</s:Body></s:Envelope>";
}

std::string SecurityHeader(const std::string& user, const std::string& password, double created,
                           const std::string& nonce) {
    const std::string when = devsim::FormatDateTime(created);
    const std::vector<uint8_t> n(nonce.begin(), nonce.end());
    return "<wsse:Security s:mustUnderstand=\"1\" xmlns:wsse=\"http://docs.oasis-open.org/wss/"
           "2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd\" xmlns:wsu=\"http://docs.oasis-"
           "open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd\">"
           "<wsse:UsernameToken><wsse:Username>" + user + "</wsse:Username>"
           "<wsse:Password Type=\"http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-"
           "username-token-profile-1.0#PasswordDigest\">" +
           devsim::PasswordDigest(n, when, password) + "</wsse:Password><wsse:Nonce>" +
           devsim::Base64Encode(n.data(), n.size()) + "</wsse:Nonce><wsu:Created>" + when +
           "</wsu:Created></wsse:UsernameToken></wsse:Security>";
}

std::string SoapPost(const std::string& host, const std::string& path,
                     const std::string& envelope) {
    return "POST " + path + " HTTP/1.1\r\nHost: " + host +
           "\r\nContent-Type: application/soap+xml; charset=utf-8\r\nContent-Length: " +
           std::to_string(envelope.size()) + "\r\n\r\n" + envelope;
}

std::string DigestAnswer(const std::string& challenge, const std::string& user,
                         const std::string& password, const std::string& method,
                         const std::string& uri) {
    std::map<std::string, std::string> c;
    devsim::DigestAuth::ParseParams(challenge, c);
    const std::string ha1 = devsim::DigestAuth::Md5Hex(user + ":" + c["realm"] + ":" + password);
    const std::string ha2 = devsim::DigestAuth::Md5Hex(method + ":" + uri);
    const std::string resp =
        devsim::DigestAuth::Md5Hex(ha1 + ":" + c["nonce"] + ":00000001:5eed:auth:" + ha2);
    return "Digest username=\"" + user + "\", realm=\"" + c["realm"] + "\", nonce=\"" +
           c["nonce"] + "\", uri=\"" + uri + "\", response=\"" + resp +
           "\", qop=auth, nc=00000001, cnonce=\"5eed\"";
}

double WallNow() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace zv::test
