// The four promises of the web-service build against one camera that breaks
// them (HostileCamera.h): the user's credentials go to the user's host only
// and never in clear; every call ends within its bound; stopping never
// waits for a camera and no thread outlives what it uses; no answer or
// stream can crash the host or run away with it. Each test also checks that
// every library thread has ended on its own by the end.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <thread>

#include "Clock.h"
#include "HostileCamera.h"
#include "LoginRegistry.h"
#include "PtzMapping.h"
#include "Resolve.h"
#include "RtspClient.h"
#include "StreamReceiver.h"
#include "Threads.h"

using namespace zv::onvif;
using zv::onvif::test::HostileCamera;

namespace {

int64_t Since(int64_t start) { return NowMs() - start; }

// A listener that never accepts, its queue filled: a connect to it hangs.
class FullListener {
public:
    explicit FullListener(const char* ip) {
        m_fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        inet_pton(AF_INET, ip, &sa.sin_addr);
        socklen_t len = sizeof sa;
        if (m_fd < 0 || bind(m_fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || listen(m_fd, 0) != 0 ||
            getsockname(m_fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0)
            return;
        m_port = ntohs(sa.sin_port);
        for (int i = 0; i < 4; ++i) {  // more than the queue holds; the rest hang unanswered
            const int c = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            connect(c, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
            m_fillers.push_back(c);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~FullListener() {
        for (int c : m_fillers) close(c);
        if (m_fd >= 0) close(m_fd);
    }
    bool Ok() const { return m_port != 0; }
    uint16_t Port() const { return m_port; }

private:
    int m_fd = -1;
    uint16_t m_port = 0;
    std::vector<int> m_fillers;
};

bool WaitFor(int ms, const std::function<bool()>& done) {
    const int64_t until = NowMs() + ms;
    while (!done()) {
        if (NowMs() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

class Hostile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(cam.Start(&error)) << error;
    }
    void TearDown() override {
        cam.ClearFaults();
        EXPECT_TRUE(WaitFor(6000, [] { return LiveThreads() == 0; }))
            << LiveThreads() << " library threads still running";
    }
    std::unique_ptr<OnvifDevice> Login() {
        LoginError e;
        auto dev = cam.Login(&e);
        EXPECT_TRUE(dev) << "login: " << e;
        return dev;
    }

    HostileCamera cam;
};

TEST_F(Hostile, CredentialsGoOnlyToTheUsersHostAndNeverInClear) {
    struct Case {
        const char* what;
        const char* command;
        const char* args;
        bool beforeLogin;
        LoginError login;  // when switched on before it
    };
    const Case cases[] = {
        {"answers naming another host", "onvif-foreign-host", HostileCamera::kTrapIp, true, LOGIN_OK},
        {"a 401 offering Basic only, at the login", "onvif-basic-only", "on", true, LOGIN_BAD_PASSWORD},
        {"a 401 offering Basic only, after it", "onvif-basic-only", "on", false, LOGIN_OK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.beforeLogin) cam.Fault(c.command, c.args);
        LoginError e;
        auto dev = cam.Login(&e);
        EXPECT_EQ(e, c.login);
        if (dev) {
            if (!c.beforeLogin) cam.Fault(c.command, c.args);
            std::vector<uint8_t> records;
            const bool colour = dev->ReadRecords(0, records, NowMs() + 1000);
            const bool moved = dev->Ptz(1, kPtzLeft, 4, false, NowMs() + 1000);
            dev->Ptz(1, kPtzLeft, 0, true, NowMs() + 1000);
            StreamChoice choice;
            RtspClient::Result rtsp = RtspClient::Result::Network;
            if (dev->Stream(0, false, choice, NowMs() + 1000)) {
                EXPECT_EQ(choice.uri.host, HostileCamera::kIp);
                RtspClient client("admin", "admin");
                rtsp = client.Open(choice.uri, choice.ip, NowMs() + 2000);
                client.Close();
            }
            const bool served = c.login == LOGIN_OK && c.beforeLogin;  // the foreign host: ours serves
            EXPECT_EQ(colour, served);
            EXPECT_EQ(moved, served);
            EXPECT_EQ(rtsp == RtspClient::Result::Ok, served);
        }
        EXPECT_EQ(cam.TrapConnections(), 0u) << "a request went to another host";
        EXPECT_EQ(cam.Counter("http_basic_seen"), 0) << "the password went in clear";
        EXPECT_EQ(cam.Counter("rtsp_basic_seen"), 0) << "the password went in clear";
        cam.ClearFaults();
    }
}

TEST_F(Hostile, EveryCallEndsWithinItsBound) {
    enum class Call { ColorRead, ColorWrite, PtzMove, PtzStop, Stream, Ping, TwoColorReads, Login };
    struct Case {
        const char* what;
        const char* command;
        const char* args;
        Call call;
        int boundMs;
    };
    const Case cases[] = {
        {"frozen: colour read", "onvif-freeze", "on", Call::ColorRead, 500},
        {"frozen: colour write", "onvif-freeze", "on", Call::ColorWrite, 500},
        {"frozen: PTZ move", "onvif-freeze", "on", Call::PtzMove, 1000},
        {"frozen: PTZ stop", "onvif-freeze", "on", Call::PtzStop, 1000},
        {"frozen: a stream's address", "onvif-freeze", "on", Call::Stream, 1000},
        {"frozen: liveness check", "onvif-freeze", "on", Call::Ping, 1000},
        {"frozen: two colour reads at once", "onvif-freeze", "on", Call::TwoColorReads, 500},
        {"frozen: login", "onvif-freeze", "on", Call::Login, 2000},
        {"slow (2.9 s an answer): colour read", "onvif-delay", "2900", Call::ColorRead, 500},
        {"slow (2.9 s an answer): PTZ stop", "onvif-delay", "2900", Call::PtzStop, 1000},
        {"Stop faulted, 0.4 s an answer: PTZ stop", "onvif-no-stop", "on", Call::PtzStop, 1000},
        // Every answer in time for its request, the sum not for the login.
        {"slow (0.9 s an answer): login", "onvif-delay", "900", Call::Login, 2000},
    };
    DeviceTimeouts loginTimes;
    loginTimes.loginMs = 2000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto dev = Login();
        ASSERT_TRUE(dev);
        cam.Fault(c.command, c.args);
        if (std::string(c.command) == "onvif-no-stop") cam.Fault("onvif-delay", "400");
        const int64_t start = NowMs();
        const int64_t deadline = start + c.boundMs;
        std::vector<uint8_t> records(kChannelRecordSize, 0);
        StreamChoice choice;
        switch (c.call) {
        case Call::ColorRead: dev->ReadRecords(0, records, deadline); break;
        case Call::ColorWrite:
            records[kColorOffset] = 200;
            dev->WriteRecords(0, records.data(), records.size(), deadline);
            break;
        case Call::PtzMove: dev->Ptz(1, kPtzUp, 4, false, deadline); break;
        case Call::PtzStop: dev->Ptz(1, kPtzUp, 0, true, deadline); break;
        case Call::Stream: dev->Stream(0, false, choice, deadline); break;
        case Call::Ping: dev->Ping(c.boundMs); break;
        case Call::TwoColorReads: {
            std::thread other([&] {
                std::vector<uint8_t> r;
                dev->ReadRecords(1, r, deadline);
            });
            dev->ReadRecords(0, records, deadline);
            other.join();
            break;
        }
        case Call::Login: {
            LoginError e;
            EXPECT_FALSE(cam.Login(&e, loginTimes));
            EXPECT_EQ(e, LOGIN_NETWORK);
            break;
        }
        }
        const int64_t took = Since(start);
        std::printf("%-42s %5lld ms (bound %d ms)\n", c.what, static_cast<long long>(took), c.boundMs);
        EXPECT_LE(took, c.boundMs + std::max(500, c.boundMs / 2));
        cam.ClearFaults();
    }
}

TEST_F(Hostile, NamesAreLookedUpOncePerLoginAndWithinIt) {
    static std::atomic<int> lookups{0};
    static std::atomic<int> stallMs{0};
    SetNameLookup([](const std::string& host, std::string& dotted) {
        ++lookups;
        std::this_thread::sleep_for(std::chrono::milliseconds(stallMs.load()));
        if (host != "camera.test") return false;
        dotted = HostileCamera::kIp;
        return true;
    });
    const std::string port = cam.Address().substr(cam.Address().find(':'));
    LoginError e;
    auto dev = OnvifDevice::Login("camera.test" + port, "admin", "admin", &e);
    ASSERT_TRUE(dev) << e;
    std::vector<uint8_t> records;
    EXPECT_TRUE(dev->ReadRecords(-1, records, NowMs() + 1000));
    EXPECT_TRUE(dev->Ptz(1, kPtzUp, 0, true, NowMs() + 1000));
    StreamChoice choice;
    ASSERT_TRUE(dev->Stream(0, false, choice, NowMs() + 1000));
    RtspClient rtsp("admin", "admin");
    EXPECT_EQ(rtsp.Open(choice.uri, choice.ip, NowMs() + 2000), RtspClient::Result::Ok);
    rtsp.Close();
    EXPECT_TRUE(dev->Ping(1000));
    EXPECT_EQ(lookups.load(), 1) << "one look-up for the login, none per call";
    // A resolver that hangs holds the login no longer than its deadline.
    stallMs = 1500;
    DeviceTimeouts t;
    t.loginMs = 500;
    const int64_t start = NowMs();
    EXPECT_FALSE(OnvifDevice::Login("camera.test" + port, "admin", "admin", &e, t));
    EXPECT_EQ(e, LOGIN_NETWORK);
    EXPECT_LE(Since(start), 500 + 500);
    SetNameLookup(nullptr);
}

TEST_F(Hostile, HostileAnswersAreRefusedOrClampedNotObeyed) {
    auto dev = Login();
    ASSERT_TRUE(dev);
    StreamChoice choice;
    ASSERT_TRUE(dev->Stream(0, false, choice, NowMs() + 1000));
    // Session timeouts past any integer: clamped (half of it, 1..25 s, between keep-alives).
    for (const auto& [timeout, keepAliveMs] : {std::pair<const char*, int>{"5000000", 25000},
                                               {"99999999999999999999999", 25000},
                                               {"0", 1000},
                                               {"8", 4000}}) {
        cam.Fault("rtsp-session-timeout", timeout);
        RtspClient rtsp("admin", "admin");
        ASSERT_EQ(rtsp.Open(choice.uri, choice.ip, NowMs() + 2000), RtspClient::Result::Ok) << timeout;
        EXPECT_EQ(rtsp.KeepAliveMs(), keepAliveMs) << timeout;
        rtsp.Close();
    }
    // Thousands of namespace bindings in scope: refused, not looked through.
    cam.Fault("onvif-xmlns", "3840");
    std::vector<uint8_t> records;
    EXPECT_FALSE(dev->ReadRecords(0, records, NowMs() + 1000));
    cam.Fault("onvif-xmlns", "100");
    EXPECT_TRUE(dev->ReadRecords(0, records, NowMs() + 1000)) << "a modest number is read";
}

// The play's receiver, with its queue drained by a counting drawer.
struct Receiving {
    explicit Receiving(const StreamChoice& choice) : queue(UnitQueue::Order::NewestOnly) {
        StreamReceiver::Config cfg;
        cfg.uri = choice.uri;
        cfg.ip = choice.ip;
        cfg.user = cfg.password = "admin";
        cfg.silenceMs = 1000;
        cfg.openMs = 1500;
        receiver = std::make_unique<StreamReceiver>(cfg, queue);
    }
    ~Receiving() {
        receiver->Stop();
        queue.Stop();
        if (run.joinable()) run.join();
        if (draw.joinable()) draw.join();
    }
    bool Start() {
        if (receiver->Open(NowMs() + 2000) != RtspClient::Result::Ok) return false;
        run = std::thread([this] {
            end = receiver->Run([this] { ++broken; });
            ended = true;
        });
        draw = std::thread([this] {
            std::vector<MediaUnit> units;
            while (queue.Take(units)) pictures += units.size();
        });
        return true;
    }
    UnitQueue queue;
    std::unique_ptr<StreamReceiver> receiver;
    std::thread run, draw;
    std::atomic<size_t> pictures{0};
    std::atomic<int> broken{0};
    std::atomic<bool> ended{false};
    StreamReceiver::End end = StreamReceiver::End::Stopped;
};

TEST_F(Hostile, StreamsThatGoQuietOrRestartAreKeptOrReportedLost) {
    struct Case {
        const char* what;
        const char* command;
        const char* args;
        bool lost;      // the stream cannot be had again
        int reopens;    // before pictures flow again, when not lost
    };
    const Case cases[] = {
        {"the stream goes silent, a new one plays", "rtsp-silent", "current", false, 1},
        {"every stream silent", "rtsp-silent", "all", true, 0},
        {"the camera hangs", "onvif-freeze", "on", true, 0},
        {"RTP numbering starts again", "rtsp-seq-restart", "", false, 0},
    };
    auto dev = Login();
    ASSERT_TRUE(dev);
    StreamChoice choice;
    ASSERT_TRUE(dev->Stream(0, false, choice, NowMs() + 1000));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Receiving rx(choice);
        ASSERT_TRUE(rx.Start());
        ASSERT_TRUE(WaitFor(2000, [&] { return rx.pictures > 5; }));
        cam.Fault(c.command, c.args);
        const int64_t start = NowMs();
        if (c.lost) {
            EXPECT_TRUE(WaitFor(5000, [&] { return rx.ended.load(); }));
            EXPECT_EQ(rx.end, StreamReceiver::End::Lost);
            std::printf("%-42s lost after %lld ms\n", c.what, static_cast<long long>(Since(start)));
        } else {
            const size_t before = rx.pictures;
            EXPECT_TRUE(WaitFor(5000, [&] { return rx.pictures > before + 10; })) << "pictures again";
            EXPECT_EQ(rx.receiver->Reopens(), uint64_t(c.reopens));
            EXPECT_FALSE(rx.ended);
        }
        cam.ClearFaults();
    }
}

TEST_F(Hostile, StoppingAndLoggingOutNeverWaitForACamera) {
    WatchTiming timing;
    timing.noticeWaitMs = 200;
    auto registry = std::make_unique<LoginRegistry>(timing);
    std::mutex m;
    std::condition_variable cv;
    bool release = false, noticed = false;
    registry->SetNotice([&](int32_t, const std::string&, uint16_t) {
        std::unique_lock<std::mutex> lock(m);
        noticed = true;
        cv.notify_all();
        cv.wait(lock, [&] { return release; });  // a host whose callback blocks
    });
    std::shared_ptr<OnvifDevice> first = Login(), second = Login();
    ASSERT_TRUE(first && second);
    const int32_t kept = registry->Add(first, cam.Address());
    ASSERT_NE(kept, 0);
    cam.Fault("onvif-freeze", "on");
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));  // a check in progress, stuck
    int64_t start = NowMs();
    EXPECT_TRUE(registry->Remove(kept));
    EXPECT_LT(Since(start), 500) << "logout waited for the camera";

    // A play that stops while its stream is being opened on a hung camera.
    UnitQueue queue(UnitQueue::Order::NewestOnly);
    StreamReceiver::Config cfg;
    StreamChoice choice;
    cam.Fault("onvif-freeze", "off");
    ASSERT_TRUE(second->Stream(0, false, choice, NowMs() + 1000));
    cfg.uri = choice.uri;
    cfg.ip = choice.ip;
    cfg.user = cfg.password = "admin";
    cam.Fault("onvif-freeze", "on");
    StreamReceiver receiver(cfg, queue);
    std::thread opening([&] { receiver.Open(NowMs() + 10000); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    start = NowMs();
    receiver.Stop();
    opening.join();
    EXPECT_LT(Since(start), 500) << "an open in progress ignored the stop";
    // ... and while its connect hangs (a server whose queue is full takes no more).
    {
        FullListener full(HostileCamera::kTrapIp);
        ASSERT_TRUE(full.Ok());
        cfg.uri.port = full.Port();
        cfg.ip = HostileCamera::kTrapIp;
        StreamReceiver hanging(cfg, queue);
        std::thread connecting([&] { hanging.Open(NowMs() + 10000); });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        start = NowMs();
        hanging.Stop();
        connecting.join();
        EXPECT_LT(Since(start), 500) << "a connect in progress ignored the stop";
    }

    // The camera is lost while a login is watched; the host's notice blocks,
    // and the host lets go of the registry meanwhile.
    ASSERT_NE(registry->Add(second, cam.Address()), 0);
    {
        std::unique_lock<std::mutex> lock(m);
        ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(6), [&] { return noticed; }));
    }
    start = NowMs();
    registry.reset();
    EXPECT_LT(Since(start), 1000) << "waited past its bound for the host's notice";
    {
        std::lock_guard<std::mutex> lock(m);
        release = true;
    }
    cv.notify_all();  // the watch comes back from the notice to what it shares, and ends
}

}  // namespace
