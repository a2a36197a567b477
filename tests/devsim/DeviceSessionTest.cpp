// Real loopback sessions against an in-process simulator: login by
// challenge-response, live frames, PTZ, configuration and audio.
#include <algorithm>
#include <chrono>
#include <thread>

#include "Auth.h"
#include "SimFixture.h"

using namespace zv::proto;
using namespace zv::test;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

namespace {

bool Contains(const std::vector<uint8_t>& hay, const std::string& needle) {
    return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

uint64_t NowMicros() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count());
}

// The first frame numbered from `frameNo` on: the device took its view (and
// colour) after the state that gave the number. Frames already in flight
// still show the old state, and a frame's timestamp is its send time, not
// its render time, so only the number tells.
bool FrameFrom(TestClient& c, uint32_t frameNo, VideoFrame& v) {
    const auto deadline = Clock::now() + milliseconds(3000);
    while (Clock::now() < deadline)
        if (c.NextVideo(v, 1000) && v.info.frameNo >= frameNo) return true;
    return false;
}

}  // namespace

class DeviceSession : public SimFixture {
protected:
    uint32_t NextFrameNo(const char* dev, int ch) {
        return static_cast<uint32_t>(std::stoul(State(dev, ch).at("frames")));
    }
};

TEST_F(DeviceSession, LoginProvesThePasswordWithoutSendingIt) {
    TestClient c;
    ASSERT_TRUE(c.Connect(kDevA, PortOf(kDevA)));
    DeviceInfo info{};
    ASSERT_EQ(c.Login("viewer", "s3cret-pass", &info), kOk);
    EXPECT_EQ(info[16], kChannels);
    EXPECT_FALSE(Contains(c.Sent(), "s3cret-pass"));
    EXPECT_TRUE(Contains(c.Sent(), "viewer"));
    Ping p;
    p.token = 0xFEEDu;
    Pong pong;
    ASSERT_TRUE(c.Call(p, pong));
    EXPECT_EQ(pong.token, 0xFEEDu);
    EXPECT_EQ(Counter(kDevA, "logins"), 1);
}

TEST_F(DeviceSession, WrongPasswordUnknownUserAndReplayedProofAreRefused) {
    for (auto [user, pass] : {std::pair<const char*, const char*>{"admin", "Admin"},
                              {"nobody", "admin"},
                              {"viewer", ""}}) {
        TestClient c;
        ASSERT_TRUE(c.Connect(kDevA, PortOf(kDevA)));
        EXPECT_EQ(c.Login(user, pass), kAuthFailed) << user;
        EXPECT_TRUE(c.WaitClosed(2000)) << "a failed login ends the connection";
    }
    EXPECT_EQ(Counter(kDevA, "login_failures"), 3);

    // A proof captured from one session is worthless for the next: each
    // connection gets a fresh challenge.
    TestClient first;
    ASSERT_TRUE(first.Connect(kDevA, PortOf(kDevA)));
    Hello h;
    Challenge c1;
    ASSERT_TRUE(first.Call(h, c1));
    Login captured;
    captured.user = "admin";
    captured.proof = LoginProof("admin", c1.challenge, h.nonce, "admin");
    LoginResult ok;
    ASSERT_TRUE(first.Call(captured, ok));
    ASSERT_EQ(ok.status, kOk);

    TestClient replay;
    ASSERT_TRUE(replay.Connect(kDevA, PortOf(kDevA)));
    Challenge c2;
    ASSERT_TRUE(replay.Call(h, c2));
    EXPECT_NE(c1.challenge, c2.challenge);
    LoginResult refused;
    ASSERT_TRUE(replay.Call(captured, refused));
    EXPECT_EQ(refused.status, kAuthFailed);
}

TEST_F(DeviceSession, RequestsBeforeLoginEndTheSession) {
    auto c = Client(kDevA, false);
    PlayStart p;
    c->Send(p);
    EXPECT_TRUE(c->WaitClosed(2000));
    ASSERT_NE(c->LastError(), nullptr);
    EXPECT_EQ(c->LastError()->code, kErrUnexpected);
}

TEST_F(DeviceSession, LivePlayDeliversFramesWithAChangingOverlay) {
    auto c = Client();
    const uint32_t id = StartPlay(*c, 1);
    ASSERT_NE(id, 0u);
    VideoFrame first, v;
    ASSERT_TRUE(c->NextVideo(first, 2000));
    EXPECT_EQ(first.info.playId, id);
    EXPECT_EQ(first.info.channel, 1u);
    EXPECT_EQ(first.info.width, 352);
    EXPECT_EQ(first.info.height, 288);
    EXPECT_EQ(first.data.size(), 352u * 288 * 3);
    const auto t0 = Clock::now();
    int frames = 0;
    uint32_t lastNo = first.info.frameNo;
    while (frames < 10 && c->NextVideo(v, 2000)) {
        EXPECT_GT(v.info.frameNo, lastNo);
        lastNo = v.info.frameNo;
        ++frames;
    }
    const double secs = std::chrono::duration<double>(Clock::now() - t0).count();
    ASSERT_EQ(frames, 10);
    EXPECT_GT(secs, 0.25) << "faster than 25 frames a second";
    EXPECT_LT(secs, 1.5) << "far slower than 25 frames a second";
    // The scene is still; the overlay's frame number and clock are not.
    EXPECT_GT(DiffIn(first, v, 0, 0, 352, 40) + DiffIn(first, v, 0, 268, 120, 20), 0u);
    EXPECT_EQ(DiffIn(first, v, 60, 80, 200, 120), 0u);

    Result r;
    PlayStop stop;
    stop.playId = id;
    ASSERT_TRUE(c->Call(stop, r));
    EXPECT_EQ(r.status, kOk);
    c->Videos().clear();
    c->Pump(200);
    EXPECT_TRUE(c->Videos().empty()) << "frames after the stop's reply";
    EXPECT_EQ(c->Status(stop), kBadPlay);
}

TEST_F(DeviceSession, FramesCarryTheirSendTimeAndTheDeviceTimesRenderToSend) {
    ASSERT_EQ(ParseReply(sim->Execute(std::string("stages ") + kDevA + " reset")).count("frames"), 1u);
    auto c = Client();
    const uint64_t before = NowMicros();
    StartPlay(*c, 0);
    StartPlay(*c, 3);
    std::map<uint32_t, uint64_t> last;  // per channel
    for (int i = 0; i < 12; ++i) {
        VideoFrame v;
        ASSERT_TRUE(c->NextVideo(v, 2000));
        EXPECT_GE(v.info.timestampUs, before);
        EXPECT_LE(v.info.timestampUs, NowMicros());
        EXPECT_GT(v.info.timestampUs, last[v.info.channel]) << "channel " << v.info.channel;
        last[v.info.channel] = v.info.timestampUs;
    }
    const auto st = ParseReply(sim->Execute(std::string("stages ") + kDevA + " reset"));
    EXPECT_GE(Num(st, "frames"), 12);
    EXPECT_GT(Num(st, "render_send_p95_us"), 0);
    EXPECT_GE(Num(st, "render_send_p95_us"), Num(st, "render_send_p50_us"));
    EXPECT_LE(Num(ParseReply(sim->Execute(std::string("stages ") + kDevB)), "frames"), 0) << "another device's frames";
    EXPECT_EQ(sim->Execute(std::string("stages ") + kDevA + " again").rfind("ERR", 0), 0u);
}

TEST_F(DeviceSession, PlaysOnTwoDevicesAndFormatsAreIndependent) {
    auto a = Client(kDevA);
    auto b = Client(kDevB);
    StartPlay(*a, 0, PixelFormat::Rgb565);
    StartPlay(*b, 3);
    VideoFrame va, vb;
    ASSERT_TRUE(a->NextVideo(va, 2000));
    ASSERT_TRUE(b->NextVideo(vb, 2000));
    EXPECT_EQ(va.info.format, PixelFormat::Rgb565);
    EXPECT_EQ(va.data.size(), 352u * 288 * 2);
    EXPECT_EQ(vb.info.channel, 3u);
    PlayStart bad;
    bad.channel = kChannels;
    EXPECT_EQ(a->Status(bad), kBadChannel);
    Ptz p;
    p.channel = kChannels;
    EXPECT_EQ(a->Status(p), kBadChannel);
    p.channel = 0;
    p.code = 0x99;
    EXPECT_EQ(a->Status(p), kBadCommand);
}

TEST_F(DeviceSession, PtzUpMovesTheDomeAndStopFreezesIt) {
    auto c = Client();
    const uint32_t id = StartPlay(*c, 2);
    ASSERT_NE(id, 0u);
    VideoFrame before, after;
    ASSERT_TRUE(c->NextVideo(before, 2000));

    Ptz up;
    up.channel = 2;
    up.code = 0;  // up
    up.param2 = 8;
    ASSERT_EQ(c->Status(up), kOk);
    std::this_thread::sleep_for(milliseconds(150));
    const double t1 = Num(State(kDevA, 2), "tilt");
    std::this_thread::sleep_for(milliseconds(150));
    const auto moving = State(kDevA, 2);
    EXPECT_GT(Num(moving, "tilt"), t1);
    EXPECT_EQ(moving.at("moving"), "1");
    EXPECT_EQ(Num(State(kDevA, 1), "tilt"), 0) << "another channel moved";
    EXPECT_EQ(Num(State(kDevB, 2), "tilt"), 0) << "another device moved";

    Ptz stop = up;
    stop.stop = true;
    ASSERT_EQ(c->Status(stop), kOk);
    const double frozen = Num(State(kDevA, 2), "tilt");
    std::this_thread::sleep_for(milliseconds(150));
    const auto still = State(kDevA, 2);
    EXPECT_EQ(Num(still, "tilt"), frozen);
    EXPECT_EQ(still.at("moving"), "0");
    EXPECT_GT(frozen, 5.0);

    ASSERT_TRUE(FrameFrom(*c, NextFrameNo(kDevA, 2), after));
    EXPECT_GT(DiffIn(before, after, 60, 80, 200, 120), 1000u) << "the picture did not move";
}

TEST_F(DeviceSession, ConfigRoundTripChangesColorBytesAndPicture) {
    auto c = Client();
    ConfigGet dev;
    dev.command = 1;
    dev.channel = 0;
    dev.maxLength = 212;
    ConfigData block;
    ASSERT_TRUE(c->Call(dev, block));
    ASSERT_EQ(block.status, kOk);
    ASSERT_EQ(block.data.size(), 212u);
    const int n = block.data[181];
    EXPECT_EQ(n, kChannels);

    ConfigGet all;
    all.command = 3;
    all.channel = -1;
    all.maxLength = static_cast<uint32_t>(n * 340);
    ConfigData records;
    ASSERT_TRUE(c->Call(all, records));
    ASSERT_EQ(records.data.size(), static_cast<size_t>(n) * 340);
    EXPECT_EQ(records.data[340 + 208], 127);
    EXPECT_EQ(records.data[340 + 211], 255);

    StartPlay(*c, 1);
    VideoFrame before;
    ASSERT_TRUE(c->NextVideo(before, 2000));

    ConfigSet set;
    set.command = 3;
    set.channel = -1;
    set.data = records.data;
    set.data[340 + 208] = 230;   // brightness
    set.data[340 + 210] = 0;     // saturation
    set.data[340 + 100] = 0x5A;  // an uninterpreted byte, kept as written
    EXPECT_EQ(c->Status(set), kOk);
    const uint32_t written = NextFrameNo(kDevA, 1);
    ConfigData back;
    ASSERT_TRUE(c->Call(all, back));
    EXPECT_EQ(back.data, set.data);
    const auto st = State(kDevA, 1);
    EXPECT_EQ(st.at("brightness"), "230");
    EXPECT_EQ(st.at("saturation"), "0");
    EXPECT_EQ(State(kDevA, 0).at("brightness"), "127");

    VideoFrame after;
    ASSERT_TRUE(FrameFrom(*c, written, after));
    EXPECT_GT(MeanOf(after, 60, 80, 200, 120, 1), MeanOf(before, 60, 80, 200, 120, 1) + 40);

    // Sizes and commands the device does not take.
    set.data.pop_back();
    EXPECT_EQ(c->Status(set), kBadSize);
    ConfigSet devWrite;
    devWrite.command = 1;
    devWrite.data = block.data;
    EXPECT_EQ(c->Status(devWrite), kReadOnly);
    all.maxLength = 340;
    ConfigData small;
    ASSERT_TRUE(c->Call(all, small));
    EXPECT_EQ(small.status, kBufferTooSmall);
    EXPECT_EQ(small.totalSize, static_cast<uint32_t>(n) * 340);
    EXPECT_TRUE(small.data.empty());
    ConfigGet one;
    one.command = 3;
    one.channel = 1;
    one.maxLength = 340;
    ConfigData rec;
    ASSERT_TRUE(c->Call(one, rec));
    EXPECT_EQ(rec.data[208], 230);
}

TEST_F(DeviceSession, AudioFlowsOnlyWhileOpen) {
    auto c = Client();
    const uint32_t id = StartPlay(*c, 0);
    c->Pump(100);
    EXPECT_TRUE(c->Audios().empty());
    AudioOpen open;
    open.playId = id;
    ASSERT_EQ(c->Status(open), kOk);
    AudioPacket a;
    ASSERT_TRUE(c->NextAudio(a, 2000));
    EXPECT_EQ(a.playId, id);
    EXPECT_EQ(a.sampleRate, 8000u);
    EXPECT_EQ(a.samples.size(), 160u);
    int peak = 0;
    for (int16_t s : a.samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_GT(peak, 1000);
    AudioClose close;  // play id 0: every play of the session
    ASSERT_EQ(c->Status(close), kOk);
    c->Audios().clear();
    c->Pump(150);
    EXPECT_TRUE(c->Audios().empty());
    open.playId = id + 100;
    EXPECT_EQ(c->Status(open), kBadPlay);
}
