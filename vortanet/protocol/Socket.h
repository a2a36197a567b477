// A TCP socket behind a small portable face: POSIX sockets in
// SocketPosix.cpp, Winsock in SocketWin32.cpp. Sockets are non-blocking;
// callers wait with WaitReadable/WaitWritable and a timeout, which lets every
// thread notice a stop request within one wait period without relying on
// platform-specific wake-ups.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace zv::net {

// Process-wide socket start-up (Winsock needs it); idempotent.
bool Startup();

// Strict dotted-quad IPv4 parse ("127.0.0.2"); no hostnames, no shorthand.
bool ParseIPv4(const std::string& text, uint8_t out[4]);
// True for an address inside 127.0.0.0/8.
bool IsLoopbackIPv4(const std::string& text);

class Socket {
public:
    enum class Wait { Ready, Timeout, Error };

    Socket() = default;
    ~Socket();
    Socket(Socket&& o) noexcept;
    Socket& operator=(Socket&& o) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // Listening socket on ip:port (port 0 picks a free one).
    static Socket Listen(const std::string& ip, uint16_t port, std::string* error);
    // Connected socket, or an invalid one after timeoutMs or once *stop
    // becomes true (checked every 50 ms).
    static Socket Connect(const std::string& ip, uint16_t port, int timeoutMs, std::string* error,
                          const std::atomic<bool>* stop = nullptr);

    // A pending connection, or an invalid socket if none is waiting.
    Socket Accept(std::string* peer = nullptr);

    bool Valid() const;
    Wait WaitReadable(int timeoutMs) const;
    Wait WaitWritable(int timeoutMs) const;
    // Bytes moved (> 0), 0 if the call would block, -1 once the peer closed
    // or the connection failed.
    long Recv(void* buf, size_t n);
    long Send(const void* buf, size_t n);
    // Waits up to timeoutMs for bytes. On Windows one blocking receive with
    // a receive timeout rather than a readiness wait and a receive: some
    // socket layers spend as long on the wait as on a loopback round trip.
    // Bytes (> 0), 0 when none came in time (close the socket then: a timed
    // out receive leaves it undefined on some systems), -1 once closed or
    // failed. Shutdown from another thread ends the wait. It may end up to
    // 100 ms after timeoutMs.
    long RecvWithin(void* buf, size_t n, int timeoutMs);
    // Sends everything unless the connection fails, timeoutMs passes without
    // progress, or *stop becomes true. Also after RecvWithin on Windows
    // (a blocking socket there): a peer that reads nothing fails it within
    // about timeoutMs.
    bool SendAll(const void* buf, size_t n, int timeoutMs, const std::atomic<bool>* stop);

    // Ends both directions; a thread waiting on this socket wakes up.
    void Shutdown();
    void Close();
    uint16_t LocalPort() const;
    void SetReceiveBuffer(int bytes);
    void SetSendBuffer(int bytes);
    void SetNoDelay();

private:
    explicit Socket(intptr_t h) : m_h(h) {}
    // A connect in progress done, in slices that look at *stop.
    Wait WaitConnected(int timeoutMs, const std::atomic<bool>* stop) const;
    // Bounds the sends that follow by timeoutMs where sends can block.
    void PrepareSend(int timeoutMs);
    intptr_t m_h = -1;
    bool m_blocking = false;    // switched by RecvWithin on Windows
    int m_recvTimeoutMs = -1;  // the receive timeout last set there
    int m_sendTimeoutMs = -1;  // the send timeout last set there
};

}  // namespace zv::net
