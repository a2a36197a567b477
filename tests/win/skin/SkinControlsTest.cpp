// The shaped hold button and the custom-drawn slider on the colour panel's own
// template: messages recorded at the parent, pixels read from a DIB section.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "DialogBase.h"
#include "RasterCanvas.h"
#include "SkinButton.h"
#include "SkinSlider.h"
#include "TestSupport.h"
#include "resource.h"

namespace zv {
namespace {

constexpr int kHoldButton = 8028;   // the "default values" button: reports hold
constexpr int kClickButton = 6079;  // EXIT: click only

// The colour panel's template with two skin buttons and one skin slider,
// recording every hold message it receives.
class CButtonProbe : public ui::CDialogBase {
public:
    CButtonProbe() : CDialogBase(141, nullptr) {
        m_hold.LoadBitmaps(260, 261, 262, 0);
        m_click.LoadBitmaps(6119, 6054, 6112, 0);
        m_click.SetSendsHold(false);
    }
    std::vector<WPARAM> holds;
    bool destroyOnClick = false;
    CSkinButton m_hold, m_click;
    CSkinSlider m_slider;

    HWND Hold() const { return m_hold.Handle(); }
    HWND Click() const { return m_click.Handle(); }

protected:
    BOOL OnInitDialog() override {
        CDialogBase::OnInitDialog();
        m_hold.SubclassDlgItem(kHoldButton, m_hWnd);
        m_click.SubclassDlgItem(kClickButton, m_hWnd);
        m_slider.SubclassDlgItem(1003, m_hWnd);
        return TRUE;
    }
    bool ProcessMessage(ui::CMessage& msg) override {
        return ui::Dispatch(*this, kMessages, msg) || CDialogBase::ProcessMessage(msg);
    }

private:
    LRESULT OnHold(ui::CMessage& msg) {
        holds.push_back(msg.wParam);
        return 0;
    }
    LRESULT OnClicked(ui::CMessage&) {
        if (destroyOnClick) DestroyWindow();
        return 0;
    }
    static constexpr ui::MessageEntry<CButtonProbe> kMessages[] = {
        {WM_BUTTON_HOLD, &CButtonProbe::OnHold},
        {WM_COMMAND, BN_CLICKED, kHoldButton, &CButtonProbe::OnClicked},
    };
};

class SkinControls : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
        InitCommonControlsEx(&icc);
        ASSERT_TRUE(dlg.Create());
        SetWindowPos(dlg.Handle(), nullptr, 50, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
    void TearDown() override {
        ReleaseCapture();
        dlg.DestroyWindow();
    }
    static LPARAM At(int x, int y) { return MAKELPARAM(x, y); }
    void Press(HWND b) { SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, At(15, 12)); }
    void Release(HWND b) { SendMessageW(b, WM_LBUTTONUP, 0, At(15, 12)); }
    void Tick(HWND b) { SendMessageW(b, WM_TIMER, TIMER_BUTTON_HOLD, 0); }
    using Holds = std::vector<WPARAM>;
    CButtonProbe dlg;
};

TEST_F(SkinControls, ButtonTakesTheSizeAndShapeOfItsNormalImage) {
    RECT rc;
    GetWindowRect(dlg.Hold(), &rc);
    EXPECT_EQ(rc.right - rc.left, 37);
    EXPECT_EQ(rc.bottom - rc.top, 28);
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(dlg.Hold(), rgn), ERROR);
    EXPECT_FALSE(PtInRegion(rgn, 0, 0)) << "red corner cut away";
    EXPECT_FALSE(PtInRegion(rgn, 36, 27));
    EXPECT_TRUE(PtInRegion(rgn, 18, 14));
    DeleteObject(rgn);
    EXPECT_EQ(GetWindowLongPtrW(dlg.Hold(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
}

TEST_F(SkinControls, QuickClickGivesPressThenRelease) {
    Press(dlg.Hold());
    Release(dlg.Hold());
    EXPECT_EQ(dlg.holds, (Holds{kHoldButton, 0}));
    EXPECT_FALSE(KillTimer(dlg.Hold(), TIMER_BUTTON_HOLD)) << "the repeat timer was stopped";
}

TEST_F(SkinControls, HoldingRepeatsOnEveryTickUntilTheRelease) {
    Press(dlg.Hold());
    Tick(dlg.Hold());
    Tick(dlg.Hold());
    Release(dlg.Hold());
    Tick(dlg.Hold());  // a tick already on its way at the release repeats nothing
    EXPECT_EQ(dlg.holds, (Holds{kHoldButton, kHoldButton, kHoldButton, 0}));
}

TEST_F(SkinControls, TheRealTimerRepeatsEvery250ms) {
    Press(dlg.Hold());
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < 700) {  // bounded pump, no bare sleep
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        else MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    Release(dlg.Hold());
    ASSERT_GE(dlg.holds.size(), 3u);
    EXPECT_LE(dlg.holds.size(), 5u);
    EXPECT_EQ(dlg.holds.front(), WPARAM(kHoldButton));
    EXPECT_EQ(dlg.holds.back(), WPARAM(0));
}

TEST_F(SkinControls, ClickOnlyButtonSendsNoHoldAndStartsNoTimer) {
    Press(dlg.Click());
    EXPECT_FALSE(KillTimer(dlg.Click(), TIMER_BUTTON_HOLD));
    Release(dlg.Click());
    EXPECT_TRUE(dlg.holds.empty());
}

TEST_F(SkinControls, ClickHandlerThatDestroysTheDialogEndsTheSequence) {
    dlg.destroyOnClick = true;
    Press(dlg.Hold());
    Release(dlg.Hold());
    EXPECT_EQ(dlg.holds, (Holds{kHoldButton}));
    EXPECT_FALSE(IsWindow(dlg.Handle()));
}

TEST_F(SkinControls, HoverTracksByCaptureButNotWithTheButtonDown) {
    SendMessageW(dlg.Hold(), WM_MOUSEMOVE, 0, At(10, 10));
    EXPECT_TRUE(dlg.m_hold.IsHovering());
    EXPECT_EQ(GetCapture(), dlg.Hold());
    SendMessageW(dlg.Hold(), WM_MOUSEMOVE, 0, At(100, 10));
    EXPECT_FALSE(dlg.m_hold.IsHovering());
    EXPECT_EQ(GetCapture(), nullptr);
    // With the left button down a move changes neither hover nor capture.
    SendMessageW(dlg.Hold(), WM_MOUSEMOVE, MK_LBUTTON, At(10, 10));
    EXPECT_FALSE(dlg.m_hold.IsHovering());
    EXPECT_EQ(GetCapture(), nullptr);
    // Another window taking the capture leaves the hover face on.
    SendMessageW(dlg.Hold(), WM_MOUSEMOVE, 0, At(10, 10));
    SetCapture(dlg.Click());
    EXPECT_TRUE(dlg.m_hold.IsHovering());
    EXPECT_TRUE(dlg.holds.empty());
}

TEST_F(SkinControls, LosingTheCaptureWhileHeldReportsTheReleaseOnce) {
    Press(dlg.Hold());
    Tick(dlg.Hold());
    SetCapture(dlg.Handle());  // another window takes the mouse
    Tick(dlg.Hold());
    Release(dlg.Hold());
    EXPECT_EQ(dlg.holds, (Holds{kHoldButton, kHoldButton, 0}));
    EXPECT_FALSE(KillTimer(dlg.Hold(), TIMER_BUTTON_HOLD));
}

TEST_F(SkinControls, HidingOrDestroyingWhileHeldReportsTheRelease) {
    Press(dlg.Hold());
    ShowWindow(dlg.Handle(), SW_HIDE);
    Tick(dlg.Hold());
    EXPECT_EQ(dlg.holds, (Holds{kHoldButton, 0}));
    ShowWindow(dlg.Handle(), SW_SHOWNOACTIVATE);
    dlg.holds.clear();
    Press(dlg.Hold());
    dlg.DestroyWindow();
    EXPECT_EQ(dlg.holds, (Holds{kHoldButton, 0}));
}

TEST_F(SkinControls, SliderDrawsItsOwnThumbThroughTheTrackbarsCustomDraw) {
    CSkinSlider& s = dlg.m_slider;
    s.SetFaceColor(MakeRgb(0, 0, 255));
    s.SetSelectionColor(MakeRgb(64, 64, 255));
    s.SetChannelColor(MakeRgb(196, 196, 255));
    s.SetRange(0, 255);
    s.SetPos(127);
    RECT client = s.GetClientRect();
    CCanvas cap(client.right, client.bottom, RGB(255, 255, 255));
    SendMessageW(s.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(cap.Dc()), PRF_CLIENT);

    // The thumb as the raster draws it from the same rectangle and shades.
    const RECT t = s.GetThumbRect();
    ASSERT_GT(t.bottom - t.top, 0);
    test::RasterCanvas expected(client.right, client.bottom, MakeRgb(255, 255, 255));
    expected.SetPenColors(s.Shades(), GetSysColor(COLOR_WINDOWFRAME));
    const ThumbParams p{{t.left, t.top, t.right, t.bottom}, s.GetStyle(), true, s.GetFaceColor(),
                        GetSysColor(COLOR_WINDOWFRAME), s.Shades()};
    DrawVerticalThumb(expected, p);
    int differing = 0, faceColored = 0;
    for (int y = t.top; y < t.bottom; ++y)
        for (int x = t.left; x < t.right; ++x) {
            const Color want = expected.At(x, y);
            if (want == MakeRgb(255, 255, 255)) continue;  // outside the pointed outline
            differing += cap.Pixel(x, y) != want;
            faceColored += cap.Pixel(x, y) == MakeRgb(0, 0, 255);
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(faceColored, 0);
    // The channel is ours too: its fill colour appears above the thumb.
    int channelPixels = 0;
    for (int y = 0; y < t.top; ++y)
        for (int x = 0; x < client.right; ++x) channelPixels += cap.Pixel(x, y) == MakeRgb(196, 196, 255);
    EXPECT_GT(channelPixels, 0);
    // Setting a colour left the pens consistent with it.
    EXPECT_EQ(s.Shades().light1, MakeRgb(51, 51, 255));
    EXPECT_EQ(SendMessageW(s.Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(cap.Dc()), 0), 0);
}

TEST_F(SkinControls, DisabledSliderDrawsItsChannelInTheButtonFace) {
    CSkinSlider& s = dlg.m_slider;
    s.SetChannelColor(MakeRgb(196, 196, 255));
    EnableWindow(s.Handle(), FALSE);
    RECT client = s.GetClientRect();
    CCanvas cap(client.right, client.bottom, RGB(255, 255, 255));
    SendMessageW(s.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(cap.Dc()), PRF_CLIENT);
    int channelPixels = 0;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x) channelPixels += cap.Pixel(x, y) == MakeRgb(196, 196, 255);
    EXPECT_EQ(channelPixels, 0);
}

}  // namespace
}  // namespace zv

namespace zv {
namespace {

// A pressed thumb arrives as a custom-draw item with CDIS_SELECTED: drawn
// with the dimmed face, the face restored afterwards, and the answer reaches
// the trackbar through the dialog's DWLP_MSGRESULT.
TEST_F(SkinControls, PressedThumbIsDrawnDimmedAndTheFaceComesBack) {
    CSkinSlider& s = dlg.m_slider;
    s.SetFaceColor(MakeRgb(0, 0, 255));
    CCanvas cap(40, 40);
    NMCUSTOMDRAW nm{};
    nm.hdr = {s.Handle(), UINT_PTR(1003), UINT(NM_CUSTOMDRAW)};
    nm.dwDrawStage = CDDS_ITEMPREPAINT;
    nm.hdc = cap.Dc();
    nm.rc = {5, 5, 16, 10};  // the panel's 11 x 5 thumb
    nm.dwItemSpec = TBCD_THUMB;
    nm.uItemState = CDIS_SELECTED;
    SendMessageW(dlg.Handle(), WM_NOTIFY, 1003, reinterpret_cast<LPARAM>(&nm));
    EXPECT_EQ(GetWindowLongPtrW(dlg.Handle(), DWLP_MSGRESULT), CDRF_SKIPDEFAULT);
    EXPECT_EQ(cap.Pixel(8, 7), MakeRgb(0, 0, 204)) << "dimmed face inside the thumb";
    EXPECT_EQ(s.GetFaceColor(), MakeRgb(0, 0, 255));
    EXPECT_EQ(s.Shades().dark1, MakeRgb(0, 0, 204));

    nm.dwDrawStage = CDDS_PREPAINT;
    SendMessageW(dlg.Handle(), WM_NOTIFY, 1003, reinterpret_cast<LPARAM>(&nm));
    EXPECT_EQ(GetWindowLongPtrW(dlg.Handle(), DWLP_MSGRESULT), CDRF_NOTIFYITEMDRAW);
    nm.dwDrawStage = CDDS_ITEMPREPAINT;
    nm.dwItemSpec = TBCD_TICS;
    SendMessageW(dlg.Handle(), WM_NOTIFY, 1003, reinterpret_cast<LPARAM>(&nm));
    EXPECT_EQ(GetWindowLongPtrW(dlg.Handle(), DWLP_MSGRESULT), CDRF_DODEFAULT);
}

}  // namespace
}  // namespace zv
