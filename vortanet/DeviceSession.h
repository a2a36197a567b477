// One login's TCP session to a device: the login handshake, requests matched
// to their replies by sequence number, a receive thread that hands media to
// the library, answers and sends heartbeats, and notices a lost device.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "DeviceFacts.h"
#include "FrameReader.h"
#include "Messages.h"
#include "Socket.h"

namespace vn {

// How long the library waits where the caller gives no time.
constexpr int CONNECT_TIMEOUT_MS = 3000;
constexpr int LOGIN_TIMEOUT_MS = 5000;
constexpr int REQUEST_TIMEOUT_MS = 2000;
// Heartbeat: a ping this often, and a device silent this long is lost.
constexpr int PING_INTERVAL_MS = 500;
constexpr int SILENCE_LIMIT_MS = 1500;

// Login outcome, also the library's error out value.
using zv::proto::LoginError;
using zv::proto::LOGIN_OK;
using zv::proto::LOGIN_BAD_PASSWORD;
using zv::proto::LOGIN_REFUSED;
using zv::proto::LOGIN_NETWORK;
using zv::proto::LOGIN_PROTOCOL;

class ISessionListener {
public:
    virtual ~ISessionListener() = default;
    // On the session's receive thread; receivedUs: when the frame's last
    // bytes came off the socket (µs since 1970).
    virtual void OnVideo(int32_t loginHandle, const zv::proto::VideoFrame& frame, uint64_t receivedUs) = 0;
    virtual void OnAudio(int32_t loginHandle, const zv::proto::AudioPacket& packet) = 0;
    // The device is gone: closed, silent or malformed. Called once, on the
    // receive thread, after every pending request has been failed.
    virtual void OnLost(int32_t loginHandle) = 0;
};

class CDeviceSession {
public:
    ~CDeviceSession();
    CDeviceSession(const CDeviceSession&) = delete;
    CDeviceSession& operator=(const CDeviceSession&) = delete;

    // Connects and logs in; null with *error set on failure.
    static std::unique_ptr<CDeviceSession> Login(const std::string& address, uint16_t port,
                                                 const std::string& user,
                                                 const std::string& password,
                                                 zv::proto::DeviceInfo* info, LoginError* error);

    // Starts the receive thread; media and the loss go to listener.
    bool Start(int32_t loginHandle, ISessionListener* listener);
    // Ends the receive thread (without a loss notice) and closes the socket.
    // Bounded: a thread that does not end in time is left to end on its own.
    void Stop();
    bool Lost() const { return m_lost.load(); }
    // The receive thread has finished (or never ran).
    bool Finished() const;

    // Sends message m and waits up to timeoutMs for the reply of type
    // `reply`. False on a lost session, a timeout or a reply of another type.
    template <class M>
    bool Request(const M& m, zv::proto::MsgType reply, int timeoutMs, zv::proto::Frame* out) {
        const uint32_t seq = NextSeq();
        return Exchange(zv::proto::Encode(m, seq), seq, reply, timeoutMs, out);
    }

private:
    explicit CDeviceSession(zv::net::Socket socket);
    struct Pending {
        zv::proto::MsgType expected;
        zv::proto::Frame reply;
        bool answered = false;
    };

    uint32_t NextSeq();
    bool Send(const std::vector<uint8_t>& bytes);
    bool Exchange(const std::vector<uint8_t>& bytes, uint32_t seq, zv::proto::MsgType reply,
                  int timeoutMs, zv::proto::Frame* out);
    // Handshake helper: the next whole frame from the socket within timeoutMs.
    bool ReadFrame(zv::proto::FrameReader& reader, int timeoutMs, zv::proto::Frame* out);
    static DWORD WINAPI ThreadMain(LPVOID self);
    void Run();
    // One received frame; false if it breaks the protocol.
    bool Handle(const zv::proto::Frame& frame, uint64_t receivedUs);
    void FailPending();

    zv::net::Socket m_socket;
    std::mutex m_sendMutex;
    // Waiters sleep on a condition variable rather than a kernel event: under
    // Wine an event costs a trip to the server on every create, set and wait,
    // which showed in every request's round trip.
    SRWLOCK m_pendingLock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_pendingChanged = CONDITION_VARIABLE_INIT;
    std::map<uint32_t, Pending*> m_pending;
    bool m_failAll = false;  // under m_pendingLock: no reply will come any more
    std::atomic<uint32_t> m_seq{0};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_lost{false};
    int32_t m_loginHandle = 0;
    ISessionListener* m_listener = nullptr;
    HANDLE m_thread = nullptr;
    HANDLE m_done = nullptr;  // set by the thread as the last thing it does with this object
};

}  // namespace vn
