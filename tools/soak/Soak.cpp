// The soak: Zentavo.dll with the stand-in vortanet.dll against devsim for a
// long while, with faults injected on devsim's control port at random, while
// host threads start and stop plays and switch audio and the UI thread opens,
// drives and closes both panels. A watchdog reports a thread that stops
// making progress; a crash is caught and reported. Prints figures; it is a
// tool (tools/soak/run), not a test. With --onvif-ports (the web-service
// build of vortanet.dll beside Zentavo.dll) the cameras are the devices'
// web services on those ports, and the faults are the web-service face's,
// a camera that hangs for a few seconds now and then among them.
//
//   zv_soak.exe --control-port N --devices A,B [--onvif-ports P,Q] [--seconds S] [--seed N]
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "CameraRecord.h"
#include "ControlClient.h"
#include "ProcessCounts.h"
#include "resource.h"
#include "zentavo.h"

namespace {

constexpr int kChannels = 4;
constexpr int kHostThreads = 3;
constexpr DWORD kHangMs = 60000;  // a thread silent this long is hung

struct Api {
    decltype(&DVR_StartVideo) StartVideo;
    decltype(&DVR_StopVideo) StopVideo;
    decltype(&DVR_AudioSet) AudioSet;
    decltype(&DVR_GetConnectState) GetConnectState;
    decltype(&DVR_ShowCamera) ShowCamera;
    decltype(&DVR_FreeCamera) FreeCamera;
    decltype(&DVR_SetDomeCMD) SetDomeCMD;
    decltype(&DVR_ParamSet) ParamSet;
};

Api g_api;
HMODULE g_dll;
std::atomic<bool> g_stop{false};
std::atomic<bool> g_chaosOn{true};
bool g_onvif = false;
std::mutex g_statsMutex;
std::map<std::string, long> g_calls;   // export -> calls
std::map<std::string, long> g_faults;  // fault kind -> times injected
std::atomic<DWORD> g_beat[kHostThreads + 2];  // host threads, UI, chaos
const char* const kBeatNames[kHostThreads + 2] = {"host 1", "host 2", "host 3", "UI", "chaos"};

void Say(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(stdout, fmt, ap);
    va_end(ap);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void Count(std::map<std::string, long>& m, const std::string& key) {
    std::lock_guard<std::mutex> lock(g_statsMutex);
    ++m[key];
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info) {
    Say("soak: CRASH exception 0x%08lx at %p", info->ExceptionRecord->ExceptionCode,
        info->ExceptionRecord->ExceptionAddress);
    ExitProcess(2);
}

// ---- host threads: plays and audio ------------------------------------------

struct HostCamera {
    CAMERA_INFO info;
    bool playing = false;
};

void HostThread(int index, std::vector<HostCamera> cameras, unsigned seed) {
    std::mt19937 rng(seed);
    while (!g_stop) {
        g_beat[index] = GetTickCount();
        HostCamera& c = cameras[rng() % cameras.size()];
        switch (rng() % 6) {
        case 0:
        case 1:
            Count(g_calls, "DVR_StartVideo");
            if (g_api.StartVideo(&c.info)) c.playing = true;
            break;
        case 2:
            Count(g_calls, "DVR_StopVideo");
            if (g_api.StopVideo(&c.info)) c.playing = false;
            break;
        case 3:
            Count(g_calls, "DVR_AudioSet");
            c.info.nAudioState = static_cast<int32_t>(rng() % 2);
            g_api.AudioSet(&c.info);
            break;
        default:
            Count(g_calls, "DVR_GetConnectState");
            if (!g_api.GetConnectState(&c.info)) c.playing = false;
            break;
        }
        Sleep(50 + rng() % 250);
    }
    for (HostCamera& c : cameras)
        while (g_api.StopVideo(&c.info)) Count(g_calls, "DVR_StopVideo");
}

// ---- chaos: faults from devsim's control port --------------------------------

// Every fault switched off on every device.
void ClearFaults(const zv::devsim::ControlClient& devsim, const std::vector<std::string>& devices) {
    static const char* const kDevice[] = {"refuse-login", "delay-login", "stall-config", "short-config", "hostile"};
    static const char* const kOnvif[] = {"onvif-refuse", "onvif-delay",  "onvif-drop", "onvif-malformed",
                                         "onvif-no-stop", "onvif-skew", "onvif-freeze", "rtsp-silent"};
    for (const std::string& d : devices) {
        for (const char* off : g_onvif ? std::vector<const char*>(std::begin(kOnvif), std::end(kOnvif))
                                       : std::vector<const char*>(std::begin(kDevice), std::end(kDevice))) {
            const bool number = !std::strcmp(off, "delay-login") || !std::strcmp(off, "short-config") ||
                                !std::strcmp(off, "onvif-delay") || !std::strcmp(off, "onvif-skew");
            devsim.Command(std::string(off) + " " + d + (number ? " 0" : " off"));
        }
    }
}

// One fault of the web-service face, and when it is switched off again
// (0: left on until a clear).
std::string OnvifFault(std::mt19937& rng, const std::string& dev, std::string& kind, std::string& undo,
                       DWORD& holdMs) {
    holdMs = 0;
    switch (rng() % 10) {
    case 0: kind = "drop"; return "drop " + dev;
    case 1: kind = "restart"; return "restart " + dev + " " + std::to_string(200 + rng() % 1500);
    case 2: kind = "onvif-refuse"; return "onvif-refuse " + dev + (rng() % 2 ? " on" : " off");
    case 3:
        kind = "onvif-delay";
        return "onvif-delay " + dev + " " + std::to_string(rng() % 2 ? 0 : 100 + rng() % 2500);
    case 4:
        kind = "onvif-drop";
        undo = "onvif-drop " + dev + " off";
        holdMs = 300 + rng() % 1500;
        return "onvif-drop " + dev + " on";
    case 5:
        kind = "onvif-malformed";
        undo = "onvif-malformed " + dev + " off";
        holdMs = 300 + rng() % 700;
        return "onvif-malformed " + dev + " on";
    case 6: kind = "onvif-no-stop"; return "onvif-no-stop " + dev + (rng() % 2 ? " on" : " off");
    case 7:
        kind = "onvif-skew";
        return "onvif-skew " + dev + " " + std::to_string(rng() % 2 ? 0 : int(rng() % 7200) - 3600);
    case 8:  // a camera that hangs for a while
        kind = "onvif-freeze";
        undo = "onvif-freeze " + dev + " off";
        holdMs = 1000 + rng() % 5000;
        return "onvif-freeze " + dev + " on";
    default:
        kind = "rtsp-silent";
        undo = "rtsp-silent " + dev + " off";
        holdMs = 2000 + rng() % 6000;
        return "rtsp-silent " + dev + (rng() % 2 ? " current" : " all");
    }
}

void ChaosThread(zv::devsim::ControlClient devsim, std::vector<std::string> devices, unsigned seed) {
    std::mt19937 rng(seed);
    while (!g_stop) {
        g_beat[kHostThreads + 1] = GetTickCount();
        for (int i = 0; i < 20 && !g_stop; ++i) Sleep(50 + rng() % 100);  // 1..3 s
        if (g_stop || !g_chaosOn) continue;
        const std::string dev = devices[rng() % devices.size()];
        std::string kind, cmd;
        if (g_onvif) {
            if (rng() % 8 == 7) {
                ClearFaults(devsim, devices);
                Count(g_faults, "all clear");
                continue;
            }
            std::string undo;
            DWORD holdMs = 0;
            cmd = OnvifFault(rng, dev, kind, undo, holdMs);
            if (devsim.Command(cmd, 10000).rfind("OK", 0) == 0) Count(g_faults, kind);
            for (DWORD held = 0; held < holdMs && !g_stop; held += 100) {
                g_beat[kHostThreads + 1] = GetTickCount();
                Sleep(100);
            }
            if (!undo.empty()) devsim.Command(undo);
            if (rng() % 4 == 0) ClearFaults(devsim, devices);
            continue;
        }
        switch (rng() % 8) {
        case 0: kind = "drop"; cmd = "drop " + dev; break;
        case 1: kind = "restart"; cmd = "restart " + dev + " " + std::to_string(200 + rng() % 1500); break;
        case 2: kind = "refuse-login"; cmd = "refuse-login " + dev + (rng() % 2 ? " on" : " off"); break;
        case 3: kind = "delay-login"; cmd = "delay-login " + dev + " " + std::to_string(rng() % 2 ? 0 : 500 + rng() % 3000); break;
        case 4: kind = "stall-config"; cmd = "stall-config " + dev + (rng() % 2 ? " off" : " " + std::to_string(200 + rng() % 1500)); break;
        case 5: kind = "short-config"; cmd = "short-config " + dev + " " + std::to_string(rng() % 2 ? 0 : 1 + rng() % 300); break;
        case 6: {
            static const char* modes[] = {"garbage", "bad-magic", "bad-version", "oversize", "truncate", "bad-payload"};
            kind = "hostile";
            cmd = "hostile " + dev + " " + modes[rng() % 6];
            break;
        }
        default: kind = "all clear"; cmd = ""; break;
        }
        if (!cmd.empty() && devsim.Command(cmd, 10000).rfind("OK", 0) == 0) Count(g_faults, kind);
        if (kind == "hostile") {  // one hostile stretch, then clean again
            Sleep(300);
            devsim.Command("hostile " + dev + " off");
        }
        if (kind == "all clear" || rng() % 4 == 0) ClearFaults(devsim, devices);
    }
}

// ---- the UI thread: both panels opened, driven and closed ---------------------

BOOL CALLBACK FindPanelProc(HWND wnd, LPARAM lp) {
    auto* p = reinterpret_cast<std::pair<int, HWND>*>(lp);
    if (GetDlgItem(wnd, p->first)) {
        p->second = wnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindPanel(int childId) {
    std::pair<int, HWND> p{childId, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindPanelProc, reinterpret_cast<LPARAM>(&p));
    return p.second;
}

void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < ms) {
        g_beat[kHostThreads] = GetTickCount();
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// One random thing a user does with the panels; panel calls only on this thread.
void UiStep(std::mt19937& rng, std::vector<CAMERA_INFO>& cams) {
    CAMERA_INFO& cam = cams[rng() % cams.size()];
    static const int kMotionButtons[] = {IDC_DOME_UP, IDC_DOME_DOWN, IDC_DOME_LEFT, IDC_DOME_RIGHT,
                                         IDC_DOME_ZOOM_IN, IDC_DOME_ZOOM_OUT, IDC_DOME_SPEED_UP,
                                         IDC_DOME_SPEED_DOWN};
    switch (rng() % 7) {
    case 0:
        Count(g_calls, "DVR_ShowCamera");
        g_api.ShowCamera(&cam, rng() % 4 ? 1 : 0, 700, 20);
        break;
    case 1: {  // hold a button, sometimes ended by something else than its release
        HWND panel = FindPanel(IDC_DOME_JOYSTICK);
        if (!panel) break;
        HWND button = GetDlgItem(panel, kMotionButtons[rng() % 8]);
        SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(6, 6));
        PumpFor(100 + rng() % 900);
        switch (rng() % 4) {
        case 0: Count(g_calls, "DVR_FreeCamera"); g_api.FreeCamera(0); break;
        case 1: ShowWindow(panel, SW_HIDE); PumpFor(400); break;
        default: SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(6, 6)); break;
        }
        break;
    }
    case 2: {  // the joystick
        HWND panel = FindPanel(IDC_DOME_JOYSTICK);
        if (!panel || !IsWindowVisible(panel)) break;
        RECT area;
        GetWindowRect(GetDlgItem(panel, IDC_DOME_JOYSTICK), &area);
        POINT pt{area.left + int(rng() % 50), area.top + int(rng() % 50)};
        SetCursorPos(pt.x, pt.y);
        ScreenToClient(panel, &pt);
        SendMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
        PumpFor(500 + rng() % 1000);
        SendMessageW(panel, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
        break;
    }
    case 3:
        Count(g_calls, "DVR_SetDomeCMD");
        g_api.SetDomeCMD(0, static_cast<int>(rng() % 16), 0);
        PumpFor(200);
        Count(g_calls, "DVR_SetDomeCMD");
        g_api.SetDomeCMD(0, PTZ_STOP, 0);
        break;
    case 4:
        Count(g_calls, "DVR_ParamSet");
        g_api.ParamSet(&cam, rng() % 5 ? 1 : 0, 900, 20);
        break;
    case 5: {  // a slider moved by keys, and its release
        HWND panel = FindPanel(IDC_COLOR_BRIGHTNESS_EDIT);
        if (!panel) break;
        static const int sliders[] = {IDC_COLOR_BRIGHTNESS_SLIDER, IDC_COLOR_CONTRAST_SLIDER,
                                      IDC_COLOR_HUE_SLIDER, IDC_COLOR_SATURATION_SLIDER};
        HWND slider = GetDlgItem(panel, sliders[rng() % 4]);
        SetFocus(slider);
        const WPARAM key = rng() % 2 ? VK_UP : VK_NEXT;
        PostMessageW(slider, WM_KEYDOWN, key, 1);
        PostMessageW(slider, WM_KEYUP, key, 0xC0000001);
        PumpFor(100);
        break;
    }
    default:
        Count(g_calls, "DVR_FreeCamera");
        g_api.FreeCamera(0);
        break;
    }
}

DWORD WINAPI Watchdog(LPVOID) {
    while (!g_stop) {
        Sleep(1000);
        const DWORD now = GetTickCount();
        for (int i = 0; i < kHostThreads + 2; ++i) {
            if (g_beat[i] != 0 && now - g_beat[i] > kHangMs) {
                Say("soak: HANG: the %s thread made no progress for %lu s", kBeatNames[i],
                    static_cast<unsigned long>((now - g_beat[i]) / 1000));
                std::fflush(stdout);
                ExitProcess(3);
            }
        }
    }
    return 0;
}

std::vector<std::string> Split(const std::string& s) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t comma; (comma = s.find(',', start)) != std::string::npos; start = comma + 1)
        out.push_back(s.substr(start, comma - start));
    out.push_back(s.substr(start));
    return out;
}

void PrintCounts(const char* when, const zvtest::ProcessCounts& c) {
    Say("counts %s: private bytes %zu, GDI objects %ld, windows %d, threads %d", when, c.privateBytes,
        c.gdi, c.windows, c.threads);
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 600, port = 0;
    unsigned seed = GetTickCount();
    std::vector<std::string> devices, onvifPorts;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--seconds")) seconds = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--control-port")) port = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--devices")) devices = Split(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--seed")) seed = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
        else if (!std::strcmp(argv[i], "--onvif-ports")) onvifPorts = Split(argv[i + 1]);
    }
    g_onvif = !onvifPorts.empty();
    if (port <= 0 || devices.empty() || (g_onvif && onvifPorts.size() != devices.size())) {
        std::fprintf(stderr, "usage: zv_soak --control-port N --devices A,B [--onvif-ports P,Q] [--seconds S] [--seed N]\n");
        return 2;
    }
    SetUnhandledExceptionFilter(OnCrash);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    g_dll = LoadLibraryW(L"Zentavo.dll");
    if (!g_dll) {
        Say("soak: Zentavo.dll not found");
        return 1;
    }
    auto get = [](const char* n) { return reinterpret_cast<void*>(GetProcAddress(g_dll, n)); };
    g_api = {reinterpret_cast<decltype(g_api.StartVideo)>(get("DVR_StartVideo")),
             reinterpret_cast<decltype(g_api.StopVideo)>(get("DVR_StopVideo")),
             reinterpret_cast<decltype(g_api.AudioSet)>(get("DVR_AudioSet")),
             reinterpret_cast<decltype(g_api.GetConnectState)>(get("DVR_GetConnectState")),
             reinterpret_cast<decltype(g_api.ShowCamera)>(get("DVR_ShowCamera")),
             reinterpret_cast<decltype(g_api.FreeCamera)>(get("DVR_FreeCamera")),
             reinterpret_cast<decltype(g_api.SetDomeCMD)>(get("DVR_SetDomeCMD")),
             reinterpret_cast<decltype(g_api.ParamSet)>(get("DVR_ParamSet"))};
    Say("soak: %d s, devices %s and %s%s, seed %u", seconds, devices[0].c_str(),
        devices.size() > 1 ? devices[1].c_str() : "-", g_onvif ? " (web services)" : "", seed);

    // One small window per camera and host thread (a camera is its address,
    // channel and window, so no two threads share a play).
    std::vector<std::vector<HostCamera>> perThread(kHostThreads);
    std::vector<CAMERA_INFO> uiCameras;
    for (int t = 0; t < kHostThreads; ++t)
        for (const std::string& dev : devices)
            for (int ch = 0; ch < kChannels; ++ch) {
                HWND w = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP | WS_VISIBLE,
                                         (t * 4 + ch) * 60, 600 + 50 * int(&dev - &devices[0]), 56, 46,
                                         nullptr, nullptr, nullptr, nullptr);
                HostCamera c;
                const size_t d = size_t(&dev - &devices[0]);
                const std::string address = g_onvif ? dev + ":" + onvifPorts[d] : dev;
                c.info = zv::test::CameraRecord(address.c_str(), ch, w);
                perThread[t].push_back(c);
                if (t == 0) uiCameras.push_back(c.info);
            }

    zv::devsim::ControlClient devsim(static_cast<uint16_t>(port));
    std::vector<std::thread> threads;
    for (int t = 0; t < kHostThreads; ++t) threads.emplace_back(HostThread, t, perThread[t], seed + t);
    std::thread chaos(ChaosThread, devsim, devices, seed + 100);
    CloseHandle(CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr));

    std::mt19937 rng(seed + 200);
    // Warm-up: logins made, plays running, and every kind of UI step taken
    // once, so that what the system creates on first use is in the baseline.
    PumpFor(5000);
    for (int i = 0; i < 40; ++i) {
        UiStep(rng, uiCameras);
        PumpFor(100);
    }
    g_api.FreeCamera(0);
    g_api.ParamSet(&uiCameras[0], 0, 0, 0);
    PumpFor(2000);
    const zvtest::ProcessCounts atStart = zvtest::CountNow();
    PrintCounts("after the warm-up", atStart);
    const DWORD start = GetTickCount();
    DWORD lastCount = start;
    while (GetTickCount() - start < DWORD(seconds) * 1000) {
        UiStep(rng, uiCameras);
        PumpFor(100 + rng() % 400);
        if (GetTickCount() - lastCount >= 60000) {  // a line a minute: flat, or growing
            lastCount = GetTickCount();
            char when[32];
            std::snprintf(when, sizeof when, "at %lu s", static_cast<unsigned long>((lastCount - start) / 1000));
            PrintCounts(when, zvtest::CountNow());
        }
    }

    // The end: faults off, every camera playing again (so that every device
    // has a login for an owed stop), panels closed, plays stopped.
    g_chaosOn = false;
    ClearFaults(devsim, devices);
    for (CAMERA_INFO& c : uiCameras) g_api.StartVideo(&c);
    PumpFor(3000);
    g_api.FreeCamera(0);
    g_api.ParamSet(&uiCameras[0], 0, 0, 0);
    for (CAMERA_INFO& c : uiCameras) g_api.StopVideo(&c);
    g_stop = true;
    for (std::thread& t : threads) t.join();
    chaos.join();
    PumpFor(500);
    const zvtest::ProcessCounts atEnd = zvtest::CountNow();
    PrintCounts("at the end", atEnd);
    Say("counts, end - start: private bytes %+lld, GDI objects %+ld, windows %+d, threads %+d",
        static_cast<long long>(atEnd.privateBytes) - static_cast<long long>(atStart.privateBytes),
        atEnd.gdi - atStart.gdi, atEnd.windows - atStart.windows, atEnd.threads - atStart.threads);

    {
        std::lock_guard<std::mutex> lock(g_statsMutex);
        long total = 0;
        for (auto& [name, n] : g_calls) total += n;
        Say("calls: %ld in all", total);
        for (auto& [name, n] : g_calls) Say("  %-22s %ld", name.c_str(), n);
        long faults = 0;
        for (auto& [name, n] : g_faults) faults += n;
        Say("faults injected: %ld in all", faults);
        for (auto& [name, n] : g_faults) Say("  %-22s %ld", name.c_str(), n);
    }
    FreeLibrary(g_dll);
    int moving = 0;
    for (const std::string& d : devices)
        for (int ch = 0; ch < kChannels; ++ch) {
            const double m = devsim.Field("state " + d + " " + std::to_string(ch), "moving");
            if (m != 0) {
                ++moving;
                Say("devsim: %s channel %d still moving (%g)", d.c_str(), ch, m);
            }
        }
    Say("devsim: %d of %zu channels still moving", moving, devices.size() * kChannels);
    Say("soak: crashes 0, hangs 0");
    return moving ? 1 : 0;
}
