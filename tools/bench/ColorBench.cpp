// The colour panel's write against its floor, measured in one run between
// the same two processes (this one and the device):
//   - from a slider's release (the notification sent to a real panel that
//     DVR_ParamSet opened) until its NetSetDevConfig has returned: two reads
//     and one write to the device. The panel updates its edit's text right
//     after the write, so the edit's WM_SETTEXT marks the write's return;
//     the whole handler (the text and the repaint too) is shown beside it;
//   - three bare PING/PONG round trips on a socket of our own.
// The two kinds of sample are interleaved so that drift on a shared machine
// hits both alike. Prints figures; it is not a test.
//
//   zv_bench_colour.exe [--device ADDR] [--channel N] [--rounds N] [--user NAME:PASSWORD]
#include "BenchSupport.h"
#include "DeviceFacts.h"

#include <commctrl.h>

#include <cstdlib>

#include "resource.h"
#include "zentavo.h"

namespace proto = zv::proto;

namespace {




// The first WM_SETTEXT to the brightness edit since the release was sent.
double g_textSetUs = 0;
WNDPROC g_editProc = nullptr;
LRESULT CALLBACK EditSpy(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_SETTEXT && g_textSetUs == 0) g_textSetUs = bench::NowUs();
    return CallWindowProcW(g_editProc, w, m, wp, lp);
}

BOOL CALLBACK FindPanelProc(HWND w, LPARAM p) {
    if (!GetDlgItem(w, IDC_COLOR_BRIGHTNESS_EDIT)) return TRUE;
    *reinterpret_cast<HWND*>(p) = w;
    return FALSE;
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// The brightness byte of a channel as the device has it now, or -1.
int DeviceBrightness(bench::Vortanet& net, int32_t login, int channel) {
    std::vector<unsigned char> device(proto::kDeviceBlockSize), records;
    int32_t got = 0;
    if (!net.GetDevConfig(login, proto::kCfgDevice, 0, device.data(), proto::kDeviceBlockSize, &got, 500) ||
        got != proto::kDeviceBlockSize)
        return -1;
    records.resize(static_cast<size_t>(device[proto::kChannelCountOffset]) * proto::kChannelRecordSize);
    if (channel >= device[proto::kChannelCountOffset]) return -1;
    if (!net.GetDevConfig(login, proto::kCfgChannel, proto::kCfgAllChannels, records.data(),
                          int32_t(records.size()), &got, 500) ||
        got != int32_t(records.size()))
        return -1;
    return records[static_cast<size_t>(channel) * proto::kChannelRecordSize + proto::kBrightnessOffset];
}

}  // namespace

int main(int argc, char** argv) {
    bench::Args a;
    a.rounds = 500;
    if (!bench::ParseArgs(argc, argv, a)) {
        std::fprintf(stderr, "usage: zv_bench_colour [--device ADDR] [--channel N] "
                             "[--rounds N] [--user NAME:PASSWORD]\n");
        return 2;
    }
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);

    // The library as a host that has started its cameras leaves it:
    // initialised. Its own login is only for checking the device at the end.
    bench::Vortanet net;
    if (!net.Load() || !net.Init(bench::OnDisconnect, 1)) {
        std::fprintf(stderr, "bench: vortanet.dll could not be loaded or initialised\n");
        return 1;
    }
    HMODULE dll = LoadLibraryW(L"Zentavo.dll");
    using PFN_Panel = int(__cdecl*)(CAMERA_INFO*, int, int, int);
    auto ParamSet = dll ? reinterpret_cast<PFN_Panel>(reinterpret_cast<void*>(
                              GetProcAddress(dll, MAKEINTRESOURCEA(8))))
                        : nullptr;
    if (!ParamSet) {
        std::fprintf(stderr, "bench: Zentavo.dll or its ordinal 8 is missing\n");
        return 1;
    }

    HWND host = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 0, 0, 200, 150,
                                nullptr, nullptr, nullptr, nullptr);
    CAMERA_INFO cam;
    std::memset(&cam, 0, sizeof cam);
    std::strncpy(cam.szDeviceAddress, a.device.c_str(), sizeof cam.szDeviceAddress - 1);
    std::strncpy(cam.szUserName, a.user.c_str(), sizeof cam.szUserName - 1);
    std::strncpy(cam.szPassword, a.password.c_str(), sizeof cam.szPassword - 1);
    cam.nChannel = a.channel;
    cam.hVideoWnd = ZV_HwndToRecord(host);
    if (ParamSet(&cam, 1, 240, 40) != 1) {
        std::fprintf(stderr, "bench: DVR_ParamSet failed\n");
        return 1;
    }
    PumpMessages();
    HWND panel = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindPanelProc, reinterpret_cast<LPARAM>(&panel));
    if (!panel) {
        std::fprintf(stderr, "bench: no colour panel (did the login to %s fail?)\n", a.device.c_str());
        return 1;
    }
    HWND slider = GetDlgItem(panel, IDC_COLOR_BRIGHTNESS_SLIDER);
    const int start = int(SendMessageW(slider, TBM_GETPOS, 0, 0));
    const int base = start < 255 ? start : 254;

    bench::BarePinger pinger;
    int reconnects = 0;
    auto ping = [&]() -> double {
        for (int attempt = 0; attempt < 2; ++attempt) {
            const double t = bench::NowUs();
            if (pinger.RoundTrip()) return bench::NowUs() - t;
            if (++reconnects > 5 || !pinger.Connect(a.device, 37777)) return -1;
        }
        return -1;
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
    if (!pinger.Connect(a.device, 37777)) {
        std::fprintf(stderr, "bench: cannot connect to %s:37777\n", a.device.c_str());
        return 1;
    }
    std::printf("device %s channel %d; this process <-> devsim over loopback\n\n", a.device.c_str(),
                a.channel);

    // One step of brightness up and back, as a user nudging the slider: the
    // thumb is moved, then the release goes to the panel the way the
    // trackbar sends it. The handler returns after its NetSetDevConfig.
    HWND edit = GetDlgItem(panel, IDC_COLOR_BRIGHTNESS_EDIT);
    g_editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditSpy)));
    std::vector<double> handlerUs;
    auto release = [&](int i) -> double {
        SendMessageW(slider, TBM_SETPOS, TRUE, i % 2 ? base : base + 1);
        NMHDR hdr{slider, IDC_COLOR_BRIGHTNESS_SLIDER, static_cast<UINT>(NM_RELEASEDCAPTURE)};
        g_textSetUs = 0;
        const double t = bench::NowUs();
        SendMessageW(panel, WM_NOTIFY, IDC_COLOR_BRIGHTNESS_SLIDER, reinterpret_cast<LPARAM>(&hdr));
        const double end = bench::NowUs();
        handlerUs.push_back(end - t);
        PumpMessages();  // the panel repaints between changes, outside the timing
        return (g_textSetUs > 0 ? g_textSetUs : end) - t;
    };
    // For reference: the same three library calls made directly, on a
    // login of this program's own (what the panel's write costs without the
    // panel). It writes back exactly what it read.
    unsigned char info[56] = {};
    int error = 0;
    const int32_t login =
        net.Login(a.device.c_str(), 37777, a.user.c_str(), a.password.c_str(), info, &error);
    std::vector<unsigned char> devBlock(proto::kDeviceBlockSize), records;
    auto direct = [&]() -> double {
        const double t = bench::NowUs();
        int32_t n1 = 0, n2 = 0;
        if (net.GetDevConfig(login, proto::kCfgDevice, 0, devBlock.data(), proto::kDeviceBlockSize, &n1,
                             500) &&
            n1 == proto::kDeviceBlockSize) {
            records.resize(static_cast<size_t>(devBlock[proto::kChannelCountOffset]) *
                           proto::kChannelRecordSize);
            if (net.GetDevConfig(login, proto::kCfgChannel, proto::kCfgAllChannels, records.data(),
                                 int32_t(records.size()), &n2, 500) &&
                n2 == int32_t(records.size()))
                net.SetDevConfig(login, proto::kCfgChannel, proto::kCfgAllChannels, records.data(),
                                 int32_t(records.size()), 500);
        }
        return bench::NowUs() - t;
    };

    for (int i = 0; i < 20; ++i) {
        threePings();
        release(i);
        direct();
    }  // warm-up
    handlerUs.clear();
    std::vector<double> floor3, releaseUs, directUs;
    const int rounds = a.rounds & ~1;  // even: the brightness ends where it began
    for (int i = 0; i < rounds; ++i) {
        // Rotate the order: no kind always follows another.
        // Each sample starts on a settled machine, as a user's change does:
        // the panel's repaint (the X server's work) and the device's are done.
        double f = 0, p = 0, d = 0;
        auto settle = [] { Sleep(10); };
        switch (i % 3) {
        case 0: settle(); p = release(i); settle(); f = threePings(); settle(); d = direct(); break;
        case 1: settle(); f = threePings(); settle(); d = direct(); settle(); p = release(i); break;
        default: settle(); d = direct(); settle(); p = release(i); settle(); f = threePings(); break;
        }
        if (f < 0) { std::fprintf(stderr, "bench: floor connection lost\n"); return 1; }
        floor3.push_back(f);
        releaseUs.push_back(p);
        directUs.push_back(d);
    }

    const double f50 = bench::Percentile(floor3, 0.5), f95 = bench::Percentile(floor3, 0.95);
    const double r50 = bench::Percentile(releaseUs, 0.5), r95 = bench::Percentile(releaseUs, 0.95);
    std::printf("Colour panel: slider release to NetSetDevConfig returned (%zu samples each)\n",
                releaseUs.size());
    std::printf("  floor  %-48s median %8.1f us   p95 %8.1f us\n", "3 x PING/PONG, bare socket", f50, f95);
    std::printf("  timed  %-48s median %8.1f us   p95 %8.1f us\n",
                "NM_RELEASEDCAPTURE to the panel (2 reads, 1 write)", r50, r95);
    std::printf("  ratio to floor: median %.2fx   p95 %.2fx   (target <= 1.5x at the median)\n",
                f50 > 0 ? r50 / f50 : 0.0, f95 > 0 ? r95 / f95 : 0.0);
    const double h50 = bench::Percentile(handlerUs, 0.5), h95 = bench::Percentile(handlerUs, 0.95);
    std::printf("  whole  %-48s median %8.1f us   p95 %8.1f us   (%.2fx)\n\n",
                "the handler, its edit text and repaint included", h50, h95, f50 > 0 ? h50 / f50 : 0.0);

    if (login) {
        const double d50 = bench::Percentile(directUs, 0.5), d95 = bench::Percentile(directUs, 0.95);
        std::printf("For reference, not a target: the same calls without the panel\n");
        std::printf("  timed  %-48s median %8.1f us   p95 %8.1f us\n",
                    "2 x NetGetDevConfig + NetSetDevConfig, direct", d50, d95);
        std::printf("  ratio to floor: median %.2fx   p95 %.2fx\n\n", f50 > 0 ? d50 / f50 : 0.0,
                    f95 > 0 ? d95 / f95 : 0.0);
    }

    // The writes really landed: the device has the panel's last value.
    const int onDevice = login ? DeviceBrightness(net, login, a.channel) : -1;
    const int shown = int(SendMessageW(slider, TBM_GETPOS, 0, 0));
    std::printf("brightness on the device %d, on the panel %d%s\n", onDevice, shown,
                onDevice == shown ? "" : "   (MISMATCH)");
    if (reconnects) std::printf("floor connection re-made %d time(s)\n", reconnects);

    // Leave the device as found.
    SendMessageW(slider, TBM_SETPOS, TRUE, start);
    NMHDR hdr{slider, IDC_COLOR_BRIGHTNESS_SLIDER, static_cast<UINT>(NM_RELEASEDCAPTURE)};
    SendMessageW(panel, WM_NOTIFY, IDC_COLOR_BRIGHTNESS_SLIDER, reinterpret_cast<LPARAM>(&hdr));

    pinger.Close();
    if (login) net.Logout(login);
    FreeLibrary(dll);  // destroys the panel and logs its login out
    DestroyWindow(host);
    net.Cleanup();
    FreeLibrary(net.dll);
    WSACleanup();
    return onDevice == shown ? 0 : 1;
}
