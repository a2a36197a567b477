// The panels' pixel grid. The skins and button images are drawn for the
// templates' dialog units at 6 x 12 px base units (1.5 px per unit each
// way), whatever font the system gives for the templates' face; at a higher
// DPI everything is scaled by the same step, a whole number of halves
// (100 %, 150 %, 200 % ...), so that nearest-neighbour copies of the
// artwork stay sharp and the button images keep their pure key colour.
#pragma once

namespace zv {

constexpr int kScaleHalves100 = 2;  // 100 %
constexpr int kScaleHalvesMax = 8;  // 400 %: bitmaps stay a sane size for any reported DPI

// The scale for a window's DPI, in halves of the 96-dpi size: the nearest
// step, ties upwards (120 dpi, 125 %, gives 150 %); never below 100 %.
constexpr int ScaleHalvesForDpi(int dpi) {
    const int halves = dpi <= 96 ? kScaleHalves100 : (dpi * 2 + 48) / 96;
    return halves > kScaleHalvesMax ? kScaleHalvesMax : halves;
}

// An artwork length or coordinate (pixels at 100 %) at a scale.
constexpr int ScalePx(int px, int halves) { return px * halves / 2; }

// Template dialog units to artwork pixels, rounded as the dialog manager
// rounds (units are never negative in the templates).
constexpr int DluToPx(int dlu) { return (dlu * 6 + 2) / 4; }

struct GridRect {
    int left, top, right, bottom;
};

// A template rectangle (x, y, cx, cy in dialog units) on the grid at a scale.
// Edges are scaled, not sizes, so that neighbours stay neighbours.
constexpr GridRect GridRectOf(int x, int y, int cx, int cy, int halves) {
    return {ScalePx(DluToPx(x), halves), ScalePx(DluToPx(y), halves),
            ScalePx(DluToPx(x) + DluToPx(cx), halves), ScalePx(DluToPx(y) + DluToPx(cy), halves)};
}

}  // namespace zv
