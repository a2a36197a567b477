#include "Session.h"

#include <algorithm>

#include "Auth.h"
#include "Device.h"
#include "FrameReader.h"

namespace zv::devsim {

using namespace proto;

namespace {
constexpr int kClosingSendTimeoutMs = 1000;
}  // namespace

Session::Session(Device& device, net::Socket socket, std::string peer, uint64_t id)
    : m_dev(device), m_sock(std::move(socket)), m_peer(std::move(peer)), m_id(id),
      m_rng(static_cast<uint32_t>(id * 2654435761u)) {}

Session::~Session() {
    Abort();
    Join();
}

void Session::Start() {
    m_reader = std::thread(&Session::ReadLoop, this);
    m_writer = std::thread(&Session::WriteLoop, this);
}

void Session::Abort() {
    m_abort = true;
    m_sock.Shutdown();
    { std::lock_guard<std::mutex> lk(m_mu); }
    m_cv.notify_all();
    m_replyRoom.notify_all();
}

void Session::Join() {
    if (m_reader.joinable()) m_reader.join();
    if (m_writer.joinable()) m_writer.join();
}

// --- outgoing ---------------------------------------------------------------

size_t Session::ReplyBytes() const {
    std::lock_guard<std::mutex> lk(m_mu);
    return m_replyBytes;
}

void Session::AddPlay(uint32_t playId) {
    std::lock_guard<std::mutex> lk(m_mu);
    m_plays.insert(playId);
}

void Session::RemovePlay(uint32_t playId) {
    std::lock_guard<std::mutex> lk(m_mu);
    m_plays.erase(playId);
    m_audioPlays.erase(playId);
    PurgeLocked(playId, true);
}

void Session::SetAudio(uint32_t playId, bool on) {
    std::lock_guard<std::mutex> lk(m_mu);
    if (on) {
        m_audioPlays.insert(playId);
        return;
    }
    m_audioPlays.erase(playId);
    PurgeLocked(playId, false);
}

void Session::PurgeLocked(uint32_t playId, bool video) {
    for (auto it = m_media.begin(); it != m_media.end();) {
        if (it->playId == playId && (video || !it->video)) {
            DequeuedLocked(*it);
            it = m_media.erase(it);
        } else {
            ++it;
        }
    }
}

void Session::DequeuedLocked(const Out& o) {
    m_mediaBytes -= o.head.size() + (o.body ? o.body->size() : 0);
    auto it = m_queued.find(o.playId);
    if (it == m_queued.end()) return;
    (o.video ? it->second.video : it->second.audio)--;
    if (it->second.video == 0 && it->second.audio == 0) m_queued.erase(it);
}

Session::Push Session::PushMedia(uint32_t playId, std::vector<uint8_t> head, Body body) {
    const bool video = body != nullptr;
    const size_t size = head.size() + (body ? body->size() : 0);
    {
        std::lock_guard<std::mutex> lk(m_mu);
        if (m_closing || m_abort.load() || m_plays.count(playId) == 0 ||
            (!video && m_audioPlays.count(playId) == 0))
            return Push::Gone;
        Queued& q = m_queued[playId];
        if ((video ? q.video >= kMaxVideoPerPlay : q.audio >= kMaxAudioPerPlay) ||
            m_mediaBytes + size > kMaxMediaBytes) {
            if (q.video == 0 && q.audio == 0) m_queued.erase(playId);
            return Push::Dropped;
        }
        (video ? q.video : q.audio)++;
        Out o;
        o.head = std::move(head);
        o.body = std::move(body);
        o.playId = playId;
        o.video = video;
        m_media.push_back(std::move(o));
        m_mediaBytes += size;
    }
    m_cv.notify_one();
    return Push::Queued;
}

void Session::Reply(std::vector<uint8_t> frame, int delayMs) {
    {
        std::lock_guard<std::mutex> lk(m_mu);
        if (m_closing) return;
        Out o;
        o.head = std::move(frame);
        m_replyBytes += ReplyCost(o);
        if (delayMs > 0) {
            o.due = Clock::now() + std::chrono::milliseconds(delayMs);
            m_delayed.push_back(std::move(o));
        } else {
            m_control.push_back(std::move(o));
        }
    }
    m_cv.notify_one();
}

std::vector<std::vector<uint8_t>> Session::TakeRepliesForTest() {
    std::lock_guard<std::mutex> lk(m_mu);
    std::vector<std::vector<uint8_t>> out;
    for (Out& o : m_control) out.push_back(std::move(o.head));
    for (Out& o : m_delayed) out.push_back(std::move(o.head));
    m_control.clear();
    m_delayed.clear();
    m_replyBytes = 0;
    return out;
}

bool Session::WaitForReplyRoom(bool& held) {
    std::unique_lock<std::mutex> lk(m_mu);
    held = m_replyBytes >= kMaxReplyBytes;
    if (!held) return true;
    m_dev.Stats().replyCapHits++;
    m_replyRoom.wait(lk, [&] { return m_abort.load() || m_replyBytes <= kResumeReplyBytes; });
    return !m_abort.load();
}

void Session::CloseWith(uint32_t code, const std::string& text) {
    ErrorMsg e;
    e.code = code;
    e.text = text;
    Reply(Encode(e, 0));
    CloseAfterFlush();
}

void Session::CloseAfterFlush() {
    {
        std::lock_guard<std::mutex> lk(m_mu);
        m_closing = true;
    }
    m_cv.notify_one();
}

void Session::WriteLoop() {
    for (;;) {
        Out item;
        bool have = false;
        {
            std::unique_lock<std::mutex> lk(m_mu);
            while (!m_abort.load()) {
                const auto now = Clock::now();
                auto wake = now + std::chrono::milliseconds(100);
                for (auto it = m_delayed.begin(); it != m_delayed.end();) {
                    if (it->due <= now) {
                        m_control.push_back(std::move(*it));
                        it = m_delayed.erase(it);
                    } else {
                        wake = std::min(wake, it->due);
                        ++it;
                    }
                }
                if (!m_control.empty()) {
                    item = std::move(m_control.front());
                    m_control.pop_front();
                    const size_t before = m_replyBytes;
                    m_replyBytes -= ReplyCost(item);
                    if (before > kResumeReplyBytes && m_replyBytes <= kResumeReplyBytes)
                        m_replyRoom.notify_one();
                    have = true;
                    break;
                }
                if (m_closing) break;
                if (!m_media.empty()) {
                    item = std::move(m_media.front());
                    m_media.pop_front();
                    DequeuedLocked(item);
                    have = true;
                    break;
                }
                m_cv.wait_until(lk, wake);
            }
        }
        if (!have) break;
        if (m_muted) continue;
        if (!SendOut(item)) break;
    }
    // Ends the connection in both directions, which also wakes the reader,
    // unless it is held at the reply cap: that takes a notify.
    m_abort = true;
    m_sock.Shutdown();
    { std::lock_guard<std::mutex> lk(m_mu); }
    m_replyRoom.notify_all();
    m_writerDone = true;
}

bool Session::SendOut(Out& item) {
    bool closing;
    {
        std::lock_guard<std::mutex> lk(m_mu);
        closing = m_closing;
    }
    const int timeout =
        closing ? std::min(kClosingSendTimeoutMs, m_dev.Options().sendTimeoutMs)
                : m_dev.Options().sendTimeoutMs;
    const Hostile hostile = m_dev.HostileMode();
    if (hostile != Hostile::Off) {
        std::vector<uint8_t> frame = std::move(item.head);
        if (item.body) frame.insert(frame.end(), item.body->begin(), item.body->end());
        bool truncate = false;
        frame = Corrupt(std::move(frame), hostile, truncate);
        m_dev.Stats().hostileSent++;
        if (truncate) m_muted = true;
        return m_sock.SendAll(frame.data(), frame.size(), timeout, &m_abort);
    }
    if (item.video) StampSend(item.head);
    if (!m_sock.SendAll(item.head.data(), item.head.size(), timeout, &m_abort)) return false;
    if (item.body && !m_sock.SendAll(item.body->data(), item.body->size(), timeout, &m_abort))
        return false;
    if (item.playId != 0) {
        if (item.video)
            m_dev.Stats().framesSent++;
        else
            m_dev.Stats().audioSent++;
    }
    return true;
}

// A frame's timestamp says when it left the device, so that the client's
// figures start at the wire; the render time it carried until now goes to
// the device's own render-to-send figures.
void Session::StampSend(std::vector<uint8_t>& head) {
    constexpr size_t at = kHeaderSize + 12;  // play id, channel, frame number
    if (head.size() < at + 8) return;
    uint64_t rendered = 0;
    for (int i = 0; i < 8; ++i) rendered |= static_cast<uint64_t>(head[at + i]) << (8 * i);
    const uint64_t now = WallMicros();
    m_dev.Stats().renderToSend.Add(now > rendered ? now - rendered : 0);
    for (int i = 0; i < 8; ++i) head[at + i] = static_cast<uint8_t>(now >> (8 * i));
}

std::vector<uint8_t> Session::Corrupt(std::vector<uint8_t> f, Hostile mode, bool& truncate) {
    auto setLength = [&](uint32_t len) {
        for (int i = 0; i < 4; ++i) f[12 + i] = static_cast<uint8_t>(len >> (8 * i));
    };
    switch (mode) {
    case Hostile::Off: break;
    case Hostile::Garbage:
        for (auto& b : f) b = static_cast<uint8_t>(m_rng());
        break;
    case Hostile::BadMagic: f[0] ^= 0xFF; break;
    case Hostile::BadVersion: f[4] = 0x7E; break;
    case Hostile::Oversize: setLength(kMaxPayload + 1); break;
    case Hostile::Truncate:
        // Header and half the payload, then silence on this connection.
        f.resize(kHeaderSize + (f.size() - kHeaderSize) / 2);
        truncate = true;
        break;
    case Hostile::BadPayload:
        f.push_back(0xEE);
        setLength(static_cast<uint32_t>(f.size() - kHeaderSize));
        break;
    }
    return f;
}

// --- incoming ---------------------------------------------------------------

bool Session::SleepUnlessAborted(int ms) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < until) {
        if (m_abort.load()) return false;
        std::this_thread::sleep_for(
            std::min<Clock::duration>(std::chrono::milliseconds(20), until - Clock::now()));
    }
    return !m_abort.load();
}

void Session::ReadLoop() {
    const DeviceOptions& opt = m_dev.Options();
    FrameReader reader;
    std::vector<uint8_t> buf(64 * 1024);
    const auto start = Clock::now();
    auto lastRx = start;
    bool ended = false;
    while (!ended && !m_abort.load()) {
        const auto ready = m_sock.WaitReadable(100);
        if (ready == net::Socket::Wait::Error) break;
        const auto now = Clock::now();
        if (ready == net::Socket::Wait::Ready) {
            const long n = m_sock.Recv(buf.data(), buf.size());
            if (n < 0) break;  // the client closed or the connection failed
            if (n > 0) {
                lastRx = now;
                reader.Feed(buf.data(), static_cast<size_t>(n));
                Frame f;
                for (;;) {
                    const auto st = reader.Next(f);
                    if (st == FrameReader::Status::NeedMore) break;
                    if (st == FrameReader::Status::Error) {
                        m_dev.Stats().malformed++;
                        CloseWith(
                            reader.Error() == DecodeError::BadVersion ? kErrVersion : kErrMalformed,
                            ToString(reader.Error()));
                        ended = true;
                        break;
                    }
                    bool held = false;
                    if (!WaitForReplyRoom(held) || !Handle(f)) {
                        ended = true;
                        break;
                    }
                    // Held, the requests waited in the socket: not a silent client.
                    if (held) lastRx = Clock::now();
                }
            }
        }
        if (ended) break;
        if (m_state != State::LoggedIn &&
            now - start > std::chrono::milliseconds(opt.loginTimeoutMs)) {
            CloseWith(kErrLoginTimeout, "no login in time");
            break;
        }
        if (now - lastRx > std::chrono::milliseconds(opt.idleTimeoutMs)) {
            CloseWith(kErrIdleTimeout, "client silent");
            break;
        }
    }
    m_dev.SessionEnded(*this);
    CloseAfterFlush();
    m_readerDone = true;
}

bool Session::Handle(const Frame& f) {
    const MsgType t = f.header.type;
    if (SenderOf(t) == Sender::Server) {
        m_dev.Stats().malformed++;
        CloseWith(kErrUnexpected, std::string(ToString(t)) + " is not for a device");
        return false;
    }
    if (t == MsgType::Ping) {
        Ping p;
        if (Decode(f, p) != DecodeError::None) return false;
        Pong r;
        r.token = p.token;
        Reply(Encode(r, f.header.seq));
        return true;
    }
    if (t == MsgType::Pong) return true;
    if (t == MsgType::Error) return false;  // the client is leaving
    if (m_state != State::LoggedIn) return HandleLogin(f);
    return HandleRequest(f);
}

bool Session::HandleLogin(const Frame& f) {
    const MsgType want = m_state == State::AwaitHello ? MsgType::Hello : MsgType::Login;
    if (f.header.type != want) {
        m_dev.Stats().malformed++;
        CloseWith(kErrUnexpected, std::string("expected ") + ToString(want));
        return false;
    }
    if (m_state == State::AwaitHello) {
        Hello h;
        const DecodeError e = Decode(f, h);
        if (e != DecodeError::None) {
            m_dev.Stats().malformed++;
            CloseWith(kErrMalformed, ToString(e));
            return false;
        }
        if (h.versionMin > kVersion) {
            CloseWith(kErrVersion, "protocol version 1 only");
            return false;
        }
        if (!RandomBytes(m_challenge.data(), m_challenge.size())) {
            CloseWith(kErrShutdown, "no random source");
            return false;
        }
        m_clientNonce = h.nonce;
        Challenge c;
        c.challenge = m_challenge;
        Reply(Encode(c, f.header.seq));
        m_state = State::AwaitLogin;
        return true;
    }

    Login l;
    const DecodeError e = Decode(f, l);
    if (e != DecodeError::None) {
        m_dev.Stats().malformed++;
        CloseWith(kErrMalformed, ToString(e));
        return false;
    }
    const Faults faults = m_dev.GetFaults();
    if (faults.loginDelayMs > 0 && !SleepUnlessAborted(faults.loginDelayMs)) return false;
    LoginResult r;
    if (faults.refuseLogin) {
        m_dev.Stats().loginsRefused++;
        r.status = kLoginRefused;
        Reply(Encode(r, f.header.seq));
        return false;
    }
    const User* user = m_dev.FindUser(l.user);
    // Compute a proof even for an unknown user, so both failures look alike.
    const Proof expected =
        LoginProof(user ? user->password : std::string(), m_challenge, m_clientNonce, l.user);
    if (!user || !ProofEqual(expected, l.proof)) {
        m_dev.Stats().loginFailures++;
        r.status = kAuthFailed;
        Reply(Encode(r, f.header.seq));
        return false;
    }
    m_dev.Stats().logins++;
    r.status = kOk;
    r.deviceInfo = m_dev.MakeDeviceInfo();
    Reply(Encode(r, f.header.seq));
    m_state = State::LoggedIn;
    return true;
}

bool Session::HandleRequest(const Frame& f) {
    m_dev.Stats().requests++;
    const uint32_t seq = f.header.seq;
    auto bad = [&](DecodeError e) {
        m_dev.Stats().malformed++;
        CloseWith(kErrMalformed, std::string(ToString(f.header.type)) + ": " + ToString(e));
        return false;
    };
    auto result = [&](uint32_t status, uint32_t value = 0, int delayMs = 0) {
        Result r;
        r.request = f.header.type;
        r.status = status;
        r.value = value;
        Reply(Encode(r, seq), delayMs);
    };
    DecodeError e = DecodeError::None;
    switch (f.header.type) {
    case MsgType::PlayStart: {
        PlayStart p;
        if ((e = Decode(f, p)) != DecodeError::None) return bad(e);
        uint32_t id = 0;
        const uint32_t st = m_dev.StartPlay(*this, p.channel, p.format, id);
        result(st, id);
        return true;
    }
    case MsgType::PlayStop: {
        PlayStop p;
        if ((e = Decode(f, p)) != DecodeError::None) return bad(e);
        result(m_dev.StopPlay(*this, p.playId));
        return true;
    }
    case MsgType::AudioOpen: {
        AudioOpen a;
        if ((e = Decode(f, a)) != DecodeError::None) return bad(e);
        result(m_dev.SetAudio(*this, a.playId, true));
        return true;
    }
    case MsgType::AudioClose: {
        AudioClose a;
        if ((e = Decode(f, a)) != DecodeError::None) return bad(e);
        result(m_dev.SetAudio(*this, a.playId, false));
        return true;
    }
    case MsgType::Ptz: {
        Ptz p;
        if ((e = Decode(f, p)) != DecodeError::None) return bad(e);
        result(m_dev.Ptz(p));
        return true;
    }
    case MsgType::ConfigGet: {
        ConfigGet g;
        if ((e = Decode(f, g)) != DecodeError::None) return bad(e);
        ConfigData d = m_dev.ConfigGet(g);
        const Faults faults = m_dev.GetFaults();
        if (faults.configStallMs < 0) return true;  // the reply never comes
        if (faults.configShortBy > 0 && d.status == kOk) {
            const size_t cut = std::min(d.data.size(), static_cast<size_t>(faults.configShortBy));
            d.data.resize(d.data.size() - cut);
            d.totalSize = static_cast<uint32_t>(d.data.size());
        }
        Reply(Encode(d, seq), faults.configStallMs);
        return true;
    }
    case MsgType::ConfigSet: {
        ConfigSet s;
        if ((e = Decode(f, s)) != DecodeError::None) return bad(e);
        const uint32_t st = m_dev.ConfigSet(s);
        const Faults faults = m_dev.GetFaults();
        if (faults.configStallMs < 0) return true;
        result(st, 0, faults.configStallMs);
        return true;
    }
    default:
        m_dev.Stats().malformed++;
        CloseWith(kErrUnexpected, std::string(ToString(f.header.type)) + " after login");
        return false;
    }
}

}  // namespace zv::devsim
