// The panels' grid: which scale a DPI gets, and where a template rectangle
// lands at each scale (the artwork's own pixel positions at 100 %).
#include <gtest/gtest.h>

#include "PanelGrid.h"

namespace zv {
namespace {

TEST(PanelGrid, DpiGoesToTheNearestHalfStepTiesUpNeverBelowOne) {
    const struct {
        int dpi, halves;
    } cases[] = {{0, 2},   {72, 2},   {96, 2},   {119, 2},  {120, 3},  {144, 3},
                 {167, 3}, {168, 4},  {192, 4},  {240, 5},  {100000, 8}};
    for (const auto& c : cases) EXPECT_EQ(ScaleHalvesForDpi(c.dpi), c.halves) << c.dpi << " dpi";
}

TEST(PanelGrid, TemplateRectanglesLandOnTheArtworksPixels) {
    const struct {
        int x, y, cx, cy, halves;
        GridRect expected;
    } cases[] = {
        {29, 55, 52, 52, 2, {44, 83, 122, 161}},      // the joystick pad of the dome skin
        {48, 42, 12, 12, 2, {72, 63, 90, 81}},        // "u": an 18 x 18 image
        {48, 42, 12, 12, 3, {108, 94, 135, 121}},     // 27 x 27 at 150 %
        {48, 42, 12, 12, 4, {144, 126, 180, 162}},    // 36 x 36 at 200 %
        {0, 0, 84, 182, 2, {0, 0, 126, 273}},         // the colour panel
        {0, 0, 84, 182, 3, {0, 0, 189, 409}},
        {10, 21, 11, 26, 3, {22, 48, 48, 106}},       // a label: edges scaled, not its size
    };
    for (const auto& c : cases) {
        const GridRect r = GridRectOf(c.x, c.y, c.cx, c.cy, c.halves);
        EXPECT_EQ(r.left, c.expected.left);
        EXPECT_EQ(r.top, c.expected.top);
        EXPECT_EQ(r.right, c.expected.right);
        EXPECT_EQ(r.bottom, c.expected.bottom);
    }
}

}  // namespace
}  // namespace zv
