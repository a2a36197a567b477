// CDib: building from bitmaps of every depth, palettes, resources, drawing.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "Dib.h"
#include "DibPalette.h"
#include "HandleCount.h"
#include "TestResource.h"
#include "TestSupport.h"

using zv::CDib;
using zv::CDibPalette;

namespace {

constexpr int kWidth = 5;  // odd, so that every depth pads its rows
constexpr int kHeight = 3;

// Channel values that survive 5-bit storage unchanged.
constexpr BYTE k555[4] = {0x00, 0x42, 0x84, 0xFF};

// The colour a source bitmap of `bits` per pixel holds at (x, y), and for
// palette depths the index and table that produce it.
int SourceIndex(int bits, int x, int y) { return (x * 3 + y * 5) % (1 << bits); }
COLORREF TableColor(int bits, int i) {
    return bits == 1 ? (i ? RGB(200, 150, 100) : RGB(10, 20, 30)) : RGB(i * 13 % 256, 255 - i, i * 7 % 256);
}
COLORREF SourceColor(int bits, int x, int y) {
    if (bits <= 8) return TableColor(bits, SourceIndex(bits, x, y));
    if (bits == 16) return RGB(k555[x % 4], k555[y % 4], k555[(x + y) % 4]);
    return RGB(x * 50, y * 80, 7 + x + y);
}

// A DIB section of the given depth holding SourceColor: the colours go in
// as 32-bit pixels and every one of them is exact at that depth.
HBITMAP MakeSourceBitmap(int bits) {
    std::vector<BYTE> block(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* pbmi = reinterpret_cast<BITMAPINFO*>(block.data());
    pbmi->bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> pixels;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const COLORREF c = SourceColor(bits, x, y);
            pixels.push_back(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
        }
    std::vector<BYTE> target(block);
    auto* ptbi = reinterpret_cast<BITMAPINFO*>(target.data());
    ptbi->bmiHeader.biBitCount = static_cast<WORD>(bits);
    for (int i = 0; bits <= 8 && i < (1 << bits); ++i) {
        const COLORREF c = TableColor(bits, i);
        ptbi->bmiColors[i] = {GetBValue(c), GetGValue(c), GetRValue(c), 0};
    }
    void* pv = nullptr;
    HBITMAP hbm = CreateDIBSection(nullptr, ptbi, DIB_RGB_COLORS, &pv, nullptr, 0);
    HDC hdc = GetDC(nullptr);
    SetDIBits(hdc, hbm, 0, kHeight, pixels.data(), pbmi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, hdc);
    return hbm;
}

// The colour the image holds at (x, y), read with the header's depth and
// rows padded to 4 bytes, bottom row first.
COLORREF ImagePixel(const CDib& dib, int x, int y) {
    const int bits = dib.GetBitCount();
    const int stride = ((dib.GetWidth() * bits + 31) & ~31) / 8;
    const BYTE* row = dib.GetBits() + (dib.GetHeight() - 1 - y) * stride;
    if (bits == 24) return RGB(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
    const int bit = x * bits;
    const int index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
    const RGBQUAD q = dib.GetColorTable()[index];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

int PaletteEntries(const CDib& dib) {
    return dib.GetPalette() ? GetPaletteEntries(dib.GetPalette()->Get(), 0, 0, nullptr) : 0;
}

class DibFromBitmap : public testing::TestWithParam<int> {};

TEST_P(DibFromBitmap, KeepsDepthUpTo8AndStoresDeeperAs24) {
    const int bits = GetParam();
    HBITMAP hbm = MakeSourceBitmap(bits);
    HDC hdc = GetDC(nullptr);
    CDib dib;
    ASSERT_TRUE(dib.CreateFromBitmap(hdc, hbm));
    ReleaseDC(nullptr, hdc);
    DeleteObject(hbm);

    const BITMAPINFOHEADER& h = dib.GetInfo()->bmiHeader;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, kWidth);
    EXPECT_EQ(h.biHeight, kHeight);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, bits <= 8 ? bits : 24);
    EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RGB));
    // The platform's copy leaves the size of what it wrote: rows of the
    // stored depth, each padded to 4 bytes (5 pixels: 4, 4, 8, 16 bytes).
    const DWORD storedRow = ((h.biBitCount * kWidth + 31) / 8) & ~3;
    EXPECT_EQ(h.biSizeImage, storedRow * kHeight);
    EXPECT_EQ(h.biClrUsed, 0u);
    EXPECT_EQ(h.biXPelsPerMeter, 0);
    EXPECT_EQ(h.biClrImportant, 0u);
    EXPECT_EQ(reinterpret_cast<BYTE*>(dib.GetColorTable()), reinterpret_cast<BYTE*>(dib.GetInfo()) + 40);

    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            EXPECT_EQ(ImagePixel(dib, x, y), SourceColor(bits, x, y)) << "pixel " << x << "," << y;

    const int expectedEntries = bits <= 8 ? 1 << bits : 0;
    EXPECT_EQ(PaletteEntries(dib), expectedEntries);
    for (int i = 0; i < expectedEntries; ++i) {
        PALETTEENTRY pe{};
        GetPaletteEntries(dib.GetPalette()->Get(), i, 1, &pe);
        EXPECT_EQ(RGB(pe.peRed, pe.peGreen, pe.peBlue), TableColor(bits, i));
        EXPECT_EQ(pe.peFlags, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, DibFromBitmap, testing::Values(1, 4, 8, 16, 24, 32));

TEST(Dib, PaletteTakesBiClrUsedWhenSet) {
    HBITMAP hbm = MakeSourceBitmap(8);
    HDC hdc = GetDC(nullptr);
    CDib dib;
    ASSERT_TRUE(dib.CreateFromBitmap(hdc, hbm));
    ReleaseDC(nullptr, hdc);
    DeleteObject(hbm);

    dib.GetInfo()->bmiHeader.biClrUsed = 20;
    EXPECT_EQ(CDib::NumColors(dib.GetInfo()->bmiHeader), 20);
    ASSERT_TRUE(dib.MakePalette());
    EXPECT_EQ(PaletteEntries(dib), 20);
    PALETTEENTRY pe{};
    GetPaletteEntries(dib.GetPalette()->Get(), 19, 1, &pe);
    EXPECT_EQ(RGB(pe.peRed, pe.peGreen, pe.peBlue), TableColor(8, 19));
}

TEST(Dib, FailedBuildLeavesImageEmptyButKeepsPalette) {
    const ui::HandleCounts before = ui::CurrentHandleCounts();
    {
        CDib dib;
        ASSERT_TRUE(dib.LoadFromResource(IDB_INDEXED));
        CDibPalette* pPalette = dib.GetPalette();
        ASSERT_NE(pPalette, nullptr);
        EXPECT_FALSE(dib.CreateFromBitmap(GetDC(nullptr), nullptr));
        EXPECT_EQ(dib.GetInfo(), nullptr);
        EXPECT_EQ(dib.GetBits(), nullptr);
        EXPECT_EQ(dib.GetColorTable(), nullptr);
        EXPECT_EQ(dib.GetPalette(), pPalette);
    }
    EXPECT_EQ(ui::CurrentHandleCounts().gdi, before.gdi);
}

TEST(Dib, LoadsResourcesAndKeepsImageWhenIdIsMissing) {
    const ui::HandleCounts before = ui::CurrentHandleCounts();
    {
        CDib dib;
        EXPECT_FALSE(dib.LoadFromResource(IDB_MISSING));
        EXPECT_EQ(dib.GetInfo(), nullptr);

        ASSERT_TRUE(dib.LoadFromResource(IDB_INDEXED));
        EXPECT_EQ(dib.GetBitCount(), 8);
        for (int i = 0; i < 8; ++i) EXPECT_EQ(ImagePixel(dib, i % 4, i / 4), IndexedColor(i));
        EXPECT_EQ(PaletteEntries(dib), CDib::NumColors(dib.GetInfo()->bmiHeader));
        EXPECT_EQ(ui::CurrentHandleCounts().gdi, before.gdi + 1) << "only the palette stays";

        const BITMAPINFO* pInfo = dib.GetInfo();
        const BYTE* pBits = dib.GetBits();
        const CDibPalette* pPalette = dib.GetPalette();
        EXPECT_FALSE(dib.LoadFromResource(IDB_MISSING));
        EXPECT_EQ(dib.GetInfo(), pInfo);
        EXPECT_EQ(dib.GetBits(), pBits);
        EXPECT_EQ(dib.GetPalette(), pPalette);
        EXPECT_EQ(ImagePixel(dib, 3, 1), IndexedColor(7));

        ASSERT_TRUE(dib.LoadFromResource(0x10000 | IDB_BLOCKS)) << "only the low 16 bits name it";
        EXPECT_EQ(dib.GetBitCount(), 24);
        EXPECT_EQ(dib.GetPalette(), nullptr);
    }
    const ui::HandleCounts after = ui::CurrentHandleCounts();
    EXPECT_EQ(after.gdi, before.gdi);
    EXPECT_EQ(after.user, before.user);
}

TEST(DibDrawing, TrueColorImageLeavesPaletteAndStretchModeAlone) {
    CDib dib;
    ASSERT_TRUE(dib.LoadFromResource(IDB_BLOCKS));
    CCanvas canvas(12, 8);
    LOGPALETTE lp{0x300, 1, {{1, 2, 3, 0}}};  // any palette not the default
    HPALETTE hPal = CreatePalette(&lp);
    HPALETTE hOld = SelectPalette(canvas.Dc(), hPal, FALSE);
    SetStretchBltMode(canvas.Dc(), HALFTONE);

    EXPECT_TRUE(dib.DrawAt(canvas.Dc(), 2, 1));
    EXPECT_EQ(GetCurrentObject(canvas.Dc(), OBJ_PAL), hPal);
    EXPECT_EQ(GetStretchBltMode(canvas.Dc()), HALFTONE);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(canvas.Pixel(2 + x, 1 + y), BlockColor(x, y));
    EXPECT_EQ(canvas.Pixel(6, 1), kBackdrop);
    EXPECT_EQ(canvas.Pixel(2, 4), kBackdrop);

    canvas.Fill(kBackdrop);
    SetStretchBltMode(canvas.Dc(), COLORONCOLOR);  // no blending of enlarged pixels
    EXPECT_TRUE(dib.DrawStretched(canvas.Dc(), 0, 0, 8, 6));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(canvas.Pixel(2 * x, 2 * y), BlockColor(x, y));
            EXPECT_EQ(canvas.Pixel(2 * x + 1, 2 * y + 1), BlockColor(x, y));
        }
    SelectPalette(canvas.Dc(), hOld, FALSE);
    DeleteObject(hPal);
}

TEST(DibDrawing, IndexedImageRealisesItsPaletteAndPutsThePreviousBack) {
    CDib dib;
    ASSERT_TRUE(dib.LoadFromResource(IDB_INDEXED));
    CCanvas canvas(6, 4);
    const HGDIOBJ hBefore = GetCurrentObject(canvas.Dc(), OBJ_PAL);
    SetStretchBltMode(canvas.Dc(), HALFTONE);
    EXPECT_TRUE(dib.DrawAt(canvas.Dc(), 1, 1));
    EXPECT_EQ(GetCurrentObject(canvas.Dc(), OBJ_PAL), hBefore);
    EXPECT_EQ(GetStretchBltMode(canvas.Dc()), COLORONCOLOR);
    EXPECT_EQ(canvas.Pixel(1, 1), IndexedColor(0));
    EXPECT_EQ(canvas.Pixel(4, 2), IndexedColor(7));
}

TEST(DibDrawing, EmptyImageDrawsNothing) {
    CDib dib;
    CCanvas canvas(6, 4);
    EXPECT_FALSE(dib.DrawAt(canvas.Dc(), 0, 0));
    EXPECT_FALSE(dib.DrawStretched(canvas.Dc(), 0, 0, 6, 4));
    EXPECT_TRUE(canvas.IsAll(kBackdrop));
}

// DrawAt goes through the virtual DrawStretched.
class CShiftedDib : public CDib {
public:
    bool DrawStretched(HDC hDC, int x, int y, int cx, int cy) override {
        calls.push_back({x, y, cx, cy});
        return CDib::DrawStretched(hDC, x + 1, y, cx, cy);
    }
    std::vector<RECT> calls;
};

TEST(DibDrawing, OverridingDrawStretchedChangesDrawAt) {
    CShiftedDib dib;
    ASSERT_TRUE(dib.LoadFromResource(IDB_BLOCKS));
    CCanvas canvas(6, 4);
    dib.DrawAt(canvas.Dc(), 0, 0);
    ASSERT_EQ(dib.calls.size(), 1u);
    EXPECT_EQ(dib.calls[0].left, 0);
    EXPECT_EQ(dib.calls[0].right, 4);   // width
    EXPECT_EQ(dib.calls[0].bottom, 3);  // height
    EXPECT_EQ(canvas.Pixel(0, 0), kBackdrop);
    EXPECT_EQ(canvas.Pixel(1, 0), BlockColor(0, 0));
}

}  // namespace
