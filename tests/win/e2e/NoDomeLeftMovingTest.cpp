// No dome is left moving: every way a hold on the dome panel can end leaves
// devsim's simulated dome stopped, as its control port reports.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "E2eSupport.h"
#include "TestSupport.h"
#include "resource.h"

namespace {

using namespace e2e;

class NoDomeLeftMoving : public ::testing::Test {
protected:
    void SetUp() override {
        devsim = SharedDevsim();
        ASSERT_NE(devsim, nullptr);
        dll = LoadLibraryA("Zentavo.dll");
        ASSERT_NE(dll, nullptr);
        StartVideo = Proc<PFN_Camera>(dll, MAKEINTRESOURCEA(11));
        GetConnectState = Proc<PFN_Camera>(dll, MAKEINTRESOURCEA(5));
        ShowCamera = Proc<PFN_Panel>(dll, MAKEINTRESOURCEA(10));
        FreeCamera = Proc<PFN_Int>(dll, MAKEINTRESOURCEA(3));
        wnd = CameraWindow(0, 0);
        other = CameraWindow(0, 400);
        cam = Camera(kDeviceA, 3, wnd);
        state = std::string("state ") + kDeviceA + " 3";
        ASSERT_EQ(StartVideo(&cam), 1);
        panel = Show();
    }
    void TearDown() override {
        if (dll) FreeLibrary(dll);
        DestroyWindow(wnd);
        DestroyWindow(other);
    }

    HWND Show() {
        EXPECT_EQ(ShowCamera(&cam, 1, 400, 0), 1);
        HWND found = FindThreadWindowWithChild(IDC_DOME_JOYSTICK);
        EXPECT_NE(found, nullptr);
        return found;
    }
    HWND Up() const { return GetDlgItem(panel, IDC_DOME_UP); }
    // Holds "u" until the dome is seen moving.
    void Hold() {
        SendMessageW(Up(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(6, 6));
        ASSERT_GE(WaitFor(1000, [&] { return Moving(); }), 0) << "the dome moves while held";
        Pump(300);
    }
    bool Moving() { return devsim->Field(state, "moving") == 1; }
    // The dome stopped within 1.5 s, and stays stopped.
    void ExpectStopped(const char* how) {
        EXPECT_GE(WaitFor(1500, [&] { return !Moving(); }), 0) << how;
        Pump(600);
        EXPECT_FALSE(Moving()) << how << ": still stopped a moment later";
    }

    CDevsim* devsim = nullptr;
    HMODULE dll = nullptr;
    PFN_Camera StartVideo = nullptr, GetConnectState = nullptr;
    PFN_Panel ShowCamera = nullptr;
    PFN_Int FreeCamera = nullptr;
    HWND wnd = nullptr, other = nullptr, panel = nullptr;
    CAMERA_INFO cam{};
    std::string state;
};

TEST_F(NoDomeLeftMoving, WhenTheButtonIsReleased) {
    Hold();
    SendMessageW(Up(), WM_LBUTTONUP, 0, MAKELPARAM(6, 6));
    ExpectStopped("released");
}

TEST_F(NoDomeLeftMoving, WhenAnotherWindowTakesTheMouse) {
    Hold();
    SetCapture(other);
    ExpectStopped("capture lost");
    ReleaseCapture();
}

TEST_F(NoDomeLeftMoving, WhenThePanelIsHidden) {
    Hold();
    ShowWindow(panel, SW_HIDE);
    ExpectStopped("hidden");
}

TEST_F(NoDomeLeftMoving, WhenThePanelIsDestroyed) {
    Hold();
    EXPECT_EQ(FreeCamera(0), 1);
    ExpectStopped("destroyed");
}

TEST_F(NoDomeLeftMoving, WhenThePanelIsReplaced) {
    Hold();
    panel = Show();
    ExpectStopped("replaced");
}

TEST_F(NoDomeLeftMoving, WhenTheModuleIsUnloaded) {
    Hold();
    ASSERT_TRUE(FreeLibrary(dll));
    dll = nullptr;
    ExpectStopped("unloaded");
}

// The device drops the connection mid-hold and keeps moving; the release's
// stop cannot reach it. Once the host has started the camera again (a new
// login), the stop goes out on that login.
TEST_F(NoDomeLeftMoving, WhenTheDeviceDropsAndIsReconnected) {
    Hold();
    ASSERT_EQ(devsim->Command(std::string("drop ") + kDeviceA).rfind("OK", 0), 0u);
    ASSERT_GE(WaitFor(3000, [&] { return GetConnectState(&cam) == 0; }), 0);
    SendMessageW(Up(), WM_LBUTTONUP, 0, MAKELPARAM(6, 6));
    Pump(300);
    EXPECT_TRUE(Moving()) << "the device never heard the stop";
    ASSERT_EQ(StartVideo(&cam), 1) << "the host reconnects";
    ExpectStopped("dropped and reconnected");

    // And a hold that spans the reconnection: its repeats and its release
    // find the new login by themselves.
    Hold();
    ASSERT_EQ(devsim->Command(std::string("drop ") + kDeviceA).rfind("OK", 0), 0u);
    ASSERT_GE(WaitFor(3000, [&] { return GetConnectState(&cam) == 0; }), 0);
    ASSERT_EQ(StartVideo(&cam), 1);
    Pump(600);
    EXPECT_TRUE(Moving()) << "still held";
    SendMessageW(Up(), WM_LBUTTONUP, 0, MAKELPARAM(6, 6));
    ExpectStopped("released after the reconnection");
}

// The same, but the panel goes before the device is back: the stop it owed
// outlives it and goes out on the camera's next login.
TEST_F(NoDomeLeftMoving, WhenTheDeviceDropsAndThePanelGoesBeforeItIsBack) {
    Hold();
    ASSERT_EQ(devsim->Command(std::string("drop ") + kDeviceA).rfind("OK", 0), 0u);
    ASSERT_GE(WaitFor(3000, [&] { return GetConnectState(&cam) == 0; }), 0);
    SendMessageW(Up(), WM_LBUTTONUP, 0, MAKELPARAM(6, 6));
    EXPECT_EQ(FreeCamera(0), 1);
    Pump(1200);
    EXPECT_TRUE(Moving()) << "the device never heard the stop";
    ASSERT_EQ(StartVideo(&cam), 1) << "the host reconnects";
    ExpectStopped("panel gone, device reconnected");
}

}  // namespace
