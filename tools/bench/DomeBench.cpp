// What the dome panel costs, against floors measured in the same run:
//   - DVR_ShowCamera (shown, login already pooled) vs creating the panel's
//     template bare, with a do-nothing dialog procedure;
//   - DVR_SetDomeCMD vs NetPtzControl called directly on the same login.
// Samples of each pair are interleaved so that drift on a shared machine
// hits both alike. Prints figures; it is not a test.
//
//   zv_bench_dome.exe [--device ADDR] [--rounds N]
#include "BenchSupport.h"

#include <cstdlib>
#include <cstring>

#include "zentavo.h"

namespace {

INT_PTR CALLBACK BareDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

void Report(const char* what, const char* floorName, const std::vector<double>& floor,
            const char* timedName, const std::vector<double>& timed, double target) {
    const double f50 = bench::Percentile(floor, 0.5), f95 = bench::Percentile(floor, 0.95);
    const double t50 = bench::Percentile(timed, 0.5), t95 = bench::Percentile(timed, 0.95);
    std::printf("%s (%zu samples each)\n", what, timed.size());
    std::printf("  floor  %-44s median %9.1f us   p95 %9.1f us\n", floorName, f50, f95);
    std::printf("  timed  %-44s median %9.1f us   p95 %9.1f us\n", timedName, t50, t95);
    std::printf("  ratio to floor: median %.2fx   p95 %.2fx   (target <= %.2fx at the median)\n\n",
                f50 > 0 ? t50 / f50 : 0.0, f95 > 0 ? t95 / f95 : 0.0, target);
}

}  // namespace

int main(int argc, char** argv) {
    bench::Args a;
    if (!bench::ParseArgs(argc, argv, a)) {
        std::fprintf(stderr, "usage: zv_bench_dome [--device ADDR] [--rounds N] [--user NAME:PASSWORD]\n");
        return 2;
    }
    const std::string& device = a.device;
    const int rounds = a.rounds;
    HMODULE dll = LoadLibraryW(L"Zentavo.dll");
    if (!dll) {
        std::fprintf(stderr, "bench: Zentavo.dll not found\n");
        return 1;
    }
    auto get = [&](const char* name) { return reinterpret_cast<void*>(GetProcAddress(dll, name)); };
    auto StartVideo = reinterpret_cast<decltype(&DVR_StartVideo)>(get("DVR_StartVideo"));
    auto StopVideo = reinterpret_cast<decltype(&DVR_StopVideo)>(get("DVR_StopVideo"));
    auto ShowCamera = reinterpret_cast<decltype(&DVR_ShowCamera)>(get("DVR_ShowCamera"));
    auto FreeCamera = reinterpret_cast<decltype(&DVR_FreeCamera)>(get("DVR_FreeCamera"));
    auto SetDomeCMD = reinterpret_cast<decltype(&DVR_SetDomeCMD)>(get("DVR_SetDomeCMD"));

    HWND video = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 352, 288, nullptr,
                                 nullptr, nullptr, nullptr);
    CAMERA_INFO cam;
    std::memset(&cam, 0, sizeof cam);
    std::snprintf(cam.szDeviceAddress, sizeof cam.szDeviceAddress, "%s", device.c_str());
    std::snprintf(cam.szUserName, sizeof cam.szUserName, "%s", a.user.c_str());
    std::snprintf(cam.szPassword, sizeof cam.szPassword, "%s", a.password.c_str());
    cam.hVideoWnd = ZV_HwndToRecord(video);
    if (StartVideo(&cam) != 1) {
        std::fprintf(stderr, "bench: DVR_StartVideo %s failed (code %d)\n", device.c_str(), cam.lPlayHandle);
        return 1;
    }
    bench::Vortanet net;  // the module's own copy, already initialised by the start
    if (!net.Load()) {
        std::fprintf(stderr, "bench: vortanet.dll or one of its ordinals is missing\n");
        return 1;
    }

    // Panel creation: a few warm-up rounds first (first loads of the
    // bitmaps and the common controls).
    std::vector<double> bare, shown;
    for (int i = 0; i < 60 + 5; ++i) {
        double t = bench::NowUs();
        HWND dlg = CreateDialogParamW(dll, MAKEINTRESOURCEW(6051), video, BareDialogProc, 0);
        const double bareUs = bench::NowUs() - t;
        DestroyWindow(dlg);
        Pump();
        t = bench::NowUs();
        const int r = ShowCamera(&cam, 1, 400, 0);
        const double showUs = bench::NowUs() - t;
        Pump();
        FreeCamera(0);  // untimed: the next show then makes a panel and destroys none
        Pump();
        if (!dlg || r != 1) {
            std::fprintf(stderr, "bench: creating the panel failed\n");
            return 1;
        }
        if (i >= 5) {
            bare.push_back(bareUs);
            shown.push_back(showUs);
        }
    }
    Report("Dome panel creation", "CreateDialogParam(6051), do-nothing procedure", bare,
           "DVR_ShowCamera, shown, login pooled", shown, 2.0);

    // PTZ: the panel kept hidden, alternate up and stop so the dome stays put.
    ShowCamera(&cam, 0, 0, 0);
    std::vector<double> direct, module;
    for (int i = 0; i < rounds; ++i) {
        const bool stop = i % 2 == 1;
        double t = bench::NowUs();
        const int32_t a = net.PtzControl(cam.lLoginHandle, 0, 0, 0, stop ? 0 : 1, 0, stop ? 1 : 0);
        const double directUs = bench::NowUs() - t;
        t = bench::NowUs();
        const int b = SetDomeCMD(0, stop ? PTZ_STOP : PTZ_UP, 0);
        const double moduleUs = bench::NowUs() - t;
        if (a != 1 || b != 1) {
            std::fprintf(stderr, "bench: a PTZ command failed (%d, %d)\n", a, b);
            return 1;
        }
        direct.push_back(directUs);
        module.push_back(moduleUs);
    }
    SetDomeCMD(0, PTZ_STOP, 0);
    Report("PTZ command", "NetPtzControl on the same login", direct, "DVR_SetDomeCMD", module, 1.05);

    FreeCamera(0);
    StopVideo(&cam);
    FreeLibrary(dll);
    DestroyWindow(video);
    return 0;
}
