#include "ControlServer.h"

namespace zv::devsim {

ControlServer::~ControlServer() { Stop(); }

bool ControlServer::Start(const std::string& address, uint16_t port, Handler handler,
                          std::string* error) {
    if (!net::IsLoopbackIPv4(address)) {
        if (error) *error = "control port: only 127.0.0.0/8 addresses";
        return false;
    }
    net::Startup();
    m_listener = net::Socket::Listen(address, port, error);
    if (!m_listener.Valid()) return false;
    m_port = m_listener.LocalPort();
    m_handler = std::move(handler);
    m_running = true;
    m_thread = std::thread(&ControlServer::AcceptLoop, this);
    return true;
}

void ControlServer::Stop() {
    m_running = false;
    if (m_thread.joinable()) m_thread.join();
    std::vector<std::unique_ptr<Connection>> all;
    {
        std::lock_guard<std::mutex> lk(m_mu);
        all.swap(m_connections);
    }
    // Each connection sees the stop within one wait and ends by itself,
    // after the reply it may be sending: shutting its socket here raced the
    // reply to "quit" itself.
    for (auto& c : all)
        if (c->thread.joinable()) c->thread.join();
    m_listener.Close();
}

void ControlServer::AcceptLoop() {
    while (m_running.load()) {
        if (m_listener.WaitReadable(100) == net::Socket::Wait::Ready) {
            net::Socket s = m_listener.Accept();
            if (s.Valid()) {
                auto c = std::make_unique<Connection>();
                c->socket = std::move(s);
                Connection* raw = c.get();
                std::lock_guard<std::mutex> lk(m_mu);
                m_connections.push_back(std::move(c));
                raw->thread = std::thread(&ControlServer::Serve, this, std::ref(*raw));
            }
        }
        // Reap finished connections.
        std::vector<std::unique_ptr<Connection>> done;
        {
            std::lock_guard<std::mutex> lk(m_mu);
            for (auto it = m_connections.begin(); it != m_connections.end();) {
                if ((*it)->done.load()) {
                    done.push_back(std::move(*it));
                    it = m_connections.erase(it);
                } else {
                    ++it;
                }
            }
        }
        for (auto& c : done) c->thread.join();
    }
}

void ControlServer::Serve(Connection& c) {
    std::string pending;
    char buf[512];
    bool open = true;
    while (open && m_running.load()) {
        const auto w = c.socket.WaitReadable(100);
        if (w == net::Socket::Wait::Error) break;
        if (w == net::Socket::Wait::Timeout) continue;
        const long n = c.socket.Recv(buf, sizeof buf);
        if (n < 0) break;
        pending.append(buf, static_cast<size_t>(n));
        size_t nl;
        while (open && (nl = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::string reply = m_handler(line) + "\n";
            if (!c.socket.SendAll(reply.data(), reply.size(), 2000, nullptr)) open = false;
        }
        if (pending.size() > kMaxLine) {
            const std::string reply = "ERR line too long\n";
            c.socket.SendAll(reply.data(), reply.size(), 2000, nullptr);
            break;
        }
    }
    c.socket.Shutdown();
    c.done = true;
}

}  // namespace zv::devsim
