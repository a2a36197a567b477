#include "HttpServer.h"

#include <chrono>

#include "Device.h"

namespace zv::devsim {

namespace {
using Clock = std::chrono::steady_clock;

HttpResponse Plain(int status, const std::string& text) {
    HttpResponse r;
    r.status = status;
    r.Set("Content-Type", "text/plain");
    r.body = text + "\n";
    r.close = true;
    return r;
}
}  // namespace

HttpServer::~HttpServer() { Stop(); }

bool HttpServer::Start(const Config& config, Handler handler, std::string* error) {
    if (!net::IsLoopbackIPv4(config.address)) {
        if (error) *error = "web services: only 127.0.0.0/8 addresses";
        return false;
    }
    m_cfg = config;
    m_handler = std::move(handler);
    m_listener = net::Socket::Listen(config.address, config.port, error);
    if (!m_listener.Valid()) return false;
    m_port = m_listener.LocalPort();
    m_running = true;
    m_thread = std::thread(&HttpServer::AcceptLoop, this);
    return true;
}

void HttpServer::Stop() {
    m_running = false;
    if (m_thread.joinable()) m_thread.join();
    Reap(true);
    m_listener.Close();
}

int HttpServer::Drop() {
    std::lock_guard<std::mutex> lk(m_mu);
    int n = 0;
    for (auto& c : m_connections) {
        if (c->done.load()) continue;
        c->abort = true;
        c->socket.Shutdown();
        ++n;
    }
    return n;
}

int HttpServer::Connections() const {
    std::lock_guard<std::mutex> lk(m_mu);
    int n = 0;
    for (const auto& c : m_connections) n += c->done.load() ? 0 : 1;
    return n;
}

void HttpServer::Reap(bool all) {
    std::vector<std::unique_ptr<Connection>> done;
    {
        std::lock_guard<std::mutex> lk(m_mu);
        for (auto it = m_connections.begin(); it != m_connections.end();) {
            if (all || (*it)->done.load()) {
                done.push_back(std::move(*it));
                it = m_connections.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& c : done) {
        c->abort = true;
        c->socket.Shutdown();
    }
    for (auto& c : done)
        if (c->thread.joinable()) c->thread.join();
}

void HttpServer::AcceptLoop() {
    while (m_running.load()) {
        if (m_listener.WaitReadable(100) == net::Socket::Wait::Ready) {
            net::Socket s = m_listener.Accept();
            if (s.Valid()) {
                if (Connections() >= m_cfg.maxConnections) {
                    m_stats.httpRejected++;
                    const std::string busy = Plain(503, "too many connections").Serialize("HTTP/1.1");
                    s.SendAll(busy.data(), busy.size(), 100, nullptr);
                } else {
                    auto c = std::make_unique<Connection>();
                    c->socket = std::move(s);
                    Connection* raw = c.get();
                    std::lock_guard<std::mutex> lk(m_mu);
                    m_connections.push_back(std::move(c));
                    raw->thread = std::thread(&HttpServer::Serve, this, std::ref(*raw));
                }
            }
        }
        Reap(false);
    }
}

bool HttpServer::Send(Connection& c, const HttpResponse& r) {
    const std::string bytes = r.Serialize("HTTP/1.1");
    return c.socket.SendAll(bytes.data(), bytes.size(), m_cfg.sendTimeoutMs, &c.abort);
}

bool HttpServer::SleepUnlessAborted(Connection& c, int ms) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < until) {
        if (c.abort.load() || !m_running.load()) return false;
        std::this_thread::sleep_for(
            std::min<Clock::duration>(std::chrono::milliseconds(20), until - Clock::now()));
    }
    return true;
}

void HttpServer::Hold(Connection& c, const std::function<bool()>& holdWhile) {
    char buf[4096];
    while (holdWhile() && m_running.load() && !c.abort.load()) {
        // What else the client sends is read and ignored; its close ends the hold.
        const auto w = c.socket.WaitReadable(50);
        if (w == net::Socket::Wait::Error) return;
        if (w == net::Socket::Wait::Ready && c.socket.Recv(buf, sizeof buf) < 0) return;
    }
}

void HttpServer::Linger(Connection& c) {
    constexpr size_t kMaxDrained = 256 * 1024;
    const auto until = Clock::now() + std::chrono::milliseconds(500);
    char buf[4096];
    size_t drained = 0;
    while (Clock::now() < until && drained < kMaxDrained && !c.abort.load()) {
        if (c.socket.WaitReadable(50) == net::Socket::Wait::Error) return;
        const long n = c.socket.Recv(buf, sizeof buf);
        if (n < 0) return;  // the client has closed: done
        drained += static_cast<size_t>(n);
    }
}

void HttpServer::Serve(Connection& c) {
    HttpParser parser(HttpParser::Dialect::Http, m_cfg.limits);
    std::vector<char> buf(16 * 1024);
    auto lastRx = Clock::now();
    auto requestStart = lastRx;
    bool inRequest = false, open = true;
    while (open && m_running.load() && !c.abort.load()) {
        const auto w = c.socket.WaitReadable(100);
        if (w == net::Socket::Wait::Error) break;
        const auto now = Clock::now();
        if (w == net::Socket::Wait::Ready) {
            const long n = c.socket.Recv(buf.data(), buf.size());
            if (n < 0) break;
            if (n > 0) {
                lastRx = now;
                if (!inRequest) requestStart = now;
                inRequest = true;
                parser.Feed(buf.data(), static_cast<size_t>(n));
                for (;;) {
                    HttpRequest req;
                    const auto st = parser.Next(req);
                    if (st == HttpParser::Status::NeedMore) break;
                    if (st == HttpParser::Status::Error) {
                        m_stats.httpBad++;
                        if (Send(c, Plain(parser.ErrorStatus(), parser.ErrorText()))) Linger(c);
                        open = false;
                        break;
                    }
                    if (st != HttpParser::Status::Request) continue;
                    m_stats.httpRequests++;
                    Outcome o = m_handler(req);
                    if (o.holdWhile) {
                        Hold(c, o.holdWhile);
                        open = false;
                        break;
                    }
                    if (o.drop) {
                        open = false;
                        break;
                    }
                    if (o.delayMs > 0 && !SleepUnlessAborted(c, o.delayMs)) {
                        open = false;
                        break;
                    }
                    if (!req.KeepAlive()) o.response.close = true;
                    if (!Send(c, o.response) || o.response.close) {
                        open = false;
                        break;
                    }
                    requestStart = Clock::now();
                }
                inRequest = parser.InRequest();
            }
        }
        if (!open) break;
        if (inRequest && now - requestStart > std::chrono::milliseconds(m_cfg.requestTimeoutMs)) {
            if (Send(c, Plain(408, "request incomplete"))) Linger(c);
            break;
        }
        if (!inRequest && now - lastRx > std::chrono::milliseconds(m_cfg.idleTimeoutMs)) break;
    }
    c.socket.Shutdown();
    c.done = true;
}

}  // namespace zv::devsim
