// The slider drawn into a real device context must give the same pixels as
// the software raster the native tests check against the shape tables.
#include <gtest/gtest.h>
#include <windows.h>

#include <sstream>

#include "GdiSliderCanvas.h"
#include "RasterCanvas.h"
#include "TestSupport.h"

namespace zv {
namespace {

const Color kBack = MakeRgb(1, 2, 3);
const Color kFace = MakeRgb(0, 0, 255);
const SystemColors kSys{MakeRgb(255, 255, 255), MakeRgb(0, 0, 0),       MakeRgb(0, 0, 128),
                        MakeRgb(212, 208, 200), MakeRgb(128, 128, 128), MakeRgb(250, 250, 250),
                        MakeRgb(64, 64, 64)};

struct Pens {
    HPEN pens[7];
    explicit Pens(const SliderShades& s) {
        const Color c[7] = {s.light1, s.light2, s.dark1, s.dark2, s.shadowMid, s.faceMid, s.highlight};
        for (int i = 0; i < 7; ++i) pens[i] = CreatePen(PS_SOLID, 1, c[i]);
    }
    ~Pens() {
        for (HPEN p : pens) DeleteObject(p);
    }
};

// Draws with both canvases and lists the differing pixels.
template <class Draw>
std::string Differences(int w, int h, const SliderShades& s, Draw draw) {
    test::RasterCanvas raster(w, h, kBack);
    raster.SetPenColors(s, 0);
    draw(static_cast<ISliderCanvas&>(raster));
    CCanvas surface(w, h, kBack);
    Pens pens(s);
    {
        CGdiSliderCanvas gdi(surface.Dc(), pens.pens, 0);
        draw(static_cast<ISliderCanvas&>(gdi));
    }
    std::ostringstream out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (surface.Pixel(x, y) != raster.At(x, y))
                out << "(" << x << "," << y << ") gdi " << std::hex << surface.Pixel(x, y) << " raster "
                    << raster.At(x, y) << std::dec << "\n";
    return out.str();
}

struct ThumbCase {
    bool vertical;
    uint32_t style;
    int w, h;
    bool enabled;
};

TEST(SliderOnDeviceContext, EveryThumbShapeAndSizeMatchesTheRaster) {
    const ThumbCase cases[] = {
        {true, SLIDER_TBS_TOP, 11, 5, true},   {true, SLIDER_TBS_TOP, 11, 8, true},
        {true, SLIDER_TBS_TOP, 11, 12, true},  {true, SLIDER_TBS_TOP, 11, 12, false},
        {true, 0, 11, 5, true},                {true, 0, 11, 9, true},
        {true, 0, 11, 14, true},               {false, SLIDER_TBS_TOP, 5, 11, true},
        {false, SLIDER_TBS_TOP, 7, 11, true},  {false, SLIDER_TBS_TOP, 12, 18, true},
        {false, 0, 5, 11, true},               {false, 0, 8, 14, true},
        {false, 0, 10, 18, true},              {false, SLIDER_TBS_BOTH, 10, 12, true},
        {true, SLIDER_TBS_BOTH, 12, 12, true}, {true, SLIDER_TBS_BOTH, 11, 6, false},
    };
    for (const SliderShades& s : {ComputeShades(kFace, kSys), ComputeShades(DimColor(kFace, 51), kSys)}) {
        for (const ThumbCase& c : cases) {
            const ThumbParams p{{2, 2, 2 + c.w, 2 + c.h}, c.style, c.enabled, kFace, 0, s};
            const std::string diff = Differences(c.w + 4, c.h + 4, s, [&](ISliderCanvas& canvas) {
                if (c.vertical) DrawVerticalThumb(canvas, p);
                else DrawHorizontalThumb(canvas, p);
            });
            EXPECT_EQ(diff, "") << (c.vertical ? "vertical " : "horizontal ") << c.style << " "
                                << c.w << "x" << c.h << (c.enabled ? "" : " disabled");
        }
    }
}

TEST(SliderOnDeviceContext, ChannelsAndSelectionsMatchTheRaster) {
    const SliderShades s = ComputeShades(kFace, kSys);
    const ChannelParams cases[] = {
        {{3, 2, 11, 38}, false, 0, 255, 0, 0, MakeRgb(196, 196, 255), MakeRgb(64, 64, 255)},
        {{3, 2, 11, 38}, false, 0, 100, 25, 75, MakeRgb(196, 196, 255), MakeRgb(64, 64, 255)},
        {{3, 2, 11, 38}, false, 0, 0, 0, 0, MakeRgb(196, 196, 255), MakeRgb(64, 64, 255)},
        {{2, 3, 60, 9}, true, 0, 100, 10, 90, MakeRgb(196, 196, 255), MakeRgb(64, 64, 255)},
        {{2, 3, 60, 6}, true, 0, 100, 0, 0, MakeRgb(196, 196, 255), MakeRgb(64, 64, 255)},
    };
    for (const ChannelParams& c : cases) {
        const std::string diff = Differences(64, 42, s, [&](ISliderCanvas& canvas) { DrawChannel(canvas, c); });
        EXPECT_EQ(diff, "") << c.item.left << "," << c.item.top << "," << c.item.right << ","
                            << c.item.bottom << " horizontal " << c.horizontal;
    }
}

}  // namespace
}  // namespace zv
