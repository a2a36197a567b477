#include <gtest/gtest.h>

#include "RasterCanvas.h"
#include "SliderPainter.h"

namespace zv {
namespace {

using test::RasterCanvas;

const Color kBack = MakeRgb(1, 2, 3);
const Color kFace = MakeRgb(0, 0, 255);  // the colour panel's thumb
const Color kChannel = MakeRgb(196, 196, 255);
const Color kSelection = MakeRgb(64, 64, 255);
const SystemColors kSys{MakeRgb(255, 255, 255), MakeRgb(0, 0, 0),       MakeRgb(0, 0, 128),
                        MakeRgb(212, 208, 200), MakeRgb(128, 128, 128), MakeRgb(250, 250, 250),
                        MakeRgb(64, 64, 64)};

std::map<Color, char> Legend(const SliderShades& s, Color face) {
    return {{kBack, '.'},       {face, 'F'},        {0, 'O'},           {s.light1, 'l'},
            {s.light2, 'L'},    {s.dark1, 'd'},     {s.dark2, 'D'},     {s.shadowMid, 's'},
            {s.faceMid, 'm'},   {s.highlight, 'h'}, {kChannel, 'c'},    {kSelection, 'S'}};
}

// Draws one thumb with a one-pixel margin and returns its map.
std::string Thumb(bool vertical, uint32_t style, int w, int h, bool enabled = true,
                  Color face = kFace) {
    const SliderShades s = ComputeShades(face, kSys);
    RasterCanvas canvas(w + 2, h + 2, kBack);
    canvas.SetPenColors(s, 0);
    const ThumbParams p{{1, 1, 1 + w, 1 + h}, style, enabled, face, 0, s};
    if (vertical) DrawVerticalThumb(canvas, p);
    else DrawHorizontalThumb(canvas, p);
    return canvas.Map(Legend(s, face));
}

int CountOf(const std::string& map, char c) { return int(std::count(map.begin(), map.end(), c)); }

TEST(SliderColors, BrightenAndDimLeaveAnOverflowingChannelUnchanged) {
    EXPECT_EQ(BrightenColor(MakeRgb(0, 0, 255), 51), MakeRgb(51, 51, 255));
    EXPECT_EQ(BrightenColor(MakeRgb(230, 10, 10), 51), MakeRgb(230, 61, 61));
    EXPECT_EQ(BrightenColor(MakeRgb(204, 205, 0), 51), MakeRgb(255, 205, 51));
    EXPECT_EQ(DimColor(MakeRgb(0, 0, 255), 51), MakeRgb(0, 0, 204));
    EXPECT_EQ(DimColor(MakeRgb(51, 50, 52), 51), MakeRgb(0, 50, 1));
    EXPECT_EQ(MidColor(MakeRgb(5, 0, 255), MakeRgb(0, 0, 254)), MakeRgb(2, 0, 254));
}

TEST(SliderColors, ShadesOfTheColorPanelFaceAndOfItsPressedFace) {
    SliderShades s = ComputeShades(kFace, kSys);
    EXPECT_EQ(s.light1, MakeRgb(51, 51, 255));
    EXPECT_EQ(s.light2, MakeRgb(102, 102, 255));
    EXPECT_EQ(s.dark1, MakeRgb(0, 0, 204));
    EXPECT_EQ(s.dark2, MakeRgb(0, 0, 153));
    EXPECT_EQ(s.shadowMid, MakeRgb(96, 96, 96)) << "from the system colours, not the face";
    EXPECT_EQ(s.faceMid, MakeRgb(170, 168, 164));
    EXPECT_EQ(s.highlight, kSys.btnHighlight);
    s = ComputeShades(DimColor(kFace, SHADE_AMOUNT), kSys);
    EXPECT_EQ(s.dark1, MakeRgb(0, 0, 153));
    EXPECT_EQ(s.dark2, MakeRgb(0, 0, 102));
}

// The colour panel's own thumb: vertical, pointing left, 11 x 5.
TEST(SliderThumb, PanelThumbPointingLeftIsShadedWithoutRidges) {
    EXPECT_EQ(Thumb(true, SLIDER_TBS_TOP, 11, 5),
              ".............\n"
              "..OOOOOOOOO..\n"
              ".OLlllllllFO.\n"
              ".OlFFFFFFFdO.\n"
              ".OdddddddddO.\n"
              "..OdOOOOOOO..\n"
              ".............\n");
}

TEST(SliderThumb, PointingLeftAtTwelveHasFourThreeFourRidges) {
    const std::string map = Thumb(true, SLIDER_TBS_TOP, 11, 12);
    EXPECT_EQ(map,
              ".............\n"
              "......OOOOO..\n"
              ".....OLlllFO.\n"
              "....OLFLlFdO.\n"
              "...OLFFFFFdO.\n"
              "..OLFFFLlFdO.\n"
              ".OLFFFFFFFdO.\n"
              ".OlFFFFLlFdO.\n"
              "..ldFFFFFFdO.\n"
              "...OdFFLlFdO.\n"
              "....OdFFFFdO.\n"
              ".....OdddddO.\n"
              "......OOOOO..\n"
              ".............\n");
    // Disabled: same shape and shading, no ridges.
    const std::string disabled = Thumb(true, SLIDER_TBS_TOP, 11, 12, false);
    EXPECT_EQ(CountOf(disabled, 'O'), CountOf(map, 'O'));
    EXPECT_EQ(CountOf(disabled, 'D'), 0);
    EXPECT_EQ(disabled.substr(0, 3 * 14), map.substr(0, 3 * 14));
}

TEST(SliderThumb, PointingDownBetweenSixAndNineHasTwoOfEachRidge) {
    EXPECT_EQ(Thumb(false, 0, 8, 14),
              "..........\n"
              "..OOOOOO..\n"
              ".OLllllFO.\n"
              ".OlFFFFdO.\n"
              ".OlFFFFdO.\n"
              ".OlLFLFdO.\n"
              ".OllDlDdO.\n"
              ".OllDlDdO.\n"
              ".OlFDFDdO.\n"
              ".OlFFFFdO.\n"
              ".OlFFFFdO.\n"
              ".OlFFFFDO.\n"
              "..OdFFDO..\n"
              "...OdDO...\n"
              "....OO....\n"
              "..........\n");
}

TEST(SliderThumb, NarrowHorizontalThumbGetsOutlineAndFillOnly) {
    EXPECT_EQ(Thumb(false, SLIDER_TBS_TOP, 5, 10),
              ".......\n"
              "..OOO..\n"
              ".OFFFO.\n"
              ".OFFFO.\n"
              ".OFFFO.\n"
              ".OFFFO.\n"
              ".OFFFO.\n"
              ".OFFFO.\n"
              ".OFFFO.\n"
              ".OFFFO.\n"
              "..OOO..\n"
              ".......\n");
    // A vertical pointed thumb is always shaded, however small.
    EXPECT_GT(CountOf(Thumb(true, 0, 11, 4), 'l'), 0);
}

TEST(SliderThumb, BothSidesGivesTheRoundedRectangleWithFrameAndCornerPixels) {
    EXPECT_EQ(Thumb(false, SLIDER_TBS_BOTH | SLIDER_TBS_TOP, 10, 12),
              "............\n"
              ".OOOOOOOOOO.\n"
              ".OLllllllFO.\n"
              ".OlFFFFFFdO.\n"
              ".OlFFFFFFdO.\n"
              ".OlFFFFFFdO.\n"
              ".OlLFLFLFLO.\n"
              ".OlFDFDFDdO.\n"
              ".OlFFFFFFdO.\n"
              ".OlFFFFFFdO.\n"
              ".OlFFFFFFdO.\n"
              ".OFddddddDO.\n"
              ".OOOOOOOOOO.\n"
              "............\n");
}

TEST(SliderThumb, SquareThumbCountsAsVertical) {
    // Ridges run across the thumb: horizontal lines for the vertical routine.
    const std::string v = Thumb(true, SLIDER_TBS_BOTH, 12, 12);
    const std::string h = Thumb(false, SLIDER_TBS_BOTH, 12, 12);
    EXPECT_NE(v, h);
    EXPECT_EQ(CountOf(v, 'L'), CountOf(h, 'L'));
}

TEST(SliderThumb, PressedFaceIsDimmed) {
    const Color pressed = DimColor(kFace, SHADE_AMOUNT);
    const std::string map = Thumb(true, SLIDER_TBS_TOP, 11, 5, true, pressed);
    EXPECT_EQ(CountOf(map, '?'), 0);
    EXPECT_GT(CountOf(map, 'F'), 0);
}

ChannelParams Channel(int min, int max, int selStart, int selEnd, bool horizontal = false) {
    return {{3, 2, 11, 38}, horizontal, min, max, selStart, selEnd, kChannel, kSelection};
}

TEST(SliderChannel, VerticalChannelInsetsAndEdges) {
    const SliderShades s = ComputeShades(kFace, kSys);
    RasterCanvas canvas(14, 40, kBack);
    canvas.SetPenColors(s, 0);
    DrawChannel(canvas, Channel(0, 255, 0, 0));
    const std::string map = canvas.Map(Legend(s, kFace));
    const std::string row = "..msccccccsh..\n";
    EXPECT_EQ(map.substr(0, 7 * 15),
              "..............\n"
              "..............\n"
              "..............\n"
              "....mmmmmm....\n"
              "...mssssssh...\n" + row + row);
    EXPECT_EQ(map.substr(34 * 15),
              "..msccccccsh..\n"
              "...hsssssshh..\n"
              "....hhhhhhh...\n"
              "..............\n"
              "..............\n"
              "..............\n");
    EXPECT_EQ(CountOf(map, 'S'), 0) << "empty selection";
}

TEST(SliderChannel, SelectionExtentAndInsets) {
    Rect r;
    ASSERT_TRUE(SelectionRect(Channel(0, 100, 25, 75), &r));
    EXPECT_EQ(r, (Rect{4, 2 + 9 + 2, 10, 2 + 27 - 2}));  // 36 px: a = 9, b = 27
    ASSERT_TRUE(SelectionRect(Channel(0, 100, 25, 75, true), &r));
    EXPECT_EQ(r, (Rect{3 + 2 + 2, 4, 3 + 6 - 2, 37}));  // 8 px: a = 2, b = 6
    ASSERT_TRUE(SelectionRect(Channel(-10, 10, -10, 10), &r));
    EXPECT_EQ(r, (Rect{4, 4, 10, 36}));
    EXPECT_FALSE(SelectionRect(Channel(0, 100, 50, 50), &r));
    EXPECT_FALSE(SelectionRect(Channel(0, 100, 60, 50), &r));
    // A range of one value would divide by zero: no selection at all.
    EXPECT_FALSE(SelectionRect(Channel(5, 5, 1, 9), &r));

    const SliderShades s = ComputeShades(kFace, kSys);
    RasterCanvas canvas(14, 40, kBack);
    canvas.SetPenColors(s, 0);
    DrawChannel(canvas, Channel(0, 100, 25, 75));
    EXPECT_EQ(CountOf(canvas.Map(Legend(s, kFace)), 'S'), 6 * 14);
}

TEST(SliderChannel, ZeroRangeSkipsTheRangeInset) {
    const SliderShades s = ComputeShades(kFace, kSys);
    RasterCanvas a(14, 40, kBack), b(14, 40, kBack);
    a.SetPenColors(s, 0);
    b.SetPenColors(s, 0);
    DrawChannel(a, Channel(0, 0, 0, 0));
    DrawChannel(b, Channel(0, 1, 0, 0));
    const std::string ma = a.Map(Legend(s, kFace)), mb = b.Map(Legend(s, kFace));
    EXPECT_EQ(ma.substr(2 * 15, 15), "....mmmmmm....\n") << "top edge one row higher";
    EXPECT_EQ(mb.substr(3 * 15, 15), "....mmmmmm....\n");
}

}  // namespace
}  // namespace zv
