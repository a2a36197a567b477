// One live stream from an RTSP server over TCP, interleaved: OPTIONS,
// DESCRIBE, SETUP (RTP/AVP/TCP, channels 0-1) and PLAY with the server's
// login (Digest only, only when asked), then the RTP packets as they come,
// keep-alives within the session's timeout, and TEARDOWN. Blocking calls
// with deadlines on one thread; Abort from any thread ends a wait (a
// connect in progress too) and makes every later call fail.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "HttpAuth.h"
#include "HttpMessage.h"
#include "Sdp.h"
#include "Socket.h"
#include "Url.h"

namespace zv::onvif {

// A decimal number without a sign, at most `max`; false for anything else,
// one too large included.
bool ParseDecimal(const std::string& text, uint32_t max, uint32_t& out);
// A Session header: its id (false without one, or one longer than 256),
// and its timeout in seconds when it gives one (clamped to 1..3600;
// otherwise `timeoutSeconds` is left alone).
bool ParseSessionHeader(const std::string& value, std::string& id, int& timeoutSeconds);

class RtspClient {
public:
    enum class Result { Ok, AuthFailed, Network, Refused, NoTrack };
    enum class Event { Packet, Idle, Closed };

    RtspClient(std::string user, std::string password);
    ~RtspClient();

    // Up to PLAY, on a connection to `ip` (the URL names the host for the
    // requests only). The credentials in the URL, if any, win over the ones
    // given. deadlineMs: on the monotonic clock (Clock.h).
    Result Open(const Url& url, const std::string& ip, int64_t deadlineMs, std::string* error = nullptr);
    // The track being played.
    const SdpMedia& Track() const { return m_track; }
    const std::string& Session() const { return m_session; }

    // The next RTP packet (its bytes stay valid until the next call), Idle
    // when nothing came within waitMs, Closed when the server hung up, the
    // stream broke the protocol, or a keep-alive was refused. Keep-alives
    // are sent from here when due.
    Event Receive(int waitMs, const uint8_t*& data, size_t& size);
    // TEARDOWN, waited for briefly, and the connection closed.
    void Close(int timeoutMs = 500);
    void Abort();

    // Milliseconds between keep-alives (half the session's timeout, at most 25 s).
    int KeepAliveMs() const { return m_keepAliveMs; }

private:
    bool Send(const std::string& method, const std::string& url, HeaderList headers, int64_t deadline);
    // Sends a request and reads its answer (answering one login challenge
    // and one stale nonce). Packets that come before it are passed over.
    Result Request(const std::string& method, const std::string& url, const HeaderList& headers,
                   Response& resp, int64_t deadline, std::string* error);
    bool ReadResponse(Response& resp, int64_t deadline);
    bool Fill(int waitMs);  // more bytes into the parser; false when closed or broken

    void CloseSocket();

    HttpAuth m_auth;
    std::string m_user, m_password;
    std::mutex m_socketMutex;  // the socket's handle, against Abort from another thread
    net::Socket m_socket;
    ResponseParser m_parser{ResponseParser::Dialect::Rtsp};
    std::atomic<bool> m_abort{false};
    bool m_closed = false;
    uint32_t m_cseq = 0;
    std::string m_url;  // the presentation's URL (userinfo removed)
    std::string m_session;
    SdpMedia m_track;
    std::string m_keepAliveMethod = "OPTIONS";
    int m_keepAliveMs = 25000;
    int64_t m_lastKeepAlive = 0;
    std::string m_packet;
};

}  // namespace zv::onvif
