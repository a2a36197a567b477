#include "Tour.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ControlClient.h"
#include "HostView.h"
#include "VortanetStats.h"

namespace {

// Control ids inside the module's panels (the module's resource.h).
constexpr int kDomeJoystick = 6060, kDomeUp = 6052;
constexpr int kColorBrightnessEdit = 8126, kColorBrightnessSlider = 1003;

using PlayStatsFn = int(__cdecl*)(int32_t, VN_PLAY_STATS*);

void Say(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(stdout, fmt, ap);
    va_end(ap);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::string Narrow(const std::wstring& w) {
    std::string s;
    for (wchar_t c : w) s += c < 128 ? static_cast<char>(c) : '?';
    return s;
}

POINT Centre(const RECT& rc) { return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2}; }

// ---- real input --------------------------------------------------------------

void MoveTo(POINT pt) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = pt.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = pt.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
    Sleep(40);
}

void Button(bool down) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &in, sizeof in);
}

void Click(POINT pt) {
    MoveTo(pt);
    Button(true);
    Sleep(60);
    Button(false);
    Sleep(200);
}

void Key(WORD vk) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof in[0]);
    Sleep(150);
}

// ---- the host's windows and the panels ------------------------------------------

struct FindChild {
    int childId;
    HWND found;
};

BOOL CALLBACK FindPanelProc(HWND wnd, LPARAM lp) {
    auto* f = reinterpret_cast<FindChild*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid == GetCurrentProcessId() && IsWindowVisible(wnd) && GetDlgItem(wnd, f->childId)) {
        f->found = wnd;
        return FALSE;
    }
    return TRUE;
}

// A shown panel of this process: the one with this control.
HWND FindPanel(int childId) {
    FindChild f{childId, nullptr};
    EnumWindows(FindPanelProc, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

RECT ScreenRect(HWND wnd) {
    RECT rc{};
    GetWindowRect(wnd, &rc);
    return rc;
}

class Steps {
public:
    Steps(const TourOptions& o, HWND main) : m_devsim(static_cast<uint16_t>(o.controlPort)), m_main(main),
                                             m_shots(o.shotsDir) {}

    HostSnapshot Snapshot() {
        HostSnapshot s;
        DWORD_PTR ok = 0;
        SendMessageTimeoutW(m_main, WM_APP_TOUR_SNAPSHOT, 0, reinterpret_cast<LPARAM>(&s), SMTO_NORMAL, 5000,
                            &ok);
        return s;
    }

    // Waits up to ms for cond(snapshot); the time it took, or -1.
    template <class Cond>
    long WaitHost(DWORD ms, Cond cond) {
        const DWORD start = GetTickCount();
        do {
            if (cond(Snapshot())) return long(GetTickCount() - start);
            Sleep(50);
        } while (GetTickCount() - start < ms);
        return -1;
    }
    template <class Cond>
    long WaitDevice(DWORD ms, Cond cond) {
        const DWORD start = GetTickCount();
        do {
            if (cond()) return long(GetTickCount() - start);
            Sleep(5);
        } while (GetTickCount() - start < ms);
        return -1;
    }

    double State(const CAMERA_INFO& c, const char* key) {
        return m_devsim.Field(std::string("state ") + c.szDeviceAddress + " " + std::to_string(c.nChannel), key);
    }
    std::string Command(const std::string& line) { return m_devsim.Command(line); }

    void Check(bool ok, const char* what, const std::string& detail) {
        if (!ok) ++failures;
        Say("tour: %-50s %s%s%s", what, ok ? "ok" : "FAIL", detail.empty() ? "" : "  ", detail.c_str());
    }

    // Waits up to ms for the panel with this control to be shown where it
    // stays: visible, the export that made it returned (the host's UI thread
    // answers a snapshot only once it is out of the call), and its rectangle
    // the same over a few looks, with the display given time to catch up.
    HWND WaitForPanel(int childId, DWORD ms) {
        const DWORD start = GetTickCount();
        HWND panel = nullptr;
        RECT last{};
        int same = 0;
        while (GetTickCount() - start < ms) {
            HWND now = FindPanel(childId);
            if (now) Snapshot();
            RECT rc{};
            if (now) GetWindowRect(now, &rc);
            same = now && now == panel && EqualRect(&rc, &last) ? same + 1 : 0;
            panel = now;
            last = rc;
            if (same >= 2) {
                Sleep(200);
                return panel;
            }
            Sleep(100);
        }
        return nullptr;
    }

    // Asks the demo script for a screenshot and waits until it is written.
    void Shot(const char* name) {
        if (m_shots.empty()) return;
        Sleep(300);  // let the last pictures and repaints land
        const std::wstring file = m_shots + L"\\" + std::wstring(name, name + strlen(name)) + L".png";
        Say("shot: %s", name);
        for (int i = 0; i < 200 && GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
        Check(GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES, "screenshot taken",
              Narrow(file));
    }

    int failures = 0;

private:
    zv::devsim::ControlClient m_devsim;
    HWND m_main;
    std::wstring m_shots;
};

std::string Fmt(const char* fmt, ...) {
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

}  // namespace

Tour::Tour(const TourOptions& options, HWND main) : m_options(options), m_main(main) {
    m_thread = std::thread(&Tour::Run, this);
}

Tour::~Tour() { Finish(); }

int Tour::Finish() {
    if (m_thread.joinable()) m_thread.join();
    return m_failures ? 1 : 0;
}

void Tour::Run() {
    if (!m_options.oneTile.empty()) return RunOneTile();
    Steps s(m_options, m_main);
    Sleep(1000);  // the window is up and painted
    HostSnapshot snap = s.Snapshot();

    // 1. Four tiles started with the mouse, all playing.
    Say("step: start four tiles");
    for (int t = 0; t < 4; ++t) Click(Centre(snap.tiles[t].start));
    long took = s.WaitHost(20000, [](const HostSnapshot& h) {
        return h.tiles[0].playing && h.tiles[1].playing && h.tiles[2].playing && h.tiles[3].playing;
    });
    s.Check(took >= 0, "four tiles playing", Fmt("after %ld ms", took));
    Sleep(2000);
    snap = s.Snapshot();
    auto stats = reinterpret_cast<PlayStatsFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"vortanet.dll"), "NetGetPlayStats")));
    for (int t = 0; t < 4; ++t) {
        VN_PLAY_STATS st{};
        st.cbSize = sizeof st;
        bool have = false;
        // A second's pictures; on a machine busy with other work they may
        // take longer to be drawn, which the figures show.
        s.WaitDevice(8000, [&] {
            have = stats && stats(snap.tiles[t].camera.lPlayHandle, &st) == 1;
            return have && st.framesDrawn > 25;
        });
        s.Check(have && st.framesDrawn > 25, Fmt("tile %d: live picture", t + 1).c_str(),
                have ? Fmt("%s ch %d: %u frames drawn, %u dropped, latency p95 %.1f ms",
                           snap.tiles[t].camera.szDeviceAddress, snap.tiles[t].camera.nChannel, st.framesDrawn,
                           st.framesDropped, st.latencyP95Us / 1000.0)
                     : "no figures");
    }
    s.Shot("1-grid");

    // 2. The dome panel beside tile 1; "u" held with the mouse.
    Say("step: dome panel, hold \"u\"");
    Click(Centre(snap.tiles[0].video));
    Click(Centre(snap.domeButton));
    HWND dome = s.WaitForPanel(kDomeJoystick, 5000);
    s.Check(dome != nullptr, "dome panel shown beside tile 1", "");
    const CAMERA_INFO cam1 = snap.tiles[0].camera;
    if (dome) {
        const RECT panel = ScreenRect(dome), tile = snap.tiles[0].video;
        s.Check(panel.left >= tile.right && panel.top == tile.top - 4, "panel beside the tile, level with it",
                Fmt("panel at %ld,%ld; tile right %ld, top %ld", panel.left, panel.top, tile.right, tile.top - 4));
        const double tilt0 = s.State(cam1, "tilt");
        MoveTo(Centre(ScreenRect(GetDlgItem(dome, kDomeUp))));
        const DWORD pressed = GetTickCount();
        Button(true);
        const long moveMs = s.WaitDevice(2000, [&] { return s.State(cam1, "moving") == 1; });
        Sleep(500);  // about 20 degrees at the panel's speed
        const DWORD released = GetTickCount();
        Button(false);
        const long stopMs = s.WaitDevice(2000, [&] { return s.State(cam1, "moving") == 0; });
        const double tilt1 = s.State(cam1, "tilt");
        s.Check(moveMs >= 0 && stopMs >= 0 && tilt1 > tilt0 + 5, "hold \"u\": the dome tilts up, the release stops it",
                Fmt("tilt %.1f -> %.1f; press -> moving %ld ms, release -> stopped %ld ms", tilt0, tilt1, moveMs, stopMs));
        Say("figure: ptz press-to-move %ld ms, release-to-stop %ld ms (held %lu ms)", moveMs, stopMs,
            static_cast<unsigned long>(released - pressed));
        s.Shot("2-dome-panel");

        // 3. The joystick dragged: right of the centre, then round the top.
        Say("step: drag the joystick");
        const RECT area = ScreenRect(GetDlgItem(dome, kDomeJoystick));
        const POINT c = Centre(area);
        const double pan0 = s.State(cam1, "pan");
        MoveTo({c.x + 4, c.y});
        Button(true);
        const int half = (area.right - area.left) / 2 - 2;
        for (int i = 0; i <= 24; ++i) {
            const double a = 3.14159 * i / 24;  // half a circle, right to left over the top
            MoveTo({c.x + int(half * std::cos(a)), c.y - int(half * std::sin(a))});
            Sleep(60);
        }
        Button(false);
        const long joyStop = s.WaitDevice(3000, [&] { return s.State(cam1, "moving") == 0; });
        const double pan1 = s.State(cam1, "pan");
        s.Check(pan1 != pan0 && joyStop >= 0, "joystick steers the dome and its release stops it",
                Fmt("pan %.1f -> %.1f, stopped %ld ms after the release", pan0, pan1, joyStop));
    }

    // 4. The colour panel beside tile 2; the brightness slider dragged, then
    //    two Up keys on it.
    Say("step: colour panel, drag a slider");
    Click(Centre(snap.tiles[1].video));
    Click(Centre(snap.colourButton));
    HWND colour = s.WaitForPanel(kColorBrightnessEdit, 5000);
    s.Check(colour != nullptr, "colour panel shown beside tile 2", "");
    const CAMERA_INFO cam2 = snap.tiles[1].camera;
    if (colour) {
        HWND slider = GetDlgItem(colour, kColorBrightnessSlider);
        RECT thumb{};
        SendMessageW(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
        MapWindowPoints(slider, nullptr, reinterpret_cast<POINT*>(&thumb), 2);
        const double before = s.State(cam2, "brightness");
        const POINT from = Centre(thumb);
        MoveTo(from);
        Button(true);
        for (int i = 1; i <= 8; ++i) MoveTo({from.x, from.y + 5 * i});  // down: brighter
        Button(false);
        // The panel writes at the release; the device and the panel are
        // compared once both show the change (on a busy machine that takes
        // a while).
        wchar_t text[16] = L"";
        auto shown = [&] {
            GetWindowTextW(GetDlgItem(colour, kColorBrightnessEdit), text, 16);
            return _wtoi(text);
        };
        double after = before;
        const long seen = s.WaitDevice(10000, [&] {
            after = s.State(cam2, "brightness");
            return after > before && after == shown();
        });
        s.Check(seen >= 0, "slider drag writes the brightness to the device",
                Fmt("brightness %.0f -> %.0f, the panel shows %ls", before, after, text));
        Key(VK_UP);
        Key(VK_UP);
        double keyed = after;
        s.WaitDevice(10000, [&] {
            keyed = s.State(cam2, "brightness");
            return keyed == after - 2 && keyed == shown();
        });
        s.Check(keyed == after - 2 && keyed == shown(), "two Up keys: device and panel agree",
                Fmt("brightness %.0f, the panel shows %ls", keyed, text));
        s.Shot("3-colour-panel");
    }

    // 5. One device lost and back: its tiles turn disconnected, then play again.
    Say("step: drop a device and restart it");
    const std::string devB = snap.tiles[2].camera.szDeviceAddress;
    s.Command("refuse-login " + devB + " on");
    s.Command("drop " + devB);
    took = s.WaitHost(6000, [](const HostSnapshot& h) { return h.tiles[2].lost && h.tiles[3].lost; });
    snap = s.Snapshot();
    s.Check(took >= 0 && snap.tiles[0].playing && snap.tiles[1].playing,
            Fmt("%s dropped: tiles 3 and 4 disconnected", devB.c_str()).c_str(),
            Fmt("seen after %ld ms; tiles 1 and 2 still playing", took));
    s.Shot("4-device-lost");
    s.Command("refuse-login " + devB + " off");
    s.Command("restart " + devB + " 500");
    took = s.WaitHost(15000, [](const HostSnapshot& h) { return h.tiles[2].playing && h.tiles[3].playing; });
    s.Check(took >= 0, Fmt("%s restarted: tiles 3 and 4 play again", devB.c_str()).c_str(),
            Fmt("after %ld ms", took));
    Sleep(1500);
    s.Shot("5-device-back");

    m_failures = s.failures;
    Say("tour: %s", m_failures ? "FAILED" : "passed");
    PostMessageW(m_main, WM_CLOSE, 0, 0);
}

// Tile 1 started with the mouse and its picture checked: the demo runs this
// with the ONVIF build of vortanet.dll beside the same Zentavo.dll.
void Tour::RunOneTile() {
    Steps s(m_options, m_main);
    Sleep(1000);
    HostSnapshot snap = s.Snapshot();
    Say("step: start tile 1 through the ONVIF build");
    Click(Centre(snap.tiles[0].start));
    const long took = s.WaitHost(15000, [](const HostSnapshot& h) { return h.tiles[0].playing; });
    s.Check(took >= 0, "tile 1 playing", Fmt("after %ld ms", took));
    Sleep(2000);
    snap = s.Snapshot();
    auto stats = reinterpret_cast<PlayStatsFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"vortanet.dll"), "NetGetPlayStats")));
    VN_PLAY_STATS st{};
    st.cbSize = sizeof st;
    bool have = false;
    s.WaitDevice(8000, [&] {
        have = stats && stats(snap.tiles[0].camera.lPlayHandle, &st) == 1;
        return have && st.framesDrawn > 25;
    });
    s.Check(have && st.framesDrawn > 25, "tile 1: live picture over RTSP",
            have ? Fmt("%s ch %d: %u frames drawn, %u not, arrival to window p95 %.1f ms",
                       snap.tiles[0].camera.szDeviceAddress, snap.tiles[0].camera.nChannel, st.framesDrawn,
                       st.framesDropped, st.latencyP95Us / 1000.0)
                 : "no figures");
    s.Shot(m_options.oneTile.c_str());
    m_failures = s.failures;
    Say("tour: %s", m_failures ? "FAILED" : "passed");
    PostMessageW(m_main, WM_CLOSE, 0, 0);
}
