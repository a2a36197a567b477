// devsim's request handling: a client's byte stream, cut into frames as the
// session's reader does and handed to the session's handler one by one. The
// bytes are random, or frames built from the input (with a login proof that
// is right or wrong on purpose), so the fuzzer gets past the login. Every
// reply must be a well-formed frame of a device's kind, answer its request's
// sequence number, and agree with a small model of the device: the plays
// the session owns and the configuration blocks as written.
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Auth.h"
#include "Device.h"
#include "FrameReader.h"
#include "FuzzCheck.h"
#include "Input.h"
#include "Session.h"

namespace zv::fuzz {
namespace {

using namespace proto;
using namespace devsim;
using Bytes = std::vector<uint8_t>;

const std::map<std::string, std::string> kUsers{{"admin", "admin"}, {"viewer", "s3cret"}};

bool KnownPtzCode(uint32_t code) { return code <= 9 || (code >= 0x20 && code <= 0x23); }

template <class M>
M DecodeOk(const Frame& f) {
    M m;
    FUZZ_CHECK(Decode(f, m) == DecodeError::None);
    return m;
}

class Harness {
public:
    Harness(Input& in) : m_in(in), m_dev(Options(in)) {
        m_session = std::make_shared<Session>(m_dev, net::Socket(), "fuzz", 1);
        ConfigGet g;
        g.command = kCfgChannel;
        g.channel = -1;
        g.maxLength = kMaxConfigBytes;
        m_channelBlock = m_dev.ConfigGet(g).data;
        g.command = kCfgDevice;
        m_deviceBlock = m_dev.ConfigGet(g).data;
        FUZZ_CHECK(m_channelBlock.size() == size_t{kChannelRecordSize} * m_dev.Channels());
        FUZZ_CHECK(m_deviceBlock.size() == kDeviceBlockSize);
    }

    ~Harness() {
        // As the reader does when the connection ends: the device forgets
        // the session's plays.
        m_dev.SessionEnded(*m_session);
        for (int ch = 0; ch < m_dev.Channels(); ++ch) FUZZ_CHECK(m_dev.Report(ch).plays == 0);
    }

    bool Alive() const { return m_alive; }

    // Bytes as they arrive on the connection.
    void Receive(const Bytes& bytes) {
        if (!m_alive || bytes.empty()) return;
        m_reader.Feed(bytes.data(), bytes.size());
        Frame f;
        for (;;) {
            const FrameReader::Status st = m_reader.Next(f);
            if (st == FrameReader::Status::NeedMore) return;
            if (st == FrameReader::Status::Error) {
                Trace("stream refused: %s", ToString(m_reader.Error()));
                m_alive = false;  // the reader closes with ERROR itself
                return;
            }
            Deliver(f);
            if (!m_alive) return;
        }
    }

    template <class M>
    void Send(const M& m, uint32_t seq) {
        Receive(Encode(m, seq));
    }

    Input& In() { return m_in; }
    const std::set<uint32_t>& Plays() const { return m_plays; }
    int Channels() const { return m_dev.Channels(); }
    bool HaveChallenge() const { return m_stage == Stage::Login; }
    const ChallengeBytes& LastChallenge() const { return m_challenge; }
    const Nonce& LastNonce() const { return m_nonce; }

    void SetFaults(const Faults& f) {
        m_faults = f;
        m_dev.SetFaults(f);
    }

    // The stream's side: a picture or a sound packet for one of the plays (or
    // any id) as the device's clock pushes it. Nothing is sent here, so the
    // queue only empties when a stop or a sound close purges it.
    void PushMedia(uint32_t id, bool video, size_t headSize, bool large) {
        if (!m_alive) return;
        static const Session::Body kSmall = std::make_shared<const Bytes>(1024, 0x33);
        static const Session::Body kLarge = std::make_shared<const Bytes>(size_t{10} << 20, 0x44);
        const Session::Body body = video ? (large ? kLarge : kSmall) : nullptr;
        const size_t size = headSize + (body ? body->size() : 0);
        Session::Push want = Session::Push::Queued;
        Media& m = m_media[id];
        if (!m_plays.count(id) || (!video && !m_audio.count(id))) {
            want = Session::Push::Gone;
        } else if ((video ? m.video >= Session::kMaxVideoPerPlay : m.audio >= Session::kMaxAudioPerPlay) ||
                   m_mediaBytes + size > Session::kMaxMediaBytes) {
            want = Session::Push::Dropped;
        } else {
            (video ? m.video : m.audio)++;
            (video ? m.videoBytes : m.audioBytes) += size;
            m_mediaBytes += size;
        }
        const Session::Push got = m_session->PushMedia(id, Bytes(headSize, 0x55), body);
        Trace("media for %u (%s, %zu bytes) -> %s", id, video ? "video" : "audio", size,
              got == Session::Push::Queued ? "queued" : got == Session::Push::Dropped ? "dropped" : "gone");
        FUZZ_CHECK(got == want);
    }

private:
    enum class Stage { Hello, Login, In };

    static DeviceOptions Options(Input& in) {
        DeviceOptions o;
        o.address = "127.0.0.9";
        o.port = 0;
        o.channels = in.Range(1, 5);
        o.maxPlaysPerSession = in.Range(1, 4);
        o.users.clear();
        for (const auto& [name, password] : kUsers) o.users.push_back({name, password});
        return o;
    }

    // Takes the replies to one frame and checks that each is a frame a
    // device may send, whole and alone.
    std::vector<Frame> Replies() {
        std::vector<Frame> out;
        for (const Bytes& bytes : m_session->TakeRepliesForTest()) {
            FrameReader r;
            r.Feed(bytes.data(), bytes.size());
            Frame f;
            FUZZ_CHECK(r.Next(f) == FrameReader::Status::Frame);
            FUZZ_CHECK(r.Buffered() == 0);
            FUZZ_CHECK(SenderOf(f.header.type) != Sender::Client && f.header.type != MsgType::Ping);
            out.push_back(std::move(f));
        }
        return out;
    }

    // The session's answer to f is its only reply, with f's sequence number.
    const Frame& OnlyReply(const std::vector<Frame>& replies, const Frame& f, MsgType type) {
        FUZZ_CHECK(replies.size() == 1);
        FUZZ_CHECK(replies[0].header.type == type && replies[0].header.seq == f.header.seq);
        return replies[0];
    }

    uint32_t ResultStatus(const std::vector<Frame>& replies, const Frame& f, uint32_t* value = nullptr) {
        const Result r = DecodeOk<Result>(OnlyReply(replies, f, MsgType::Result));
        FUZZ_CHECK(r.request == f.header.type);
        if (value) *value = r.value;
        return r.status;
    }

    void Deliver(const Frame& f) {
        const Stage stage = m_stage;
        const bool go = m_session->HandleForTest(f);
        const std::vector<Frame> replies = Replies();
        if (Tracing()) {
            std::string answer;
            for (const Frame& r : replies) answer += std::string(" ") + ToString(r.header.type);
            Trace("%s seq %u (%u bytes) ->%s%s", ToString(f.header.type), f.header.seq, f.header.length,
                  answer.c_str(), go ? "" : ", session ends");
        }
        // An ERROR ends the session: it comes last, and the handler says so.
        for (size_t i = 0; i < replies.size(); ++i) {
            if (replies[i].header.type != MsgType::Error) continue;
            DecodeOk<ErrorMsg>(replies[i]);
            FUZZ_CHECK(i + 1 == replies.size() && !go);
        }
        if (!go) m_alive = false;

        const MsgType t = f.header.type;
        if (SenderOf(t) == Sender::Server) {
            FUZZ_CHECK(!go && replies.size() == 1 && replies[0].header.type == MsgType::Error);
            return;
        }
        if (t == MsgType::Ping) {
            const Ping p = DecodeOk<Ping>(f);
            FUZZ_CHECK(go && DecodeOk<Pong>(OnlyReply(replies, f, MsgType::Pong)).token == p.token);
            return;
        }
        if (t == MsgType::Pong || t == MsgType::Error) {
            FUZZ_CHECK(go == (t == MsgType::Pong) && replies.empty());
            return;
        }
        if (stage != Stage::In) {
            OnLogin(f, stage, go, replies);
            return;
        }
        OnRequest(f, go, replies);
    }

    void OnLogin(const Frame& f, Stage stage, bool go, const std::vector<Frame>& replies) {
        const MsgType want = stage == Stage::Hello ? MsgType::Hello : MsgType::Login;
        Hello h;
        Login l;
        const bool decoded = f.header.type == want &&
                             (stage == Stage::Hello ? Decode(f, h) : Decode(f, l)) == DecodeError::None;
        if (!decoded || (stage == Stage::Hello && h.versionMin > kVersion)) {
            FUZZ_CHECK(!go && replies.size() == 1 && replies[0].header.type == MsgType::Error);
            return;
        }
        if (stage == Stage::Hello) {
            const Challenge c = DecodeOk<Challenge>(OnlyReply(replies, f, MsgType::Challenge));
            FUZZ_CHECK(go);
            m_challenge = c.challenge;
            m_nonce = h.nonce;
            m_stage = Stage::Login;
            return;
        }
        // The proof decides, then the device's mood.
        const auto user = kUsers.find(l.user);
        const bool proven = user != kUsers.end() &&
                            LoginProof(user->second, m_challenge, m_nonce, l.user) == l.proof;
        const uint32_t want_status = m_faults.refuseLogin ? kLoginRefused : proven ? kOk : kAuthFailed;
        const LoginResult r = DecodeOk<LoginResult>(OnlyReply(replies, f, MsgType::LoginResult));
        FUZZ_CHECK(r.status == want_status && go == (want_status == kOk));
        if (go) {
            FUZZ_CHECK(r.deviceInfo[16] == m_dev.Channels());
            m_stage = Stage::In;
        }
    }

    void OnRequest(const Frame& f, bool go, const std::vector<Frame>& replies) {
        switch (f.header.type) {
        case MsgType::PlayStart: {
            PlayStart p;
            if (!DecodedOrClosed(f, p, go, replies)) return;
            uint32_t id = 0;
            const uint32_t st = ResultStatus(replies, f, &id);
            const bool room = static_cast<int>(m_plays.size()) < m_dev.Options().maxPlaysPerSession;
            const bool known = p.channel < static_cast<uint32_t>(m_dev.Channels());
            FUZZ_CHECK(st == (!known ? kBadChannel : !room ? kLimit : kOk));
            if (st == kOk) {
                FUZZ_CHECK(id != 0 && m_plays.insert(id).second);
                m_playChannel[id] = static_cast<int>(p.channel);
                CheckPlaysOnDevice();
            }
            return;
        }
        case MsgType::PlayStop: {
            PlayStop p;
            if (!DecodedOrClosed(f, p, go, replies)) return;
            const bool mine = m_plays.erase(p.playId) == 1;
            FUZZ_CHECK(ResultStatus(replies, f) == (mine ? kOk : kBadPlay));
            if (mine) {
                // Nothing of the play follows the reply to its stop.
                m_audio.erase(p.playId);
                PurgeMedia(p.playId, true);
                CheckPlaysOnDevice();
            }
            return;
        }
        case MsgType::AudioOpen: {
            AudioOpen a;
            if (!DecodedOrClosed(f, a, go, replies)) return;
            const bool mine = m_plays.count(a.playId) != 0;
            FUZZ_CHECK(ResultStatus(replies, f) == (mine ? kOk : kBadPlay));
            if (mine) m_audio.insert(a.playId);
            return;
        }
        case MsgType::AudioClose: {
            AudioClose a;
            if (!DecodedOrClosed(f, a, go, replies)) return;
            const bool ok = a.playId == 0 || m_plays.count(a.playId);
            FUZZ_CHECK(ResultStatus(replies, f) == (ok ? kOk : kBadPlay));
            // 0 closes the sound of every play of the session.
            for (uint32_t id : m_plays) {
                if (a.playId != 0 && id != a.playId) continue;
                m_audio.erase(id);
                PurgeMedia(id, false);
            }
            return;
        }
        case MsgType::Ptz: {
            Ptz p;
            if (!DecodedOrClosed(f, p, go, replies)) return;
            const uint32_t st = ResultStatus(replies, f);
            if (p.channel >= static_cast<uint32_t>(m_dev.Channels()))
                FUZZ_CHECK(st == kBadChannel);
            else
                FUZZ_CHECK(st == (p.stop || KnownPtzCode(p.code) ? kOk : kBadCommand));
            return;
        }
        case MsgType::ConfigGet: {
            ConfigGet g;
            if (!DecodedOrClosed(f, g, go, replies)) return;
            if (m_faults.configStallMs < 0) {
                FUZZ_CHECK(replies.empty());
                return;
            }
            CheckConfigData(g, DecodeOk<ConfigData>(OnlyReply(replies, f, MsgType::ConfigData)));
            return;
        }
        case MsgType::ConfigSet: {
            ConfigSet s;
            if (!DecodedOrClosed(f, s, go, replies)) return;
            // The device applies it whether or not the reply is sent.
            const uint32_t want = ApplyConfigSet(s);
            if (m_faults.configStallMs < 0) {
                FUZZ_CHECK(replies.empty());
                return;
            }
            FUZZ_CHECK(ResultStatus(replies, f) == want);
            return;
        }
        default:
            // HELLO or LOGIN again: not after the login.
            FUZZ_CHECK(!go && replies.size() == 1 && replies[0].header.type == MsgType::Error);
            return;
        }
    }

    // A request that does not decode ends the session with an ERROR.
    template <class M>
    bool DecodedOrClosed(const Frame& f, M& m, bool go, const std::vector<Frame>& replies) {
        if (Decode(f, m) == DecodeError::None) {
            FUZZ_CHECK(go);
            return true;
        }
        FUZZ_CHECK(!go && replies.size() == 1 && replies[0].header.type == MsgType::Error);
        return false;
    }

    void CheckConfigData(const ConfigGet& g, const ConfigData& d) {
        FUZZ_CHECK(d.command == g.command && d.channel == g.channel);
        const Bytes* block = nullptr;
        size_t offset = 0, size = 0;
        const int channels = m_dev.Channels();
        if (g.command == kCfgDevice && (g.channel == 0 || g.channel == -1)) {
            block = &m_deviceBlock;
            size = block->size();
        } else if (g.command == kCfgChannel && g.channel >= -1 && g.channel < channels) {
            block = &m_channelBlock;
            offset = g.channel < 0 ? 0 : kChannelRecordSize * static_cast<size_t>(g.channel);
            size = g.channel < 0 ? block->size() : kChannelRecordSize;
        }
        if (!block) {
            const bool knownCommand = g.command == kCfgDevice || g.command == kCfgChannel;
            FUZZ_CHECK(d.status == (knownCommand ? kBadChannel : kBadCommand) && d.data.empty());
            return;
        }
        if (g.maxLength < size) {
            FUZZ_CHECK(d.status == kBufferTooSmall && d.data.empty() && d.totalSize == size);
            return;
        }
        FUZZ_CHECK(d.status == kOk);
        const size_t cut = std::min(size, static_cast<size_t>(m_faults.configShortBy));
        FUZZ_CHECK(d.data.size() == size - cut && d.totalSize == d.data.size());
        FUZZ_CHECK(std::equal(d.data.begin(), d.data.end(), block->begin() + offset));
    }

    uint32_t ApplyConfigSet(const ConfigSet& s) {
        if (s.command == kCfgDevice) return kReadOnly;
        if (s.command != kCfgChannel) return kBadCommand;
        if (s.channel == -1) {
            if (s.data.size() != m_channelBlock.size()) return kBadSize;
            m_channelBlock = s.data;
            return kOk;
        }
        if (s.channel < 0 || s.channel >= m_dev.Channels()) return kBadChannel;
        if (s.data.size() != kChannelRecordSize) return kBadSize;
        std::copy(s.data.begin(), s.data.end(),
                  m_channelBlock.begin() + kChannelRecordSize * static_cast<size_t>(s.channel));
        return kOk;
    }

    void CheckPlaysOnDevice() {
        std::map<int, int> perChannel;
        for (uint32_t id : m_plays) perChannel[m_playChannel[id]]++;
        for (int ch = 0; ch < m_dev.Channels(); ++ch) FUZZ_CHECK(m_dev.Report(ch).plays == perChannel[ch]);
    }

    Input& m_in;
    Device m_dev;
    std::shared_ptr<Session> m_session;
    FrameReader m_reader;
    bool m_alive = true;
    Stage m_stage = Stage::Hello;
    ChallengeBytes m_challenge{};
    Nonce m_nonce{};
    Faults m_faults;
    std::set<uint32_t> m_plays;
    std::set<uint32_t> m_audio;  // plays with sound on
    std::map<uint32_t, int> m_playChannel;
    // Media queued per play, as the session must count it.
    struct Media {
        int video = 0, audio = 0;
        size_t videoBytes = 0, audioBytes = 0;
    };
    std::map<uint32_t, Media> m_media;
    size_t m_mediaBytes = 0;

    void PurgeMedia(uint32_t id, bool video) {
        Media& m = m_media[id];
        m_mediaBytes -= m.audioBytes + (video ? m.videoBytes : 0);
        m.audio = 0;
        m.audioBytes = 0;
        if (video) m = Media{};
    }
    Bytes m_channelBlock, m_deviceBlock;
};

uint32_t Seq(Input& in) {
    return in.Range(0, 15) == 0 ? 0 : in.Range<uint32_t>(1, 1000);
}

int32_t ConfigChannel(Input& in, int channels) {
    return in.Bool() ? in.Range(-2, channels) : in.Int<int32_t>();
}

uint32_t PlayId(Harness& h) {
    Input& in = h.In();
    if (!h.Plays().empty() && in.Bool()) {
        auto it = h.Plays().begin();
        std::advance(it, in.Range<size_t>(0, h.Plays().size() - 1));
        return *it;
    }
    return in.Range<uint32_t>(0, 8);
}

void Step(Harness& h) {
    Input& in = h.In();
    switch (in.Range(0, 14)) {
    case 0: h.Receive(in.Bytes(in.Range(1, 64))); break;
    case 1: {
        Hello m;
        m.versionMin = in.Range<uint16_t>(0, 2);
        m.versionMax = in.Range<uint16_t>(0, 2);
        for (auto& b : m.nonce) b = in.Int<uint8_t>();
        h.Send(m, Seq(in));
        break;
    }
    case 2: {
        Login m;
        static const char* const kNames[] = {"admin", "viewer", "nobody", ""};
        m.user = in.Bool() ? in.Pick(kNames) : in.Text(40);
        const auto user = kUsers.find(m.user);
        const std::string password = user != kUsers.end() && in.Bool()
                                         ? user->second
                                         : in.Text(12);
        if (h.HaveChallenge())
            m.proof = LoginProof(password, h.LastChallenge(), h.LastNonce(), m.user);
        h.Send(m, Seq(in));
        break;
    }
    case 3: {
        PlayStart m;
        m.channel = in.Bool() ? in.Range<uint32_t>(0, 6) : in.Int<uint32_t>();
        m.format = static_cast<PixelFormat>(in.Range(0, 3));
        h.Send(m, Seq(in));
        break;
    }
    case 4: {
        PlayStop m;
        m.playId = PlayId(h);
        h.Send(m, Seq(in));
        break;
    }
    case 5: {
        AudioOpen m;
        m.playId = PlayId(h);
        h.Send(m, Seq(in));
        break;
    }
    case 6: {
        AudioClose m;
        m.playId = PlayId(h);
        h.Send(m, Seq(in));
        break;
    }
    case 7: {
        Ptz m;
        m.channel = in.Range<uint32_t>(0, 6);
        m.code = in.Bool() ? in.Range<uint32_t>(0, 0x24) : in.Int<uint32_t>();
        m.param1 = in.Int<uint8_t>();
        m.param2 = in.Int<uint8_t>();
        m.param3 = in.Int<uint8_t>();
        m.stop = in.Bool();
        h.Send(m, Seq(in));
        break;
    }
    case 8: {
        ConfigGet m;
        m.command = in.Range<uint32_t>(0, 4);
        m.channel = ConfigChannel(in, h.Channels());
        m.maxLength = in.Bool() ? kMaxConfigBytes : in.Range<uint32_t>(0, 2000);
        h.Send(m, Seq(in));
        break;
    }
    case 9: {
        ConfigSet m;
        m.command = in.Range<uint32_t>(0, 4);
        m.channel = ConfigChannel(in, h.Channels());
        size_t n;
        switch (in.Range(0, 2)) {
        case 0: n = kChannelRecordSize; break;
        case 1: n = kChannelRecordSize * static_cast<size_t>(h.Channels()); break;
        default: n = in.Range<size_t>(0, 1500); break;
        }
        m.data = in.Bytes(n);
        m.data.resize(n, 0x11);
        h.Send(m, Seq(in));
        break;
    }
    case 10: {
        Ping m;
        m.token = in.Int<uint64_t>();
        h.Send(m, Seq(in));
        break;
    }
    case 11: {
        // Frames a client has no business sending, and its goodbyes.
        switch (in.Range(0, 3)) {
        case 0: h.Send(Pong{}, Seq(in)); break;
        case 1: h.Send(Result{}, Seq(in)); break;
        case 2: h.Send(Challenge{}, Seq(in)); break;
        default: {
            ErrorMsg m;
            m.text = in.Text(20);
            h.Send(m, Seq(in));
        }
        }
        break;
    }
    case 12: {
        // A valid header of any type over a payload of the input's choosing.
        Bytes frame;
        const uint8_t type = in.Int<uint8_t>();
        const Bytes payload = in.Bytes(in.Range(0, 80));
        WriteHeader(frame, static_cast<MsgType>(type), Seq(in), static_cast<uint32_t>(payload.size()));
        frame.insert(frame.end(), payload.begin(), payload.end());
        h.Receive(frame);
        break;
    }
    case 13: {
        Faults f;
        f.refuseLogin = in.Range(0, 7) == 0;
        f.configStallMs = in.Range(-1, 2) * 5;
        f.configShortBy = in.Bool() ? 0 : in.Range(0, 400);
        h.SetFaults(f);
        break;
    }
    default: {
        const uint32_t id = PlayId(h);
        const bool video = in.Bool();
        const size_t head = in.Range<size_t>(16, 64);
        h.PushMedia(id, video, head, in.Bool());
        break;
    }
    }
}

}  // namespace
}  // namespace zv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zv::fuzz::Input in(data, size);
    zv::fuzz::Harness h(in);
    while (h.Alive() && in.Remaining() > 0) zv::fuzz::Step(h);
    return 0;
}
