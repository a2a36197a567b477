// The dome panel against devsim.exe with real mouse input on the virtual
// display: holding "u" tilts the simulated dome and the release freezes it,
// the host's commands pan and stop it, and the panel drags with the mouse.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "E2eSupport.h"
#include "TestSupport.h"
#include "resource.h"

namespace {

using namespace e2e;

HWND FindPanel() { return FindThreadWindowWithChild(IDC_DOME_JOYSTICK); }

class DomePanelE2e : public ::testing::Test {
protected:
    void SetUp() override {
        devsim = SharedDevsim();
        ASSERT_NE(devsim, nullptr);
        dll = LoadLibraryA("Zentavo.dll");
        ASSERT_NE(dll, nullptr);
        StartVideo = Proc<PFN_Camera>(dll, MAKEINTRESOURCEA(11));
        StopVideo = Proc<PFN_Camera>(dll, MAKEINTRESOURCEA(12));
        ShowCamera = Proc<PFN_Panel>(dll, MAKEINTRESOURCEA(10));
        SetDomeCMD = Proc<PFN_SetDomeCMD>(dll, MAKEINTRESOURCEA(9));
        wnd = CameraWindow(0, 0);
        cam = Camera(kDeviceA, 2, wnd);
        ASSERT_EQ(StartVideo(&cam), 1);
        ASSERT_EQ(ShowCamera(&cam, 1, 400, 0), 1);
        panel = FindPanel();
        ASSERT_NE(panel, nullptr);
        state = std::string("state ") + kDeviceA + " 2";
        Pump(300);  // the first pictures
    }
    void TearDown() override {
        if (StopVideo) StopVideo(&cam);
        if (dll) FreeLibrary(dll);
        DestroyWindow(wnd);
    }
    double Field(const char* key) { return devsim->Field(state, key); }

    CDevsim* devsim = nullptr;
    HMODULE dll = nullptr;
    PFN_Camera StartVideo = nullptr, StopVideo = nullptr;
    PFN_Panel ShowCamera = nullptr;
    PFN_SetDomeCMD SetDomeCMD = nullptr;
    HWND wnd = nullptr, panel = nullptr;
    CAMERA_INFO cam{};
    std::string state;
};

const RECT kPicture{0, 60, 352, 288};

TEST_F(DomePanelE2e, HoldingUpTiltsTheDomeAndTheReleaseFreezesIt) {
    const double tilt0 = Field("tilt");
    const auto before = Grab(wnd, kPicture);
    MouseTo(CentreOf(GetDlgItem(panel, IDC_DOME_UP)));
    MouseButton(true);
    Pump(400);
    EXPECT_EQ(Field("moving"), 1) << "moving while held";
    Pump(300);
    MouseButton(false);
    Pump(100);
    EXPECT_EQ(Field("moving"), 0) << "stopped at the release";
    const double tilt1 = Field("tilt");
    EXPECT_GT(tilt1, tilt0 + 5) << "tilted up";
    Pump(400);
    EXPECT_EQ(Field("tilt"), tilt1) << "frozen";
    EXPECT_GT(Differing(before, Grab(wnd, kPicture)), 0) << "the picture moved with the dome";
}

TEST_F(DomePanelE2e, HostCommandsPanAndStopThroughThePanel) {
    const double pan0 = Field("pan");
    ASSERT_EQ(SetDomeCMD(0, PTZ_LEFT, 0), 1);
    Pump(300);
    EXPECT_EQ(Field("moving"), 1);
    ASSERT_EQ(SetDomeCMD(0, PTZ_STOP, 0), 1);
    EXPECT_EQ(Field("moving"), 0);
    EXPECT_NE(Field("pan"), pan0) << "panned";
}

TEST_F(DomePanelE2e, JoystickHeldByTheMouseSteersAndTheReleaseStops) {
    RECT area{};
    GetWindowRect(GetDlgItem(panel, IDC_DOME_JOYSTICK), &area);
    const double pan0 = Field("pan");
    MouseTo({area.right - 3, (area.top + area.bottom) / 2});  // right of the centre
    MouseButton(true);
    Pump(1000);
    EXPECT_EQ(Field("moving"), 1);
    MouseButton(false);  // the three stops block the panel's thread ~600 ms
    Pump(100);
    EXPECT_EQ(Field("moving"), 0);
    EXPECT_NE(Field("pan"), pan0);
}

// The system's move loop runs inside the panel's thread once the drag has
// begun, so the user's hand is another thread here.
struct DragPath {
    POINT from;
    int dx, dy;
};

void SendAbsoluteMove(POINT pt) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = pt.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = pt.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
}

DWORD WINAPI DragHand(LPVOID param) {
    const DragPath& path = *static_cast<const DragPath*>(param);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &in, sizeof in);
    Sleep(150);
    for (int i = 1; i <= 10; ++i) {
        SendAbsoluteMove({path.from.x + path.dx * i / 10, path.from.y + path.dy * i / 10});
        Sleep(30);
    }
    Sleep(100);
    in.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &in, sizeof in);
    return 0;
}

TEST_F(DomePanelE2e, PressOutsideTheJoystickDragsThePanel) {
    RECT before{};
    GetWindowRect(panel, &before);
    DragPath path{{before.left + 150, before.bottom - 12}, 40, 30};  // the skin, right of "Scan"
    MouseTo(path.from);
    HANDLE hand = CreateThread(nullptr, 0, DragHand, &path, 0, nullptr);
    while (WaitForSingleObject(hand, 0) == WAIT_TIMEOUT) Pump(20);
    CloseHandle(hand);
    Pump(200);
    RECT after{};
    GetWindowRect(panel, &after);
    EXPECT_EQ(after.left - before.left, 40);
    EXPECT_EQ(after.top - before.top, 30);
    EXPECT_EQ(Field("moving"), 0) << "a drag sends nothing";
}

}  // namespace
