// Faults injected through the control port, slow and hostile peers, and a
// fuzzing client: the device must answer as told, drop only the offending
// session, and keep serving the others.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <thread>

#include "Auth.h"
#include "Session.h"
#include "SimFixture.h"

using namespace zv::proto;
using namespace zv::test;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

namespace {

// One command over the control port's text protocol.
std::string Control(uint16_t port, const std::string& line) {
    zv::net::Socket s = zv::net::Socket::Connect("127.0.0.1", port, 2000, nullptr);
    if (!s.Valid()) return "no connection";
    const std::string out = line + "\n";
    s.SendAll(out.data(), out.size(), 2000, nullptr);
    std::string reply;
    char buf[512];
    const auto deadline = Clock::now() + milliseconds(3000);
    while (reply.find('\n') == std::string::npos && Clock::now() < deadline) {
        if (s.WaitReadable(100) != zv::net::Socket::Wait::Ready) continue;
        const long n = s.Recv(buf, sizeof buf);
        if (n < 0) break;
        reply.append(buf, static_cast<size_t>(n));
    }
    return reply.substr(0, reply.find('\n'));
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// n copies of a request in one buffer, with seq 1..n.
template <class M>
std::vector<uint8_t> Pipelined(const M& m, uint32_t n) {
    std::vector<uint8_t> out;
    for (uint32_t seq = 1; seq <= n; ++seq) {
        const auto f = Encode(m, seq);
        out.insert(out.end(), f.begin(), f.end());
    }
    return out;
}

// Sends bytes `repeats` times and reads nothing; gives up once the peer has
// taken no byte for stallMs, or enough() holds while it takes none. Returns
// the bytes sent.
template <class Enough>
size_t SendUnread(zv::net::Socket& s, const std::vector<uint8_t>& bytes, int repeats, int stallMs,
                  Enough enough) {
    size_t total = 0;
    for (int r = 0; r < repeats; ++r) {
        auto lastProgress = Clock::now();
        for (size_t off = 0; off < bytes.size();) {
            const long n = s.Send(bytes.data() + off, bytes.size() - off);
            if (n < 0) return total;
            if (n > 0) {
                off += static_cast<size_t>(n);
                total += static_cast<size_t>(n);
                lastProgress = Clock::now();
            } else if (enough() || Clock::now() - lastProgress > milliseconds(stallMs) ||
                       s.WaitWritable(50) == zv::net::Socket::Wait::Error) {
                return total;
            }
        }
    }
    return total;
}

// A read of every channel's block: with four channels, 1396 bytes of reply
// for 28 of request.
ConfigGet EveryChannel() {
    ConfigGet g;
    g.command = 3;
    g.channel = -1;
    g.maxLength = 65536;
    return g;
}

template <class Pred>
bool WaitFor(Pred pred, int timeoutMs) {
    const auto deadline = Clock::now() + milliseconds(timeoutMs);
    while (!pred()) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(milliseconds(20));
    }
    return true;
}

}  // namespace

class Faults : public SimFixture {
protected:
    std::string Ctl(const std::string& line) { return Control(sim->ControlPort(), line); }
};

TEST_F(Faults, ControlPortRefusesAndRestoresLogins) {
    EXPECT_EQ(Ctl("ping"), "OK pong");
    EXPECT_EQ(Ctl("refuse-login 127.0.0.1 on"), "OK");
    EXPECT_EQ(Ctl("refuse-login 127.0.0.9 on").rfind("ERR", 0), 0u);
    EXPECT_EQ(Ctl("frobnicate 127.0.0.1").rfind("ERR", 0), 0u);
    EXPECT_EQ(Ctl("delay-login 127.0.0.1 -5").rfind("ERR", 0), 0u);
    auto c = Client(kDevA, false);
    EXPECT_EQ(c->Login("admin", "admin"), kLoginRefused);
    EXPECT_TRUE(c->WaitClosed(2000));
    // Only that device refuses.
    Client(kDevB);
    EXPECT_EQ(Ctl("refuse-login 127.0.0.1 off"), "OK");
    Client(kDevA);
    const auto counters = ParseReply(Ctl("counters 127.0.0.1"));
    EXPECT_EQ(Num(counters, "logins_refused"), 1);
    EXPECT_EQ(Num(counters, "logins"), 1);
}

TEST_F(Faults, DelayedLoginTakesAtLeastTheDelay) {
    ASSERT_EQ(Ctl("delay-login 127.0.0.1 300"), "OK");
    auto c = Client(kDevA, false);
    const auto t0 = Clock::now();
    EXPECT_EQ(c->Login("admin", "admin"), kOk);
    const double ms = Ms(Clock::now() - t0);
    EXPECT_GE(ms, 290);
    EXPECT_LT(ms, 1500);
}

TEST_F(Faults, StalledConfigRepliesComeLateOrNeverWhileTheSessionLives) {
    auto c = Client();
    ASSERT_EQ(Ctl("stall-config 127.0.0.1 900"), "OK");
    ConfigGet g;
    g.command = 1;
    g.maxLength = 212;
    const auto t0 = Clock::now();
    const uint32_t seq = c->Send(g);
    Frame f;
    EXPECT_EQ(c->WaitReply(seq, f, 500), TestClient::Got::Timeout);
    // Pings are still answered while the reply is held back.
    Ping p;
    Pong pong;
    ASSERT_TRUE(c->Call(p, pong, 300));
    ASSERT_EQ(c->WaitReply(seq, f, 2000), TestClient::Got::Frame);
    EXPECT_GE(Ms(Clock::now() - t0), 850);
    ConfigData d;
    ASSERT_EQ(Decode(f, d), DecodeError::None);
    EXPECT_EQ(d.data.size(), 212u);

    ASSERT_EQ(Ctl("stall-config 127.0.0.1 forever"), "OK");
    const uint32_t lost = c->Send(g);
    EXPECT_EQ(c->WaitReply(lost, f, 700), TestClient::Got::Timeout);
    ASSERT_EQ(Ctl("stall-config 127.0.0.1 off"), "OK");
    ConfigData ok;
    ASSERT_TRUE(c->Call(g, ok, 1000));
    EXPECT_EQ(ok.data.size(), 212u);
}

TEST_F(Faults, ShortenedConfigRepliesCarryFewerBytes) {
    auto c = Client();
    ASSERT_EQ(Ctl("short-config 127.0.0.1 10"), "OK");
    ConfigGet g;
    g.command = 1;
    g.maxLength = 212;
    ConfigData d;
    ASSERT_TRUE(c->Call(g, d));
    EXPECT_EQ(d.status, kOk);
    EXPECT_EQ(d.data.size(), 202u);
    EXPECT_EQ(d.totalSize, 202u);
}

TEST_F(Faults, DropClosesEveryConnectionOfOneDeviceOnly) {
    auto a1 = Client(kDevA);
    auto a2 = Client(kDevA);
    auto b = Client(kDevB);
    StartPlay(*a1, 0);
    EXPECT_EQ(Ctl("drop 127.0.0.1"), "OK dropped=2");
    EXPECT_TRUE(a1->WaitClosed(1000));
    EXPECT_TRUE(a2->WaitClosed(1000));
    Ping p;
    Pong pong;
    EXPECT_TRUE(b->Call(p, pong));
    // The device still takes new logins, and its plays were forgotten.
    auto again = Client(kDevA);
    const auto deadline = Clock::now() + milliseconds(1000);
    while (State(kDevA, 0).at("plays") != "0" && Clock::now() < deadline)
        std::this_thread::sleep_for(milliseconds(20));
    EXPECT_EQ(State(kDevA, 0).at("plays"), "0");
    EXPECT_EQ(Counter(kDevA, "drops"), 2);
}

TEST_F(Faults, RestartDropsSessionsAndComesBackOnTheSamePortWithItsSettings) {
    auto c = Client();
    ConfigGet g;
    g.command = 3;
    g.channel = 0;
    g.maxLength = 340;
    ConfigData rec;
    ASSERT_TRUE(c->Call(g, rec));
    ConfigSet s;
    s.command = 3;
    s.channel = 0;
    s.data = rec.data;
    s.data[209] = 42;  // contrast
    ASSERT_EQ(c->Status(s), kOk);
    const uint16_t port = PortOf(kDevA);
    std::thread restart([&] { EXPECT_EQ(Ctl("restart 127.0.0.1 400"), "OK restarted"); });
    EXPECT_TRUE(c->WaitClosed(2000));
    // While it is down nobody answers (the listener closes just after the
    // sessions, so allow it a moment).
    bool refused = false;
    for (const auto until = Clock::now() + milliseconds(300); !refused && Clock::now() < until;) {
        TestClient down;
        refused = !down.Connect(kDevA, port);
        if (!refused) std::this_thread::sleep_for(milliseconds(10));
    }
    EXPECT_TRUE(refused);
    restart.join();
    EXPECT_EQ(PortOf(kDevA), port);
    auto back = Client();
    ConfigData after;
    ASSERT_TRUE(back->Call(g, after));
    EXPECT_EQ(after.data[209], 42);
}

TEST_F(Faults, HostileDeviceSendsFramesAClientMustReject) {
    struct Case {
        const char* mode;
        DecodeError expected;
    };
    const Case cases[] = {
        {"bad-magic", DecodeError::BadMagic},
        {"bad-version", DecodeError::BadVersion},
        // A PONG one byte longer than its fixed size fails on its header.
        {"oversize", DecodeError::TooLarge},
        {"bad-payload", DecodeError::TooLarge},
        {"garbage", DecodeError::None /* any */},
        {"truncate", DecodeError::None},
    };
    for (const Case& k : cases) {
        auto c = Client();
        ASSERT_EQ(Ctl(std::string("hostile 127.0.0.1 ") + k.mode), "OK") << k.mode;
        Ping p;
        Frame f;
        const uint32_t seq = c->Send(p);
        const TestClient::Got got = c->WaitReply(seq, f, 400);
        if (std::string(k.mode) == "truncate") {
            // Half a frame, then silence: only a timeout can tell.
            EXPECT_EQ(got, TestClient::Got::Timeout) << k.mode;
            EXPECT_GT(c->Buffered(), 0u) << k.mode;
        } else {
            EXPECT_EQ(got, TestClient::Got::Malformed) << k.mode;
            if (k.expected != DecodeError::None) {
                EXPECT_EQ(c->ReadError(), k.expected) << k.mode;
            }
        }
        ASSERT_EQ(Ctl("hostile 127.0.0.1 off"), "OK");
    }
    EXPECT_GE(Counter(kDevA, "hostile_sent"), 6);
    // Hostile from the first byte: the challenge itself is bad.
    ASSERT_EQ(Ctl("hostile 127.0.0.1 bad-magic"), "OK");
    auto fresh = Client(kDevA, false);
    EXPECT_EQ(fresh->Login("admin", "admin"), -1);
}

TEST_F(Faults, SlowClientLosesFramesNotTheSession) {
    auto c = std::make_unique<TestClient>();
    ASSERT_TRUE(c->Connect(kDevA, PortOf(kDevA)));
    c->Socket().SetReceiveBuffer(16 * 1024);
    ASSERT_EQ(c->Login("admin", "admin"), kOk);
    StartPlay(*c, 0);
    // Read nothing while the device produces ~25 frames.
    const auto deadline = Clock::now() + milliseconds(3000);
    while (Counter(kDevA, "frames_dropped") < 5 && Clock::now() < deadline)
        std::this_thread::sleep_for(milliseconds(50));
    EXPECT_GE(Counter(kDevA, "frames_dropped"), 5);
    // Catching up, the client gets frames and answers again.
    Ping p;
    Pong pong;
    ASSERT_TRUE(c->Call(p, pong, 5000));
    c->Videos().clear();
    VideoFrame v;
    EXPECT_TRUE(c->NextVideo(v, 2000));
    EXPECT_EQ(Counter(kDevA, "sessions"), 1);
}

class ReplyCap : public Faults {
protected:
    // Reaching the cap with pings takes seconds under the sanitizers; the
    // pinger must not meet the login timeout first.
    void Tune(zv::devsim::DeviceOptions& d) override { d.loginTimeoutMs = 60000; }
};

TEST_F(ReplyCap, ClientsThatNeverReadAreHeldAtTheCapWhileOthersStream) {
    using zv::devsim::Session;
    zv::devsim::Device& dev = *sim->FindDevice(kDevA);
    auto good = Client(kDevA);
    StartPlay(*good, 0);
    std::atomic<bool> stop{false};
    std::atomic<int> goodFrames{0};
    std::atomic<bool> goodFailed{false};
    std::atomic<size_t> peak{0};
    std::thread watcher([&] {
        uint64_t token = 0;
        while (!stop.load()) {
            good->Pump(50);
            goodFrames += static_cast<int>(good->Videos().size());
            good->Videos().clear();
            Ping p;
            p.token = ++token;
            Pong pong;
            if (!good->Call(p, pong, 2000) || pong.token != token) {
                goodFailed = true;
                return;
            }
        }
    });
    std::thread sampler([&] {
        while (!stop.load()) {
            peak = std::max(peak.load(), dev.LargestReplyQueue());
            std::this_thread::sleep_for(milliseconds(2));
        }
    });
    auto capHits = [&] { return Counter(kDevA, "reply_cap_hits"); };
    constexpr size_t kBound = Session::kMaxReplyBytes + 64 * 1024;  // one reply past the cap

    // Logged in, pipelining reads of every channel's block: 28 MB of replies
    // for 560 KB of requests.
    auto getter = Client(kDevA);
    const ConfigGet g = EveryChannel();
    const size_t getBytes =
        SendUnread(getter->Socket(), Pipelined(g, 20000), 1, 1000, [&] { return capHits() >= 1; });
    EXPECT_TRUE(WaitFor([&] { return capHits() >= 1; }, 3000));
    EXPECT_LE(peak.load(), kBound);
    // Held back, not dropped: reading now, the client gets every reply.
    const uint32_t sent = static_cast<uint32_t>(getBytes / Encode(g, 1).size());
    uint32_t got = 0;
    for (Frame f; got < sent && getter->Next(f, 3000) == TestClient::Got::Frame; ++got) {
        ConfigData d;
        if (f.header.seq != got + 1 || Decode(f, d) != DecodeError::None ||
            d.data.size() != kChannels * 340u)
            break;
    }
    EXPECT_EQ(got, sent);

    // Before login, pinging: every request has a reply as large as itself.
    const double hits = capHits();
    auto pinger = Client(kDevA, false);
    SendUnread(pinger->Socket(), Pipelined(Ping{}, 4096), 400, 3000,
               [&] { return capHits() > hits; });
    EXPECT_TRUE(WaitFor([&] { return capHits() > hits; }, 3000));
    EXPECT_LE(peak.load(), kBound);

    stop = true;
    watcher.join();
    sampler.join();
    EXPECT_FALSE(goodFailed.load());
    EXPECT_GE(goodFrames.load(), 10);
    // A session held at the cap still ends when dropped.
    EXPECT_EQ(Ctl("drop 127.0.0.1"), "OK dropped=3");
    EXPECT_TRUE(pinger->WaitClosed(3000));
    EXPECT_TRUE(WaitFor([&] { return Counter(kDevA, "sessions") == 0; }, 2000));
}

class ShortTimeouts : public Faults {
protected:
    void Tune(zv::devsim::DeviceOptions& d) override {
        d.loginTimeoutMs = 300;
        d.idleTimeoutMs = 600;
        d.maxSessions = 3;
    }
};

TEST_F(ShortTimeouts, SilentAndSlowClientsAreDropped) {
    auto idle = Client(kDevA, false);
    EXPECT_TRUE(idle->WaitClosed(1500));
    ASSERT_NE(idle->LastError(), nullptr);
    EXPECT_EQ(idle->LastError()->code, kErrLoginTimeout);

    auto quiet = Client();
    EXPECT_TRUE(quiet->WaitClosed(2000));
    ASSERT_NE(quiet->LastError(), nullptr);
    EXPECT_EQ(quiet->LastError()->code, kErrIdleTimeout);

    std::vector<std::unique_ptr<TestClient>> many;
    for (int i = 0; i < 3; ++i) many.push_back(Client(kDevB));
    auto extra = Client(kDevB, false);
    EXPECT_TRUE(extra->WaitClosed(1000));
    ASSERT_NE(extra->LastError(), nullptr);
    EXPECT_EQ(extra->LastError()->code, kErrLimit);
}

TEST_F(Faults, FuzzedClientsAreDroppedWhileAGoodSessionKeepsStreaming) {
    auto good = Client(kDevA);
    StartPlay(*good, 0);
    VideoFrame first;
    ASSERT_TRUE(good->NextVideo(first, 5000));
    std::atomic<bool> stop{false};
    std::atomic<int> goodFrames{0};
    std::atomic<bool> goodFailed{false};
    std::thread watcher([&] {
        uint64_t token = 0;
        while (!stop.load()) {
            good->Pump(50);
            goodFrames += static_cast<int>(good->Videos().size());
            good->Videos().clear();
            Ping p;
            p.token = ++token;
            Pong pong;
            if (!good->Call(p, pong, 2000) || pong.token != token) {
                goodFailed = true;
                return;
            }
        }
    });

    std::mt19937 rng(20240607);
    auto rnd = [&](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
    int closedAsExpected = 0, mustClose = 0;
    const auto deadline = Clock::now() + milliseconds(6000);
    int round = 0;
    for (; round < 120 && Clock::now() < deadline; ++round) {
        TestClient c;
        ASSERT_TRUE(c.Connect(kDevA, PortOf(kDevA)));
        const bool login = rnd(2) == 0;
        if (login) {
            ASSERT_EQ(c.Login("admin", "admin"), kOk);
        }
        std::vector<uint8_t> bytes;
        bool definitelyBad = true;
        switch (rnd(6)) {
        case 0:  // noise
            bytes.resize(kHeaderSize + rnd(300));
            for (auto& b : bytes) b = static_cast<uint8_t>(rng());
            bytes[0] = 0x00;  // never a valid magic
            break;
        case 1: {  // a header announcing more than the hard maximum
            Ping p;
            bytes = Encode(p, 1);
            bytes[5] = static_cast<uint8_t>(MsgType::ConfigSet);
            for (int i = 0; i < 4; ++i)
                bytes[12 + i] = static_cast<uint8_t>((kMaxPayload + 1 + rnd(1000)) >> (8 * i));
            break;
        }
        case 2: {  // a valid request with its inner length lying
            ConfigSet s;
            s.command = 3;
            s.channel = -1;
            s.data.assign(1 + rnd(2000), 0);
            bytes = Encode(s, 9);
            const uint32_t lie = static_cast<uint32_t>(s.data.size() + 1 + rnd(50));
            for (int i = 0; i < 4; ++i)
                bytes[kHeaderSize + 8 + i] = static_cast<uint8_t>(lie >> (8 * i));
            break;
        }
        case 3: {  // a message from the wrong side
            VideoFrame v;
            v.info = {1, 0, 0, 0, 2, 2, PixelFormat::Rgb24};
            v.data.assign(12, 0);
            bytes = Encode(v, 0);
            break;
        }
        case 4: {  // bit flips in a valid request: may still be valid
            Ptz p;
            p.code = rnd(12);
            p.param2 = static_cast<uint8_t>(rnd(9));
            bytes = Encode(p, 3);
            for (uint32_t k = 0, n = 1 + rnd(3); k < n; ++k)
                bytes[rnd(static_cast<uint32_t>(bytes.size()))] ^=
                    static_cast<uint8_t>(1u << rnd(8));
            definitelyBad = false;
            break;
        }
        default: {  // a valid frame cut short, then the client hangs up
            Login l;
            l.user = "admin";
            bytes = Encode(l, 2);
            bytes.resize(rnd(static_cast<uint32_t>(bytes.size())));
            definitelyBad = false;
            break;
        }
        }
        c.SendRaw(bytes);
        if (definitelyBad) {
            ++mustClose;
            closedAsExpected += c.WaitClosed(1500) ? 1 : 0;
        } else {
            c.Pump(20);
        }
    }
    stop = true;
    watcher.join();
    EXPECT_FALSE(goodFailed.load());
    EXPECT_GE(goodFrames.load(), 5);
    EXPECT_EQ(closedAsExpected, mustClose);
    EXPECT_GT(Counter(kDevA, "malformed"), mustClose / 2);
    // Every fuzzing session is gone; the good one remains.
    const auto until = Clock::now() + milliseconds(2000);
    while (Counter(kDevA, "sessions") > 1 && Clock::now() < until)
        std::this_thread::sleep_for(milliseconds(20));
    EXPECT_EQ(Counter(kDevA, "sessions"), 1);
    EXPECT_GT(round, 30);
}

class ShortSendTimeout : public Faults {
protected:
    void Tune(zv::devsim::DeviceOptions& d) override { d.sendTimeoutMs = 300; }
};

TEST_F(ShortSendTimeout, AClientHeldAtTheReplyCapIsDroppedOnceItTakesNothing) {
    auto c = Client(kDevA);
    SendUnread(c->Socket(), Pipelined(EveryChannel(), 20000), 1, 1000, [] { return false; });
    EXPECT_TRUE(WaitFor([&] { return Counter(kDevA, "sessions") == 0; }, 3000));
    EXPECT_GE(Counter(kDevA, "reply_cap_hits"), 1);
    EXPECT_TRUE(c->WaitClosed(2000));
}
