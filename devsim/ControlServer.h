// The loopback control port: a line-based text protocol, one command per
// line, one reply line per command ("OK ..." or "ERR ..."). Commands are
// executed by the handler given at start.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Socket.h"

namespace zv::devsim {

class ControlServer {
public:
    using Handler = std::function<std::string(const std::string& line)>;
    static constexpr size_t kMaxLine = 1024;

    ~ControlServer();
    bool Start(const std::string& address, uint16_t port, Handler handler, std::string* error);
    void Stop();
    uint16_t Port() const { return m_port; }

private:
    struct Connection {
        net::Socket socket;
        std::thread thread;
        std::atomic<bool> done{false};
    };
    void AcceptLoop();
    void Serve(Connection& c);

    Handler m_handler;
    net::Socket m_listener;
    uint16_t m_port = 0;
    std::atomic<bool> m_running{false};
    std::thread m_thread;
    std::mutex m_mu;
    std::vector<std::unique_ptr<Connection>> m_connections;
};

}  // namespace zv::devsim
