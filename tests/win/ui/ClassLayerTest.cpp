// The class layer through a probe dialog: message-table dispatch and
// DWLP_MSGRESULT, notification reflection to attached controls, integer data
// exchange with validation, the pre-translation hook and painting into any
// device context.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "BitmapButtonBase.h"
#include "DataExchange.h"
#include "DialogBase.h"
#include "HandleCount.h"
#include "PreTranslateHook.h"
#include "Trackbar.h"
#include "TestResource.h"
#include "TestSupport.h"

namespace {

constexpr COLORREF kPainted = RGB(10, 200, 30);

// Takes its own clicks back from the parent.
class CProbeButton : public ui::CSubclassWindow {
public:
    int clicks = 0;

protected:
    bool ProcessMessage(ui::CMessage& msg) override {
        return ui::Dispatch(*this, kMessages, msg) || CSubclassWindow::ProcessMessage(msg);
    }

private:
    LRESULT OnClicked(ui::CMessage&) { return ++clicks, 0; }
    static constexpr ui::MessageEntry<CProbeButton> kMessages[] = {
        {ui::Reflected(WM_COMMAND), BN_CLICKED, ui::kAnyId, &CProbeButton::OnClicked},
    };
};

// Answers its own custom draw, asking for the item stages.
class CProbeTrackbar : public ui::CTrackbar {
public:
    std::vector<DWORD> stages;  // draw stage, with the item in the high word

protected:
    bool ProcessMessage(ui::CMessage& msg) override {
        return ui::Dispatch(*this, kMessages, msg) || CTrackbar::ProcessMessage(msg);
    }

private:
    LRESULT OnCustomDraw(ui::CMessage& msg) {
        const auto* pcd = reinterpret_cast<const NMCUSTOMDRAW*>(msg.lParam);
        stages.push_back(pcd->dwDrawStage | static_cast<DWORD>(pcd->dwItemSpec) << 16);
        return pcd->dwDrawStage == CDDS_PREPAINT ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
    }
    static constexpr ui::MessageEntry<CProbeTrackbar> kMessages[] = {
        {ui::Reflected(WM_NOTIFY), NM_CUSTOMDRAW, ui::kAnyId, &CProbeTrackbar::OnCustomDraw},
    };
};

class CProbeDialog : public ui::CDialogBase {
public:
    CProbeDialog() : CDialogBase(IDD_PROBE, nullptr) { m_picture.LoadBitmaps(IDB_BLOCKS, IDB_WIDE); }

    int m_nFirst = 10;
    int m_nSecond = 20;
    int m_nThird = 30;
    CProbeButton m_push;
    CProbeTrackbar m_slider;
    ui::CBitmapButtonBase m_picture;

    std::vector<std::string> log;
    std::vector<MSG> preTranslated;
    WPARAM swallowedKey = 0;
    int paints = 0;

    bool PreTranslateMessage(MSG& msg) override {
        preTranslated.push_back(msg);
        if (msg.message == WM_KEYDOWN && msg.wParam == swallowedKey) return true;
        return CDialogBase::PreTranslateMessage(msg);
    }

protected:
    void DoDataExchange(ui::CDataExchange& dx) override {
        dx.Control(IDC_PUSH, m_push);
        dx.Control(IDC_SLIDER, m_slider);
        dx.Control(IDC_OWNERDRAW, m_picture);
        dx.Int(IDC_EDIT1, m_nFirst, 0, 255);
        dx.Int(IDC_EDIT2, m_nSecond, 0, 255);
        dx.Int(IDC_EDIT3, m_nThird, 0, 255);
    }
    bool ProcessMessage(ui::CMessage& msg) override {
        return ui::Dispatch(*this, kMessages, msg) || CDialogBase::ProcessMessage(msg);
    }
    void DoPaint(HDC hDC, const RECT&) override {
        ++paints;
        SetDCBrushColor(hDC, kPainted);
        const RECT rc{0, 0, 5, 5};
        FillRect(hDC, &rc, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    }

private:
    LRESULT Log(const char* what, LRESULT result = 0) { return log.push_back(what), result; }
    LRESULT OnApp(ui::CMessage&) { return 1234; }
    LRESULT OnDecline(ui::CMessage& msg) { return msg.handled = false, 99; }
    LRESULT OnThrow(ui::CMessage&) { throw std::runtime_error("handler failed"); }
    LRESULT OnPushClicked(ui::CMessage&) { return Log("parent: push clicked"); }
    LRESULT OnPlainClicked(ui::CMessage&) { return Log("parent: plain clicked"); }
    LRESULT OnSliderCustomDraw(ui::CMessage&) { return Log("parent: custom draw", CDRF_SKIPDEFAULT); }
    LRESULT OnSliderReleased(ui::CMessage&) { return 77; }

    static constexpr ui::MessageEntry<CProbeDialog> kMessages[] = {
        {WM_APP, &CProbeDialog::OnApp},
        {WM_APP + 1, &CProbeDialog::OnDecline},
        {WM_APP + 2, &CProbeDialog::OnThrow},
        {WM_COMMAND, BN_CLICKED, IDC_PUSH, &CProbeDialog::OnPushClicked},
        {WM_COMMAND, BN_CLICKED, IDC_PLAIN, &CProbeDialog::OnPlainClicked},
        {WM_NOTIFY, NM_CUSTOMDRAW, IDC_SLIDER, &CProbeDialog::OnSliderCustomDraw},
        {WM_NOTIFY, NM_RELEASEDCAPTURE, IDC_SLIDER, &CProbeDialog::OnSliderReleased},
        {WM_PAINT, &CProbeDialog::OnPaint},
        {WM_PRINTCLIENT, &CProbeDialog::OnPrintClient},
    };
};

// The probe dialogs stay hidden: a dialog that took the focus at
// initialisation counts as activated, and Wine waits seconds for a window
// manager when such a window is shown and hidden again.

LRESULT Notify(HWND hDlg, HWND hFrom, UINT_PTR id, UINT code) {
    NMHDR hdr{hFrom, id, code};
    return SendMessageW(hDlg, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&hdr));
}

TEST(MessageTable, HandledResultsReachTheSenderUnhandledGetDefaults) {
    CProbeDialog dlg;
    ASSERT_TRUE(dlg.Create());
    HWND hSlider = dlg.GetDlgItem(IDC_SLIDER);
    EXPECT_EQ(SendMessageW(dlg, WM_APP, 0, 0), 1234);
    EXPECT_EQ(SendMessageW(dlg, WM_APP + 1, 0, 0), 0) << "declined: default processing";
    EXPECT_EQ(SendMessageW(dlg, WM_APP + 2, 0, 0), 0) << "an exception stops at the procedure";
    EXPECT_EQ(SendMessageW(dlg, WM_APP + 3, 0, 0), 0);
    EXPECT_EQ(Notify(dlg, hSlider, IDC_SLIDER, NM_RELEASEDCAPTURE), 77);
    EXPECT_EQ(Notify(dlg, hSlider, IDC_EDIT1, NM_RELEASEDCAPTURE), 0) << "another id";
    EXPECT_EQ(Notify(dlg, hSlider, IDC_SLIDER, NM_CLICK), 0) << "another code";
    SendMessageW(dlg.GetDlgItem(IDC_PLAIN), BM_CLICK, 0, 0);
    EXPECT_EQ(dlg.log, std::vector<std::string>{"parent: plain clicked"});
}

TEST(Reflection, ControlsAnswerTheirOwnNotificationsFirst) {
    CProbeDialog dlg;
    ASSERT_TRUE(dlg.Create());
    ASSERT_EQ(dlg.m_push.Handle(), dlg.GetDlgItem(IDC_PUSH)) << "attached by data exchange";

    SendMessageW(dlg.m_push, BM_CLICK, 0, 0);
    EXPECT_EQ(dlg.m_push.clicks, 1);

    // A real paint of the trackbar: the item stages only follow when the
    // pre-paint answer made it back through the dialog.
    CCanvas canvas(60, 120);
    SendMessageW(dlg.m_slider, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    const std::vector<DWORD>& stages = dlg.m_slider.stages;
    ASSERT_FALSE(stages.empty());
    EXPECT_EQ(stages.front(), static_cast<DWORD>(CDDS_PREPAINT));
    const auto has = [&](DWORD item) {
        return std::find(stages.begin(), stages.end(), CDDS_ITEMPREPAINT | item << 16) != stages.end();
    };
    EXPECT_TRUE(has(TBCD_CHANNEL));
    EXPECT_TRUE(has(TBCD_THUMB));
    EXPECT_TRUE(dlg.log.empty()) << "the parent's own entries never saw them";

    // A notification the control has no entry for goes on to the parent.
    EXPECT_EQ(Notify(dlg, dlg.m_slider, IDC_SLIDER, NM_RELEASEDCAPTURE), 77);
}

TEST(Reflection, BitmapButtonDrawsTheImageForItsState) {
    CProbeDialog dlg;
    ASSERT_TRUE(dlg.Create());
    HWND hButton = dlg.m_picture.Handle();
    ASSERT_TRUE(hButton);
    CCanvas canvas(40, 30);
    SendMessageW(hButton, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    EXPECT_EQ(canvas.Pixel(0, 0), BlockColor(0, 0));
    EXPECT_EQ(canvas.Pixel(3, 2), BlockColor(3, 2));

    SendMessageW(hButton, BM_SETSTATE, TRUE, 0);
    SendMessageW(hButton, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    EXPECT_EQ(canvas.Pixel(3, 2), WideColor(3, 2)) << "pushed: the selected image";
}

TEST(DataExchange, IntegerTextRule) {
    struct {
        const wchar_t* text;
        bool ok;
        int value;
    } const cases[] = {
        {L"0", true, 0},          {L" 42 ", true, 42},   {L"+7", true, 7},
        {L"-1", true, -1},        {L"2147483647", true, 2147483647},
        {L"", false, 0},          {L" ", false, 0},     {L"abc", false, 0},
        {L"1 2", false, 0},       {L"12x", false, 0},   {L"0x10", false, 0},
        {L"2147483648", false, 0}, {L"99999999999", false, 0}, {L"-", false, 0},
    };
    for (const auto& c : cases) {
        int value = 0;
        EXPECT_EQ(ui::CDataExchange::ParseInt(c.text, value), c.ok) << "'" << c.text << "'";
        if (c.ok) {
            EXPECT_EQ(value, c.value);
        }
    }
}

// Each rejected value raises a real message box, which costs Wine ~2 s
// without a window manager; one rejection covers the whole path.
TEST(DataExchange, StopsAtTheFirstInvalidEditAndSaysWhy) {
    CProbeDialog dlg;
    ASSERT_TRUE(dlg.Create());
    wchar_t szText[16];
    GetDlgItemTextW(dlg, IDC_EDIT2, szText, 16);
    EXPECT_STREQ(szText, L"20") << "loaded at initialisation";

    SetDlgItemTextW(dlg, IDC_EDIT1, L" 12 ");
    SetDlgItemTextW(dlg, IDC_EDIT2, L"255");
    SetDlgItemTextW(dlg, IDC_EDIT3, L"0");
    {
        CMessageBoxCatcher boxes;
        EXPECT_TRUE(dlg.UpdateData(true));
        EXPECT_TRUE(boxes.texts.empty());
    }
    EXPECT_EQ(dlg.m_nFirst, 12);
    EXPECT_EQ(dlg.m_nSecond, 255);
    EXPECT_EQ(dlg.m_nThird, 0);

    SetDlgItemTextW(dlg, IDC_EDIT1, L"13");
    SetDlgItemTextW(dlg, IDC_EDIT2, L"256");
    SetDlgItemTextW(dlg, IDC_EDIT3, L"7");
    CMessageBoxCatcher boxes;
    EXPECT_FALSE(dlg.UpdateData(true));
    EXPECT_EQ(boxes.texts, std::vector<std::wstring>{L"请输入 0 到 255 之间的整数。"});
    EXPECT_EQ(dlg.m_nFirst, 13) << "read before the rejected one";
    EXPECT_EQ(dlg.m_nSecond, 255) << "the rejected value keeps the old one";
    EXPECT_EQ(dlg.m_nThird, 0) << "not read after the rejection";
    EXPECT_EQ(GetFocus(), dlg.GetDlgItem(IDC_EDIT2));
}

TEST(PreTranslateHook, InstalledWhileAnyDialogExists) {
    const ui::HandleCounts before = ui::CurrentHandleCounts();
    ASSERT_FALSE(ui::CPreTranslateHook::IsInstalled());
    {
        CProbeDialog first, second;
        ASSERT_TRUE(first.Create());
        EXPECT_TRUE(ui::CPreTranslateHook::IsInstalled());
        EXPECT_EQ(ui::CurrentHandleCounts().user, before.user + 2);
        ASSERT_TRUE(second.Create());
        EXPECT_EQ(ui::CurrentHandleCounts().user, before.user + 3) << "one hook for the thread";
        first.DestroyWindow();
        EXPECT_TRUE(ui::CPreTranslateHook::IsInstalled());
        second.DestroyWindow();
        EXPECT_FALSE(ui::CPreTranslateHook::IsInstalled());
        ASSERT_TRUE(first.Create()) << "the object outlives its window";
        EXPECT_TRUE(ui::CPreTranslateHook::IsInstalled());
    }  // destroyed with its window still open
    EXPECT_FALSE(ui::CPreTranslateHook::IsInstalled());
    EXPECT_EQ(ui::CurrentHandleCounts().user, before.user);
    EXPECT_EQ(ui::CurrentHandleCounts().gdi, before.gdi);
}

// Records what the edit's own window procedure receives.
LRESULT CALLBACK RecordEdit(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                            DWORD_PTR ref) {
    if (msg == WM_KEYDOWN || msg == WM_NULL || msg == WM_CHAR)
        reinterpret_cast<std::vector<UINT>*>(ref)->push_back(msg);
    return DefSubclassProc(hWnd, msg, wParam, lParam);
}

TEST(PreTranslateHook, RoutesTheDialogsMessagesBeforeTheHostDispatches) {
    CProbeDialog dlg;
    ASSERT_TRUE(dlg.Create());
    HWND hEdit1 = dlg.GetDlgItem(IDC_EDIT1);
    HWND hEdit2 = dlg.GetDlgItem(IDC_EDIT2);
    std::vector<UINT> received;
    SetWindowSubclass(hEdit1, &RecordEdit, 1, reinterpret_cast<DWORD_PTR>(&received));
    PumpMessages();
    dlg.preTranslated.clear();

    // Swallowed by the dialog's key filter: the edit sees a WM_NULL.
    dlg.swallowedKey = VK_F5;
    PostMessageW(hEdit1, WM_KEYDOWN, VK_F5, 0);
    MSG peeked;
    PeekMessageW(&peeked, nullptr, 0, 0, PM_NOREMOVE);
    PumpMessages();
    ASSERT_EQ(dlg.preTranslated.size(), 1u) << "a peek that leaves the message is not routed";
    EXPECT_EQ(dlg.preTranslated[0].hwnd, hEdit1);
    EXPECT_EQ(dlg.preTranslated[0].message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(received, std::vector<UINT>{WM_NULL});

    // Tab goes to the dialog manager, which moves the focus on.
    SetFocus(hEdit1);
    PostMessageW(hEdit1, WM_KEYDOWN, VK_TAB, 0);
    PumpMessages();
    EXPECT_EQ(GetFocus(), hEdit2);

    // Other windows' messages pass untouched.
    dlg.preTranslated.clear();
    HWND hOther = CreateWindowExW(0, L"Edit", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    PostMessageW(hOther, WM_KEYDOWN, VK_F5, 0);
    PumpMessages();
    EXPECT_TRUE(dlg.preTranslated.empty());
    DestroyWindow(hOther);
    RemoveWindowSubclass(hEdit1, &RecordEdit, 1);
}

TEST(Paint, OneRoutineForPaintAndPrintClient) {
    CProbeDialog dlg;
    ASSERT_TRUE(dlg.Create());
    CCanvas canvas(10, 10);
    SendMessageW(dlg, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    EXPECT_EQ(canvas.Pixel(4, 4), kPainted);
    EXPECT_EQ(canvas.Pixel(5, 5), kBackdrop);

    const int before = dlg.paints;
    InvalidateRect(dlg, nullptr, FALSE);
    SendMessageW(dlg, WM_PAINT, 0, 0);
    EXPECT_EQ(dlg.paints, before + 1);
    EXPECT_FALSE(GetUpdateRect(dlg, nullptr, FALSE)) << "painted through a paint cycle";
}

}  // namespace
