// The colour panel against devsim.exe: the panel opened with DVR_ParamSet
// over a live picture, its brightness slider dragged with the mouse, and the
// change seen both in the device's channel settings and in the picture.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "E2eSupport.h"
#include "TestSupport.h"
#include "resource.h"
#include "zentavo.h"

namespace {

using namespace e2e;

const RECT kPicture{0, 60, 352, 288};

HWND FindPanel() { return FindThreadWindowWithChild(IDC_COLOR_BRIGHTNESS_EDIT); }

// A real drag: the pointer goes to `from`, the button down, the pointer to
// `to` in steps, the button up, with the host's messages pumped throughout.
void Drag(POINT from, POINT to) {
    SetCursorPos(from.x, from.y);
    Pump(100);
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    Pump(150);
    for (int i = 1; i <= 8; ++i) {
        SetCursorPos(from.x + (to.x - from.x) * i / 8, from.y + (to.y - from.y) * i / 8);
        Pump(40);
    }
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    Pump(200);
}

TEST(ColorPanelE2e, DraggingBrightnessUpChangesTheDeviceAndBrightensThePicture) {
    CDevsim* devsim = SharedDevsim();
    ASSERT_NE(devsim, nullptr) << "devsim.exe did not come up";
    HMODULE dll = LoadLibraryA("Zentavo.dll");
    ASSERT_NE(dll, nullptr);
    auto StartVideo = Proc<PFN_Camera>(dll, MAKEINTRESOURCEA(11));
    auto StopVideo = Proc<PFN_Camera>(dll, MAKEINTRESOURCEA(12));
    auto ParamSet = Proc<PFN_Panel>(dll, MAKEINTRESOURCEA(8));
    HWND wnd = CameraWindow(0, 0);

    CAMERA_INFO cam = Camera(kDeviceA, 3, wnd);
    ASSERT_EQ(StartVideo(&cam), 1);
    ASSERT_GE(WaitFor(5000, [&] { return MeanLevel(Grab(wnd, kPicture)) > 5.0; }), 0) << "no picture";
    const std::string state = std::string("state ") + kDeviceA + " 3";
    const double b0 = devsim->Field(state, "brightness"), c0 = devsim->Field(state, "contrast");
    const double s0 = devsim->Field(state, "saturation"), h0 = devsim->Field(state, "hue");
    ASSERT_LT(b0, 200) << "room to raise it";

    ASSERT_EQ(ParamSet(&cam, 1, 400, 300), 1);
    Pump(200);
    HWND panel = FindPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(EditText(panel, IDC_COLOR_BRIGHTNESS_EDIT), std::to_string(int(b0))) << "read from the device";
    EXPECT_EQ(EditText(panel, IDC_COLOR_HUE_EDIT), std::to_string(int(h0)));
    const double darkBefore = MeanLevel(Grab(wnd, kPicture));

    // The thumb to near the bottom of its channel: the maximum is at the bottom.
    HWND slider = GetDlgItem(panel, IDC_COLOR_BRIGHTNESS_SLIDER);
    RECT thumb{}, track{};
    SendMessageW(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    GetClientRect(slider, &track);
    POINT from{(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
    POINT to{from.x, track.bottom - 4};
    ClientToScreen(slider, &from);
    ClientToScreen(slider, &to);
    Drag(from, to);

    const int raised = int(SendMessageW(slider, TBM_GETPOS, 0, 0));
    EXPECT_GT(raised, b0 + 50) << "the thumb followed the pointer";
    EXPECT_EQ(EditText(panel, IDC_COLOR_BRIGHTNESS_EDIT), std::to_string(raised));
    EXPECT_EQ(devsim->Field(state, "brightness"), raised) << "written at the release";
    EXPECT_EQ(devsim->Field(state, "contrast"), c0);
    EXPECT_EQ(devsim->Field(state, "saturation"), s0);
    EXPECT_EQ(devsim->Field(state, "hue"), h0);
    EXPECT_GE(WaitFor(2000, [&] { return MeanLevel(Grab(wnd, kPicture)) > darkBefore + 20; }), 0)
        << "a brighter picture (before " << darkBefore << ")";

    // Back through the edit: typed, then left.
    HWND edit = GetDlgItem(panel, IDC_COLOR_BRIGHTNESS_EDIT);
    SetFocus(edit);
    SetWindowTextA(edit, std::to_string(int(b0)).c_str());
    SetFocus(GetDlgItem(panel, IDC_COLOR_CONTRAST_EDIT));
    Pump(100);
    EXPECT_EQ(devsim->Field(state, "brightness"), b0);
    EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), LRESULT(b0));

    EXPECT_EQ(ParamSet(&cam, 0, 0, 0), 1);
    EXPECT_EQ(FindPanel(), nullptr);
    EXPECT_EQ(StopVideo(&cam), 1);
    DestroyWindow(wnd);
    FreeLibrary(dll);
}

}  // namespace
