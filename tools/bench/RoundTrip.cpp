// Round-trip figures of the network library against its floor, measured in
// one run between the same two processes (this one and the device):
//   - a PTZ command (NetPtzControl returning) vs one bare PING/PONG;
//   - one colour apply (two NetGetDevConfig reads, one NetSetDevConfig)
//     vs three bare PING/PONGs.
// The two kinds of sample are interleaved so that drift on a shared machine
// hits both alike. Prints figures; it is not a test.
//
//   zv_bench_roundtrip.exe [--device ADDR] [--channel N] [--rounds N] [--user NAME:PASSWORD]
#include "BenchSupport.h"
#include "DeviceFacts.h"

#include <cstdlib>

namespace proto = zv::proto;

namespace {




// The bare PING/PONG again, but answered through a second thread that
// receives and signals an event, the way a library with a receive thread
// hands a reply to its caller: shows what that hand-over alone costs here.
class HandOverPinger {
public:
    bool Start(const std::string& address) {
        if (!m_pinger.Connect(address, 37777)) return false;
        m_go = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        m_done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        m_thread = CreateThread(nullptr, 0, &HandOverPinger::Main, this, 0, nullptr);
        return m_go && m_done && m_thread;
    }
    ~HandOverPinger() {
        if (m_thread) {
            m_quit = true;
            SetEvent(m_go);
            WaitForSingleObject(m_thread, 5000);
            CloseHandle(m_thread);
        }
        if (m_go) CloseHandle(m_go);
        if (m_done) CloseHandle(m_done);
    }
    double RoundTrip() {
        const double t = bench::NowUs();
        SetEvent(m_go);  // the receiver is waiting before the request leaves
        if (!m_pinger.Send()) return -1;
        if (WaitForSingleObject(m_done, 2000) != WAIT_OBJECT_0 || !m_ok) return -1;
        return bench::NowUs() - t;
    }

private:
    static DWORD WINAPI Main(LPVOID p) {
        auto* self = static_cast<HandOverPinger*>(p);
        while (WaitForSingleObject(self->m_go, INFINITE) == WAIT_OBJECT_0 && !self->m_quit) {
            self->m_ok = self->m_pinger.Receive(0);  // blocked in recv before the request leaves
            SetEvent(self->m_done);
        }
        return 0;
    }
    bench::BarePinger m_pinger;
    HANDLE m_go = nullptr, m_done = nullptr, m_thread = nullptr;
    volatile bool m_quit = false, m_ok = false;
};

void Report(const char* what, const std::vector<double>& floor, const std::vector<double>& lib,
            const char* floorName, const char* libName, bool target = true) {
    const double f50 = bench::Percentile(floor, 0.5), f95 = bench::Percentile(floor, 0.95);
    const double l50 = bench::Percentile(lib, 0.5), l95 = bench::Percentile(lib, 0.95);
    std::printf("%s (%zu samples each)\n", what, lib.size());
    std::printf("  floor  %-42s median %8.1f us   p95 %8.1f us\n", floorName, f50, f95);
    std::printf("  timed  %-42s median %8.1f us   p95 %8.1f us\n", libName, l50, l95);
    std::printf("  ratio to floor: median %.2fx   p95 %.2fx%s\n\n", f50 > 0 ? l50 / f50 : 0.0,
                f95 > 0 ? l95 / f95 : 0.0, target ? "   (target <= 1.5x)" : "");
}

}  // namespace

int main(int argc, char** argv) {
    bench::Args a;
    a.rounds = 2000;
    if (!bench::ParseArgs(argc, argv, a)) {
        std::fprintf(stderr, "usage: zv_bench_roundtrip [--device ADDR] [--channel N] "
                             "[--rounds N] [--user NAME:PASSWORD]\n");
        return 2;
    }
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);

    bench::Vortanet net;
    if (!net.Load()) {
        std::fprintf(stderr, "bench: vortanet.dll or one of its ordinals is missing\n");
        return 1;
    }
    if (!net.Init(bench::OnDisconnect, 1)) {
        std::fprintf(stderr, "bench: NetInit failed\n");
        return 1;
    }
    unsigned char info[56] = {};
    int error = 0;
    const int32_t login = net.Login(a.device.c_str(), 37777, a.user.c_str(), a.password.c_str(), info, &error);
    if (!login) {
        std::fprintf(stderr, "bench: NetLogin %s failed (error %d)\n", a.device.c_str(), error);
        net.Cleanup();
        return 1;
    }
    bench::BarePinger pinger;
    int reconnects = 0;
    // The device drops a connection that never logs in after a while; the
    // bench script lengthens that, and a lost floor connection is made again.
    auto ping = [&]() -> double {
        for (int attempt = 0; attempt < 2; ++attempt) {
            const double t = bench::NowUs();
            if (pinger.RoundTrip()) return bench::NowUs() - t;
            if (++reconnects > 5 || !pinger.Connect(a.device, 37777)) return -1;
        }
        return -1;
    };
    if (!pinger.Connect(a.device, 37777)) {
        std::fprintf(stderr, "bench: cannot connect to %s:37777\n", a.device.c_str());
        return 1;
    }
    std::printf("device %s channel %d, login %d; this process <-> devsim over loopback\n\n",
                a.device.c_str(), a.channel, login);

    int failures = 0;
    // PTZ: alternate a slow tilt and a stop so the device really acts on each.
    auto ptz = [&](int i) -> double {
        const bool stop = i % 2 == 1;
        const double t = bench::NowUs();
        const int32_t r = net.PtzControl(login, a.channel, 0, 0, 0, 0, stop ? 1 : 0);
        const double dt = bench::NowUs() - t;
        if (!r) ++failures;
        return dt;
    };
    for (int i = 0; i < 100; ++i) { ping(); ptz(i); }  // warm-up: caches, TCP windows, threads
    std::vector<double> floor1, ptzUs;
    for (int i = 0; i < a.rounds; ++i) {
        // Swap the order every round: neither kind always follows the other.
        double f, p;
        if (i % 2) { f = ping(); p = ptz(i); } else { p = ptz(i); f = ping(); }
        if (f < 0) { std::fprintf(stderr, "bench: floor connection lost\n"); return 1; }
        floor1.push_back(f);
        ptzUs.push_back(p);
    }
    net.PtzControl(login, a.channel, 0, 0, 0, 0, 1);
    Report("PTZ command round trip", floor1, ptzUs, "1 x PING/PONG, bare socket",
           "NetPtzControl (vortanet.dll, ordinal 41)");

    {
        HandOverPinger handOver;
        std::vector<double> bare, handed;
        if (handOver.Start(a.device)) {
            for (int i = 0; i < a.rounds / 2; ++i) {
                const double f = ping(), h = handOver.RoundTrip();
                if (f < 0 || h < 0) break;
                bare.push_back(f);
                handed.push_back(h);
            }
        }
        if (!handed.empty())
            Report("For reference, not a target: the reply handed over between threads", bare, handed,
                   "1 x PING/PONG, bare socket", "1 x PING/PONG, reply via a 2nd thread", false);
    }

    // Colour apply: the device block for the channel count, every channel
    // record, then the records written back (what the colour panel does).
    std::vector<unsigned char> devBlock(proto::kDeviceBlockSize), records;
    int32_t got = 0;
    if (!net.GetDevConfig(login, proto::kCfgDevice, 0, devBlock.data(), proto::kDeviceBlockSize, &got, 500) ||
        got != proto::kDeviceBlockSize) {
        std::fprintf(stderr, "bench: NetGetDevConfig(1, 0, 212) failed (returned %d)\n", got);
        return 1;
    }
    const int channels = devBlock[proto::kChannelCountOffset];
    records.resize(static_cast<size_t>(channels) * proto::kChannelRecordSize);
    auto apply = [&](int i) -> double {
        const double t = bench::NowUs();
        int32_t n1 = 0, n2 = 0;
        const bool ok1 = net.GetDevConfig(login, proto::kCfgDevice, 0, devBlock.data(),
                                          proto::kDeviceBlockSize, &n1, 500) &&
                         n1 == proto::kDeviceBlockSize;
        const int32_t size = devBlock[proto::kChannelCountOffset] * proto::kChannelRecordSize;
        const bool ok2 = size == static_cast<int32_t>(records.size()) &&
                         net.GetDevConfig(login, proto::kCfgChannel, proto::kCfgAllChannels, records.data(),
                                          size, &n2, 500) &&
                         n2 == size;
        if (ok1 && ok2) {
            // A one-step brightness change and back: the write carries a real edit.
            unsigned char& b = records[static_cast<size_t>(a.channel) * proto::kChannelRecordSize +
                                       proto::kBrightnessOffset];
            b = static_cast<unsigned char>(i % 2 ? b - 1 : b + 1);
            net.SetDevConfig(login, proto::kCfgChannel, proto::kCfgAllChannels, records.data(), size, 500);
        }
        const double dt = bench::NowUs() - t;
        if (!ok1 || !ok2) ++failures;
        return dt;
    };
    auto threePings = [&]() -> double {
        double sum = 0;
        for (int k = 0; k < 3; ++k) {
            const double f = ping();
            if (f < 0) return -1;
            sum += f;
        }
        return sum;
    };
    for (int i = 0; i < 20; ++i) { threePings(); apply(i); }
    std::vector<double> floor3, applyUs;
    const int applies = std::max(10, a.rounds / 4) & ~1;  // even: the brightness ends where it began
    for (int i = 0; i < applies; ++i) {
        double f, p;
        if (i % 2) { f = threePings(); p = apply(i); } else { p = apply(i); f = threePings(); }
        if (f < 0) { std::fprintf(stderr, "bench: floor connection lost\n"); return 1; }
        floor3.push_back(f);
        applyUs.push_back(p);
    }
    char name[96];
    std::snprintf(name, sizeof name, "2 x NetGetDevConfig (212, %d x 340) + NetSetDevConfig", channels);
    Report("Colour apply", floor3, applyUs, "3 x PING/PONG, bare socket", name);

    if (failures) std::printf("calls that failed: %d (timed anyway)\n", failures);
    if (reconnects) std::printf("floor connection re-made %d time(s)\n", reconnects);
    pinger.Close();
    net.Logout(login);
    net.Cleanup();
    FreeLibrary(net.dll);
    WSACleanup();
    return failures ? 1 : 0;
}
