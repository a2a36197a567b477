// Winsock side of Socket.h. Waits use select(): WSAPoll misses failed
// non-blocking connects on older Windows.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>
#include <mutex>

#include "Socket.h"
#include "SocketAddress.h"

namespace zv::net {

namespace {

SOCKET H(intptr_t h) { return static_cast<SOCKET>(h); }

void SetNonBlocking(SOCKET s) {
    u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
}

std::string LastError(const char* what) {
    return std::string(what) + ": winsock error " + std::to_string(WSAGetLastError());
}

Socket::Wait SelectFor(intptr_t h, bool write, int timeoutMs) {
    if (h == -1) return Socket::Wait::Error;
    fd_set set, err;
    FD_ZERO(&set);
    FD_ZERO(&err);
    FD_SET(H(h), &set);
    FD_SET(H(h), &err);
    timeval tv;
    tv.tv_sec = timeoutMs / 1000;
    tv.tv_usec = (timeoutMs % 1000) * 1000;
    const int r = select(0, write ? nullptr : &set, write ? &set : nullptr, &err, &tv);
    if (r == SOCKET_ERROR) return Socket::Wait::Error;
    if (r == 0) return Socket::Wait::Timeout;
    // An error condition counts as ready: the next call reports it.
    return Socket::Wait::Ready;
}

}  // namespace

bool Startup() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] {
        WSADATA data;
        ok = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    });
    return ok;
}

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
static SOCKET OpenTcp(const std::string& ip, uint16_t port, sockaddr_in& sa, std::string* error) {
    if (!MakeAddress(ip, port, sa, error)) return INVALID_SOCKET;
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET && error) *error = LastError("socket");
    return s;
}

Socket Socket::Listen(const std::string& ip, uint16_t port, std::string* error) {
    Startup();
    sockaddr_in sa;
    const SOCKET s = OpenTcp(ip, port, sa, error);
    if (s == INVALID_SOCKET) return Socket();
    Socket out(static_cast<intptr_t>(s));
    // No SO_REUSEADDR: on Windows it would let another process steal the
    // port. A plain bind already succeeds next to TIME_WAIT connections.
    if (bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        if (error) *error = LastError(("bind " + ip + ":" + std::to_string(port)).c_str());
        return Socket();
    }
    if (listen(s, 64) != 0) {
        if (error) *error = LastError("listen");
        return Socket();
    }
    SetNonBlocking(s);
    return out;
}

Socket Socket::Connect(const std::string& ip, uint16_t port, int timeoutMs, std::string* error,
                       const std::atomic<bool>* stop) {
    Startup();
    sockaddr_in sa;
    const SOCKET s = OpenTcp(ip, port, sa, error);
    if (s == INVALID_SOCKET) return Socket();
    Socket out(static_cast<intptr_t>(s));
    SetNonBlocking(s);
    if (connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        if (WSAGetLastError() != WSAEWOULDBLOCK) {
            if (error) *error = LastError("connect");
            return Socket();
        }
        if (out.WaitConnected(timeoutMs, stop) != Wait::Ready) {
            if (error) *error = "connect: timed out";
            return Socket();
        }
        int err = 0;
        int len = sizeof err;
        getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len);
        if (err != 0) {
            if (error) *error = "connect: winsock error " + std::to_string(err);
            return Socket();
        }
    }
    out.SetNoDelay();
    return out;
}

Socket Socket::Accept(std::string* peer) {
    if (m_h == -1) return Socket();
    sockaddr_in sa;
    int len = sizeof sa;
    const SOCKET s = accept(H(m_h), reinterpret_cast<sockaddr*>(&sa), &len);
    if (s == INVALID_SOCKET) return Socket();
    SetNonBlocking(s);
    if (peer) {
        const uint8_t* a = reinterpret_cast<const uint8_t*>(&sa.sin_addr);
        *peer = std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) +
                "." + std::to_string(a[3]) + ":" + std::to_string(ntohs(sa.sin_port));
    }
    Socket out(static_cast<intptr_t>(s));
    out.SetNoDelay();
    return out;
}

bool Socket::Valid() const { return m_h != -1; }

Socket::Wait Socket::WaitReadable(int timeoutMs) const { return SelectFor(m_h, false, timeoutMs); }
Socket::Wait Socket::WaitWritable(int timeoutMs) const { return SelectFor(m_h, true, timeoutMs); }

long Socket::Recv(void* buf, size_t n) {
    if (m_h == -1) return -1;
    const int want = n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(n);
    const int r = recv(H(m_h), static_cast<char*>(buf), want, 0);
    if (r > 0) return r;
    if (r == 0) return -1;
    return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
}

long Socket::Send(const void* buf, size_t n) {
    if (m_h == -1) return -1;
    const int want = n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(n);
    const int r = send(H(m_h), static_cast<const char*>(buf), want, 0);
    if (r >= 0) return r;
    return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
}

void Socket::Shutdown() {
    if (m_h != -1) shutdown(H(m_h), SD_BOTH);
}

void Socket::Close() {
    if (m_h != -1) {
        closesocket(H(m_h));
        m_h = -1;
    }
}

uint16_t Socket::LocalPort() const {
    sockaddr_in sa;
    int len = sizeof sa;
    if (m_h == -1 || getsockname(H(m_h), reinterpret_cast<sockaddr*>(&sa), &len) != 0) return 0;
    return ntohs(sa.sin_port);
}

void Socket::SetReceiveBuffer(int bytes) {
    if (m_h != -1)
        setsockopt(H(m_h), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes),
                   sizeof bytes);
}

void Socket::SetSendBuffer(int bytes) {
    if (m_h != -1)
        setsockopt(H(m_h), SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&bytes),
                   sizeof bytes);
}

void Socket::SetNoDelay() {
    const BOOL one = TRUE;
    if (m_h != -1)
        setsockopt(H(m_h), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one),
                   sizeof one);
}


// After RecvWithin the socket blocks, and a send to a peer that reads
// nothing would block for ever: a send timeout bounds it (set again only
// when it changes by more than a tenth of a second, as the receive's).
void Socket::PrepareSend(int timeoutMs) {
    if (m_h == -1 || !m_blocking) return;
    const int timeout = timeoutMs < 1 ? 1 : timeoutMs;
    if (timeout > m_sendTimeoutMs || timeout < m_sendTimeoutMs - 100) {
        const DWORD value = static_cast<DWORD>(timeout);
        if (setsockopt(H(m_h), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&value), sizeof value) == 0)
            m_sendTimeoutMs = timeout;
    }
}

long Socket::RecvWithin(void* buf, size_t n, int timeoutMs) {
    if (m_h == -1) return -1;
    if (!m_blocking) {
        u_long off = 0;
        if (ioctlsocket(H(m_h), FIONBIO, &off) != 0) return -1;
        m_blocking = true;
    }
    // Set again only when the wait asked for is longer, or shorter by more
    // than a tenth of a second: a call then ends at most that late, and
    // calls in a row with the same deadline skip a system call.
    const int timeout = timeoutMs < 1 ? 1 : timeoutMs;
    if (timeout > m_recvTimeoutMs || timeout < m_recvTimeoutMs - 100) {
        const DWORD value = static_cast<DWORD>(timeout);
        if (setsockopt(H(m_h), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&value), sizeof value) != 0)
            return -1;
        m_recvTimeoutMs = timeout;
    }
    const int want = n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(n);
    const int r = recv(H(m_h), static_cast<char*>(buf), want, 0);
    if (r > 0) return r;
    if (r == 0) return -1;
    return WSAGetLastError() == WSAETIMEDOUT ? 0 : -1;
}

}  // namespace zv::net
