// Web-service calls to one device over HTTP/1.1 on plain sockets: one
// kept-alive connection, each request written whole and sent at once with
// Nagle off (a device's delayed ACK otherwise costs tens of milliseconds a
// call), Content-Length and chunked answers, and a fresh connection when a
// kept one turns out closed. Every request goes to the one address the
// device was resolved to at its login. Each call ends by its deadline,
// whatever the device does: the wait for another thread's call, the
// connect, the send, the answer and reading it all count. Requests carry a
// UsernameToken made on the device's clock; HTTP Digest is added only when
// the device asks for it, and only ever to the server (address and port)
// that asked. One call at a time (calls from several threads wait for each
// other, within their deadlines).
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "DeadlineMutex.h"
#include "HttpAuth.h"
#include "HttpMessage.h"
#include "Soap.h"
#include "Socket.h"
#include "Url.h"

namespace zv::onvif {

class SoapClient {
public:
    enum class Outcome {
        Ok,          // a response element
        Fault,       // a SOAP fault (not about the login)
        AuthFailed,  // the login was refused (or only Basic was offered)
        Network,     // no connection, closed, or no answer in time
        Malformed,   // an answer no SOAP reader takes
    };

    SoapClient(std::string user, std::string password);
    ~SoapClient();

    // The IPv4 address every request goes to; the services' URLs only give
    // the port, the path and the Host header.
    void SetAddress(const std::string& ip);

    // Device clock minus ours, in seconds (tokens are made on the device's clock).
    void SetClockOffset(double seconds) { m_offset = seconds; }
    double ClockOffset() const { return m_offset; }

    // Posts one request body to the service; `reply` holds the answer.
    // deadlineMs: on the monotonic clock (Clock.h). sign: with the UsernameToken.
    Outcome Call(const Url& service, const std::string& body, SoapReply& reply, int64_t deadlineMs,
                 bool sign = true);
    // The HTTP status of the last answer (0 when none came).
    int LastStatus() const { return m_lastStatus; }
    // Ends the connection; a call in progress on another thread fails soon,
    // and every later one at once.
    void Abort();
    void Close();

    // Wall clock, seconds since 1970.
    static double Now();

private:
    bool Connect(uint16_t port, int64_t deadline);
    void CloseSocket();
    // One exchange on the open connection: false on a network failure;
    // `nothingBack` says whether nothing was received (worth a retry).
    bool Exchange(const std::string& request, Response& resp, int64_t deadline, bool& nothingBack);

    const std::string m_user, m_password;
    std::atomic<double> m_offset{0};
    DeadlineMutex m_mutex;  // one call at a time
    std::mutex m_socketMutex;  // the socket's handle, against Abort from another thread
    net::Socket m_socket;
    std::string m_ip;
    std::string m_connectedTo;  // "ip:port" of the open connection
    std::map<std::string, HttpAuth> m_auth;  // by "ip:port": a challenge is answered to its server only
    int m_lastStatus = 0;
    std::atomic<bool> m_abort{false};
};

const char* ToString(SoapClient::Outcome o);

}  // namespace zv::onvif
