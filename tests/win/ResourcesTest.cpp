// Every resource the panels use, loaded from the built Zentavo.dll as the
// panels will load it: templates, menus, cursor and bitmaps with their sizes.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <set>
#include <vector>

namespace {

struct BitmapSpec {
    int id, width, height;
};

// Sizes fixed by the panels' layout; the 18 x 18 and 45 x 17 buttons fit
// their 12 x 12 and 30 x 11 dialog-unit rectangles.
const BitmapSpec kBitmaps[] = {
    {6093, 169, 302}, {6098, 260, 302}, {204, 127, 274},
    {6119, 19, 20},   {6054, 19, 20},   {6112, 19, 20},
    {260, 37, 28},    {261, 37, 28},    {262, 37, 28},
    {6048, 18, 18}, {6085, 18, 18}, {6084, 18, 18}, {6057, 18, 18}, {6056, 18, 18},
    {6055, 18, 18}, {6060, 18, 18}, {6059, 18, 18}, {6058, 18, 18}, {6088, 18, 18},
    {6087, 18, 18}, {6086, 18, 18}, {6063, 18, 18}, {6062, 18, 18}, {6061, 18, 18},
    {6089, 18, 18}, {6091, 18, 18}, {6090, 18, 18}, {6121, 18, 18}, {6049, 18, 18},
    {6122, 18, 18}, {6104, 18, 18}, {6065, 18, 18}, {6118, 18, 18}, {6050, 18, 18},
    {6052, 18, 18}, {6051, 18, 18}, {6134, 18, 18}, {6133, 18, 18}, {6135, 18, 18},
    {6125, 45, 17}, {6124, 45, 17}, {6123, 45, 17}, {6120, 45, 17}, {6117, 45, 17},
    {6116, 45, 17}, {6126, 45, 17}, {6127, 45, 17}, {6128, 45, 17},
};

const int kDomeControls[] = {6061, 6052, 6053, 6054, 6056, 6011, 6078, 6013, 6015, 6022,
                             6063, 6064, 6020, 6065, 6010, 6017, 6066, 6067, 6019, 6060,
                             6018, 6026, 6027, 6024, 6025, 6079, 6021, 6023};
const int kColorControls[] = {6079, 8126, 8127, 8128, 8129, 1003, 1007, 1006, 1005, 8028, 6080};

class Resources : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_module = LoadLibraryA("Zentavo.dll"); }
    static void TearDownTestSuite() { FreeLibrary(s_module); }
    static HMODULE s_module;

    // Number of controls in a DIALOGEX template (cDlgItems follows the
    // dlgVer, signature, helpID, exStyle and style fields).
    static int TemplateControlCount(int id) {
        HRSRC res = FindResourceW(s_module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));
        if (!res) return -1;
        const BYTE* p = static_cast<const BYTE*>(LockResource(LoadResource(s_module, res)));
        const WORD* words = reinterpret_cast<const WORD*>(p);
        if (words[1] != 0xFFFF) return -2;  // not an extended template
        return *reinterpret_cast<const WORD*>(p + 16);
    }
    static std::vector<int> ChildIds(HWND dlg) {
        std::vector<int> ids;
        for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            ids.push_back(GetDlgCtrlID(c));
        return ids;
    }
};
HMODULE Resources::s_module = nullptr;

INT_PTR CALLBACK PlainProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

TEST_F(Resources, EveryBitmapLoadsAt24BitsWithItsSize) {
    ASSERT_NE(s_module, nullptr);
    for (const BitmapSpec& b : kBitmaps) {
        HBITMAP h = static_cast<HBITMAP>(
            LoadImageW(s_module, MAKEINTRESOURCEW(b.id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ASSERT_NE(h, nullptr) << b.id;
        DIBSECTION ds{};
        ASSERT_EQ(GetObjectW(h, sizeof ds, &ds), int(sizeof ds)) << b.id;
        EXPECT_EQ(ds.dsBm.bmWidth, b.width) << b.id;
        EXPECT_EQ(ds.dsBm.bmHeight, b.height) << b.id;
        EXPECT_EQ(ds.dsBmih.biBitCount, 24) << b.id;
        DeleteObject(h);
    }
}

TEST_F(Resources, TemplatesHoldTheirControls) {
    EXPECT_EQ(TemplateControlCount(6051), 28);
    EXPECT_EQ(TemplateControlCount(141), 15);  // the eleven with ids and four labels

    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    HWND dome = CreateDialogParamW(s_module, MAKEINTRESOURCEW(6051), nullptr, PlainProc, 0);
    ASSERT_NE(dome, nullptr);
    EXPECT_FALSE(IsWindowVisible(dome));
    EXPECT_EQ(GetWindowLongW(dome, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
    std::vector<int> ids = ChildIds(dome);
    EXPECT_EQ(std::multiset<int>(ids.begin(), ids.end()),
              std::multiset<int>(std::begin(kDomeControls), std::end(kDomeControls)));
    for (int hidden : {6011, 6078, 6060}) EXPECT_FALSE(GetWindowLongW(GetDlgItem(dome, hidden), GWL_STYLE) & WS_VISIBLE) << hidden;
    DestroyWindow(dome);

    HWND color = CreateDialogParamW(s_module, MAKEINTRESOURCEW(141), nullptr, PlainProc, 0);
    ASSERT_NE(color, nullptr);
    ids = ChildIds(color);
    std::multiset<int> expected(std::begin(kColorControls), std::end(kColorControls));
    for (int i = 0; i < 4; ++i) expected.insert(-1 & 0xFFFF);  // unnamed labels
    std::multiset<int> got;
    for (int id : ids) got.insert(id & 0xFFFF);
    EXPECT_EQ(got, expected);
    wchar_t text[32];
    GetDlgItemTextW(color, 8028, text, 32);
    EXPECT_STREQ(text, L"\u7f3a\u7701");  // 缺省
    wchar_t cls[32];
    GetClassNameW(GetDlgItem(color, 1003), cls, 32);
    EXPECT_STREQ(cls, L"msctls_trackbar32");
    DestroyWindow(color);
}

TEST_F(Resources, MenusAndCursor) {
    const struct {
        int menu;
        int ids[3];
    } menus[] = {{6034, {32780, 32778, 32779}}, {6035, {32783, 32781, 32782}}};
    for (const auto& m : menus) {
        HMENU menu = LoadMenuW(s_module, MAKEINTRESOURCEW(m.menu));
        ASSERT_NE(menu, nullptr) << m.menu;
        HMENU popup = GetSubMenu(menu, 0);
        ASSERT_NE(popup, nullptr);
        ASSERT_EQ(GetMenuItemCount(popup), 3);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(int(GetMenuItemID(popup, i)), m.ids[i]);
        DestroyMenu(menu);
    }
    HCURSOR cursor = LoadCursorW(s_module, MAKEINTRESOURCEW(6062));
    EXPECT_NE(cursor, nullptr);
}

}  // namespace
