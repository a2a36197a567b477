#include "DeviceSession.h"

#include <vector>

#include "Auth.h"
#include "Crypto.h"
#include "FrameReader.h"
#include "VideoOutput.h"

namespace vn {

namespace proto = zv::proto;

namespace {

ULONGLONG Now() { return GetTickCount64(); }

}  // namespace

CDeviceSession::CDeviceSession(zv::net::Socket socket) : m_socket(std::move(socket)) {
    m_done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

CDeviceSession::~CDeviceSession() {
    Stop();
    if (m_thread) CloseHandle(m_thread);
    if (m_done) CloseHandle(m_done);
}

uint32_t CDeviceSession::NextSeq() {
    uint32_t seq = ++m_seq;
    if (seq == 0) seq = ++m_seq;  // 0 is reserved for pushed media
    return seq;
}

bool CDeviceSession::Send(const std::vector<uint8_t>& bytes) {
    std::lock_guard<std::mutex> lock(m_sendMutex);
    return m_socket.SendAll(bytes.data(), bytes.size(), REQUEST_TIMEOUT_MS, &m_stop);
}

bool CDeviceSession::ReadFrame(proto::FrameReader& reader, int timeoutMs, proto::Frame* out) {
    const ULONGLONG deadline = Now() + timeoutMs;
    uint8_t buf[4096];
    for (;;) {
        switch (reader.Next(*out)) {
            case proto::FrameReader::Status::Frame: return true;
            case proto::FrameReader::Status::Error: return false;
            case proto::FrameReader::Status::NeedMore: break;
        }
        const ULONGLONG now = Now();
        if (now >= deadline) return false;
        // A read that waits: it also leaves the socket in the blocking mode
        // the receive thread reads in, before any other thread sends on it.
        const long n = m_socket.RecvWithin(buf, sizeof buf, static_cast<int>(deadline - now));
        if (n < 0) return false;
        reader.Feed(buf, static_cast<size_t>(n));
    }
}

std::unique_ptr<CDeviceSession> CDeviceSession::Login(const std::string& address, uint16_t port,
                                                      const std::string& user,
                                                      const std::string& password,
                                                      proto::DeviceInfo* info, LoginError* error) {
    *error = LOGIN_NETWORK;
    if (!zv::net::Startup()) return nullptr;
    if (user.empty() || user.size() > proto::kMaxUserName) {
        *error = LOGIN_BAD_PASSWORD;  // no device accepts such a name
        return nullptr;
    }
    std::string why;
    zv::net::Socket socket = zv::net::Socket::Connect(address, port, CONNECT_TIMEOUT_MS, &why);
    if (!socket.Valid()) return nullptr;
    socket.SetNoDelay();
    std::unique_ptr<CDeviceSession> session(new CDeviceSession(std::move(socket)));

    proto::Hello hello;
    if (!proto::RandomBytes(hello.nonce.data(), hello.nonce.size())) return nullptr;
    proto::FrameReader reader;
    proto::Frame frame;
    const uint32_t helloSeq = session->NextSeq();
    if (!session->Send(proto::Encode(hello, helloSeq))) return nullptr;
    *error = LOGIN_PROTOCOL;
    proto::Challenge challenge;
    // A device that is slow to greet counts against the whole login time.
    const ULONGLONG deadline = Now() + LOGIN_TIMEOUT_MS;
    auto left = [&] { return static_cast<int>(deadline > Now() ? deadline - Now() : 0); };
    for (;;) {
        if (!session->ReadFrame(reader, left(), &frame)) {
            *error = reader.Error() == proto::DecodeError::None ? LOGIN_NETWORK : LOGIN_PROTOCOL;
            return nullptr;
        }
        if (frame.header.type == proto::MsgType::Ping) continue;  // answered once logged in
        if (proto::Decode(frame, challenge) != proto::DecodeError::None ||
            frame.header.seq != helloSeq)
            return nullptr;
        break;
    }
    proto::Login login;
    login.user = user;
    login.proof = proto::LoginProof(password, challenge.challenge, hello.nonce, user);
    const uint32_t loginSeq = session->NextSeq();
    if (!session->Send(proto::Encode(login, loginSeq))) {
        *error = LOGIN_NETWORK;
        return nullptr;
    }
    proto::LoginResult result;
    for (;;) {
        if (!session->ReadFrame(reader, left(), &frame)) {
            *error = reader.Error() == proto::DecodeError::None ? LOGIN_NETWORK : LOGIN_PROTOCOL;
            return nullptr;
        }
        if (frame.header.type == proto::MsgType::Ping) continue;
        if (proto::Decode(frame, result) != proto::DecodeError::None || frame.header.seq != loginSeq)
            return nullptr;
        break;
    }
    if (result.status != proto::kOk) {
        *error = result.status == proto::kAuthFailed ? LOGIN_BAD_PASSWORD : LOGIN_REFUSED;
        return nullptr;
    }
    // Nothing else is sent before the login result, so the reader holds no
    // more whole frames; a partial one would be lost here, which the
    // protocol rules out.
    if (reader.Buffered() != 0) return nullptr;
    if (info) *info = result.deviceInfo;
    *error = LOGIN_OK;
    return session;
}

bool CDeviceSession::Start(int32_t loginHandle, ISessionListener* listener) {
    m_loginHandle = loginHandle;
    m_listener = listener;
    m_thread = CreateThread(nullptr, 0, &ThreadMain, this, 0, nullptr);
    return m_thread != nullptr;
}

bool CDeviceSession::Finished() const {
    return !m_thread || WaitForSingleObject(m_done, 0) == WAIT_OBJECT_0 ||
           WaitForSingleObject(m_thread, 0) == WAIT_OBJECT_0;
}

void CDeviceSession::Stop() {
    m_stop = true;
    m_socket.Shutdown();
    if (m_thread) {
        // The thread may already be gone (process exit ends threads first);
        // its handle is signalled then, so either object ends the wait.
        HANDLE both[2] = {m_done, m_thread};
        WaitForMultipleObjects(2, both, FALSE, 3000);
    }
    FailPending();
}

void CDeviceSession::FailPending() {
    AcquireSRWLockExclusive(&m_pendingLock);
    m_failAll = true;
    ReleaseSRWLockExclusive(&m_pendingLock);
    WakeAllConditionVariable(&m_pendingChanged);
}

bool CDeviceSession::Exchange(const std::vector<uint8_t>& bytes, uint32_t seq, proto::MsgType reply,
                              int timeoutMs, proto::Frame* out) {
    if (m_lost || m_stop) return false;
    Pending pending{reply, {}};
    AcquireSRWLockExclusive(&m_pendingLock);
    m_pending[seq] = &pending;
    ReleaseSRWLockExclusive(&m_pendingLock);
    bool ok = Send(bytes);
    const ULONGLONG deadline = Now() + static_cast<ULONGLONG>(timeoutMs);
    AcquireSRWLockExclusive(&m_pendingLock);
    while (ok && !pending.answered && !m_failAll) {
        const ULONGLONG now = Now();
        if (now >= deadline) break;
        // In slices, so that a receive thread ended from outside (the process
        // is exiting) does not keep a caller for the whole wait.
        const DWORD slice = static_cast<DWORD>(deadline - now < 50 ? deadline - now : 50);
        if (!SleepConditionVariableSRW(&m_pendingChanged, &m_pendingLock, slice, 0) &&
            m_thread && WaitForSingleObject(m_thread, 0) == WAIT_OBJECT_0)
            break;
    }
    m_pending.erase(seq);
    ok = ok && pending.answered;
    if (ok && out) *out = std::move(pending.reply);
    ReleaseSRWLockExclusive(&m_pendingLock);
    return ok;
}

DWORD WINAPI CDeviceSession::ThreadMain(LPVOID param) {
    auto* self = static_cast<CDeviceSession*>(param);
    // Hold our module while the thread runs, so that a library unloaded while
    // it ends is unmapped only after it has left our code.
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCWSTR>(&CDeviceSession::ThreadMain), &module);
    HANDLE done = self->m_done;
    try {
        self->Run();
    } catch (...) {
    }
    SetEvent(done);  // `self` may be gone from here on
    if (module) FreeLibraryAndExitThread(module, 0);
    return 0;
}

void CDeviceSession::Run() {
    proto::FrameReader reader;
    // Room for a whole frame of the largest size: a picture comes in one
    // read when it has arrived, not in many. And a read that waits itself
    // (rather than a readiness wait and then a read): under Wine each is a
    // trip to its server, for every read of every stream.
    std::vector<uint8_t> buf(proto::kHeaderSize + proto::kMaxPayload);
    ULONGLONG lastReceived = Now(), lastPing = 0;
    bool lost = false;
    while (!m_stop && !lost) {
        const long n = m_socket.RecvWithin(buf.data(), buf.size(), 100);
        if (m_stop) break;
        if (n < 0) {
            lost = true;
            break;
        }
        if (n > 0) {
            lastReceived = Now();
            const uint64_t receivedUs = UnixMicros();
            reader.Feed(buf.data(), static_cast<size_t>(n));
            proto::Frame frame;
            for (;;) {
                const auto status = reader.Next(frame);
                if (status == proto::FrameReader::Status::NeedMore) break;
                if (status == proto::FrameReader::Status::Error || !Handle(frame, receivedUs)) {
                    proto::ErrorMsg error;
                    error.code = proto::kErrMalformed;
                    error.text = "malformed frame";
                    Send(proto::Encode(error, 0));
                    lost = true;
                    break;
                }
            }
        }
        const ULONGLONG now = Now();
        if (now - lastReceived > SILENCE_LIMIT_MS) lost = true;
        if (!lost && now - lastPing >= PING_INTERVAL_MS) {
            proto::Ping ping;
            ping.token = now;
            lost = !Send(proto::Encode(ping, NextSeq()));
            lastPing = now;
        }
    }
    if (lost && !m_stop) {
        m_lost = true;
        m_socket.Shutdown();
        FailPending();
        if (m_listener) m_listener->OnLost(m_loginHandle);
    }
}

bool CDeviceSession::Handle(const proto::Frame& frame, uint64_t receivedUs) {
    using proto::MsgType;
    switch (frame.header.type) {
        case MsgType::VideoFrame: {
            proto::VideoFrame video;
            if (proto::Decode(frame, video) != proto::DecodeError::None) return false;
            if (m_listener) m_listener->OnVideo(m_loginHandle, video, receivedUs);
            return true;
        }
        case MsgType::AudioPacket: {
            proto::AudioPacket audio;
            if (proto::Decode(frame, audio) != proto::DecodeError::None) return false;
            if (m_listener) m_listener->OnAudio(m_loginHandle, audio);
            return true;
        }
        case MsgType::Ping: {
            proto::Ping ping;
            if (proto::Decode(frame, ping) != proto::DecodeError::None) return false;
            proto::Pong pong;
            pong.token = ping.token;
            return Send(proto::Encode(pong, frame.header.seq));
        }
        case MsgType::Pong: {
            proto::Pong pong;
            return proto::Decode(frame, pong) == proto::DecodeError::None;
        }
        case MsgType::Result:
        case MsgType::ConfigData: {
            // A reply: checked in full before it is handed to the waiter.
            if (frame.header.type == MsgType::Result) {
                proto::Result r;
                if (proto::Decode(frame, r) != proto::DecodeError::None) return false;
            } else {
                proto::ConfigData d;
                if (proto::Decode(frame, d) != proto::DecodeError::None) return false;
            }
            AcquireSRWLockExclusive(&m_pendingLock);
            auto it = m_pending.find(frame.header.seq);
            bool ok;
            if (it == m_pending.end()) {
                // A reply nobody waits for any more (its caller timed out) is dropped.
                ok = frame.header.seq != 0 && frame.header.seq <= m_seq;
            } else if (it->second->expected != frame.header.type) {
                ok = false;
            } else {
                it->second->reply = frame;
                it->second->answered = true;
                ok = true;
            }
            ReleaseSRWLockExclusive(&m_pendingLock);
            if (ok) WakeAllConditionVariable(&m_pendingChanged);
            return ok;
        }
        default:  // ERROR, or a type a device may not send now
            return false;
    }
}

}  // namespace vn
