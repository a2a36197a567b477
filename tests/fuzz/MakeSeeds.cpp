// Writes the committed seed corpora (tests/fuzz/corpus/<target>/): small
// inputs that each mean something, written as the calls their harness
// makes (see Input.h) or, for the codec, as frames from the real encoders.
//   fuzz_make_seeds DIR
// Change a harness's reads and the seeds here change with it; inputs from
// an older harness still run, they only mean something else.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "ColorBlock.h"
#include "Input.h"
#include "Messages.h"
#include "zentavo.h"

namespace zv::fuzz {
namespace {

using namespace proto;
using Bytes = std::vector<uint8_t>;

std::string g_dir;
int g_written = 0;

void Save(const std::string& target, const std::string& name, const Bytes& data) {
    const std::string path = g_dir + "/" + target + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(data.data(), 1, data.size(), f) != data.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    ++g_written;
}

// --- ptz ---------------------------------------------------------------------------
// Step numbers and reads as in PtzFuzzer.cpp.
namespace ptz {
void Target(SeedWriter& w, int32_t login, int32_t channel) {
    w.Range(0, 6, 0).Bool(true).Range(0, 3, login).Int<int32_t>(channel);
}
void Command(SeedWriter& w, uint32_t action, int32_t speed) {
    w.Range(0, 6, 1).Bool(true).Range<uint32_t>(0, 16, action).Bool(true).Range(-2, 70, speed);
}
// Index into the harness's button table: 0 the release, 1 up, ... 11 speed
// down, 12 speed up, 13 speed auto, 14 an auto button, 15 one without effect.
void Button(SeedWriter& w, size_t index) { w.Range(0, 6, 2).Range(0, 7, 1).Range<size_t>(0, 15, index); }
void Joystick(SeedWriter& w, int left, int top, int width, int dx, int dy) {
    w.Range(0, 6, 5);
    w.Range(0, 3, 1).Range(-5000, 5000, left);
    w.Range(0, 3, 1).Range(-5000, 5000, top);
    w.Bool(true).Range(-3, 300, width);
    w.Range(0, 3, 0).Range(-64, 64, 0);
    w.Bool(true).Range(-400, 400, width / 2 + dx);
    w.Bool(true).Range(-400, 400, width / 2 + dy);
}

void Write() {
    {
        SeedWriter w;
        w.Int<int32_t>(32);
        Target(w, 1, 3);
        for (uint32_t a = 0; a <= 15; ++a) Command(w, a, a % 2 ? 0 : 63);
        Command(w, PTZ_LEFT, -2);
        Save("ptz", "host-commands", w.Data());
    }
    {
        SeedWriter w;
        w.Int<int32_t>(7);
        Target(w, 2, 0);
        Button(w, 1);   // press up
        Button(w, 3);   // press left while busy: ignored
        Button(w, 0);   // release: stop
        Button(w, 12);  // speed up
        Button(w, 11);  // speed down
        Button(w, 13);  // auto speed
        w.Range(0, 6, 4);  // an auto button: busy only
        Button(w, 0);
        Target(w, 0, 0);   // no login: nothing goes out
        Button(w, 1);
        Save("ptz", "panel-buttons", w.Data());
    }
    {
        SeedWriter w;
        w.Int<int32_t>(255);
        Joystick(w, 100, 200, 52, 0, 0);     // the centre: stop
        Joystick(w, 100, 200, 52, -26, -26); // left-up
        Joystick(w, 100, 200, 52, 25, 0);    // right, on the centre line
        Joystick(w, 0, 0, 4, 200, 1);        // far out: capped
        Joystick(w, 0, 0, 1, 0, 0);          // too narrow
        Joystick(w, 5, 5, -3, 0, 0);         // inverted
        Save("ptz", "joystick", w.Data());
    }
    {
        // Coordinates across the whole int range (once an overflow).
        SeedWriter w;
        w.Int<int32_t>(32).Range(0, 6, 5);
        w.Range(0, 3, 3).Int<int>(-2147482385);
        w.Range(0, 3, 0).Range(-64, 64, 0);
        w.Bool(false).Range(0, 3, 3).Int<int>(2147482257);
        w.Range(0, 3, 0).Range(-64, 64, 0);
        w.Bool(false).Range(0, 3, 3).Int<int>(INT32_MIN);
        w.Bool(false).Range(0, 3, 3).Int<int>(INT32_MAX);
        Save("ptz", "joystick-int-range", w.Data());
    }
}
}  // namespace ptz

// --- color --------------------------------------------------------------------------
namespace color {
void Values(SeedWriter& w, int b, int c, int h, int s) { w.Int<int>(b).Int<int>(c).Int<int>(h).Int<int>(s); }

Bytes Records(int n) {
    Bytes b(static_cast<size_t>(n) * proto::kChannelRecordSize);
    for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(i * 7 + 3);
    return b;
}

// One configuration answer: whole and true, or as given.
void Answer(SeedWriter& w, const Bytes& block, int channelCount = -1) {
    w.Bool(true).Bool(true).Bytes(block);
    if (channelCount >= 0) w.Bool(true).Range<uint8_t>(0, 6, static_cast<uint8_t>(channelCount));
    w.Bool(true);
}

void Write() {
    {
        SeedWriter w;
        w.Bool(true).Range(0, 2, 1).Range<size_t>(0, 6, 4).Bytes(Records(4));
        w.Bool(true).Range(-2, 9, 2);
        Values(w, 200, 100, 0x1FF, -1);
        Save("color", "block-edit", w.Data());
    }
    {
        SeedWriter w;
        w.Bool(true).Range(0, 2, 0).Range<size_t>(0, 4 * proto::kChannelRecordSize + 2, 3 * proto::kChannelRecordSize - 1);
        w.Bytes(Bytes(3 * proto::kChannelRecordSize - 1, 0x55)).Bool(true).Range(-2, 9, 2);
        Values(w, 1, 2, 3, 4);
        Save("color", "block-one-byte-short", w.Data());
    }
    for (bool apply : {false, true}) {
        SeedWriter w;
        w.Bool(false).Int<int32_t>(101).Bool(true).Range(-2, 9, 1).Bool(apply);
        Values(w, 140, 120, 250, 90);
        Bytes device(proto::kDeviceBlockSize, 0x20);
        Answer(w, device, 4);
        Answer(w, Records(4));
        Save("color", apply ? "device-write" : "device-read", w.Data());
    }
    {
        // The device announces two channels and the panel is on the third.
        SeedWriter w;
        w.Bool(false).Int<int32_t>(101).Bool(true).Range(-2, 9, 2).Bool(true);
        Values(w, 1, 2, 3, 4);
        Answer(w, Bytes(proto::kDeviceBlockSize, 0), 2);
        Save("color", "device-channel-beyond", w.Data());
    }
    {
        // A records block one byte short of what the device block said.
        SeedWriter w;
        w.Bool(false).Int<int32_t>(7).Bool(true).Range(-2, 9, 0).Bool(true);
        Values(w, 1, 2, 3, 4);
        Answer(w, Bytes(proto::kDeviceBlockSize, 0), 1);
        w.Bool(true).Bool(false).Range<int32_t>(0, proto::kChannelRecordSize, proto::kChannelRecordSize - 1);
        w.Bytes(Records(1).data(), proto::kChannelRecordSize - 1).Bool(true);
        Save("color", "device-records-short", w.Data());
    }
}
}  // namespace color

// --- protocol -----------------------------------------------------------------------
namespace protocol {
// A stream check: mode 0, a chunking seed, the stream.
Bytes Stream(const std::vector<Bytes>& frames, uint32_t seed = 12345) {
    Bytes out{0, static_cast<uint8_t>(seed), static_cast<uint8_t>(seed >> 8),
              static_cast<uint8_t>(seed >> 16), static_cast<uint8_t>(seed >> 24)};
    for (const Bytes& f : frames) out.insert(out.end(), f.begin(), f.end());
    return out;
}

std::vector<std::pair<std::string, Bytes>> EveryMessage() {
    std::vector<std::pair<std::string, Bytes>> m;
    Hello hello;
    for (size_t i = 0; i < hello.nonce.size(); ++i) hello.nonce[i] = static_cast<uint8_t>(i);
    m.push_back({"hello", Encode(hello, 1)});
    Challenge challenge;
    challenge.challenge.fill(0xC3);
    m.push_back({"challenge", Encode(challenge, 1)});
    Login login;
    login.user = "admin";
    login.proof.fill(0x5A);
    m.push_back({"login", Encode(login, 2)});
    LoginResult result;
    result.deviceInfo[16] = 4;
    m.push_back({"login-result", Encode(result, 2)});
    PlayStart start;
    start.channel = 1;
    start.format = PixelFormat::Rgb565;
    m.push_back({"play-start", Encode(start, 3)});
    PlayStop stop;
    stop.playId = 1;
    m.push_back({"play-stop", Encode(stop, 4)});
    VideoFrame video;
    video.info = {1, 1, 7, 1700000000000000ull, 4, 2, PixelFormat::Rgb24};
    video.data.assign(4 * 2 * 3, 0x80);
    m.push_back({"video-frame", Encode(video, 0)});
    AudioOpen open;
    open.playId = 1;
    m.push_back({"audio-open", Encode(open, 5)});
    AudioClose close;
    m.push_back({"audio-close", Encode(close, 6)});
    AudioPacket audio;
    audio.playId = 1;
    audio.samples = {0, 1000, -1000, 32767, -32768};
    m.push_back({"audio-packet", Encode(audio, 0)});
    Ptz ptz;
    ptz.channel = 2;
    ptz.code = 0x21;
    ptz.param1 = 32;
    ptz.param2 = 4;
    m.push_back({"ptz", Encode(ptz, 7)});
    ConfigGet get;
    get.command = 3;
    get.channel = -1;
    get.maxLength = 1360;
    m.push_back({"config-get", Encode(get, 8)});
    ConfigData data;
    data.command = 1;
    data.totalSize = 212;
    data.data.assign(212, 0x01);
    m.push_back({"config-data", Encode(data, 8)});
    ConfigSet set;
    set.command = 3;
    set.channel = 0;
    set.data.assign(340, 0x02);
    m.push_back({"config-set", Encode(set, 9)});
    Ping ping;
    ping.token = 0xFEED;
    m.push_back({"ping", Encode(ping, 10)});
    Pong pong;
    pong.token = 0xFEED;
    m.push_back({"pong", Encode(pong, 10)});
    Result res;
    res.request = MsgType::ConfigSet;
    res.status = kBadSize;
    m.push_back({"result", Encode(res, 9)});
    ErrorMsg error;
    error.code = kErrIdleTimeout;
    error.text = "client silent";
    m.push_back({"error", Encode(error, 0)});
    return m;
}

void Write() {
    const auto messages = EveryMessage();
    std::vector<Bytes> all;
    for (const auto& [name, frame] : messages) {
        Save("protocol", "frame-" + name, Stream({frame}));
        // The payload alone, for the decoder without the header's bounds.
        Bytes payload{0xE0};
        SeedWriter w;
        FrameHeader h;
        ParseHeader(frame.data(), frame.size(), h);
        static constexpr MsgType kTypes[] = {
            MsgType::Hello, MsgType::Challenge, MsgType::Login, MsgType::LoginResult,
            MsgType::PlayStart, MsgType::PlayStop, MsgType::VideoFrame, MsgType::AudioOpen,
            MsgType::AudioClose, MsgType::AudioPacket, MsgType::Ptz, MsgType::ConfigGet,
            MsgType::ConfigData, MsgType::ConfigSet, MsgType::Ping, MsgType::Pong, MsgType::Result,
            MsgType::Error};
        w.Pick(kTypes, h.type).Int<uint32_t>(h.seq).Bytes(frame.data() + kHeaderSize, frame.size() - kHeaderSize);
        payload.insert(payload.end(), w.Data().begin(), w.Data().end());
        Save("protocol", "payload-" + name, payload);
        all.push_back(frame);
    }
    Save("protocol", "stream-every-message", Stream(all, 7));
    // A client's login handshake and first requests, as one stream.
    std::vector<Bytes> session;
    for (const char* name : {"hello", "login", "play-start", "ptz", "config-get", "ping", "play-stop"})
        for (const auto& [n, frame] : messages)
            if (n == name) session.push_back(frame);
    Save("protocol", "stream-login-and-requests", Stream(session, 99));
    // A stream that ends inside a frame, and one with a bad header after a good frame.
    Bytes cut = messages[0].second;
    cut.resize(cut.size() - 3);
    Save("protocol", "stream-cut-short", Stream({messages[14].second, cut}));
    Bytes bad = messages[14].second;
    bad[4] = 2;  // version
    Save("protocol", "stream-bad-version", Stream({messages[14].second, bad}));
    // A video head as the device builds it.
    SeedWriter w;
    w.Int<uint32_t>(3).Int<uint32_t>(1).Int<uint32_t>(9).Int<uint64_t>(1).Range<uint16_t>(0, 40, 8);
    w.Range<uint16_t>(0, 40, 6).Range<uint8_t>(0, 3, 2);
    Bytes head{0xF8};
    head.insert(head.end(), w.Data().begin(), w.Data().end());
    Save("protocol", "video-head", head);
}
}  // namespace protocol

// --- devsim --------------------------------------------------------------------------
// Step numbers and reads as in DevsimFuzzer.cpp.
namespace devsim {
void Seq(SeedWriter& w, uint32_t seq) { w.Range(0, 15, 1).Range<uint32_t>(1, 1000, seq); }
void Hello(SeedWriter& w, uint32_t seq) {
    w.Range(0, 14, 1).Range<uint16_t>(0, 2, 1).Range<uint16_t>(0, 2, 1);
    for (int i = 0; i < 16; ++i) w.Int<uint8_t>(static_cast<uint8_t>(i * 11));
    Seq(w, seq);
}
// User index: 0 admin, 1 viewer, 2 nobody, 3 empty.
void Login(SeedWriter& w, size_t user, bool rightPassword, uint32_t seq) {
    w.Range(0, 14, 2).Bool(true).Range<size_t>(0, 3, user);
    if (user <= 1) w.Bool(rightPassword);
    if (user > 1 || !rightPassword) w.Text(12, "wrong");
    Seq(w, seq);
}
void PlayStart(SeedWriter& w, uint32_t channel, int format, uint32_t seq) {
    w.Range(0, 14, 3).Bool(true).Range<uint32_t>(0, 6, channel).Range(0, 3, format);
    Seq(w, seq);
}
// The session's first play (the only one when this is used).
void OnFirstPlay(SeedWriter& w, int step, uint32_t seq) {
    w.Range(0, 14, step).Bool(true);
    Seq(w, seq);
}
void Ptz(SeedWriter& w, uint32_t channel, uint32_t code, uint8_t speed, bool stop, uint32_t seq) {
    w.Range(0, 14, 7).Range<uint32_t>(0, 6, channel).Bool(true).Range<uint32_t>(0, 0x24, code);
    w.Int<uint8_t>(speed).Int<uint8_t>(4).Int<uint8_t>(0).Bool(stop);
    Seq(w, seq);
}
void ConfigGet(SeedWriter& w, uint32_t command, int32_t channel, int channels, uint32_t max, uint32_t seq) {
    w.Range(0, 14, 8).Range<uint32_t>(0, 4, command).Bool(true).Range(-2, channels, channel);
    if (max == kMaxConfigBytes) w.Bool(true);
    else w.Bool(false).Range<uint32_t>(0, 2000, max);
    Seq(w, seq);
}
void ConfigSetRecord(SeedWriter& w, int32_t channel, int channels, uint8_t fill, uint32_t seq) {
    w.Range(0, 14, 9).Range<uint32_t>(0, 4, 3).Bool(true).Range(-2, channels, channel).Range(0, 2, 0);
    w.Bytes(Bytes(proto::kChannelRecordSize, fill));
    Seq(w, seq);
}
void Ping(SeedWriter& w, uint64_t token, uint32_t seq) {
    w.Range(0, 14, 10).Int<uint64_t>(token);
    Seq(w, seq);
}
// Media for the session's only play (or, without one, for play `other`).
void Media(SeedWriter& w, bool havePlay, bool video, bool large, uint32_t other = 7) {
    w.Range(0, 14, 14);
    if (havePlay) w.Bool(true);
    else w.Range<uint32_t>(0, 8, other);
    w.Bool(video).Range<size_t>(16, 64, 40).Bool(large);
}
void Raw(SeedWriter& w, const Bytes& bytes) {
    w.Range(0, 14, 0).Range(1, 64, static_cast<int>(bytes.size())).Bytes(bytes);
}
}  // namespace devsim

namespace devsim {
void Options(SeedWriter& w, int channels, int maxPlays) { w.Range(1, 5, channels).Range(1, 4, maxPlays); }
void LoggedIn(SeedWriter& w, int channels = 4, int maxPlays = 4) {
    Options(w, channels, maxPlays);
    Hello(w, 1);
    Login(w, 0, true, 2);
}
void Faults(SeedWriter& w, bool refuse, int stallSteps, int shortBy) {
    w.Range(0, 14, 13).Range(0, 7, refuse ? 0 : 1).Range(-1, 2, stallSteps);
    if (shortBy == 0) w.Bool(true);
    else w.Bool(false).Range(0, 400, shortBy);
}

void Write() {
    for (auto [name, user, right] : {std::tuple<const char*, size_t, bool>{"login", 0, true},
                                     {"login-viewer", 1, true},
                                     {"login-wrong-password", 0, false},
                                     {"login-unknown-user", 2, false}}) {
        SeedWriter w;
        Options(w, 4, 4);
        Hello(w, 1);
        Login(w, user, right, 2);
        Ping(w, 42, 3);
        Save("devsim", name, w.Data());
    }
    {
        SeedWriter w;
        LoggedIn(w);
        PlayStart(w, 0, 1, 3);
        Ptz(w, 0, 0x21, 32, false, 4);
        Ptz(w, 0, 0, 0, true, 5);
        Ptz(w, 5, 2, 0, false, 6);  // no such channel
        ConfigGet(w, 3, -1, 4, kMaxConfigBytes, 7);
        ConfigSetRecord(w, 1, 4, 0x77, 8);
        ConfigGet(w, 3, 1, 4, 340, 9);
        ConfigGet(w, 1, 0, 4, 100, 10);  // buffer too small
        OnFirstPlay(w, 5, 11);           // audio open
        OnFirstPlay(w, 6, 12);           // audio close
        OnFirstPlay(w, 4, 13);           // play stop
        w.Range(0, 14, 4).Range<uint32_t>(0, 8, 1);  // the same play again: gone
        Seq(w, 14);
        Ping(w, 0xFEED, 15);
        Save("devsim", "requests", w.Data());
    }
    {
        // The media queue: per-play caps, the byte cap, purges at a stop and
        // a sound close.
        SeedWriter w;
        LoggedIn(w);
        PlayStart(w, 0, 1, 3);
        OnFirstPlay(w, 5, 4);  // sound on
        for (int i = 0; i < 5; ++i) Media(w, true, true, false);  // the fifth is dropped
        Media(w, true, false, false);
        Media(w, true, false, false);
        OnFirstPlay(w, 6, 5);  // sound off: its packets go
        Media(w, true, false, false);  // gone
        OnFirstPlay(w, 4, 6);  // stop: everything of the play goes
        Media(w, false, true, false, 1);  // gone
        PlayStart(w, 1, 2, 7);
        for (int i = 0; i < 4; ++i) Media(w, true, true, true);  // 10 MB each: the fourth is over
        Save("devsim", "media-queue", w.Data());
    }
    {
        SeedWriter w;
        LoggedIn(w, 2, 2);
        for (uint32_t i = 0; i < 3; ++i) PlayStart(w, i % 2, 0, 3 + i);  // the third is over the limit
        Save("devsim", "play-limit", w.Data());
    }
    {
        SeedWriter w;
        Options(w, 4, 4);
        PlayStart(w, 0, 0, 1);  // before any login
        Save("devsim", "request-before-login", w.Data());
    }
    {
        SeedWriter w;
        LoggedIn(w);
        Faults(w, false, 1, 100);
        ConfigGet(w, 3, -1, 4, kMaxConfigBytes, 3);
        Faults(w, false, -1, 0);
        ConfigSetRecord(w, 0, 4, 0x10, 4);
        ConfigGet(w, 3, 0, 4, kMaxConfigBytes, 5);
        Save("devsim", "config-faults", w.Data());
    }
    {
        SeedWriter w;
        Options(w, 4, 4);
        Faults(w, true, 0, 0);
        Hello(w, 1);
        Login(w, 0, true, 2);
        Save("devsim", "login-refused", w.Data());
    }
    {
        // The stream in pieces that cut through frames.
        proto::Hello hello;
        const Bytes h = Encode(hello, 1);
        proto::Ping ping;
        const Bytes p = Encode(ping, 2);
        SeedWriter w;
        Options(w, 4, 4);
        Raw(w, Bytes(h.begin(), h.begin() + 10));
        Bytes rest(h.begin() + 10, h.end());
        rest.insert(rest.end(), p.begin(), p.begin() + 5);
        Raw(w, rest);
        Raw(w, Bytes(p.begin() + 5, p.end()));
        Save("devsim", "raw-chunks", w.Data());
    }
}
}  // namespace devsim

// --- session -----------------------------------------------------------------------
// Step numbers and reads as in SessionFuzzer.cpp, including the library's
// draws inside each call.
namespace session {
// Address index: 0 "10.0.0.1", 1 "10.0.0.2", 2 "127.0.0.32", 3 "", 4 no NUL.
// User index: 0 "admin", 1 "guest", 2 no NUL.
void Camera(SeedWriter& w, int address, int user, int channel, int window) {
    w.Range(0, 9, 1);
    w.Range<int>(0, 5, address);
    if (address == 4) w.Range(0, 3, 0);
    w.Range<int>(0, 3, user);
    if (user == 2) w.Range(0, 3, 1);
    w.Range<int>(0, 3, 0);  // password "pw"
    w.Bool(true).Range(0, 3, channel);
    w.Bool(true).Range(1, 2, window);
    w.Int<int32_t>(0).Int<int32_t>(0).Range(-1, 2, 0).Int<int32_t>(0);
}
void Step(SeedWriter& w, int camera, int step) { w.Range(0, 3, camera).Range(0, 17, step); }
// The library's draws: a call that succeeds (or fails), and no notice.
void Ok(SeedWriter& w, int odds, bool ok = true) { w.Range(0, odds, ok ? 1 : 0); }
void Quiet(SeedWriter& w) { w.Range(0, 5, 1); }
void Login(SeedWriter& w, bool ok = true) {
    Quiet(w);
    Ok(w, 7, ok);
}
void Play(SeedWriter& w, bool ok = true) {
    Ok(w, 7, ok);
    Quiet(w);
}
void Ints(SeedWriter& w, std::initializer_list<int> v) {
    for (int i : v) w.Int<int>(i);
}
// A whole configuration answer; the device block says how many channels.
void Config(SeedWriter& w, int channelCount = -1) {
    Ok(w, 3);
    if (channelCount >= 0) w.Range<uint8_t>(0, 5, static_cast<uint8_t>(channelCount));
    Quiet(w);
    Ok(w, 5);
}
// A notice for the index-th login the library knows (of `known`):
// mode 0 without an address, 1 random text, 2 no NUL, 3 its own address.
void Notice(SeedWriter& w, size_t index, size_t known, int mode) {
    w.Range(0, 4, 1).Range<size_t>(0, known - 1, index).Range(0, 4, mode);
}

void Write() {
    {
        SeedWriter w;
        Camera(w, 0, 0, 0, 1);
        Camera(w, 0, 0, 1, 1);
        Camera(w, 1, 1, 2, 2);
        Camera(w, 4, 0, 0, 1);
        Step(w, 0, 0);  // start: init, login, play
        Ok(w, 9);
        Login(w);
        Play(w);
        Step(w, 1, 0);  // the same login
        Play(w);
        Step(w, 2, 0);
        Login(w);
        Play(w);
        Step(w, 3, 0);  // an address without a NUL
        Login(w);
        Play(w);
        Step(w, 0, 4);  // connect state
        Step(w, 0, 3);  // sound on
        w.Range(-1, 2, 1);
        Ok(w, 5);
        Quiet(w);
        Step(w, 0, 5);  // dome panel, shown at (10, 20)
        w.Range(0, 15, 0);
        Ints(w, {1, 10, 20});
        Step(w, 0, 8);  // the host's PTZ_LEFT
        w.Bool(true).Range(-1, 16, 1);
        Ok(w, 5);
        Step(w, 0, 10);  // the panel's up button, held
        w.Range<size_t>(0, 5, 1);
        Ok(w, 5);
        Step(w, 2, 9);  // colour panel: it reads the device
        w.Range(0, 15, 0);
        Ints(w, {1, 30, 40});
        Config(w, 4);
        Config(w);
        Step(w, 0, 10);  // the button's release, and a slider's write
        w.Range<size_t>(0, 5, 0);
        Ok(w, 5);
        Ints(w, {150, 120, 255, 100});
        Config(w, 4);
        Config(w);
        Step(w, 0, 13);  // the second login is lost
        Notice(w, 1, 3, 3);
        Step(w, 1, 2);  // stop
        Play(w);
        Step(w, 0, 11);  // the first login is lost, told from another thread
        Notice(w, 0, 3, 0);
        Step(w, 0, 12);
        Step(w, 3, 4);
        Step(w, 0, 15);  // teardown
        w.Range(0, 15, 0);
        Play(w);
        Step(w, 0, 0);  // and a fresh start after it
        Ok(w, 9);
        Login(w);
        Play(w);
        Save("session", "typical-calls", w.Data());
    }
    {
        SeedWriter w;
        Camera(w, 0, 0, 0, 1);
        w.Range(0, 9, 0);  // any bytes at all
        w.Bytes(Bytes(sizeof(CAMERA_INFO), 'A'));
        Camera(w, 2, 2, 3, 2);
        Camera(w, 3, 0, 0, 1);
        Step(w, 0, 0);
        Ok(w, 9, false);  // the library does not start
        Step(w, 0, 0);
        Ok(w, 9);
        Login(w, false);
        Step(w, 0, 0);
        Login(w);
        Play(w, false);
        for (int odds : {1, 2, 3}) {  // cannot be made, throws, no window
            Step(w, 0, 5);
            w.Range(0, 15, odds);
            Ints(w, {1, 0, 0});
        }
        Step(w, 0, 6);  // init keeps the one without a window
        w.Range(0, 15, 0).Int<uint32_t>(9);
        Step(w, 0, 7);
        w.Range(0, 15, 0).Bool(true);
        Step(w, 0, 5);  // one whose window throws when destroyed
        w.Range(0, 15, 4);
        Ints(w, {1, -1, -1});
        Step(w, 0, 5);
        w.Range(0, 15, 0);
        Ints(w, {0x100, 0, 0});
        Step(w, 1, 0);  // inside the start, a notice with no NUL in its address
        Login(w);
        Ok(w, 7);
        w.Range(0, 5, 5);
        Notice(w, 1, 2, 2);
        Step(w, 2, 9);  // hidden colour panel: reads, and goes
        w.Range(0, 15, 0);
        Ints(w, {0, 5, 5});
        Login(w);
        Config(w, 2);
        Step(w, 0, 17);  // the manager's end and a new one
        Save("session", "failures", w.Data());
    }
}
}  // namespace session

}  // namespace
}  // namespace zv::fuzz

namespace zv::fuzz {
namespace {

// --- web ---------------------------------------------------------------------------
// Reads as in WebFuzzer.cpp: the part (parser, XML, handler), then its own.
namespace web {

void Stream(const std::string& name, bool rtsp, std::initializer_list<size_t> chunks, const std::string& text) {
    SeedWriter w;
    w.Range(0, 2, 0).Bool(rtsp).Range(0, 8, static_cast<int>(chunks.size()));
    for (size_t c : chunks) w.Range<size_t>(1, 300, c);
    w.Bytes(text.data(), text.size());
    Save("web", name, w.Data());
}

// One signed request: indices into WebFuzzer.cpp's tables.
void Soap(const std::string& name, size_t path, size_t op, std::initializer_list<size_t> fragments, size_t ns) {
    SeedWriter w;
    w.Range(0, 2, 2).Range(1, 6, 1);
    w.Range<size_t>(0, 3, 0).Range<size_t>(0, 6, path).Range<size_t>(0, 2, 0).Bool(false);
    w.Range<size_t>(0, 23, op).Range(0, 3, static_cast<int>(fragments.size()));
    for (size_t f : fragments) w.Range<size_t>(0, 12, f);
    const uint8_t nonce[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    w.Bool(true).Range<size_t>(0, 24, 16).Bytes(nonce, 16).Bool(true).Bool(true);
    w.Range<size_t>(0, 4, ns);
    Save("web", name, w.Data());
}

void Write() {
    Stream("http-requests", false, {7, 50},
           "POST /onvif/device_service HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello"
           "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n");
    Stream("rtsp-requests", true, {13},
           std::string("OPTIONS rtsp://127.0.0.9/ch0 RTSP/1.0\r\nCSeq: 1\r\n\r\n$\x00\x00\x04", 54) +
               "abcdGET_PARAMETER rtsp://x RTSP/1.0\r\nCSeq: 2\r\n\r\n");
    SeedWriter xml;
    const std::string doc = "<?xml version=\"1.0\"?><a xmlns:b=\"urn:b\"><b:c d='1'>&amp;<![CDATA[x]]></b:c></a>";
    xml.Range(0, 2, 1).Bytes(doc.data(), doc.size());
    Save("web", "xml", xml.Data());
    Soap("get-profiles", 1, 5, {}, 1);
    Soap("continuous-move", 2, 15, {1, 3, 4}, 2);
    Soap("set-imaging", 3, 18, {2, 6}, 3);
}

}  // namespace web

// --- client ------------------------------------------------------------------------
// Reads as in ClientFuzzer.cpp: the part, then its own.
namespace client {

void Stream(const std::string& name, bool rtsp, bool close, std::initializer_list<size_t> chunks,
            const std::string& text) {
    SeedWriter w;
    w.Range(0, 4, 0).Bool(rtsp).Bool(close).Range(0, 8, static_cast<int>(chunks.size()));
    for (size_t c : chunks) w.Range<size_t>(1, 300, c);
    w.Bytes(text.data(), text.size());
    Save("client", name, w.Data());
}

void Write() {
    Stream("http-responses", false, true, {9, 40},
           "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello"
           "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"r\", nonce=\"n\"\r\n"
           "Transfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\nHTTP/1.0 200 OK\r\n\r\nto the close");
    Stream("rtsp-responses", true, false, {13},
           "RTSP/1.0 200 OK\r\nCSeq: 3\r\nSession: 1A;timeout=60\r\n\r\n" + std::string("$\x00\x00\x04\x80\x1a\x00\x01", 8) +
               "RTSP/1.0 401 Unauthorized\r\nCSeq: 4\r\nContent-Length: 2\r\n\r\nno");
    SeedWriter soap;
    const std::string reply =
        "<?xml version=\"1.0\"?><env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\" "
        "xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\" xmlns:tt=\"http://www.onvif.org/ver10/schema\"><env:Body>"
        "<trt:GetProfilesResponse><trt:Profiles token=\"profile_1\" fixed=\"true\"><tt:Name>CH1</tt:Name>"
        "<tt:VideoSourceConfiguration token=\"v\"><tt:SourceToken>video_source_1</tt:SourceToken></tt:VideoSourceConfiguration>"
        "<tt:VideoEncoderConfiguration token=\"e\"><tt:Encoding>JPEG</tt:Encoding><tt:Resolution><tt:Width>352</tt:Width>"
        "<tt:Height>288</tt:Height></tt:Resolution></tt:VideoEncoderConfiguration><tt:PTZConfiguration token=\"p\">"
        "<tt:NodeToken>ptz_node_1</tt:NodeToken></tt:PTZConfiguration></trt:Profiles></trt:GetProfilesResponse>"
        "</env:Body></env:Envelope>";
    soap.Range(0, 4, 1).Bytes(reply.data(), reply.size());
    Save("client", "get-profiles", soap.Data());
    SeedWriter fault;
    const std::string f =
        "<env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\"><env:Body><env:Fault><env:Code>"
        "<env:Value>env:Sender</env:Value><env:Subcode><env:Value>ter:NotAuthorized</env:Value></env:Subcode>"
        "</env:Code><env:Reason><env:Text>no</env:Text></env:Reason></env:Fault></env:Body></env:Envelope>";
    fault.Range(0, 4, 1).Bytes(f.data(), f.size());
    Save("client", "fault", fault.Data());
    SeedWriter auth;
    auth.Range(0, 4, 2).Range(1, 3, 2);
    auth.Text(400, "Digest realm=\"devsim\", qop=\"auth\", nonce=\"abc\", opaque=\"o\", algorithm=MD5");
    auth.Text(400, "Basic realm=\"x\", Digest realm=\"y\", nonce=\"n\", algorithm=SHA-256, stale=true");
    auth.Text(20, "admin").Text(20, "admin");
    Save("client", "challenges", auth.Data());
    SeedWriter sdp;
    sdp.Range(0, 4, 3).Text(3000, "v=0\r\no=- 1 1 IN IP4 1.2.3.4\r\ns=x\r\na=control:*\r\nm=video 0 RTP/AVP 96\r\n"
                                  "a=rtpmap:96 H264/90000\r\na=fmtp:96 packetization-mode=1;sprop-parameter-sets=Z0IAHpWoLQSZ,aM48gA==\r\n"
                                  "a=control:trackID=0\r\n");
    Save("client", "sdp", sdp.Data());
    SeedWriter url;
    url.Range(0, 4, 3).Text(3000, "rtsp://admin:pa%40ss@[fe80::1]:8554/ch1?x=y#f");
    Save("client", "url", url.Data());
    SeedWriter session;
    session.Range(0, 4, 4).Text(300, "9A3F;timeout=5000000").Int<uint32_t>(0xFFFFFFFFu);
    Save("client", "session-header", session.Data());
}

}  // namespace client

// --- rtp ---------------------------------------------------------------------------
// Reads as in RtpFuzzer.cpp.
namespace rtp {

void Packet(SeedWriter& w, bool marker, const std::vector<uint8_t>& payload) {
    w.Range<uint8_t>(0, 7, 4).Bool(marker).Range<size_t>(0, 1500, payload.size()).Bytes(payload);
}

void Write() {
    {
        // A 16 x 16 picture in two fragments, tables from Q 50, then one with
        // restart markers and tables in band.
        SeedWriter w;
        w.Bool(false).Bool(true).Int<uint16_t>(65534).Int<uint32_t>(1000).Range(1, 64, 3);
        std::vector<uint8_t> a = {0, 0, 0, 0, 1, 50, 2, 2};
        for (int i = 0; i < 20; ++i) a.push_back(static_cast<uint8_t>(i * 13));
        std::vector<uint8_t> b = {0, 0, 0, 20, 1, 50, 2, 2, 0xFF, 0x00, 0x12, 0xFF, 0xD9};
        Packet(w, false, a);
        Packet(w, true, b);
        std::vector<uint8_t> c = {0, 0, 0, 0, 65, 255, 2, 2, 0, 1, 0xFF, 0xFF, 0, 0, 0, 128};
        for (int i = 0; i < 128; ++i) c.push_back(static_cast<uint8_t>(1 + i % 40));
        for (int i = 0; i < 30; ++i) c.push_back(static_cast<uint8_t>(i));
        Packet(w, true, c);
        Save("rtp", "jpeg-frames", w.Data());
    }
    {
        // STAP-A with parameter sets, an IDR in three FU-A fragments, a single slice.
        SeedWriter w;
        w.Bool(true).Bool(true).Bool(true).Text(64, "Z0IAHpWoLQSZ,aM48gA==").Int<uint16_t>(7).Int<uint32_t>(90000);
        w.Range(1, 64, 5);
        Packet(w, false, {24, 0, 3, 0x67, 0x42, 0x00, 0, 2, 0x68, 0xce});
        Packet(w, false, {0x7c, 0x85, 1, 2, 3, 4});
        Packet(w, false, {0x7c, 0x05, 5, 6, 7, 8});
        Packet(w, true, {0x7c, 0x45, 9, 10});
        Packet(w, true, {0x41, 0x9a, 1, 2, 3});
        w.Bool(true).Range(0, 80, 5).Bool(true).Range(0, 80, 3).Range(-64, 64, 0);  // a 5 x 3 picture
        Save("rtp", "h264-units", w.Data());
    }
}

}  // namespace rtp

}  // namespace
}  // namespace zv::fuzz

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR (writes DIR/<target>/<seed>)\n", argv[0]);
        return 2;
    }
    zv::fuzz::g_dir = argv[1];
    zv::fuzz::ptz::Write();
    zv::fuzz::color::Write();
    zv::fuzz::protocol::Write();
    zv::fuzz::devsim::Write();
    zv::fuzz::session::Write();
    zv::fuzz::web::Write();
    zv::fuzz::client::Write();
    zv::fuzz::rtp::Write();
    std::printf("%d seeds written under %s\n", zv::fuzz::g_written, argv[1]);
    return 0;
}
