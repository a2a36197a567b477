// Web-service calls to one device over HTTP/1.1 on plain sockets: one
// kept-alive connection, each request written whole and sent at once with
// Nagle off (a device's delayed ACK otherwise costs tens of milliseconds a
// call), Content-Length and chunked answers, a deadline per call, and a
// fresh connection when a kept one turns out closed. Requests carry a
// UsernameToken made on the device's clock; HTTP Digest or Basic is added
// only when the device asks for it. One call at a time (calls from several
// threads wait for each other).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

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
        AuthFailed,  // the login was refused
        Network,     // no connection, closed, or no answer in time
        Malformed,   // an answer no SOAP reader takes
    };

    SoapClient(std::string user, std::string password);
    ~SoapClient();

    // Device clock minus ours, in seconds (tokens are made on the device's clock).
    void SetClockOffset(double seconds) { m_offset = seconds; }
    double ClockOffset() const { return m_offset; }

    // Posts one request body to the service; `reply` holds the answer.
    // sign: with the UsernameToken.
    Outcome Call(const Url& service, const std::string& body, SoapReply& reply, int timeoutMs,
                 bool sign = true);
    // The HTTP status of the last answer (0 when none came).
    int LastStatus() const { return m_lastStatus; }
    // Ends the connection; a call in progress on another thread fails soon.
    void Abort();
    void Close();

    // Wall clock, seconds since 1970.
    static double Now();

private:
    bool Connect(const Url& service, int timeoutMs);
    // One exchange on the open connection: false on a network failure;
    // `fresh` says whether nothing was received yet (worth a retry).
    bool Exchange(const std::string& request, Response& resp, int64_t deadline, bool& nothingBack);

    const std::string m_user, m_password;
    std::atomic<double> m_offset{0};
    std::mutex m_mutex;  // one call at a time
    net::Socket m_socket;
    std::string m_connectedTo;  // "ip:port" of the open connection
    HttpAuth m_auth;
    int m_lastStatus = 0;
    std::atomic<bool> m_abort{false};
};

const char* ToString(SoapClient::Outcome o);

}  // namespace zv::onvif
