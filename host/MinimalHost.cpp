// ZentavoMinimalHost: the smallest host that shows live video through
// Zentavo.dll. One plain window per camera; the module plays the camera's
// picture into the black area and the host writes the state underneath.
//
//   ZentavoMinimalHost.exe [--camera ADDR:CHANNEL]... [--user NAME:PASSWORD]
//                          [--seconds N] [--check] [--control-port N]
//
// Defaults: cameras 127.0.0.2:0 and 127.0.0.3:1, user admin:admin, runs until
// every window is closed. About three seconds in, each camera in turn gets the
// module's dome panel beside its window (DVR_ShowCamera) and its dome tilts
// up for half a second and stops (DVR_SetDomeCMD); the arrow keys move the
// dome of the focused window while held, through the same two exports.
//
// --check prints what it verified and exits non-zero when something failed:
// the start results, DVR_GetConnectState, frames drawn (the stand-in network
// library's NetGetPlayStats), and, with --control-port, the dome's position
// and the sessions as the device simulator reports them on its control port.
#include <windows.h>
#include <winsock2.h>

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "VortanetStats.h"
#include "zentavo.h"

namespace {

// Zentavo.dll, resolved by name as a host developer would.
struct Zentavo {
    HMODULE dll = nullptr;
    decltype(&DVR_StartVideo) StartVideo = nullptr;
    decltype(&DVR_StopVideo) StopVideo = nullptr;
    decltype(&DVR_GetConnectState) GetConnectState = nullptr;
    decltype(&DVR_SetDomeCMD) SetDomeCMD = nullptr;
    decltype(&DVR_ShowCamera) ShowCamera = nullptr;
    int resolved = 0;
};

// Exported by name by the stand-in library only; figures for tests and demos.
using PlayStatsFn = int(__cdecl*)(int32_t play, VN_PLAY_STATS* out);

constexpr ULONGLONG kMoveMs = 500;  // at the panel's speed a tilt of about 20 degrees
constexpr int kPanelRoom = 190;     // beside each window, for the dome panel
constexpr int kVideoW = 352, kVideoH = 288, kStatusH = 24;
constexpr UINT_PTR kTickMs = 100;

struct Camera {
    std::string address;
    int channel = 0;
    CAMERA_INFO info{};
    HWND frame = nullptr;
    HWND video = nullptr;
    bool started = false;
    bool playing = false;
    std::wstring ptzText;
    int heldKey = 0;
};

struct Options {
    std::vector<std::pair<std::string, int>> cameras;
    std::string user = "admin", password = "admin";
    int seconds = 0;
    bool check = false;
    int controlPort = 0;
};

Options g_opt;
Zentavo g_zv;
Camera* g_panelFor = nullptr;  // the camera the dome panel was last shown for
PlayStatsFn g_stats = nullptr;
std::vector<Camera> g_cams;
int g_failures = 0;
int g_open = 0;
ULONGLONG g_t0 = 0;

void Say(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(stdout, fmt, ap);
    va_end(ap);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void Check(bool ok, const char* what, const std::string& detail) {
    if (!ok) ++g_failures;
    if (g_opt.check || !ok) Say("check: %-44s %s%s%s", what, ok ? "ok" : "FAIL",
                                detail.empty() ? "" : "  ", detail.c_str());
}

std::string Fmt(const char* fmt, ...) {
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

std::string Narrow(const wchar_t* w) {
    std::string s;
    for (; *w; ++w) s += static_cast<char>(*w < 128 ? *w : '?');
    return s;
}

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// ---- device simulator's control port (loopback text protocol) -------------

std::string AskDevsim(const std::string& line) {
    if (g_opt.controlPort <= 0) return {};
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return {};
    DWORD timeout = 2000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<u_short>(g_opt.controlPort));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string reply;
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        const std::string req = line + "\n";
        send(s, req.data(), static_cast<int>(req.size()), 0);
        char buf[1024];
        for (int i = 0; i < 64 && reply.find('\n') == std::string::npos; ++i) {
            const int n = recv(s, buf, sizeof buf, 0);
            if (n <= 0) break;
            reply.append(buf, static_cast<size_t>(n));
        }
    }
    closesocket(s);
    const size_t nl = reply.find('\n');
    return nl == std::string::npos ? reply : reply.substr(0, nl);
}

// "OK a=1 b=2.5" -> {a:1, b:2.5}; empty when the answer is not OK.
std::map<std::string, double> Fields(const std::string& reply) {
    std::map<std::string, double> out;
    if (reply.rfind("OK", 0) != 0) return out;
    size_t i = 2;
    while (i < reply.size()) {
        while (i < reply.size() && reply[i] == ' ') ++i;
        const size_t end = reply.find(' ', i);
        const std::string tok = reply.substr(i, end == std::string::npos ? std::string::npos : end - i);
        const size_t eq = tok.find('=');
        if (eq != std::string::npos) out[tok.substr(0, eq)] = std::atof(tok.c_str() + eq + 1);
        if (end == std::string::npos) break;
        i = end + 1;
    }
    return out;
}

std::map<std::string, double> DomeState(const Camera& c) {
    return Fields(AskDevsim(Fmt("state %s %d", c.address.c_str(), c.channel)));
}

// ---- windows ---------------------------------------------------------------

VN_PLAY_STATS Stats(const Camera& c) {
    VN_PLAY_STATS s{};
    s.cbSize = sizeof s;
    if (!g_stats || !c.playing || g_stats(c.info.lPlayHandle, &s) != 1) {
        VN_PLAY_STATS none{};
        return none;
    }
    return s;
}

void UpdateStatus(Camera& c) {
    wchar_t text[256];
    if (!c.started) {
        swprintf(text, 256, L"starting...");
    } else if (!c.playing) {
        swprintf(text, 256, L"not playing (code %d)", static_cast<int>(c.info.lPlayHandle));
    } else {
        const int connected = g_zv.GetConnectState(&c.info);
        const VN_PLAY_STATS s = Stats(c);
        swprintf(text, 256, L"%ls, %u frames, p95 %u ms%ls%ls",
                 connected ? L"connected" : L"DISCONNECTED", s.framesDrawn,
                 (s.latencyP95Us + 500) / 1000, c.ptzText.empty() ? L"" : L" | ", c.ptzText.c_str());
    }
    SetWindowTextW(GetDlgItem(c.frame, 2), text);
}

// The module has one dome panel at a time: it is shown beside the camera's
// window, which makes that camera the target of DVR_SetDomeCMD.
bool ShowDomePanel(Camera& c) {
    if (g_panelFor == &c) return true;
    RECT rc{};
    GetWindowRect(c.frame, &rc);
    const int r = g_zv.ShowCamera(&c.info, 1, rc.right + 8, rc.top);
    Say("panel: %s ch %d: DVR_ShowCamera(show 1, %ld, %ld)=%d", c.address.c_str(), c.channel,
        rc.right + 8, rc.top, r);
    g_panelFor = r == 1 ? &c : nullptr;
    return r == 1;
}

int Ptz(Camera& c, int action, const wchar_t* label) {
    if (!c.playing || !ShowDomePanel(c)) return 0;
    const int r = g_zv.SetDomeCMD(0, action, 0);
    c.ptzText = std::wstring(L"PTZ ") + label + (r ? L"" : L" (refused)");
    UpdateStatus(c);
    return r;
}

Camera* CameraOf(HWND hwnd) {
    return reinterpret_cast<Camera*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void StopCamera(Camera& c) {
    if (!c.playing) return;
    const int r = g_zv.StopVideo(&c.info);
    c.playing = false;
    Check(r == 1, Fmt("DVR_StopVideo %s ch %d", c.address.c_str(), c.channel).c_str(),
          Fmt("result %d", r));
    Check(g_zv.GetConnectState(&c.info) == 0, "DVR_GetConnectState after stop = 0", "");
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Camera* c = CameraOf(hwnd);
    switch (msg) {
    case WM_NCCREATE:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
        break;
    case WM_SIZE: {
        const int w = LOWORD(lp), h = HIWORD(lp);
        MoveWindow(GetDlgItem(hwnd, 1), 0, 0, w, h > kStatusH ? h - kStatusH : 0, TRUE);
        MoveWindow(GetDlgItem(hwnd, 2), 4, h - kStatusH + 4, w - 8, kStatusH - 6, TRUE);
        return 0;
    }
    case WM_KEYDOWN:
        if (c && !(lp & (1 << 30))) {
            const struct { int key; int action; const wchar_t* label; } keys[] = {
                {VK_UP, PTZ_UP, L"up"}, {VK_DOWN, PTZ_DOWN, L"down"},
                {VK_LEFT, PTZ_LEFT, L"left"}, {VK_RIGHT, PTZ_RIGHT, L"right"}};
            for (const auto& k : keys)
                if (static_cast<int>(wp) == k.key) {
                    c->heldKey = k.key;
                    Ptz(*c, k.action, k.label);
                }
        }
        return 0;
    case WM_KEYUP:
        if (c && static_cast<int>(wp) == c->heldKey) {
            c->heldKey = 0;
            Ptz(*c, PTZ_STOP, L"stopped");
        }
        return 0;
    case WM_CLOSE:
        if (c) StopCamera(*c);
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        if (c) c->frame = nullptr;
        if (--g_open == 0) PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

bool CreateCameraWindow(HINSTANCE inst, Camera& c, int index) {
    RECT rc{0, 0, kVideoW, kVideoH + kStatusH};
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    AdjustWindowRect(&rc, style, FALSE);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    const std::wstring title = Widen(Fmt("%s channel %d - Zentavo minimal host", c.address.c_str(),
                                         c.channel));
    c.frame = CreateWindowExW(0, L"ZvMinimalHostFrame", title.c_str(), style,
                              20 + (index % 2) * (w + kPanelRoom), 20 + (index / 2) * (h + 16), w, h,
                              nullptr, nullptr, inst, &c);
    if (!c.frame) return false;
    // The module draws the picture into this child, scaled to its client area.
    c.video = CreateWindowExW(0, L"ZvMinimalHostVideo", L"", WS_CHILD | WS_VISIBLE, 0, 0, kVideoW,
                              kVideoH, c.frame, reinterpret_cast<HMENU>(1), inst, nullptr);
    HWND status = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, 4,
                                  kVideoH + 4, kVideoW - 8, kStatusH - 6, c.frame,
                                  reinterpret_cast<HMENU>(2), inst, nullptr);
    SendMessageW(status, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    if (!c.video) return false;
    ++g_open;
    ShowWindow(c.frame, SW_SHOW);
    UpdateWindow(c.frame);
    return true;
}

// ---- the run ---------------------------------------------------------------

enum class Phase { Start, Playing, Picture, Moving, Settling, Running };
size_t g_moving = 0;  // the camera whose dome moves now
Phase g_phase = Phase::Start;
ULONGLONG g_phaseAt = 0;
std::vector<VN_PLAY_STATS> g_firstStats;
std::vector<std::map<std::string, double>> g_before, g_after;

void StartAll() {
    for (auto& c : g_cams) {
        std::memset(&c.info, 0, sizeof c.info);
        std::snprintf(c.info.szDeviceAddress, sizeof c.info.szDeviceAddress, "%s", c.address.c_str());
        std::snprintf(c.info.szUserName, sizeof c.info.szUserName, "%s", g_opt.user.c_str());
        std::snprintf(c.info.szPassword, sizeof c.info.szPassword, "%s", g_opt.password.c_str());
        c.info.nChannel = c.channel;
        c.info.hVideoWnd = c.video;
        const int r = g_zv.StartVideo(&c.info);
        c.started = true;
        c.playing = r == 1;
        Say("start: %s ch %d: DVR_StartVideo=%d nConnectState=%d lPlayHandle=%d lLoginHandle=%d",
            c.address.c_str(), c.channel, r, c.info.nConnectState, c.info.lPlayHandle,
            c.info.lLoginHandle);
        Check(r == 1 && c.info.nConnectState == 1 && c.info.lPlayHandle > 0 && c.info.lLoginHandle != 0,
              Fmt("DVR_StartVideo %s ch %d", c.address.c_str(), c.channel).c_str(),
              Fmt("result %d, state %d, play %d", r, c.info.nConnectState, c.info.lPlayHandle));
        UpdateStatus(c);
    }
    // Present only once Zentavo.dll has loaded it for the first login.
    HMODULE net = GetModuleHandleW(L"vortanet.dll");
    if (net) g_stats = reinterpret_cast<PlayStatsFn>(reinterpret_cast<void*>(GetProcAddress(net, "NetGetPlayStats")));
    Check(g_stats != nullptr, "vortanet.dll NetGetPlayStats", "");
}

void Phase_Picture() {
    g_firstStats.clear();
    for (auto& c : g_cams) {
        if (!c.playing) { g_firstStats.push_back({}); continue; }
        const int st = g_zv.GetConnectState(&c.info);
        Check(st == 1, Fmt("DVR_GetConnectState %s ch %d = 1", c.address.c_str(), c.channel).c_str(),
              Fmt("got %d", st));
        const VN_PLAY_STATS s = Stats(c);
        g_firstStats.push_back(s);
        Check(s.framesDrawn > 0, Fmt("frames drawn %s ch %d", c.address.c_str(), c.channel).c_str(),
              Fmt("%u received, %u drawn, %ux%u, latency p50 %.1f ms p95 %.1f ms", s.framesReceived,
                  s.framesDrawn, s.width, s.height, s.latencyP50Us / 1000.0, s.latencyP95Us / 1000.0));
        RECT r;
        GetClientRect(c.video, &r);
        POINT p{0, 0};
        ClientToScreen(c.video, &p);
        // Where the picture is on the screen, for the demo script's screenshots.
        Say("window: %s ch %d video=%ld,%ld,%ld,%ld", c.address.c_str(), c.channel, p.x, p.y,
            r.right, r.bottom);
    }
    Say("phase: picture");
}

// One camera at a time: its panel is shown, its dome tilts up.
void Phase_Move(Camera& c) {
    g_before.push_back(DomeState(c));
    if (!c.playing) return;
    const int r = Ptz(c, PTZ_UP, L"up");
    Say("ptz: %s ch %d: DVR_SetDomeCMD(0, PTZ_UP, 0)=%d", c.address.c_str(), c.channel, r);
    Check(r == 1, Fmt("DVR_SetDomeCMD up %s ch %d", c.address.c_str(), c.channel).c_str(),
          Fmt("result %d", r));
}

void Phase_Stop(Camera& c) {
    if (c.playing) {
        const int r = Ptz(c, PTZ_STOP, L"stopped");
        Say("ptz: %s ch %d: DVR_SetDomeCMD(0, PTZ_STOP, 0)=%d", c.address.c_str(), c.channel, r);
        Check(r == 1, Fmt("DVR_SetDomeCMD stop %s ch %d", c.address.c_str(), c.channel).c_str(),
              Fmt("result %d", r));
    }
    g_after.push_back(DomeState(c));
}

void Phase_Settled() {
    for (size_t i = 0; i < g_cams.size(); ++i) {
        Camera& c = g_cams[i];
        if (!c.playing) continue;
        const VN_PLAY_STATS s = Stats(c);
        Check(s.framesDrawn > g_firstStats[i].framesDrawn,
              Fmt("frames keep coming %s ch %d", c.address.c_str(), c.channel).c_str(),
              Fmt("%u -> %u drawn, %u dropped", g_firstStats[i].framesDrawn, s.framesDrawn,
                  s.framesDropped));
        if (g_opt.controlPort <= 0) continue;
        auto now = DomeState(c);
        auto& b = g_before[i];
        auto& a = g_after[i];
        const bool have = b.count("tilt") && a.count("tilt") && now.count("tilt");
        Check(have, Fmt("devsim state %s ch %d", c.address.c_str(), c.channel).c_str(),
              have ? "" : "no answer on the control port");
        if (!have) continue;
        Check(a["tilt"] - b["tilt"] > 5.0, Fmt("dome tilted up %s ch %d", c.address.c_str(), c.channel).c_str(),
              Fmt("tilt %.2f -> %.2f", b["tilt"], a["tilt"]));
        Check(now["moving"] == 0 && std::fabs(now["tilt"] - a["tilt"]) < 0.01,
              Fmt("dome stopped %s ch %d", c.address.c_str(), c.channel).c_str(),
              Fmt("moving=%g, tilt %.2f 0.4 s after the stop", now["moving"], now["tilt"]));
    }
    Say("phase: ptz-done");
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    const ULONGLONG t = GetTickCount64() - g_t0;
    const ULONGLONG inPhase = GetTickCount64() - g_phaseAt;
    auto next = [](Phase p) {
        g_phase = p;
        g_phaseAt = GetTickCount64();
    };
    switch (g_phase) {
    case Phase::Start: StartAll(); next(Phase::Playing); break;
    case Phase::Playing: if (inPhase >= 2000) { Phase_Picture(); next(Phase::Picture); } break;
    case Phase::Picture:
        if (inPhase >= 1000) {
            Say("phase: ptz-moving");
            g_moving = 0;
            Phase_Move(g_cams[0]);
            next(Phase::Moving);
        }
        break;
    case Phase::Moving:
        if (inPhase >= kMoveMs) {
            Phase_Stop(g_cams[g_moving]);
            if (++g_moving < g_cams.size()) {
                Phase_Move(g_cams[g_moving]);
                next(Phase::Moving);
            } else {
                next(Phase::Settling);
            }
        }
        break;
    case Phase::Settling: if (inPhase >= 400) { Phase_Settled(); next(Phase::Running); } break;
    case Phase::Running:
        if ((g_opt.seconds > 0 && t >= static_cast<ULONGLONG>(g_opt.seconds) * 1000) ||
            (g_opt.check && g_opt.seconds == 0 && inPhase >= 1000)) {
            for (auto& c : g_cams)
                if (c.frame) PostMessageW(c.frame, WM_CLOSE, 0, 0);
        }
        break;
    }
    static ULONGLONG lastStatus = 0;
    if (t - lastStatus >= 500) {
        lastStatus = t;
        for (auto& c : g_cams)
            if (c.frame) UpdateStatus(c);
    }
}

bool ParseArgs(int argc, wchar_t** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = Narrow(argv[i]);
        const bool hasValue = i + 1 < argc;
        const std::string v = hasValue ? Narrow(argv[i + 1]) : std::string();
        if (a == "--camera" && hasValue) {
            const size_t colon = v.rfind(':');
            if (colon == std::string::npos || colon == 0) return false;
            g_opt.cameras.emplace_back(v.substr(0, colon), std::atoi(v.c_str() + colon + 1));
            ++i;
        } else if (a == "--user" && hasValue) {
            const size_t colon = v.find(':');
            if (colon == std::string::npos) return false;
            g_opt.user = v.substr(0, colon);
            g_opt.password = v.substr(colon + 1);
            ++i;
        } else if (a == "--seconds" && hasValue) {
            g_opt.seconds = std::atoi(v.c_str());
            ++i;
        } else if (a == "--control-port" && hasValue) {
            g_opt.controlPort = std::atoi(v.c_str());
            ++i;
        } else if (a == "--check") {
            g_opt.check = true;
        } else {
            return false;
        }
    }
    if (g_opt.cameras.empty()) g_opt.cameras = {{"127.0.0.2", 0}, {"127.0.0.3", 1}};
    return true;
}

bool LoadZentavo() {
    g_zv.dll = LoadLibraryW(L"Zentavo.dll");
    if (!g_zv.dll) return false;
    auto get = [](const char* name) {
        FARPROC p = GetProcAddress(g_zv.dll, name);
        if (p) ++g_zv.resolved;
        return reinterpret_cast<void*>(p);
    };
    g_zv.StartVideo = reinterpret_cast<decltype(g_zv.StartVideo)>(get("DVR_StartVideo"));
    g_zv.StopVideo = reinterpret_cast<decltype(g_zv.StopVideo)>(get("DVR_StopVideo"));
    g_zv.GetConnectState = reinterpret_cast<decltype(g_zv.GetConnectState)>(get("DVR_GetConnectState"));
    g_zv.SetDomeCMD = reinterpret_cast<decltype(g_zv.SetDomeCMD)>(get("DVR_SetDomeCMD"));
    g_zv.ShowCamera = reinterpret_cast<decltype(g_zv.ShowCamera)>(get("DVR_ShowCamera"));
    // The rest are not used here; resolving them shows the export table is whole.
    for (const char* n : {"DVR_AudioSet", "DVR_CloseCamera", "DVR_FreeCamera", "DVR_GetAudioState",
                          "DVR_InitCamera", "DVR_IsExistDome", "DVR_ParamSet"})
        get(n);
    return g_zv.resolved == 12;
}

// After FreeLibrary the module has logged out: the device sees no session.
void CheckTeardown() {
    if (g_opt.controlPort <= 0) return;
    std::map<std::string, bool> seen;
    for (const auto& c : g_cams) {
        if (seen[c.address]) continue;
        seen[c.address] = true;
        double sessions = -1;
        for (int i = 0; i < 40; ++i) {
            auto f = Fields(AskDevsim("counters " + c.address));
            sessions = f.count("sessions") ? f["sessions"] : -1;
            if (sessions == 0) break;
            Sleep(50);
        }
        Check(sessions == 0, Fmt("no session left on %s after unload", c.address.c_str()).c_str(),
              Fmt("sessions=%g", sessions));
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int) {
    if (!ParseArgs(__argc, __wargv)) {
        Say("usage: ZentavoMinimalHost [--camera ADDR:CHANNEL]... [--user NAME:PASSWORD] "
            "[--seconds N] [--check] [--control-port N]");
        return 2;
    }
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);

    const bool loaded = LoadZentavo();
    Check(loaded, "Zentavo.dll loaded, 12 exports by name", Fmt("%d resolved", g_zv.resolved));
    if (!loaded) return 1;

    WNDCLASSW wc{};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"ZvMinimalHostFrame";
    RegisterClassW(&wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = L"ZvMinimalHostVideo";
    RegisterClassW(&wc);

    g_cams.resize(g_opt.cameras.size());
    for (size_t i = 0; i < g_cams.size(); ++i) {
        g_cams[i].address = g_opt.cameras[i].first;
        g_cams[i].channel = g_opt.cameras[i].second;
        if (!CreateCameraWindow(inst, g_cams[i], static_cast<int>(i))) {
            Say("host: cannot create a window");
            return 1;
        }
    }

    g_t0 = g_phaseAt = GetTickCount64();
    const UINT_PTR timer = SetTimer(nullptr, 0, kTickMs, Tick);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    KillTimer(nullptr, timer);

    for (auto& c : g_cams) StopCamera(c);
    const BOOL freed = FreeLibrary(g_zv.dll);
    Check(freed != 0, "FreeLibrary(Zentavo.dll)", "");
    Check(GetModuleHandleW(L"Zentavo.dll") == nullptr, "Zentavo.dll unloaded", "");
    CheckTeardown();
    WSACleanup();
    if (g_opt.check) Say("check: %s", g_failures ? "FAILED" : "passed");
    return g_failures ? 1 : 0;
}
