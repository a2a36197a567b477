// Both panels as the module draws them at the DPI of the prefix this runs in
// (tests/win/render/run gives it several) and after a move to a 200 %
// monitor: the window is the skins' size at the panel's scale, every control
// lies on the rectangle the skin was drawn for it, the skins are printed
// whole, and the text font is the panels' size with the labels' characters.
//   ZV_EXPECT_DPI=N    fail unless the prefix really is at N dpi
//   ZV_RENDER_SHOTS=D  also save a screen capture of the panels in D (a
//                      Windows path), as ZV_RENDER_SHOT_NAME.ppm when set
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "DialogTemplate.h"
#include "DomeButtonTable.h"
#include "ModuleUnderTest.h"
#include "PanelGrid.h"
#include "TestSupport.h"
#include "resource.h"

namespace {

constexpr UINT kDpiChanged = 0x02E0;  // WM_DPICHANGED

struct PanelCase {
    const char* name;
    int templateId;
    int findById;              // a control that only this panel has
    SIZE shown;                // client size at 100 %
    int listSideDlu;           // controls from here on lie beyond the shown window
    std::vector<POINT> skins;  // bitmap id and its x at 100 %
    RECT noCompare;            // the speed text, at 100 %
};

const PanelCase kDome{"dome", IDD_DOME_PANEL, IDC_DOME_JOYSTICK, {168, 300}, 113,
                      {{IDB_DOME_SKIN_LEFT, 0}, {IDB_DOME_SKIN_RIGHT, 164}}, {70, 240, 130, 270}};
const PanelCase kColor{"colour", IDD_COLOR_PANEL, IDC_COLOR_BRIGHTNESS_EDIT, {126, 273}, 1000,
                        {{IDB_COLOR_SKIN, 0}}, {0, 0, 0, 0}};

// The bitmap buttons and their normal images: they take the image's size.
std::map<int, int> ButtonImages() {
    std::map<int, int> images{{IDC_COLOR_EXIT, IDB_EXIT_NORMAL}, {IDC_COLOR_DEFAULT, IDB_DEFAULT_NORMAL}};
    for (const zv::DomeButton& b : zv::kDomeButtons) images[b.id] = b.normal;
    return images;
}

SIZE ImageSize(HMODULE dll, int id) {
    HBITMAP h = LoadBitmapW(dll, MAKEINTRESOURCEW(id));
    BITMAP bm{};
    GetObjectW(h, sizeof bm, &bm);
    DeleteObject(h);
    return {bm.bmWidth, bm.bmHeight};
}

RECT ClientRectOf(HWND child, HWND panel) {
    RECT rc{};
    GetWindowRect(child, &rc);
    MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::string Str(const RECT& r) {
    char s[64];
    std::snprintf(s, sizeof s, "(%ld,%ld)-(%ld,%ld)", r.left, r.top, r.right, r.bottom);
    return s;
}

std::wstring ClassOf(HWND w) {
    wchar_t cls[64] = L"";
    GetClassNameW(w, cls, 64);
    return cls;
}

class PanelRender : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m.Load());
        m.Reset();
        host = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 10, 10, 300, 200, nullptr,
                               nullptr, nullptr, nullptr);
        cam = Camera("127.0.0.2", 1, host);
        ASSERT_EQ(m.StartVideo(&cam), 1);
    }
    void TearDown() override {
        if (m.dll) FreeLibrary(m.dll);
        FreeLibrary(m.net);
        DestroyWindow(host);
    }

    zv::TemplateLayout Template(int id) const {
        zv::TemplateLayout t;
        HRSRC info = FindResourceW(m.dll, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));
        const void* data = info ? LockResource(LoadResource(m.dll, info)) : nullptr;
        EXPECT_TRUE(zv::ParseDialogTemplate(static_cast<const BYTE*>(data), SizeofResource(m.dll, info), t));
        return t;
    }

    void Check(const PanelCase& p, HWND panel, int halves) {
        SCOPED_TRACE(std::string(p.name) + " panel at " + std::to_string(halves * 50) + " %");
        ASSERT_NE(panel, nullptr);
        auto px = [&](int v) { return zv::ScalePx(v, halves); };
        RECT client{};
        GetClientRect(panel, &client);
        EXPECT_EQ(client.right, px(p.shown.cx));
        EXPECT_EQ(client.bottom, px(p.shown.cy));

        // Every visible control on its rectangle; bitmap buttons exactly at
        // it with their image's size.
        const zv::TemplateLayout t = Template(p.templateId);
        const std::map<int, int> images = ButtonImages();
        int checked = 0;
        for (HWND c = GetWindow(panel, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            if (!(GetWindowLongW(c, GWL_STYLE) & WS_VISIBLE)) continue;
            const int id = static_cast<short>(GetDlgCtrlID(c));
            const RECT at = ClientRectOf(c, panel);
            bool placed = false, listSide = false;
            for (const zv::TemplateControl& tc : t.controls) {
                if (static_cast<short>(tc.id) != id) continue;
                const zv::GridRect g = zv::GridRectOf(tc.x, tc.y, tc.cx, tc.cy, halves);
                RECT want{g.left, g.top, g.right, g.bottom};
                const auto image = images.find(id);
                if (image != images.end()) {
                    const SIZE size = ImageSize(m.dll, image->second);
                    want = {g.left, g.top, g.left + px(size.cx), g.top + px(size.cy)};
                    placed = placed || EqualRect(&at, &want);
                } else {
                    placed = placed || Inside(at, want);
                }
                listSide = tc.x >= p.listSideDlu;
            }
            EXPECT_TRUE(placed) << "control " << id << " at " << Str(at);
            if (!listSide) {
                EXPECT_TRUE(Inside(at, client)) << "control " << id << " at " << Str(at);
            }
            ++checked;

            // Text in the panels' font: its size, and the characters it shows.
            const std::wstring cls = ClassOf(c);
            if (cls == L"Static" || cls == L"Edit" || cls == L"ComboBox") CheckText(c, halves);
        }
        EXPECT_GT(checked, 4);

        // Printed, the client is the skins at the scale (the speed text aside).
        CCanvas printed(client.right, client.bottom), skins(client.right, client.bottom);
        SendMessageW(panel, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(printed.Dc()), PRF_CLIENT);
        HDC mem = CreateCompatibleDC(skins.Dc());
        SetStretchBltMode(skins.Dc(), COLORONCOLOR);
        for (const POINT& s : p.skins) {
            HBITMAP h = LoadBitmapW(m.dll, MAKEINTRESOURCEW(s.x));
            BITMAP bm{};
            GetObjectW(h, sizeof bm, &bm);
            HGDIOBJ old = SelectObject(mem, h);
            StretchBlt(skins.Dc(), px(s.y), 0, px(bm.bmWidth), px(bm.bmHeight), mem, 0, 0, bm.bmWidth,
                       bm.bmHeight, SRCCOPY);
            SelectObject(mem, old);
            DeleteObject(h);
        }
        DeleteDC(mem);
        int differing = 0;
        for (int y = 0; y < client.bottom; y += 2)
            for (int x = 0; x < client.right; x += 2) {
                const POINT pt{x, y};
                const RECT skip{px(p.noCompare.left), px(p.noCompare.top), px(p.noCompare.right),
                                px(p.noCompare.bottom)};
                if (!PtInRect(&skip, pt) && printed.Pixel(x, y) != skins.Pixel(x, y)) ++differing;
            }
        EXPECT_EQ(differing, 0) << "pixels printed unlike the skins";
    }

    static void CheckText(HWND c, int halves) {
        wchar_t text[64] = L"";
        GetWindowTextW(c, text, 64);
        HDC dc = GetDC(c);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0)));
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        EXPECT_EQ(tm.tmHeight, zv::ScalePx(12, halves)) << "the font's cell, control " << GetDlgCtrlID(c);
        RECT rc{};
        GetClientRect(c, &rc);
        for (const wchar_t* ch = text; *ch; ++ch) {
            if (*ch == L' ') continue;
            WORD glyph = 0;
            GetGlyphIndicesW(dc, ch, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS);
            EXPECT_NE(glyph, 0xFFFF) << "no glyph for U+" << std::hex << int(*ch);
            SIZE size{};
            GetTextExtentPoint32W(dc, ch, 1, &size);
            EXPECT_LE(size.cx, rc.right) << "a character wider than its control";
        }
        SelectObject(dc, old);
        ReleaseDC(c, dc);
    }

    // A screen capture of the panels' corner of the screen, for looking at.
    static void SaveShot(const char* name) {
        const char* dir = std::getenv("ZV_RENDER_SHOTS");
        if (!dir || !*dir) return;
        PumpMessages();
        UpdateWindow(GetDesktopWindow());
        Sleep(300);
        PumpMessages();
        const int cx = 1000, cy = 700;
        HDC screen = GetDC(nullptr);
        CCanvas shot(cx, cy);
        BitBlt(shot.Dc(), 0, 0, cx, cy, screen, 0, 0, SRCCOPY);
        ReleaseDC(nullptr, screen);
        std::vector<unsigned char> rgb;
        for (int y = 0; y < cy; ++y)
            for (int x = 0; x < cx; ++x) {
                const COLORREF c = shot.Pixel(x, y);
                rgb.insert(rgb.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
            }
        const std::string file = std::string(dir) + "\\" + name + ".ppm";
        if (FILE* f = std::fopen(file.c_str(), "wb")) {
            std::fprintf(f, "P6 %d %d 255\n", cx, cy);
            std::fwrite(rgb.data(), 1, rgb.size(), f);
            std::fclose(f);
        }
    }

    Module m;
    HWND host = nullptr;
    CAMERA_INFO cam{};
};

TEST_F(PanelRender, BothPanelsLieOnTheirSkinsAtThePrefixDpiAndAfterAMoveTo200Percent) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (const char* want = std::getenv("ZV_EXPECT_DPI")) {
        ASSERT_EQ(dpi, std::atoi(want)) << "the prefix's dpi";
    }
    const int halves = zv::ScaleHalvesForDpi(dpi);

    ASSERT_EQ(m.ShowCamera(&cam, 1, 330, 10), 1);
    ASSERT_EQ(m.ParamSet(&cam, 1, 330 + zv::ScalePx(175, halves), 10), 1);
    PumpMessages();
    HWND dome = FindThreadWindowWithChild(kDome.findById);
    HWND colour = FindThreadWindowWithChild(kColor.findById);
    Check(kDome, dome, halves);
    Check(kColor, colour, halves);
    const char* name = std::getenv("ZV_RENDER_SHOT_NAME");
    SaveShot(name && *name ? name : ("panels-" + std::to_string(dpi) + "dpi").c_str());

    for (const auto& [p, panel] : {std::pair{&kDome, dome}, std::pair{&kColor, colour}}) {
        RECT suggested{};
        GetWindowRect(panel, &suggested);
        SendMessageW(panel, kDpiChanged, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
        Check(*p, panel, zv::ScaleHalvesForDpi(192));
        RECT now{};
        GetWindowRect(panel, &now);
        EXPECT_EQ(now.left, suggested.left) << "where the system suggests";
    }
}

}  // namespace
