// A blocking client for devsim's web services and RTSP in the tests: raw
// requests out, responses (and RTSP's interleaved packets) in, plus the
// SOAP envelopes and login tokens the clients in the field send.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "Socket.h"
#include "Xml.h"

namespace zv::test {

struct WebResponse {
    int status = 0;
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
    std::string Header(const std::string& lowerName) const {
        auto it = headers.find(lowerName);
        return it == headers.end() ? std::string() : it->second;
    }
};

struct RtpPacket {
    uint8_t channel = 0;
    std::vector<uint8_t> bytes;
};

class WebClient {
public:
    bool Connect(const std::string& ip, uint16_t port);
    bool Send(const std::string& bytes);
    // Next response; RTSP packets on the way are kept. false on timeout or close.
    bool Read(WebResponse& r, int timeoutMs = 3000);
    bool Exchange(const std::string& request, WebResponse& r, int timeoutMs = 3000) {
        return Send(request) && Read(r, timeoutMs);
    }
    // Reads and keeps interleaved packets for timeoutMs (or until maxPackets).
    void Pump(int timeoutMs, size_t maxPackets = 100000);
    // True once the server has closed the connection.
    bool WaitClosed(int timeoutMs);
    std::deque<RtpPacket>& Packets() { return m_packets; }
    net::Socket& Socket() { return m_sock; }

private:
    // One response or packet from the buffer: 1 response, 2 packet, 0 need more.
    int Take(WebResponse& r);
    bool Fill(int timeoutMs);

    net::Socket m_sock;
    std::string m_buf;
    std::deque<RtpPacket> m_packets;
    bool m_closed = false;
};

// A SOAP 1.2 envelope around one request, with a header if given.
std::string SoapEnvelope(const std::string& body, const std::string& header = "");
// A WS-Security header with a UsernameToken (password digest), created at
// `created` (seconds since 1970 UTC) with this nonce.
std::string SecurityHeader(const std::string& user, const std::string& password, double created,
                           const std::string& nonce);
// An HTTP POST of a SOAP envelope to a service path.
std::string SoapPost(const std::string& host, const std::string& path,
                     const std::string& envelope);
// The Authorization value answering a Digest challenge (qop=auth).
std::string DigestAnswer(const std::string& challenge, const std::string& user,
                         const std::string& password, const std::string& method,
                         const std::string& uri);
double WallNow();

}  // namespace zv::test
