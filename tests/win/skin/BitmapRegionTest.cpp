#include <gtest/gtest.h>
#include <windows.h>

#include <functional>

#include "BitmapRegion.h"

namespace zv {
namespace {

// A 24-bit bitmap whose pixel (x, y), y from the top, is colour(x, y) as 0xRRGGBB.
HBITMAP MakeBitmap(int w, int h, const std::function<uint32_t(int, int)>& colour) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down, so rows index naturally
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    const int stride = (w * 3 + 3) & ~3;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            BYTE* p = static_cast<BYTE*>(bits) + y * stride + x * 3;
            const uint32_t c = colour(x, y);
            p[0] = c & 0xFF, p[1] = (c >> 8) & 0xFF, p[2] = (c >> 16) & 0xFF;
        }
    return bmp;
}

// The region the straightforward way: one square per kept pixel.
HRGN ReferenceRegion(int w, int h, const std::function<bool(int, int)>& keep) {
    HRGN r = CreateRectRgn(0, 0, 0, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (keep(x, y)) {
                HRGN px = CreateRectRgn(x, y, x + 1, y + 1);
                CombineRgn(r, r, px, RGN_OR);
                DeleteObject(px);
            }
    return r;
}

int Complexity(HRGN r, RECT* box) { return GetRgnBox(r, box); }

TEST(BitmapRegion, AllKeyColorGivesAnEmptyRegion) {
    HBITMAP bmp = MakeBitmap(20, 10, [](int, int) { return 0xFF0000u; });
    HRGN r = CreateRegionFromBitmap(bmp, 0xFF0000, 0);
    ASSERT_NE(r, nullptr);
    RECT box;
    EXPECT_EQ(Complexity(r, &box), NULLREGION);
    DeleteObject(r);
    DeleteObject(bmp);
}

TEST(BitmapRegion, NoKeyColorGivesTheImageRectangle_NearRedIsOpaque) {
    HBITMAP bmp = MakeBitmap(37, 28, [](int x, int) { return x % 2 ? 0xFE0000u : 0x123456u; });
    HRGN r = CreateRegionFromBitmap(bmp, 0xFF0000, 0);
    ASSERT_NE(r, nullptr);
    RECT box;
    EXPECT_EQ(Complexity(r, &box), SIMPLEREGION);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 37);
    EXPECT_EQ(box.bottom, 28);
    DeleteObject(r);
    // With a tolerance the near-red pixels go too.
    r = CreateRegionFromBitmap(bmp, 0xFE0000, 0x010000);
    HRGN ref = ReferenceRegion(37, 28, [](int x, int) { return x % 2 == 0; });
    EXPECT_TRUE(EqualRgn(r, ref));
    DeleteObject(ref);
    DeleteObject(r);
    DeleteObject(bmp);
}

TEST(BitmapRegion, CornersAreCutAndRowsAreReadTopDown) {
    // Red corners only at the top: the region must be missing them there.
    auto red = [](int x, int y) { return y < 3 && (x < 3 || x >= 34); };
    HBITMAP bmp = MakeBitmap(37, 28, [&](int x, int y) { return red(x, y) ? 0xFF0000u : 0x808080u; });
    HRGN r = CreateRegionFromBitmap(bmp, 0xFF0000, 0);
    EXPECT_FALSE(PtInRegion(r, 0, 0));
    EXPECT_FALSE(PtInRegion(r, 36, 2));
    EXPECT_TRUE(PtInRegion(r, 0, 27));
    EXPECT_TRUE(PtInRegion(r, 18, 14));
    HRGN ref = ReferenceRegion(37, 28, [&](int x, int y) { return !red(x, y); });
    EXPECT_TRUE(EqualRgn(r, ref));
    DeleteObject(ref);
    DeleteObject(r);
    DeleteObject(bmp);
}

TEST(BitmapRegion, ManyRunsAreFlushedInBatchesIntoOneRegion) {
    // A fine checkerboard: 60 runs a row, 6000 in all, three flushes and a rest.
    auto keep = [](int x, int y) { return (x + y) % 2 == 0; };
    HBITMAP bmp = MakeBitmap(120, 100, [&](int x, int y) { return keep(x, y) ? 0x00FF00u : 0xFF0000u; });
    HRGN r = CreateRegionFromBitmap(bmp, 0xFF0000, 0);
    ASSERT_NE(r, nullptr);
    HRGN ref = ReferenceRegion(120, 100, keep);
    EXPECT_TRUE(EqualRgn(r, ref));
    DeleteObject(ref);
    DeleteObject(r);
    DeleteObject(bmp);
}

TEST(BitmapRegion, NullBitmapGivesNull) { EXPECT_EQ(CreateRegionFromBitmap(nullptr, 0xFF0000, 0), nullptr); }

// Windows take their region over (SetWindowRgn): every caller gets a region
// of its own, the same as a fresh one, also after others were freed, and for
// each key apart; a bitmap forgotten, or never kept, is read afresh.
TEST(BitmapRegion, SharedBitmapsHandOutCopiesOfOneRegion) {
    HBITMAP bmp = MakeBitmap(16, 12, [](int x, int y) { return x + y < 6 ? 0xFF0000u : 0x00FF00u; });
    HRGN fresh = CreateRegionFromBitmap(bmp, 0xFF0000, 0);
    HRGN freshGreen = CreateRegionFromBitmap(bmp, 0x00FF00, 0);
    KeepRegionsOf(bmp);
    for (int round = 0; round < 2; ++round) {  // kept, then forgotten
        HRGN a = RegionForBitmap(bmp, 0xFF0000, 0);
        HRGN b = RegionForBitmap(bmp, 0xFF0000, 0);
        ASSERT_TRUE(a && b);
        EXPECT_NE(a, b);
        EXPECT_TRUE(EqualRgn(a, fresh));
        DeleteObject(a);
        EXPECT_TRUE(EqualRgn(b, fresh)) << "round " << round;
        HRGN green = RegionForBitmap(bmp, 0x00FF00, 0);
        EXPECT_TRUE(EqualRgn(green, freshGreen));
        DeleteObject(green);
        HRGN c = RegionForBitmap(bmp, 0xFF0000, 0);
        EXPECT_TRUE(EqualRgn(c, fresh));
        DeleteObject(b);
        DeleteObject(c);
        ForgetSharedBitmaps();
    }
    EXPECT_EQ(RegionForBitmap(nullptr, 0xFF0000, 0), nullptr);
    DeleteObject(fresh);
    DeleteObject(freshGreen);
    DeleteObject(bmp);
}

}  // namespace
}  // namespace zv
