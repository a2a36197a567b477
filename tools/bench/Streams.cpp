// Many live plays at once through Zentavo.dll: one window with a grid of
// video panes, DVR_StartVideo for each, then frames received, drawn and
// dropped, device-to-window latency and this process's CPU over a
// measurement window. Prints figures; it is not a test.
//
//   zv_bench_streams.exe [--seconds N] [--streams N] [--device ADDR]...
//                      [--channels-per-device N] [--floor-seconds N] [--user NAME:PASSWORD]
//                      [--control PORT]
//
// Streams take the channels of the first device, then of the next, and so on
// (--channels-per-device, default 16). The floor is one stream alone, played
// first for --floor-seconds (default 5): the many-stream figures are given as
// ratios to it. The lines "floor: begin/end" and "measure: begin/end"
// bracket the two windows, so a script can sample the device simulator's CPU
// over the same spans.
//
// The delay is given in stages: devsim's render to its send (read from its
// control port, --control, over the same windows), the wire (the send stamp
// in the frame to the library's receipt) and the library's receipt to the
// picture drawn. A last line "row: ..." holds the figures for a table.
#include "BenchSupport.h"

#include <cstdlib>

#include "VortanetStats.h"
#include "zentavo.h"

namespace {

using bench::Pump;

struct Args {
    std::vector<std::string> devices;
    std::string user = "admin", password = "admin";
    int seconds = 60;
    int streams = 16;
    int perDevice = 16;
    int floorSeconds = 5;
    int controlPort = 0;  // devsim's control port; 0: no devsim stage
};

bool Parse(int argc, char** argv, Args& a) {
    for (int i = 1; i < argc; ++i) {
        const std::string k = argv[i];
        if (i + 1 >= argc) return false;
        const std::string v = argv[++i];
        if (k == "--device") a.devices.push_back(v);
        else if (k == "--seconds") a.seconds = std::max(1, std::atoi(v.c_str()));
        else if (k == "--streams") a.streams = std::min(64, std::max(1, std::atoi(v.c_str())));
        else if (k == "--channels-per-device") a.perDevice = std::max(1, std::atoi(v.c_str()));
        else if (k == "--floor-seconds") a.floorSeconds = std::max(1, std::atoi(v.c_str()));
        else if (k == "--control") a.controlPort = std::atoi(v.c_str());
        else if (k == "--user") {
            const size_t c = v.find(':');
            if (c == std::string::npos) return false;
            a.user = v.substr(0, c);
            a.password = v.substr(c + 1);
        } else return false;
    }
    if (a.devices.empty()) a.devices.push_back("127.0.0.4");
    return true;
}

using PlayStatsFn = int(__cdecl*)(int32_t, VN_PLAY_STATS*);

using bench::CpuSeconds;

struct Stage {
    double p50 = 0, p95 = 0;  // ms
};

// devsim's render to send over a window: restarted at its begin, read at its
// end; the worst of the devices used.
struct DevsimStage {
    const Args& a;
    size_t devices;
    void Restart() const {
        for (size_t i = 0; a.controlPort && i < devices; ++i)
            bench::ControlCommand(static_cast<uint16_t>(a.controlPort), "stages " + a.devices[i] + " reset");
    }
    Stage Read() const {
        Stage st;
        for (size_t i = 0; a.controlPort && i < devices; ++i) {
            const std::string r =
                bench::ControlCommand(static_cast<uint16_t>(a.controlPort), "stages " + a.devices[i]);
            st.p50 = std::max(st.p50, bench::ReplyValue(r, "render_send_p50_us") / 1000);
            st.p95 = std::max(st.p95, bench::ReplyValue(r, "render_send_p95_us") / 1000);
        }
        return st;
    }
};


}  // namespace

int main(int argc, char** argv) {
    Args a;
    if (!Parse(argc, argv, a)) {
        std::fprintf(stderr, "usage: zv_bench_streams [--seconds N] [--streams N] [--device ADDR]... "
                             "[--channels-per-device N] [--user NAME:PASSWORD]\n");
        return 2;
    }
    HMODULE zv = LoadLibraryW(L"Zentavo.dll");
    auto startVideo = reinterpret_cast<decltype(&DVR_StartVideo)>(
        reinterpret_cast<void*>(GetProcAddress(zv, "DVR_StartVideo")));
    auto stopVideo = reinterpret_cast<decltype(&DVR_StopVideo)>(
        reinterpret_cast<void*>(GetProcAddress(zv, "DVR_StopVideo")));
    if (!zv || !startVideo || !stopVideo) {
        std::fprintf(stderr, "bench: cannot load Zentavo.dll\n");
        return 1;
    }

    // One top-level window, a grid of panes fitted to the screen; the panes
    // get the native picture size when the screen is large enough.
    const int cols = a.streams <= 1 ? 1 : a.streams <= 4 ? 2 : a.streams <= 9 ? 3 : a.streams <= 16 ? 4 : 8;
    const int rows = (a.streams + cols - 1) / cols;
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    RECT frame{0, 0, 0, 0};
    AdjustWindowRect(&frame, style, FALSE);
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    const int cellW = std::min<int>(352, (screenW - (frame.right - frame.left)) / cols);
    const int cellH = std::min<int>(288, (screenH - (frame.bottom - frame.top)) / rows);
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = L"ZvBenchPane";
    RegisterClassW(&wc);
    RECT rc{0, 0, cellW * cols, cellH * rows};
    AdjustWindowRect(&rc, style, FALSE);
    HWND top = CreateWindowExW(0, L"ZvBenchPane", L"Zentavo streams benchmark", style, 0, 0,
                               rc.right - rc.left, rc.bottom - rc.top, nullptr, nullptr,
                               wc.hInstance, nullptr);
    std::vector<HWND> panes;
    for (int i = 0; i < a.streams; ++i)
        panes.push_back(CreateWindowExW(0, L"ZvBenchPane", L"", WS_CHILD | WS_VISIBLE, (i % cols) * cellW,
                                        (i / cols) * cellH, cellW, cellH, top, nullptr, wc.hInstance,
                                        nullptr));
    ShowWindow(top, SW_SHOW);
    UpdateWindow(top);
    Pump(200);

    std::vector<CAMERA_INFO> cams(static_cast<size_t>(a.streams));
    double startMs = 0;
    int starts = 0;
    auto start = [&](int i) {
        CAMERA_INFO& c = cams[static_cast<size_t>(i)];
        std::memset(&c, 0, sizeof c);
        const std::string& dev = a.devices[static_cast<size_t>(i / a.perDevice) % a.devices.size()];
        std::snprintf(c.szDeviceAddress, sizeof c.szDeviceAddress, "%s", dev.c_str());
        std::snprintf(c.szUserName, sizeof c.szUserName, "%s", a.user.c_str());
        std::snprintf(c.szPassword, sizeof c.szPassword, "%s", a.password.c_str());
        c.nChannel = i % a.perDevice;
        c.hVideoWnd = ZV_HwndToRecord(panes[static_cast<size_t>(i)]);
        const double t = bench::NowUs();
        const int r = startVideo(&c);
        startMs += (bench::NowUs() - t) / 1000;
        ++starts;
        if (r != 1) std::printf("DVR_StartVideo %s ch %d failed: code %d\n", dev.c_str(), c.nChannel, c.lPlayHandle);
        return r == 1;
    };
    auto playStats = [&](const CAMERA_INFO& c) {
        static const auto fn = reinterpret_cast<PlayStatsFn>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"vortanet.dll"), "NetGetPlayStats")));
        VN_PLAY_STATS s{};
        s.cbSize = sizeof s;
        if (!fn || c.nConnectState != 1 || fn(c.lPlayHandle, &s) != 1) {
            VN_PLAY_STATS none{};
            return none;
        }
        return s;
    };
    auto mark = [](const char* text) {
        std::printf("%s\n", text);
        std::fflush(stdout);
    };

    const size_t devicesUsed =
        std::min(a.devices.size(), static_cast<size_t>((a.streams + a.perDevice - 1) / a.perDevice));
    const DevsimStage devsim{a, devicesUsed};
    const DevsimStage devsimFloor{a, 1};

    // Floor: the first stream alone.
    if (!start(0)) return 1;
    Pump(1000);
    const VN_PLAY_STATS f0 = playStats(cams[0]);
    double cpu0 = CpuSeconds(), wall0 = bench::NowUs();
    devsimFloor.Restart();
    mark("floor: begin");
    Pump(static_cast<DWORD>(a.floorSeconds) * 1000);
    const VN_PLAY_STATS f1 = playStats(cams[0]);
    const Stage devsimAlone = devsimFloor.Read();
    const double floorCpu = (CpuSeconds() - cpu0) / ((bench::NowUs() - wall0) / 1e6);
    mark("floor: end");
    stopVideo(&cams[0]);
    if (f1.framesDrawn == 0) {
        std::fprintf(stderr, "bench: no frame drawn for the single stream (NetGetPlayStats %s)\n",
                     GetProcAddress(GetModuleHandleW(L"vortanet.dll"), "NetGetPlayStats") ? "present" : "missing");
        return 1;
    }

    // All streams; every one a fresh play, so its figures cover this phase only.
    int started = 0;
    for (int i = 0; i < a.streams; ++i) started += start(i) ? 1 : 0;
    std::printf("%d of %d streams started (DVR_StartVideo %.1f ms on average), panes %dx%d in a %dx%d grid\n",
                started, a.streams, startMs / starts, cellW, cellH, cols, rows);
    if (started == 0) return 1;
    Pump(2000);  // every stream running before the window opens
    std::vector<VN_PLAY_STATS> s0, s1;
    for (auto& c : cams) s0.push_back(playStats(c));
    cpu0 = CpuSeconds();
    wall0 = bench::NowUs();
    devsim.Restart();
    std::printf("measure: begin (%d s)\n", a.seconds);
    std::fflush(stdout);
    Pump(static_cast<DWORD>(a.seconds) * 1000);
    for (auto& c : cams) s1.push_back(playStats(c));
    const double cpu1 = CpuSeconds(), wall1 = bench::NowUs();
    const Stage devsimAll = devsim.Read();
    mark("measure: end");
    Pump(2000);  // still playing while a script reads /proc and takes a screenshot

    const double wall = (wall1 - wall0) / 1e6;
    uint64_t received = 0, drawn = 0, dropped = 0;
    uint32_t worstP95 = 0, worstMax = 0, bestP95 = UINT32_MAX;
    std::vector<double> p50s;
    for (size_t i = 0; i < cams.size(); ++i) {
        if (cams[i].nConnectState != 1) continue;
        const VN_PLAY_STATS& b = s0[i];
        const VN_PLAY_STATS& e = s1[i];
        received += e.framesReceived - b.framesReceived;
        drawn += e.framesDrawn - b.framesDrawn;
        dropped += e.framesDropped - b.framesDropped;
        worstP95 = std::max(worstP95, e.latencyP95Us);
        bestP95 = std::min(bestP95, e.latencyP95Us);
        worstMax = std::max(worstMax, e.latencyMaxUs);
        p50s.push_back(e.latencyP50Us / 1000.0);
    }
    const double expected = 25.0 * wall * started;
    const double hostPerStream = 100.0 * (cpu1 - cpu0) / wall / started;
    std::printf("\nfloor, 1 stream alone for %d s: %u frames drawn, %u dropped, latency p50 %.1f ms "
                "p95 %.1f ms, host CPU %.2f %% of a core\n",
                a.floorSeconds, f1.framesDrawn - f0.framesDrawn, f1.framesDropped - f0.framesDropped,
                f1.latencyP50Us / 1000.0, f1.latencyP95Us / 1000.0, 100.0 * floorCpu);
    std::printf("\n%d streams, %.1f s measured (%ux%u pictures drawn into %dx%d panes)\n", started, wall,
                s1[0].width, s1[0].height, cellW, cellH);
    std::printf("  frames received %llu (%.2f fps per stream of 25)   drawn %llu\n",
                static_cast<unsigned long long>(received), received / wall / started,
                static_cast<unsigned long long>(drawn));
    std::printf("  frames dropped  %llu = %.3f %% of %llu   (target < 1 %%)\n",
                static_cast<unsigned long long>(dropped),
                100.0 * dropped / std::max<double>(1, static_cast<double>(received + dropped)),
                static_cast<unsigned long long>(received + dropped));
    std::printf("  received + dropped = %.2f %% of 25 fps x measured time\n",
                expected > 0 ? 100.0 * static_cast<double>(received + dropped) / expected : 0.0);
    std::printf("  latency device -> window: p50 %.0f ms (median over streams); p95 %.0f..%.0f ms over the "
                "streams (target <= 60 ms); max %.1f ms\n",
                bench::Percentile(p50s, 0.5), bestP95 / 1000.0, worstP95 / 1000.0, worstMax / 1000.0);
    std::printf("  p95 per stream, ms:");
    for (size_t i = 0; i < cams.size(); ++i)
        if (cams[i].nConnectState == 1) std::printf(" %u", s1[i].latencyP95Us / 1000);
    std::printf("\n");
    std::printf("  ratio to floor: worst p95 %.2fx, median p50 %.2fx\n",
                f1.latencyP95Us ? static_cast<double>(worstP95) / f1.latencyP95Us : 0.0,
                f1.latencyP50Us ? bench::Percentile(p50s, 0.5) * 1000.0 / f1.latencyP50Us : 0.0);
    std::printf("  host CPU (GetProcessTimes): %.1f %% of a core in all, %.2f %% per stream "
                "(%.2fx the single stream's)\n",
                100.0 * (cpu1 - cpu0) / wall, hostPerStream,
                floorCpu > 0 ? hostPerStream / (100.0 * floorCpu) : 0.0);

    // The stages: for one stream its own figures; for many, the median of
    // the streams' p50 and the worst stream's p95.
    auto stageOf = [&](uint32_t VN_PLAY_STATS::*p50, uint32_t VN_PLAY_STATS::*p95) {
        std::vector<double> mid;
        Stage st;
        for (size_t i = 0; i < cams.size(); ++i) {
            if (cams[i].nConnectState != 1) continue;
            mid.push_back(s1[i].*p50 / 1000.0);
            st.p95 = std::max(st.p95, s1[i].*p95 / 1000.0);
        }
        st.p50 = bench::Percentile(mid, 0.5);
        return st;
    };
    auto alone = [&](uint32_t VN_PLAY_STATS::*p50, uint32_t VN_PLAY_STATS::*p95) {
        return Stage{f1.*p50 / 1000.0, f1.*p95 / 1000.0};
    };
    const Stage wire1 = alone(&VN_PLAY_STATS::wireP50Us, &VN_PLAY_STATS::wireP95Us);
    const Stage draw1 = alone(&VN_PLAY_STATS::drawP50Us, &VN_PLAY_STATS::drawP95Us);
    const Stage window1 = alone(&VN_PLAY_STATS::latencyP50Us, &VN_PLAY_STATS::latencyP95Us);
    const Stage wireN = stageOf(&VN_PLAY_STATS::wireP50Us, &VN_PLAY_STATS::wireP95Us);
    const Stage drawN = stageOf(&VN_PLAY_STATS::drawP50Us, &VN_PLAY_STATS::drawP95Us);
    const Stage windowN = stageOf(&VN_PLAY_STATS::latencyP50Us, &VN_PLAY_STATS::latencyP95Us);
    // Render to window: devsim's stage added to the library's (the frame
    // carries one stamp, its send time).
    const Stage whole1{devsimAlone.p50 + window1.p50, devsimAlone.p95 + window1.p95};
    const Stage wholeN{devsimAll.p50 + windowN.p50, devsimAll.p95 + windowN.p95};
    std::printf("\n  stages, ms                         1 stream p50    p95 | %2d streams p50    p95 (worst stream)\n",
                started);
    auto line = [](const char* name, Stage one, Stage many) {
        std::printf("  %-34s %8.1f %6.1f | %15.1f %6.1f\n", name, one.p50, one.p95, many.p50, many.p95);
    };
    if (a.controlPort) line("devsim render + queue", devsimAlone, devsimAll);
    line("wire (send -> library receipt)", wire1, wireN);
    line("library receipt -> drawn", draw1, drawN);
    line("device send -> window", window1, windowN);
    if (a.controlPort) line("render -> window (devsim + send)", whole1, wholeN);
    auto ratio = [](double x, double floor) { return floor > 0 ? x / floor : 0.0; };
    const Stage& w1 = a.controlPort ? whole1 : window1;
    const Stage& wN = a.controlPort ? wholeN : windowN;
    std::printf("  target: library receipt -> drawn p95, %d streams / 1 stream: %.2fx (target <= 2x)\n", started,
                ratio(drawN.p95, draw1.p95));
    std::printf("  target: %s p95, worst stream / single-stream floor: %.2fx (target <= 2x)\n",
                a.controlPort ? "render -> window" : "device send -> window", ratio(wN.p95, w1.p95));
    std::printf("row: streams=%d size=%ux%u dropped_pct=%.3f devsim_p95=%.1f wire_p95=%.1f draw_p95=%.1f "
                "window_p95=%.1f whole_p95=%.1f host_cpu_per_stream=%.2f fps=%.2f\n",
                started, s1[0].width, s1[0].height,
                100.0 * dropped / std::max<double>(1, static_cast<double>(received + dropped)), devsimAll.p95,
                wireN.p95, drawN.p95, windowN.p95, wN.p95, hostPerStream, received / wall / started);

    for (auto& c : cams)
        if (c.nConnectState == 1) stopVideo(&c);
    DestroyWindow(top);
    FreeLibrary(zv);
    return 0;
}
