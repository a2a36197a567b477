// The colour panel as a host meets it: DVR_ParamSet on the built Zentavo.dll
// against the test network library, which hands out the device's blocks and
// keeps the last one written. Keys go through the thread's queue, as the
// pre-translation hook needs; mouse presses are posted to the window the
// point would hit.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "ModuleUnderTest.h"
#include "ProcessCounts.h"
#include "TestSupport.h"
#include "resource.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kRecordSize = 340;
constexpr int kSliders[4] = {IDC_COLOR_BRIGHTNESS_SLIDER, IDC_COLOR_CONTRAST_SLIDER,
                             IDC_COLOR_HUE_SLIDER, IDC_COLOR_SATURATION_SLIDER};
constexpr int kEdits[4] = {IDC_COLOR_BRIGHTNESS_EDIT, IDC_COLOR_CONTRAST_EDIT, IDC_COLOR_HUE_EDIT,
                           IDC_COLOR_SATURATION_EDIT};

// The channel's bytes 208 to 211: brightness, contrast, saturation, hue.
struct Picture {
    int b, c, s, h;
};

Bytes DeviceBlock(int nRecords, size_t size = 212) {
    Bytes d(size);
    for (size_t i = 0; i < size; ++i) d[i] = static_cast<uint8_t>(i * 5 + 2);
    if (size > 181) d[181] = static_cast<uint8_t>(nRecords);
    return d;
}

Bytes Records(int nRecords) {
    Bytes r(static_cast<size_t>(nRecords) * kRecordSize);
    for (size_t i = 0; i < r.size(); ++i) r[i] = static_cast<uint8_t>(i * 7 + 3);
    return r;
}

void Put(Bytes& records, int nChannel, Picture p) {
    uint8_t* r = &records[static_cast<size_t>(nChannel) * kRecordSize];
    r[208] = static_cast<uint8_t>(p.b);
    r[209] = static_cast<uint8_t>(p.c);
    r[210] = static_cast<uint8_t>(p.s);
    r[211] = static_cast<uint8_t>(p.h);
}

HWND FindPanel() { return FindThreadWindowWithChild(IDC_COLOR_BRIGHTNESS_EDIT); }

std::wstring Text(HWND panel, int id) {
    wchar_t s[64] = L"";
    GetDlgItemTextW(panel, id, s, 64);
    return s;
}

int Pos(HWND panel, int id) { return static_cast<int>(SendDlgItemMessageW(panel, id, TBM_GETPOS, 0, 0)); }

// What the four edits show, and the four sliders' positions, in the panel's
// order: brightness, contrast, hue, saturation.
std::vector<std::wstring> Edits(HWND panel) {
    std::vector<std::wstring> v;
    for (int id : kEdits) v.push_back(Text(panel, id));
    return v;
}
std::vector<int> Positions(HWND panel) {
    std::vector<int> v;
    for (int id : kSliders) v.push_back(Pos(panel, id));
    return v;
}

// The mouse button going up on a slider after a drag or a click, as the
// trackbar tells its parent.
void ReleaseSlider(HWND panel, int id, int pos) {
    HWND slider = GetDlgItem(panel, id);
    SendMessageW(slider, TBM_SETPOS, TRUE, pos);
    NMHDR hdr{slider, static_cast<UINT_PTR>(id), static_cast<UINT>(NM_RELEASEDCAPTURE)};
    SendMessageW(panel, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&hdr));
}

POINT Centre(HWND w) {
    RECT rc;
    GetWindowRect(w, &rc);
    return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

// A left press and release at a screen point, posted to the window that the
// point hits (transparent statics let it through to their parent).
HWND PressAt(POINT screen) {
    HWND target = WindowFromPoint(screen);
    POINT client = screen;
    ScreenToClient(target, &client);
    const LPARAM at = MAKELPARAM(client.x, client.y);
    PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(target, WM_LBUTTONUP, 0, at);
    PumpMessages();
    return target;
}

void Key(HWND target, UINT vk, bool bDown) {
    PostMessageW(target, bDown ? WM_KEYDOWN : WM_KEYUP, vk, bDown ? 1 : 0xC0000001);
    PumpMessages();
}

class ColorPanel : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m.Load());
        m.Reset();
        parent = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 40, 40, 200, 150,
                                 nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(parent, nullptr);
    }
    void TearDown() override {
        if (m.dll) FreeLibrary(m.dll);
        FreeLibrary(m.net);
        DestroyWindow(parent);
        PumpMessages();
    }

    // A device with nRecords channel records; `channel` holds `p`.
    void Device(int nRecords, int channel, Picture p) {
        records = Records(nRecords);
        if (channel >= 0 && channel < nRecords) Put(records, channel, p);
        const Bytes device = DeviceBlock(nRecords);
        m.SetConfig(1, device.data(), static_cast<int32_t>(device.size()));
        m.SetConfig(3, records.data(), static_cast<int32_t>(records.size()));
    }

    // DVR_ParamSet for a channel of the device; the panel, if one is left.
    HWND Open(int channel, int show = 1, int x = 300, int y = 120) {
        cam = Camera("127.0.0.2", channel, parent);
        result = m.ParamSet(&cam, show, x, y);
        PumpMessages();
        return FindPanel();
    }

    int Writes() const { return static_cast<int>(m.Calls(TN_SET_DEV_CONFIG).size()); }
    Bytes LastWrite() const {
        Bytes b(records.size() + 16);
        b.resize(static_cast<size_t>(m.LastSetConfig(b.data(), static_cast<int32_t>(b.size()))));
        return b;
    }
    // The device's records with the channel's four bytes set.
    Bytes RecordsWith(int channel, Picture p) const {
        Bytes r = records;
        Put(r, channel, p);
        return r;
    }

    Module m;
    HWND parent = nullptr;
    CAMERA_INFO cam{};
    int result = -1;
    Bytes records;
};

TEST_F(ColorPanel, OpensShowingTheDeviceValuesAndWritesNothing) {
    Device(4, 2, {10, 20, 30, 40});
    HWND panel = Open(2, 1, 300, 120);
    EXPECT_EQ(result, 1);
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(IsWindowVisible(panel));
    EXPECT_TRUE(GetWindowLongW(panel, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetWindow(panel, GW_OWNER), parent);
    RECT rc;
    GetWindowRect(panel, &rc);
    EXPECT_EQ(rc.left, 300);
    EXPECT_EQ(rc.top, 120);
    EXPECT_EQ(Edits(panel), (std::vector<std::wstring>{L"10", L"20", L"40", L"30"}));
    EXPECT_EQ(Positions(panel), (std::vector<int>{10, 20, 40, 30})) << "the position is the value";

    const auto logins = m.Calls(TN_LOGIN);
    ASSERT_EQ(logins.size(), 1u);
    const auto reads = m.Calls(TN_GET_DEV_CONFIG);
    ASSERT_EQ(reads.size(), 2u);
    const int32_t device[5] = {logins[0].result, 1, 0, 212, 500};
    const int32_t channels[5] = {logins[0].result, 3, -1, 4 * 340, 500};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(reads[0].args[i], device[i]) << "device block, argument " << i;
        EXPECT_EQ(reads[1].args[i], channels[i]) << "channel records, argument " << i;
    }
    EXPECT_EQ(Writes(), 0);
}

TEST_F(ColorPanel, AnAnswerThatDoesNotFitTheChannelKeepsTheDefaultsAndWritesNothing) {
    struct Case {
        const char* what;
        int nRecords, channel;
        size_t deviceSize;
    };
    for (const Case c : {Case{"short device block", 4, 0, 200}, Case{"channel not below N", 4, 4, 212},
                         Case{"negative channel", 4, -1, 212}, Case{"no records", 0, 0, 212}}) {
        SCOPED_TRACE(c.what);
        m.Reset();
        Device(c.nRecords, -1, {});
        const Bytes device = DeviceBlock(c.nRecords, c.deviceSize);
        m.SetConfig(1, device.data(), static_cast<int32_t>(device.size()));
        if (c.nRecords == 0) m.SetConfig(3, Records(4).data(), 4 * 340);  // answers more than announced
        HWND panel = Open(c.channel);
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(Edits(panel), (std::vector<std::wstring>{L"127", L"127", L"255", L"127"}));
        EXPECT_EQ(Positions(panel), (std::vector<int>{127, 127, 255, 127}));
        ReleaseSlider(panel, IDC_COLOR_BRIGHTNESS_SLIDER, 50);
        EXPECT_EQ(Text(panel, IDC_COLOR_BRIGHTNESS_EDIT), L"50") << "the panel still follows";
        EXPECT_EQ(Writes(), 0);
    }
}

TEST_F(ColorPanel, DefaultsWriteOneBlockWithOnlyTheChannelsFourBytesChanged) {
    Device(4, 0, {10, 20, 30, 40});
    HWND panel = Open(0);
    ASSERT_NE(panel, nullptr);
    // A real press and release: the button also sends its press-and-hold
    // message, which the panel ignores.
    PressAt(Centre(GetDlgItem(panel, IDC_COLOR_DEFAULT)));
    ASSERT_EQ(Writes(), 1);
    const auto write = m.Calls(TN_SET_DEV_CONFIG)[0];
    EXPECT_EQ(write.args[1], 3);
    EXPECT_EQ(write.args[2], -1);
    EXPECT_EQ(write.args[3], 4 * 340);
    EXPECT_EQ(write.args[4], 500);
    EXPECT_EQ(LastWrite(), RecordsWith(0, {127, 127, 127, 255}));
    EXPECT_EQ(Edits(panel), (std::vector<std::wstring>{L"127", L"127", L"255", L"127"}));
    EXPECT_EQ(Positions(panel), (std::vector<int>{127, 127, 255, 127}));
}

TEST_F(ColorPanel, AReleasedSliderWritesThePanelsValuesIntoTheBlocksJustRead) {
    Device(4, 2, {10, 20, 30, 90});
    HWND panel = Open(2);
    ASSERT_NE(panel, nullptr);
    // Meanwhile another client changed an unrelated setting on the device.
    records[1 * kRecordSize + 5] ^= 0xFF;
    records[2 * kRecordSize + 212] ^= 0xFF;
    m.SetConfig(3, records.data(), static_cast<int32_t>(records.size()));

    ReleaseSlider(panel, IDC_COLOR_HUE_SLIDER, 40);
    ASSERT_EQ(Writes(), 1);
    EXPECT_EQ(LastWrite(), RecordsWith(2, {10, 20, 30, 40}));
    EXPECT_EQ(Text(panel, IDC_COLOR_HUE_EDIT), L"40");
    EXPECT_EQ(m.Calls(TN_GET_DEV_CONFIG).size(), 4u) << "both blocks read again for the write";

    // An edit left: its slider follows and the device gets the value.
    SetFocus(GetDlgItem(panel, IDC_COLOR_SATURATION_EDIT));
    SetDlgItemTextW(panel, IDC_COLOR_SATURATION_EDIT, L"200");
    SetFocus(GetDlgItem(panel, IDC_COLOR_BRIGHTNESS_EDIT));
    PumpMessages();
    ASSERT_EQ(Writes(), 2);
    EXPECT_EQ(LastWrite(), RecordsWith(2, {10, 20, 200, 40}));
    EXPECT_EQ(Pos(panel, IDC_COLOR_SATURATION_SLIDER), 200);
}

TEST_F(ColorPanel, ABadEditShowsTheValidationMessageOnceAndKeepsTheOldValue) {
    Device(4, 1, {10, 20, 30, 40});
    HWND panel = Open(1);
    ASSERT_NE(panel, nullptr);
    HWND brightness = GetDlgItem(panel, IDC_COLOR_BRIGHTNESS_EDIT);
    {
        CMessageBoxCatcher boxes;
        SetFocus(brightness);
        SetWindowTextW(brightness, L"300");
        Key(brightness, VK_TAB, true);  // tabbing away
        Key(brightness, VK_TAB, false);
        ASSERT_EQ(boxes.boxes.size(), 1u) << "the focus moving under the message asks no second time";
        EXPECT_NE(boxes.boxes[0].text.find(L"255"), std::wstring::npos) << "tells the range";
        EXPECT_TRUE(boxes.boxes[0].bOkOnly);
        EXPECT_EQ(GetFocus(), brightness) << "back to the bad edit";
        EXPECT_EQ(Text(panel, IDC_COLOR_BRIGHTNESS_EDIT), L"10");
        EXPECT_EQ(Pos(panel, IDC_COLOR_BRIGHTNESS_SLIDER), 10);
        ASSERT_EQ(Writes(), 1) << "the handler goes on with the values as they stand";
        EXPECT_EQ(LastWrite(), RecordsWith(1, {10, 20, 30, 40}));
    }
    {
        // The first bad edit stops the reading: later edits keep their values.
        CMessageBoxCatcher boxes;
        SetWindowTextW(brightness, L"abc");
        SetDlgItemTextW(panel, IDC_COLOR_CONTRAST_EDIT, L"99");
        ReleaseSlider(panel, IDC_COLOR_SATURATION_SLIDER, 77);
        EXPECT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(LastWrite(), RecordsWith(1, {10, 20, 77, 40}));
        EXPECT_EQ(Edits(panel), (std::vector<std::wstring>{L"10", L"20", L"40", L"77"}));
    }
}

TEST_F(ColorPanel, KeysMoveASliderAndTheDeviceEndsAtTheValueShown) {
    Device(4, 0, {100, 20, 30, 40});
    HWND panel = Open(0);
    ASSERT_NE(panel, nullptr);
    HWND slider = GetDlgItem(panel, IDC_COLOR_BRIGHTNESS_SLIDER);
    SetFocus(slider);

    Key(slider, VK_DOWN, true);
    ASSERT_EQ(Writes(), 1) << "the positions from before the key";
    EXPECT_EQ(LastWrite()[208], 100);
    EXPECT_EQ(Pos(panel, IDC_COLOR_BRIGHTNESS_SLIDER), 101) << "down is towards the maximum";
    Key(slider, VK_DOWN, false);
    ASSERT_EQ(Writes(), 2);
    EXPECT_EQ(LastWrite(), RecordsWith(0, {101, 20, 30, 40}));
    EXPECT_EQ(Text(panel, IDC_COLOR_BRIGHTNESS_EDIT), L"101");

    Key(slider, VK_NEXT, true);
    EXPECT_EQ(Writes(), 2) << "Page Down writes nothing before it moves";
    EXPECT_EQ(Pos(panel, IDC_COLOR_BRIGHTNESS_SLIDER), 126);
    Key(slider, VK_NEXT, false);
    ASSERT_EQ(Writes(), 3);
    EXPECT_EQ(LastWrite(), RecordsWith(0, {126, 20, 30, 40}));
    EXPECT_EQ(Text(panel, IDC_COLOR_BRIGHTNESS_EDIT), L"126");

    Key(slider, VK_HOME, true);
    Key(slider, VK_HOME, false);
    EXPECT_EQ(LastWrite(), RecordsWith(0, {0, 20, 30, 40}));

    // A click on the channel below the thumb pages too, and is written once,
    // at the release, not again at its end of track.
    RECT thumb{};
    SendMessageW(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    POINT below{(thumb.left + thumb.right) / 2, thumb.bottom + 30};
    ClientToScreen(slider, &below);
    const int before = Writes();
    PressAt(below);
    EXPECT_EQ(Pos(panel, IDC_COLOR_BRIGHTNESS_SLIDER), 25);
    EXPECT_EQ(Writes(), before + 1);
    EXPECT_EQ(LastWrite(), RecordsWith(0, {25, 20, 30, 40}));
}

// Records the drag requests the panel posts to itself, and swallows them so
// that no move loop starts.
class CDragRecorder {
public:
    explicit CDragRecorder(HWND panel) {
        s_panel = panel;
        s_seen.clear();
        m_hook = SetWindowsHookExW(WH_GETMESSAGE, &Hook, nullptr, GetCurrentThreadId());
    }
    ~CDragRecorder() { UnhookWindowsHookEx(m_hook); }
    static std::vector<MSG> s_seen;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == WM_NCLBUTTONDOWN &&
            msg->hwnd == s_panel) {
            s_seen.push_back(*msg);
            msg->message = WM_NULL;
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static HWND s_panel;
    HHOOK m_hook;
};
std::vector<MSG> CDragRecorder::s_seen;
HWND CDragRecorder::s_panel;

TEST_F(ColorPanel, APressOnTheBackgroundOrALabelDragsAndOnAControlDoesNot) {
    Device(4, 0, {10, 20, 30, 40});
    HWND panel = Open(0);
    ASSERT_NE(panel, nullptr);
    CDragRecorder drags(panel);

    std::vector<HWND> labels;
    for (HWND c = GetWindow(panel, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[16] = L"";
        GetClassNameW(c, cls, 16);
        if (lstrcmpiW(cls, L"Static") == 0 && IsWindowVisible(c)) labels.push_back(c);
    }
    ASSERT_EQ(labels.size(), 4u);
    RECT rc;
    GetWindowRect(panel, &rc);
    std::vector<POINT> background = {Centre(labels[0]), Centre(labels[3]), {rc.left + 4, rc.top + 4},
                                     {rc.left + 4, rc.bottom - 4}};
    for (POINT at : background) {
        CDragRecorder::s_seen.clear();
        EXPECT_EQ(PressAt(at), panel) << "labels let the press through";
        ASSERT_EQ(CDragRecorder::s_seen.size(), 1u) << at.x << "," << at.y;
        POINT client = at;
        ScreenToClient(panel, &client);
        EXPECT_EQ(CDragRecorder::s_seen[0].wParam, static_cast<WPARAM>(HTCAPTION));
        EXPECT_EQ(CDragRecorder::s_seen[0].lParam, MAKELPARAM(client.x, client.y));
    }
    for (int id : {IDC_COLOR_CONTRAST_EDIT, IDC_COLOR_HUE_SLIDER, IDC_COLOR_DEFAULT}) {
        CDragRecorder::s_seen.clear();
        EXPECT_EQ(PressAt(Centre(GetDlgItem(panel, id))), GetDlgItem(panel, id));
        EXPECT_TRUE(CDragRecorder::s_seen.empty()) << "control " << id;
    }
}

// The panel's first rectangle: its size (126 x 273 at 96 dpi) at the
// template's origin, the owner's client origin, kept on the screen as the
// dialog manager keeps a new dialog.
RECT FirstRectangle(HWND owner) {
    const SIZE size{126, 273};
    POINT at{0, 0};
    ClientToScreen(owner, &at);
    at.x = std::max(0L, std::min<LONG>(at.x, GetSystemMetrics(SM_CXSCREEN) - size.cx));
    at.y = std::max(0L, std::min<LONG>(at.y, GetSystemMetrics(SM_CYSCREEN) - size.cy));
    return {at.x, at.y, at.x + size.cx, at.y + size.cy};
}

TEST_F(ColorPanel, ANegativePositionPlacesThePanelBesideItsFirstRectangle) {
    Device(4, 0, {10, 20, 30, 40});
    const int cxScreen = GetSystemMetrics(SM_CXSCREEN);
    struct Case {
        const char* what;
        int parentX, x, y;
        bool bToTheLeft;
    };
    for (const Case c : {Case{"at the right edge", cxScreen - 60, -1, -1, true},
                         Case{"with room on the right", 40, -1, 50, false}}) {
        SCOPED_TRACE(c.what);
        SetWindowPos(parent, nullptr, c.parentX, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        HWND panel = Open(0, 1, c.x, c.y);
        ASSERT_NE(panel, nullptr);
        const RECT was = FirstRectangle(parent);
        RECT rc;
        GetWindowRect(panel, &rc);
        const int w = was.right - was.left;
        EXPECT_EQ(rc.left, c.bToTheLeft ? was.left - w : was.right);
        EXPECT_EQ(rc.top, was.top);
        EXPECT_EQ(rc.right - rc.left, w);
        EXPECT_EQ(rc.bottom - rc.top, was.bottom - was.top);
        EXPECT_TRUE(IsWindowVisible(panel));
        EXPECT_TRUE(GetWindowLongW(panel, GWL_EXSTYLE) & WS_EX_TOPMOST);
    }
}

TEST_F(ColorPanel, ShowZeroReadsOnceAndLeavesNoPanelAndExitOnlyHides) {
    Device(4, 0, {10, 20, 30, 40});
    HWND panel = Open(0);
    ASSERT_NE(panel, nullptr);
    PressAt(Centre(GetDlgItem(panel, IDC_COLOR_EXIT)));
    EXPECT_FALSE(IsWindowVisible(panel));
    EXPECT_EQ(FindPanel(), panel) << "EXIT only hides";
    EXPECT_EQ(Writes(), 0);

    m.Reset();
    Device(4, 0, {10, 20, 30, 40});
    EXPECT_EQ(Open(0, 0, 10, 10), nullptr) << "the hidden panel is replaced, the new one destroyed";
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(IsWindow(panel));
    EXPECT_EQ(m.Calls(TN_GET_DEV_CONFIG).size(), 2u);
    EXPECT_EQ(Writes(), 0);
}

TEST_F(ColorPanel, AFailedLoginShowsNothingAndReturnsOne) {
    Device(4, 0, {10, 20, 30, 40});
    CMessageBoxCatcher boxes;
    m.Script(TN_LOGIN, 0);
    cam = Camera("127.0.0.99", 0, parent);  // a device not logged in yet
    EXPECT_EQ(m.ParamSet(&cam, 1, 300, 120), 1);
    PumpMessages();
    EXPECT_EQ(FindPanel(), nullptr);
    ASSERT_EQ(m.Calls(TN_LOGIN).size(), 1u);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(m.Calls(TN_GET_DEV_CONFIG).empty());
}

TEST_F(ColorPanel, ADeadParentWindowIsReportedAndLeaksNothing) {
    Device(4, 0, {10, 20, 30, 40});
    HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    CAMERA_INFO dead = Camera("127.0.0.2", 0, gone);
    {
        CMessageBoxCatcher boxes;
        EXPECT_EQ(m.ParamSet(&dead, 1, 300, 120), 0);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, L"创建窗口发生错误!");
        EXPECT_EQ(boxes.boxes[0].title, L"");
        EXPECT_EQ(boxes.boxes[0].hOwner, nullptr);
        EXPECT_TRUE(boxes.boxes[0].bOkOnly);
    }
    EXPECT_EQ(FindPanel(), nullptr);
    EXPECT_TRUE(m.Calls(TN_GET_DEV_CONFIG).empty());
    EXPECT_EQ(Writes(), 0);
    ASSERT_NE(Open(0), nullptr) << "a good call afterwards works";
    EXPECT_EQ(result, 1);

    // Open and fail in turn; after a warm-up the process holds no more
    // windows or GDI objects than before.
    CMessageBoxCatcher boxes;
    auto cycle = [&] {
        Open(0);
        m.ParamSet(&dead, 1, 300, 120);
        PumpMessages();
    };
    for (int i = 0; i < 5; ++i) cycle();
    const int windowsBefore = zvtest::ThreadWindowCount();
    const long gdiBefore = zvtest::GdiObjectCount();
    for (int i = 0; i < 50; ++i) cycle();
    EXPECT_EQ(zvtest::ThreadWindowCount(), windowsBefore);
    if (gdiBefore >= 0) EXPECT_LE(zvtest::GdiObjectCount(), gdiBefore);
    else ADD_FAILURE() << "no GDI object count here";
    EXPECT_EQ(boxes.boxes.size(), 55u);
    EXPECT_EQ(Writes(), 0);
}

TEST_F(ColorPanel, ReplacingOrUnloadingThePanelWhileAnEditHasTheFocusNeitherAsksNorWrites) {
    Device(4, 0, {10, 20, 30, 40});
    CMessageBoxCatcher boxes;
    HWND panel = Open(0);
    ASSERT_NE(panel, nullptr);
    SetFocus(GetDlgItem(panel, IDC_COLOR_BRIGHTNESS_EDIT));
    SetDlgItemTextW(panel, IDC_COLOR_BRIGHTNESS_EDIT, L"300");
    HWND next = Open(0);  // the host opens the panel again
    ASSERT_NE(next, nullptr);
    EXPECT_FALSE(IsWindow(panel));
    SetFocus(GetDlgItem(next, IDC_COLOR_CONTRAST_EDIT));
    SetDlgItemTextW(next, IDC_COLOR_CONTRAST_EDIT, L"abc");
    FreeLibrary(m.dll);  // the host unloads the module
    m.dll = nullptr;
    EXPECT_EQ(GetModuleHandleW(L"Zentavo.dll"), nullptr) << "a panel's thread keeps no hold on it";
    EXPECT_FALSE(IsWindow(next));
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(Writes(), 0);
}

}  // namespace
