// CSkinBitmap: loading and the blit onto a real window through its paint or
// client context.
#include <gtest/gtest.h>
#include <windows.h>

#include "HandleCount.h"
#include "SkinBitmap.h"
#include "TestResource.h"
#include "TestSupport.h"

using zv::CSkinBitmap;

namespace {

constexpr COLORREF kWindowColor = RGB(0, 0, 0);

// A visible top-level window with a black class background; pixels are read
// back from its own device context.
class SkinBitmapDraw : public testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = L"ZvSkinBitmapTarget";
        RegisterClassW(&wc);
        m_hWnd = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"", WS_POPUP, 0, 0, 40, 20,
                                 nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_TRUE(m_hWnd);
        // Shown without activation: Wine hands activated windows to a window
        // manager, and with none on the virtual display unmapping them waits
        // seconds for it.
        SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        UpdateWindow(m_hWnd);
        PumpMessages();
    }
    void TearDown() override { DestroyWindow(m_hWnd); }

    COLORREF WindowPixel(int x, int y) const {
        HDC hdc = GetDC(m_hWnd);
        const COLORREF c = GetPixel(hdc, x, y);
        ReleaseDC(m_hWnd, hdc);
        return c;
    }
    bool HasUpdate() const { return GetUpdateRect(m_hWnd, nullptr, FALSE) != FALSE; }

    HWND m_hWnd = nullptr;
};

TEST(SkinBitmap, SizeComesFromTheLoadedResource) {
    const ui::HandleCounts before = ui::CurrentHandleCounts();
    {
        CSkinBitmap skin(IDB_WIDE);
        EXPECT_EQ(skin.GetWidth(), 105);
        EXPECT_EQ(skin.GetHeight(), 5);
        EXPECT_FALSE(skin.Load(IDB_MISSING));
        EXPECT_EQ(skin.GetWidth(), 105) << "a failed load keeps the old size";
        CSkinBitmap missing(IDB_MISSING);
        EXPECT_EQ(missing.GetWidth(), 0);
        EXPECT_EQ(missing.GetHeight(), 0);
        EXPECT_EQ(ui::CurrentHandleCounts().gdi, before.gdi + 1);
    }
    EXPECT_EQ(ui::CurrentHandleCounts().gdi, before.gdi);
}

TEST_F(SkinBitmapDraw, ClientContextCopiesAtNaturalSizeAndValidates) {
    CSkinBitmap skin(IDB_BLOCKS);
    InvalidateRect(m_hWnd, nullptr, FALSE);
    EXPECT_TRUE(skin.Draw(false, m_hWnd, 2, 1));
    EXPECT_FALSE(HasUpdate()) << "the paint context is opened on every call";
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(WindowPixel(2 + x, 1 + y), BlockColor(x, y));
    EXPECT_EQ(WindowPixel(6, 1), kWindowColor);
    EXPECT_EQ(WindowPixel(2, 4), kWindowColor);
}

TEST_F(SkinBitmapDraw, MinusOneSourceMeansZeroOtherValuesAsGiven) {
    CSkinBitmap skin(IDB_WIDE);
    struct {
        int xDest, xSrc, ySrc;
        COLORREF expected;
    } const cases[] = {
        {0, -1, -1, WideColor(0, 0)},
        {5, 0, 0, WideColor(0, 0)},
        {10, 7, -1, WideColor(7, 0)},
        {15, -1, 3, WideColor(0, 3)},
        {20, 30, 2, WideColor(30, 2)},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(skin.Draw(false, m_hWnd, c.xDest, 0, 2, 1, c.xSrc, c.ySrc));
        EXPECT_EQ(WindowPixel(c.xDest, 0), c.expected) << "source " << c.xSrc << "," << c.ySrc;
    }
    // -2 is a real coordinate left of the bitmap: pixel 2 of the copy is
    // the bitmap's first column.
    EXPECT_TRUE(skin.Draw(false, m_hWnd, 30, 0, 4, 1, -2, 0));
    EXPECT_EQ(WindowPixel(32, 0), WideColor(0, 0));
}

TEST_F(SkinBitmapDraw, PaintContextDrawsOnlyTheUpdateRegion) {
    CSkinBitmap skin(IDB_WIDE);
    ValidateRect(m_hWnd, nullptr);
    EXPECT_TRUE(skin.Draw(true, m_hWnd, 0, 0));
    EXPECT_EQ(WindowPixel(0, 0), kWindowColor) << "nothing to paint: clipped away";

    const RECT rcDirty{10, 0, 20, 5};
    InvalidateRect(m_hWnd, &rcDirty, FALSE);
    EXPECT_TRUE(skin.Draw(true, m_hWnd, 0, 0));
    EXPECT_FALSE(HasUpdate());
    EXPECT_EQ(WindowPixel(10, 0), WideColor(10, 0));
    EXPECT_EQ(WindowPixel(19, 4), WideColor(19, 4));
    EXPECT_EQ(WindowPixel(9, 0), kWindowColor);
    EXPECT_EQ(WindowPixel(20, 0), kWindowColor);
}

}  // namespace
