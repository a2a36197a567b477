// A small HTTP/1.1 server on one loopback address: a thread per connection
// (capped; over the cap a 503 and close), keep-alive, requests cut by
// HttpParser, so every part of a request is bounded. A request that has
// begun must be complete within the request timeout (408), an idle
// connection ends after the idle timeout, and a client that takes no
// response bytes for the send timeout is dropped. The handler decides the
// answer, and may have the connection closed unanswered or the answer
// held back (fault injection).
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SimHttpMessage.h"
#include "HttpParser.h"
#include "Socket.h"

namespace zv::devsim {

struct Counters;

class HttpServer {
public:
    struct Config {
        std::string address;
        uint16_t port = 0;
        int maxConnections = 16;
        int requestTimeoutMs = 10000;
        int idleTimeoutMs = 30000;
        int sendTimeoutMs = 10000;
        HttpParser::Limits limits;
    };
    struct Outcome {
        HttpResponse response;
        bool drop = false;  // close without answering
        int delayMs = 0;    // answer this much later
        // Never answered: the connection is held while this says so (or
        // until the client gives up), then closed.
        std::function<bool()> holdWhile;
    };
    using Handler = std::function<Outcome(const HttpRequest&)>;

    explicit HttpServer(Counters& stats) : m_stats(stats) {}
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    bool Start(const Config& config, Handler handler, std::string* error);
    void Stop();
    // Closes every open connection; returns how many.
    int Drop();
    uint16_t Port() const { return m_port; }
    int Connections() const;

private:
    struct Connection {
        net::Socket socket;
        std::thread thread;
        std::atomic<bool> done{false};
        std::atomic<bool> abort{false};
    };
    void AcceptLoop();
    void Serve(Connection& c);
    void Reap(bool all);
    bool Send(Connection& c, const HttpResponse& r);
    bool SleepUnlessAborted(Connection& c, int ms);
    void Hold(Connection& c, const std::function<bool()>& holdWhile);
    // Reads and drops what the client still sends, for a short while, so
    // that closing with unread bytes does not reset the connection before
    // the client has read our last answer.
    static void Linger(Connection& c);

    Counters& m_stats;
    Config m_cfg;
    Handler m_handler;
    net::Socket m_listener;
    std::atomic<uint16_t> m_port{0};
    std::atomic<bool> m_running{false};
    std::thread m_thread;
    mutable std::mutex m_mu;
    std::vector<std::unique_ptr<Connection>> m_connections;
};

}  // namespace zv::devsim
