// The dome panel inside the built Zentavo.dll, driven as a host and its user
// would, against the recording test library: what reaches NetPtzControl, and
// when; placement, painting, the joystick, the lists, and every way a hold
// can end.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "ModuleUnderTest.h"
#include "TestSupport.h"
#include "resource.h"

namespace {

constexpr UINT WM_BUTTON_HOLD = 23000;

// One PTZ call as the library saw it.
struct Ptz {
    int code, p1, p2, stop;
    DWORD tick;
};

// Pumps the thread's messages for `ms` (a bounded host loop, no bare sleep).
void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < ms) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

HWND FindPanel() { return FindThreadWindowWithChild(IDC_DOME_JOYSTICK); }

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

void Press(HWND button) { SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, At(6, 6)); }
void Release(HWND button) { SendMessageW(button, WM_LBUTTONUP, 0, At(6, 6)); }
void Click(HWND button) {
    Press(button);
    Release(button);
}

RECT WindowRect(HWND hWnd) {
    RECT rc{};
    GetWindowRect(hWnd, &rc);
    return rc;
}

class DomePanel : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m.Load());
        m.Reset();
        host = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 100, 100, 352, 288,
                               nullptr, nullptr, nullptr, nullptr);
        cam = Camera("127.0.0.2", 1, host);
    }
    void TearDown() override {
        if (m.dll) {
            m.FreeCamera(0);
            FreeLibrary(m.dll);
        }
        DestroyWindow(host);
        FreeLibrary(m.net);
    }

    // Starts the camera's video and opens its panel shown at (x, y).
    HWND Open(int x = 600, int y = 50) {
        EXPECT_EQ(m.StartVideo(&cam), 1);
        EXPECT_EQ(m.ShowCamera(&cam, 1, x, y), 1);
        HWND panel = FindPanel();
        EXPECT_NE(panel, nullptr);
        mark = m.CallCount();
        return panel;
    }
    // The PTZ calls since the last look.
    std::vector<Ptz> TakePtz() {
        std::vector<TestNetCall> calls = m.Calls();
        std::vector<Ptz> out;
        for (size_t i = mark; i < calls.size(); ++i)
            if (calls[i].fn == TN_PTZ_CONTROL) {
                EXPECT_EQ(calls[i].args[0], cam.lLoginHandle) << "the camera's login";
                EXPECT_EQ(calls[i].args[1], 1) << "the camera's channel";
                EXPECT_EQ(calls[i].args[5], 0) << "param3";
                out.push_back({calls[i].args[2], calls[i].args[3], calls[i].args[4], calls[i].args[6],
                               calls[i].tick});
            }
        mark = static_cast<int>(calls.size());
        return out;
    }
    static bool IsStop(const Ptz& p) { return p.code == 0 && p.stop == 1; }

    Module m;
    HWND host = nullptr;
    CAMERA_INFO cam{};
    int mark = 0;
};

// --- Showing, sharing, replacing ---------------------------------------------

TEST_F(DomePanel, ShownTopMostAtTheGivenPlaceInItsNarrowFormSharingTheLogin) {
    HWND panel = Open(600, 50);
    EXPECT_EQ(m.Calls(TN_LOGIN).size(), 1u) << "the video's login is shared";
    EXPECT_TRUE(IsWindowVisible(panel));
    const RECT rc = WindowRect(panel);
    EXPECT_EQ(rc.left, 600);
    EXPECT_EQ(rc.top, 50);
    // 282 x 200 dialog units at 6 x 12 px, less the 255-pixel list side.
    EXPECT_NEAR(rc.right - rc.left, 169, 3);
    EXPECT_NEAR(rc.bottom - rc.top, 300, 3);
    const LONG style = GetWindowLongW(panel, GWL_STYLE), ex = GetWindowLongW(panel, GWL_EXSTYLE);
    EXPECT_FALSE(style & WS_CAPTION);
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(ex & WS_EX_TOPMOST);
    EXPECT_EQ(GetWindow(panel, GW_OWNER), host);
    EXPECT_EQ(m.IsExistDome(0), 1);
    int shaped = 0;
    for (HWND child = GetWindow(panel, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const LONG cs = GetWindowLongW(child, GWL_STYLE);
        wchar_t cls[32] = L"";
        GetClassNameW(child, cls, 32);
        if (lstrcmpiW(cls, L"Button") != 0) continue;
        EXPECT_EQ(cs & BS_TYPEMASK, BS_OWNERDRAW);
        EXPECT_TRUE(cs & WS_CLIPSIBLINGS);
        HRGN rgn = CreateRectRgn(0, 0, 0, 0);
        shaped += GetWindowRgn(child, rgn) != ERROR;
        DeleteObject(rgn);
    }
    EXPECT_EQ(shaped, 24) << "every bitmap button cut to its image";
    // The drop-down names the camera the panel steers.
    HWND combo = GetDlgItem(panel, IDC_DOME_COMBO);
    wchar_t shown[64] = L"";
    GetWindowTextW(combo, shown, 64);
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 1);
    EXPECT_STREQ(shown, L"通道1 127.0.0.2");

    // Show 0: a new panel, hidden with no size.
    EXPECT_EQ(m.ShowCamera(&cam, 0x100, 10, 20), 1);
    EXPECT_FALSE(IsWindow(panel)) << "every show replaces the panel";
    HWND hidden = FindPanel();
    ASSERT_NE(hidden, nullptr);
    EXPECT_FALSE(IsWindowVisible(hidden));
    const RECT rh = WindowRect(hidden);
    EXPECT_EQ(rh.right - rh.left, 0);
    EXPECT_EQ(rh.bottom - rh.top, 0);
    EXPECT_EQ(m.SetDomeCMD(0, PTZ_UP, 0), 1) << "a hidden panel still drives the dome";
}

TEST_F(DomePanel, FailingLoginLeavesAHiddenPanelThatSendsNothing) {
    m.Script(TN_LOGIN, 0);
    EXPECT_EQ(m.ShowCamera(&cam, 1, 10, 10), 1);
    HWND panel = FindPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(IsWindowVisible(panel));
    EXPECT_EQ(m.IsExistDome(0), 1);
    EXPECT_EQ(m.SetDomeCMD(0, PTZ_UP, 0), 0);
    Click(GetDlgItem(panel, IDC_DOME_UP));
    EXPECT_TRUE(m.Calls(TN_PTZ_CONTROL).empty());
}

TEST_F(DomePanel, InitKeepsAPanelAndMakesAHiddenOneAtTheOriginWithoutLogin) {
    EXPECT_EQ(m.SetDomeCMD(0, PTZ_UP, 0), 0);
    EXPECT_EQ(m.IsExistDome(0), 0);
    EXPECT_EQ(m.InitCamera(host, 0), 1);
    HWND panel = FindPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(IsWindowVisible(panel));
    const RECT rc = WindowRect(panel);
    EXPECT_EQ(rc.left, 0);
    EXPECT_EQ(rc.top, 0);
    EXPECT_NEAR(rc.right - rc.left, 169, 3);
    EXPECT_EQ(m.IsExistDome(0), 1);
    EXPECT_EQ(SendDlgItemMessageW(panel, IDC_DOME_COMBO, CB_GETCOUNT, 0, 0), 0) << "no camera to name";
    EXPECT_EQ(m.SetDomeCMD(0, PTZ_UP, 0), 0) << "no login";
    EXPECT_EQ(m.InitCamera(host, 0), 1);
    EXPECT_EQ(FindPanel(), panel) << "kept";
    EXPECT_EQ(m.FreeCamera(0), 1);
    EXPECT_FALSE(IsWindow(panel));
    EXPECT_EQ(m.IsExistDome(0), 0);
    EXPECT_EQ(m.CloseCamera(0), 1);
}

// Automatic placement: beside the initial rectangle (which the template puts
// at the owner's client origin), right when it fits, else left.
TEST_F(DomePanel, AutomaticPlacementBesideTheInitialRectangleAtBothScreenEdges) {
    const int cxScreen = GetSystemMetrics(SM_CXSCREEN);
    for (int hostX : {0, cxScreen - 300}) {
        SetWindowPos(host, nullptr, hostX, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ASSERT_EQ(m.ShowCamera(&cam, 1, -1, 40), 1);
        HWND panel = FindPanel();
        ASSERT_NE(panel, nullptr);
        const RECT rc = WindowRect(panel);
        const int w = rc.right - rc.left;
        const int fullWidth = w + 255;
        if (hostX == 0) {
            EXPECT_EQ(rc.left, fullWidth) << "right of its initial rectangle";
        } else {
            // The system keeps a new dialog on the screen: near the right
            // edge its initial rectangle was pushed left until it fitted.
            EXPECT_NEAR(rc.right, cxScreen - fullWidth, 6) << "left of it";
        }
        EXPECT_EQ(rc.top, 100) << "the top kept: it fits";
        EXPECT_TRUE(IsWindowVisible(panel));
    }
}

TEST_F(DomePanel, WindowThatCannotBeCreatedShowsTheMessageAndTheNextShowWorks) {
    CMessageBoxCatcher boxes;
    HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    CAMERA_INFO bad = Camera("127.0.0.2", 1, gone);
    EXPECT_EQ(m.ShowCamera(&bad, 1, 0, 0), 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, L"创建窗口发生错误!");
    EXPECT_EQ(boxes.boxes[0].title, L"");
    EXPECT_EQ(boxes.boxes[0].hOwner, nullptr);
    EXPECT_TRUE(boxes.boxes[0].bOkOnly);
    EXPECT_EQ(FindPanel(), nullptr);
    EXPECT_EQ(m.Calls(TN_LOGIN).size(), 0u);
    EXPECT_EQ(m.IsExistDome(0), 1) << "the object stays until replaced";
    HWND panel = Open();
    EXPECT_TRUE(IsWindowVisible(panel));
    EXPECT_EQ(boxes.boxes.size(), 1u);
}

// --- The command set through the panel ------------------------------------------

TEST_F(DomePanel, HoldingUpSendsAtThePressAndEvery250msAndTheReleaseStops) {
    HWND panel = Open();
    HWND up = GetDlgItem(panel, IDC_DOME_UP);
    Press(up);
    PumpFor(900);
    Release(up);
    const std::vector<Ptz> sent = TakePtz();
    ASSERT_GE(sent.size(), 4u);
    ASSERT_LE(sent.size(), 6u);
    for (size_t i = 0; i + 1 < sent.size(); ++i) {
        EXPECT_EQ(sent[i].code, 0);
        EXPECT_EQ(sent[i].stop, 0) << "device code 0 without the stop flag is up";
        EXPECT_EQ(sent[i].p2, 4);
        if (i > 0) {
            EXPECT_NEAR(double(sent[i].tick - sent[i - 1].tick), 250.0, 60.0);
        }
    }
    EXPECT_TRUE(IsStop(sent.back()));
}

TEST_F(DomePanel, SpeedButtonsStepAndTheSpeedTextShowsTwoDigits) {
    HWND panel = Open();
    HWND down = GetDlgItem(panel, IDC_DOME_SPEED_DOWN), upBtn = GetDlgItem(panel, IDC_DOME_SPEED_UP);
    for (int i = 0; i < 30; ++i) Click(down);  // 32 -> 2
    TakePtz();
    Click(down);
    Click(down);
    std::vector<Ptz> sent = TakePtz();
    ASSERT_EQ(sent.size(), 4u) << "a stop for the step and one for the release, twice";
    EXPECT_EQ(sent[0].p2, 0) << "speed 1: (1 + 1) / 8";
    EXPECT_TRUE(IsStop(sent[2]));

    // The speed text at (74, 248): blue on RGB(244, 246, 253), " 01 ".
    auto speedTextMatches = [&](const wchar_t* text) {
        CCanvas actual(420, 320), expected(420, 320);
        SendMessageW(panel, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(actual.Dc()), PRF_CLIENT);
        SendMessageW(panel, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(expected.Dc()), PRF_CLIENT);
        SetBkColor(expected.Dc(), RGB(244, 246, 253));
        SetTextColor(expected.Dc(), RGB(0, 0, 255));
        TextOutW(expected.Dc(), 74, 248, text, lstrlenW(text));
        int blue = 0;
        for (int y = 240; y < 275; ++y)
            for (int x = 70; x < 120; ++x) {
                if (actual.Pixel(x, y) != expected.Pixel(x, y)) return false;
                blue += actual.Pixel(x, y) == RGB(0, 0, 255);
            }
        return blue > 10;
    };
    EXPECT_TRUE(speedTextMatches(L" 01 "));
    EXPECT_FALSE(speedTextMatches(L" 1 ")) << "the comparison tells formats apart";

    for (int i = 0; i < 61; ++i) Click(upBtn);  // 1 -> 62
    TakePtz();
    Click(upBtn);
    Click(upBtn);
    sent = TakePtz();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[2].p2, 8) << "speed 63 stays 63";
    Click(GetDlgItem(panel, IDC_DOME_SPEED_AUTO));
    sent = TakePtz();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent[0].p2, 3) << "auto speed 30";
    EXPECT_TRUE(speedTextMatches(L" 30 "));
    // Speed 5 shows as " 05 ".
    for (int i = 0; i < 25; ++i) Click(down);
    EXPECT_TRUE(speedTextMatches(L" 05 "));
}

TEST_F(DomePanel, PaintingCopiesBothSkinsAndNeverErasesTheBackground) {
    HWND panel = Open();
    HBITMAP left = LoadBitmapW(m.dll, MAKEINTRESOURCEW(IDB_DOME_SKIN_LEFT));
    HBITMAP right = LoadBitmapW(m.dll, MAKEINTRESOURCEW(IDB_DOME_SKIN_RIGHT));
    ASSERT_TRUE(left && right);
    CCanvas printed(440, 320), skins(440, 320);
    SendMessageW(panel, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(printed.Dc()), PRF_CLIENT);
    HDC mem = CreateCompatibleDC(skins.Dc());
    HGDIOBJ old = SelectObject(mem, left);
    BitBlt(skins.Dc(), 0, 0, 169, 302, mem, 0, 0, SRCCOPY);
    SelectObject(mem, right);
    BitBlt(skins.Dc(), 164, 0, 260, 302, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(left);
    DeleteObject(right);
    int differing = 0;
    for (int y = 0; y < 302; y += 3)
        for (int x = 0; x < 424; x += 3)
            if ((x < 70 || x > 130 || y < 240 || y > 270) && printed.Pixel(x, y) != skins.Pixel(x, y))
                ++differing;
    EXPECT_EQ(differing, 0) << "6093 at (0, 0) and 6098 at (164, 0), outside the speed text";
    CCanvas erased(10, 10, RGB(1, 2, 3));
    EXPECT_NE(SendMessageW(panel, WM_ERASEBKGND, reinterpret_cast<WPARAM>(erased.Dc()), 0), 0);
    EXPECT_TRUE(erased.IsAll(RGB(1, 2, 3)));
}

TEST_F(DomePanel, AutoButtonsOnlyMarkBusyAndTheNextPressIsIgnoredUntilItsRelease) {
    HWND panel = Open();
    Click(GetDlgItem(panel, IDC_DOME_FOCUS_AUTO));
    EXPECT_TRUE(TakePtz().empty());
    HWND up = GetDlgItem(panel, IDC_DOME_UP);
    Press(up);
    EXPECT_TRUE(TakePtz().empty()) << "the press is ignored while busy";
    Release(up);
    std::vector<Ptz> sent = TakePtz();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(IsStop(sent[0]));
    Click(up);
    EXPECT_EQ(TakePtz().size(), 2u) << "cleared by that stop";
    for (int id : {IDC_DOME_ZOOM_AUTO, IDC_DOME_REFRESH, IDC_DOME_POSITION, IDC_DOME_SERIAL})
        Click(GetDlgItem(panel, id));
    EXPECT_TRUE(TakePtz().empty());
}

TEST_F(DomePanel, ExitHidesThePanelAndTheHostStillDrivesTheDome) {
    HWND panel = Open();
    Click(GetDlgItem(panel, IDC_DOME_EXIT));
    EXPECT_TRUE(IsWindow(panel));
    EXPECT_FALSE(IsWindowVisible(panel));
    EXPECT_EQ(m.SetDomeCMD(0, PTZ_RIGHT, 0), 1);
    EXPECT_EQ(m.SetDomeCMD(0, PTZ_STOP, 0), 1);
    EXPECT_EQ(m.SetDomeCMD(0, 15, 0), 0);
    EXPECT_EQ(m.SetDomeCMD(0, -1, 0), 0);
    const std::vector<Ptz> sent = TakePtz();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].code, 3);
    EXPECT_TRUE(IsStop(sent[1]));
}

// --- Joystick and drag --------------------------------------------------------------

TEST_F(DomePanel, JoystickStepsEvery400msTowardsTheCursorAndStopsThreeTimes) {
    HWND panel = Open();
    const RECT area = WindowRect(GetDlgItem(panel, IDC_DOME_JOYSTICK));
    const int half = (area.right - area.left) / 2;
    const POINT centre{area.left + half, area.top + half};
    ASSERT_TRUE(SetCursorPos(centre.x - 10, centre.y));  // straight left of the centre
    POINT client{centre.x - 10, centre.y};
    ScreenToClient(panel, &client);
    SendMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, At(client.x, client.y));
    EXPECT_EQ(GetCapture(), panel);
    const DWORD pressed = GetTickCount();
    PumpFor(300);
    EXPECT_TRUE(TakePtz().empty()) << "nothing before the first tick";
    PumpFor(600);
    std::vector<Ptz> sent = TakePtz();
    ASSERT_EQ(sent.size(), 2u) << "ticks at about 400 and 800 ms";
    EXPECT_EQ(sent[0].code, 2) << "left";
    EXPECT_EQ(sent[0].p2, 4) << "on the centre line: speed value 32";
    EXPECT_NEAR(double(sent[0].tick - pressed), 400.0, 80.0);
    EXPECT_NEAR(double(sent[1].tick - sent[0].tick), 400.0, 80.0);

    // Off both centre lines, up-left: a diagonal carrying the panel's speed.
    SetCursorPos(centre.x - 5, centre.y - 5);
    PumpFor(450);
    sent = TakePtz();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].code, 0x20);
    EXPECT_EQ(sent[0].p1, 32);

    // Outside the area a tick sends nothing; the timer goes on.
    SetCursorPos(area.right + 20, area.top);
    PumpFor(450);
    EXPECT_TRUE(TakePtz().empty());

    SendMessageW(panel, WM_LBUTTONUP, 0, At(client.x, client.y));
    EXPECT_NE(GetCapture(), panel);
    sent = TakePtz();
    ASSERT_EQ(sent.size(), 3u);
    for (const Ptz& p : sent) EXPECT_TRUE(IsStop(p));
    EXPECT_NEAR(double(sent[1].tick - sent[0].tick), 300.0, 60.0);
    EXPECT_NEAR(double(sent[2].tick - sent[1].tick), 300.0, 60.0);
    PumpFor(450);
    EXPECT_TRUE(TakePtz().empty()) << "the timer stopped";
}

TEST_F(DomePanel, PressOutsideTheJoystickStartsACaptionDragAndSendsNothing) {
    HWND panel = Open();
    RECT client{};
    GetClientRect(panel, &client);
    SendMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, At(150, client.bottom - 10));
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, panel, WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE));
    EXPECT_EQ(msg.wParam, WPARAM(HTCAPTION));
    POINT screen{150, client.bottom - 10};
    ClientToScreen(panel, &screen);
    EXPECT_EQ(msg.lParam, MAKELPARAM(screen.x, screen.y));
    EXPECT_NE(GetCapture(), panel);
    SendMessageW(panel, WM_LBUTTONUP, 0, At(150, client.bottom - 10));
    EXPECT_TRUE(TakePtz().empty());
}

// --- Holds that end without a button-up ------------------------------------------------

// Every way a held control can end must reach the device as a stop.
TEST_F(DomePanel, JoystickHoldEndsWithStopsWhenCaptureGoesOrThePanelHidesOrGoes) {
    HWND panel = Open();
    const RECT area = WindowRect(GetDlgItem(panel, IDC_DOME_JOYSTICK));
    auto hold = [&] {
        POINT pt{area.left + 3, area.top + (area.bottom - area.top) / 2};
        SetCursorPos(pt.x, pt.y);
        ScreenToClient(panel, &pt);
        SendMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, At(pt.x, pt.y));
        PumpFor(450);
        TakePtz();
    };
    auto expectThreeStopsThenSilence = [&](const char* how) {
        std::vector<Ptz> sent = TakePtz();
        ASSERT_EQ(sent.size(), 3u) << how;
        for (const Ptz& p : sent) EXPECT_TRUE(IsStop(p)) << how;
        PumpFor(450);
        EXPECT_TRUE(TakePtz().empty()) << how << ": no tick after the end";
    };
    hold();
    SetCapture(host);  // another window takes the mouse
    expectThreeStopsThenSilence("capture lost");
    ReleaseCapture();

    hold();
    ShowWindow(panel, SW_HIDE);
    expectThreeStopsThenSilence("hidden");
    ShowWindow(panel, SW_SHOWNA);

    hold();
    EXPECT_EQ(m.FreeCamera(0), 1);
    expectThreeStopsThenSilence("destroyed");
}

TEST_F(DomePanel, HeldButtonStopsOnceWhenThePanelIsReplacedFreedOrClosed) {
    for (int way = 0; way < 3; ++way) {
        HWND panel = Open();
        Press(GetDlgItem(panel, IDC_DOME_LEFT));
        std::vector<Ptz> sent = TakePtz();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].code, 2);
        const int result = way == 0   ? m.ShowCamera(&cam, 1, 600, 50)
                           : way == 1 ? m.FreeCamera(0)
                                      : m.CloseCamera(0);
        EXPECT_EQ(result, 1);
        EXPECT_FALSE(IsWindow(panel));
        sent = TakePtz();
        ASSERT_EQ(sent.size(), 1u) << "way " << way;
        EXPECT_TRUE(IsStop(sent[0])) << "way " << way;
        PumpFor(300);
        EXPECT_TRUE(TakePtz().empty()) << "way " << way;
        m.StopVideo(&cam);
    }
}

// A move the host sent has no button whose release stops it: the panel
// stops it when it goes, once, on the camera's login, and at unload before
// the library is cleaned up. A move the host stopped itself is owed nothing.
TEST_F(DomePanel, AHostSentMoveGetsOneStopWhenThePanelIsFreedReplacedOrUnloaded) {
    enum Way { kStoppedByTheHost, kFreed, kReplaced, kUnloaded };
    for (Way way : {kStoppedByTheHost, kFreed, kReplaced, kUnloaded}) {
        SCOPED_TRACE(way);
        HWND panel = Open();
        ASSERT_EQ(m.SetDomeCMD(0, PTZ_RIGHT, 0), 1);
        if (way == kStoppedByTheHost) {
            ASSERT_EQ(m.SetDomeCMD(0, PTZ_STOP, 0), 1);
        }
        TakePtz();
        const int before = m.CallCount();
        switch (way) {
        case kStoppedByTheHost:
        case kFreed: EXPECT_EQ(m.FreeCamera(0), 1); break;
        case kReplaced: EXPECT_EQ(m.ShowCamera(&cam, 1, 600, 50), 1); break;
        case kUnloaded:
            ASSERT_TRUE(FreeLibrary(m.dll));
            m.dll = nullptr;
            break;
        }
        EXPECT_FALSE(IsWindow(panel));
        const std::vector<Ptz> sent = TakePtz();
        if (way == kStoppedByTheHost) {
            EXPECT_TRUE(sent.empty());
            continue;
        }
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_TRUE(IsStop(sent[0]));
        if (way == kUnloaded) {
            EXPECT_EQ(m.Calls()[before].fn, TN_PTZ_CONTROL) << "before the play stops and the logout";
        } else {
            m.FreeCamera(0);
            m.StopVideo(&cam);
        }
    }
}

// The device is lost while "u" is held, its release's stop cannot reach it;
// once the camera is started again (a new login), the owed stop goes out on
// that login.
TEST_F(DomePanel, AStopLostWithTheDeviceGoesOutOnceItIsLoggedInAgain) {
    HWND panel = Open();
    HWND up = GetDlgItem(panel, IDC_DOME_UP);
    Press(up);
    ASSERT_EQ(m.FireDisconnect(cam.lLoginHandle, "127.0.0.2"), 1);
    Release(up);  // the lost login refuses its stop
    PumpFor(1200);
    std::vector<Ptz> sent = TakePtz();
    ASSERT_GE(sent.size(), 2u);
    for (size_t i = 1; i < sent.size(); ++i) EXPECT_TRUE(IsStop(sent[i])) << "retried, still refused";
    const int32_t oldLogin = cam.lLoginHandle;
    ASSERT_EQ(m.StartVideo(&cam), 1);  // the host reconnects
    ASSERT_NE(cam.lLoginHandle, oldLogin);
    mark = m.CallCount();
    PumpFor(1300);
    const std::vector<TestNetCall> calls = m.Calls(TN_PTZ_CONTROL);
    ASSERT_FALSE(calls.empty());
    const TestNetCall& last = calls.back();
    EXPECT_EQ(last.args[0], cam.lLoginHandle) << "on the new login";
    EXPECT_EQ(last.args[6], 1) << "a stop";
    const size_t count = calls.size();
    PumpFor(1200);
    EXPECT_EQ(m.Calls(TN_PTZ_CONTROL).size(), count) << "owed no longer";
}

// Unloading destroys the panels before the library is cleaned up, so the
// stop of a held button still goes out; and the module really unloads.
TEST_F(DomePanel, UnloadWhileHoldingSendsTheStopBeforeLogoutAndUnloads) {
    HWND panel = Open();
    Press(GetDlgItem(panel, IDC_DOME_ZOOM_IN));
    TakePtz();
    const int before = m.CallCount();
    ASSERT_TRUE(FreeLibrary(m.dll));
    m.dll = nullptr;
    EXPECT_EQ(GetModuleHandleA("Zentavo.dll"), nullptr) << "nothing pins the module";
    EXPECT_FALSE(IsWindow(panel));
    const std::vector<TestNetCall> calls = m.Calls();
    std::vector<int32_t> tail;
    for (size_t i = before; i < calls.size(); ++i) tail.push_back(calls[i].fn);
    EXPECT_EQ(tail, (std::vector<int32_t>{TN_PTZ_CONTROL, TN_STOP_REAL_PLAY, TN_LOGOUT, TN_CLEANUP}));
    ASSERT_GT(calls.size(), size_t(before));
    EXPECT_EQ(calls[before].args[6], 1) << "a stop";
}

// --- Tooltips, lists, menus --------------------------------------------------------------

BOOL CALLBACK FindToolTipProc(HWND hWnd, LPARAM lParam) {
    wchar_t cls[64] = L"";
    GetClassNameW(hWnd, cls, 64);
    auto* pair = reinterpret_cast<std::pair<HWND, HWND>*>(lParam);
    if (lstrcmpiW(cls, TOOLTIPS_CLASSW) == 0 && GetWindow(hWnd, GW_OWNER) == pair->first) {
        pair->second = hWnd;
        return FALSE;
    }
    return TRUE;
}

std::vector<UINT> g_menuIds;
HHOOK g_menuHook = nullptr;

LRESULT CALLBACK MenuHook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* cwp = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && cwp->message == WM_INITMENUPOPUP) {
        HMENU menu = reinterpret_cast<HMENU>(cwp->wParam);
        for (int i = 0; i < GetMenuItemCount(menu); ++i) g_menuIds.push_back(GetMenuItemID(menu, i));
        EndMenu();
    }
    return CallNextHookEx(g_menuHook, code, wParam, lParam);
}

TEST_F(DomePanel, ToolTipsListsAndTheirMenusAreSetUpAndDoNothing) {
    HWND panel = Open();
    std::pair<HWND, HWND> tip{panel, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindToolTipProc, reinterpret_cast<LPARAM>(&tip));
    ASSERT_NE(tip.second, nullptr);
    EXPECT_EQ(SendMessageW(tip.second, TTM_GETTOOLCOUNT, 0, 0), 16);

    for (int id : {IDC_DOME_PRESET_LIST, IDC_DOME_SEQUENCE_LIST}) {
        HWND list = GetDlgItem(panel, id);
        EXPECT_EQ(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), 0x521);
        HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
        EXPECT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 2);
        EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
    }
    HWND preset = GetDlgItem(panel, IDC_DOME_PRESET_LIST);
    LVCOLUMNW col{};
    wchar_t text[32] = L"";
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = text;
    col.cchTextMax = 32;
    SendMessageW(preset, LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&col));
    EXPECT_STREQ(text, L"预设点描述");
    EXPECT_EQ(col.cx, 150);

    // A right click that hits no row: only "delete all" is offered.
    g_menuHook = SetWindowsHookExW(WH_CALLWNDPROC, MenuHook, nullptr, GetCurrentThreadId());
    const std::pair<int, UINT> lists[] = {{IDC_DOME_PRESET_LIST, ID_PRESET_DELETE_ALL},
                                          {IDC_DOME_SEQUENCE_LIST, ID_SEQUENCE_DELETE_ALL}};
    for (auto [id, onlyItem] : lists) {
        g_menuIds.clear();
        NMITEMACTIVATE nm{};
        nm.hdr.hwndFrom = GetDlgItem(panel, id);
        nm.hdr.idFrom = id;
        nm.hdr.code = NM_RCLICK;
        nm.iItem = -1;
        SendMessageW(panel, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&nm));
        EXPECT_EQ(g_menuIds, (std::vector<UINT>{onlyItem})) << id;
        EXPECT_EQ(GetWindowLongPtrW(panel, DWLP_MSGRESULT), 0);
    }
    UnhookWindowsHookEx(g_menuHook);
    for (UINT cmd : {32778u, 32779u, 32780u, 32781u, 32782u, 32783u})
        SendMessageW(panel, WM_COMMAND, cmd, 0);
    EXPECT_TRUE(TakePtz().empty());
    EXPECT_TRUE(IsWindowVisible(panel));
}

}  // namespace
