// POSIX side of Socket.h.
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "Socket.h"
#include "SocketAddress.h"

namespace zv::net {

namespace {

void SetNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL, 0);
    fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

Socket::Wait PollFor(intptr_t h, short events, int timeoutMs) {
    if (h < 0) return Socket::Wait::Error;
    pollfd p{static_cast<int>(h), events, 0};
    for (;;) {
        const int r = poll(&p, 1, timeoutMs);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return Socket::Wait::Error;
        if (r == 0) return Socket::Wait::Timeout;
        // Hang-up or error still counts as ready: the next call reports it.
        return Socket::Wait::Ready;
    }
}

std::string Errno(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

bool Startup() { return true; }

Socket::~Socket() { Close(); }
Socket::Socket(Socket&& o) noexcept
    : m_h(o.m_h), m_blocking(o.m_blocking), m_recvTimeoutMs(o.m_recvTimeoutMs), m_sendTimeoutMs(o.m_sendTimeoutMs) {
    o.m_h = -1;
}
Socket& Socket::operator=(Socket&& o) noexcept {
    if (this != &o) {
        Close();
        m_h = o.m_h;
        m_blocking = o.m_blocking;
        m_recvTimeoutMs = o.m_recvTimeoutMs;
        m_sendTimeoutMs = o.m_sendTimeoutMs;
        o.m_h = -1;
    }
    return *this;
}

// A new TCP socket and the address it is for; invalid on failure.
static int OpenTcp(const std::string& ip, uint16_t port, sockaddr_in& sa, std::string* error) {
    if (!MakeAddress(ip, port, sa, error)) return -1;
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 && error) *error = Errno("socket");
    return fd;
}

Socket Socket::Listen(const std::string& ip, uint16_t port, std::string* error) {
    sockaddr_in sa;
    const int fd = OpenTcp(ip, port, sa, error);
    if (fd < 0) return Socket();
    Socket s(fd);
    // A restarted device must be able to take its port back while old
    // connections linger in TIME_WAIT.
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        if (error) *error = Errno(("bind " + ip + ":" + std::to_string(port)).c_str());
        return Socket();
    }
    if (listen(fd, 64) != 0) {
        if (error) *error = Errno("listen");
        return Socket();
    }
    SetNonBlocking(fd);
    return s;
}

Socket Socket::Connect(const std::string& ip, uint16_t port, int timeoutMs, std::string* error,
                       const std::atomic<bool>* stop) {
    sockaddr_in sa;
    const int fd = OpenTcp(ip, port, sa, error);
    if (fd < 0) return Socket();
    Socket s(fd);
    SetNonBlocking(fd);
    if (connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        if (errno != EINPROGRESS) {
            if (error) *error = Errno("connect");
            return Socket();
        }
        if (s.WaitConnected(timeoutMs, stop) != Wait::Ready) {
            if (error) *error = "connect: timed out";
            return Socket();
        }
        int err = 0;
        socklen_t len = sizeof err;
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
        if (err != 0) {
            if (error) *error = std::string("connect: ") + std::strerror(err);
            return Socket();
        }
    }
    s.SetNoDelay();
    return s;
}

Socket Socket::Accept(std::string* peer) {
    if (m_h < 0) return Socket();
    sockaddr_in sa;
    socklen_t len = sizeof sa;
    const int fd = accept4(static_cast<int>(m_h), reinterpret_cast<sockaddr*>(&sa), &len,
                           SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return Socket();
    if (peer) {
        char buf[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &sa.sin_addr, buf, sizeof buf);
        *peer = std::string(buf) + ":" + std::to_string(ntohs(sa.sin_port));
    }
    Socket s(fd);
    s.SetNoDelay();
    return s;
}

bool Socket::Valid() const { return m_h >= 0; }

Socket::Wait Socket::WaitReadable(int timeoutMs) const { return PollFor(m_h, POLLIN, timeoutMs); }
Socket::Wait Socket::WaitWritable(int timeoutMs) const { return PollFor(m_h, POLLOUT, timeoutMs); }

long Socket::Recv(void* buf, size_t n) {
    if (m_h < 0) return -1;
    for (;;) {
        const ssize_t r = recv(static_cast<int>(m_h), buf, n, 0);
        if (r > 0) return static_cast<long>(r);
        if (r == 0) return -1;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        return -1;
    }
}

long Socket::Send(const void* buf, size_t n) {
    if (m_h < 0) return -1;
    for (;;) {
        // MSG_NOSIGNAL: a vanished peer must be an error, not SIGPIPE.
        const ssize_t r = send(static_cast<int>(m_h), buf, n, MSG_NOSIGNAL);
        if (r >= 0) return static_cast<long>(r);
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        return -1;
    }
}

void Socket::Shutdown() {
    if (m_h >= 0) shutdown(static_cast<int>(m_h), SHUT_RDWR);
}

void Socket::Close() {
    if (m_h >= 0) {
        close(static_cast<int>(m_h));
        m_h = -1;
    }
}

uint16_t Socket::LocalPort() const {
    sockaddr_in sa;
    socklen_t len = sizeof sa;
    if (m_h < 0 || getsockname(static_cast<int>(m_h), reinterpret_cast<sockaddr*>(&sa), &len) != 0)
        return 0;
    return ntohs(sa.sin_port);
}

void Socket::SetReceiveBuffer(int bytes) {
    if (m_h >= 0) setsockopt(static_cast<int>(m_h), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

void Socket::SetSendBuffer(int bytes) {
    if (m_h >= 0) setsockopt(static_cast<int>(m_h), SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
}

void Socket::SetNoDelay() {
    const int one = 1;
    if (m_h >= 0) setsockopt(static_cast<int>(m_h), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}


// Sockets stay non-blocking here: SendAll's own waits bound it.
void Socket::PrepareSend(int) {}

// A readiness wait costs little here: no blocking mode needed.
long Socket::RecvWithin(void* buf, size_t n, int timeoutMs) {
    const Wait w = WaitReadable(timeoutMs);
    if (w == Wait::Timeout) return 0;
    if (w == Wait::Error) return -1;
    return Recv(buf, n);
}

}  // namespace zv::net
