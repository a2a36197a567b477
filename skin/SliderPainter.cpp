#include "SliderPainter.h"

#include <initializer_list>

namespace zv {

namespace {

struct Point {
    int x, y;
};

int Brighten(int v, int n) { return v + n <= 255 ? v + n : v; }
int Dim(int v, int n) { return v >= n ? v - n : v; }

void Polyline(ISliderCanvas& c, std::initializer_list<Point> points) {
    const Point* p = points.begin();
    c.MoveTo(p->x, p->y);
    for (++p; p != points.end(); ++p) c.LineTo(p->x, p->y);
}

// Grip ridges across a thumb: `across` is the thumb's size across them.
// Horizontal bars get vertical ridges, vertical bars horizontal ones.
void DrawRidges(ISliderCanvas& c, const Rect& g, int across, bool verticalRidges,
                const SliderShades& s) {
    const bool extra = across > 9;
    const int light[] = {1, 3, 5, 7};
    const int dark[] = {2, 4, 6};
    const int lightCount = extra ? 4 : 2;
    const int darkCount = extra ? 3 : 2;
    c.SelectPen(Pen::Light1);
    for (int i = 0; i < lightCount; ++i) {
        if (verticalRidges) Polyline(c, {{g.left + light[i], g.top + 5}, {g.left + light[i], g.bottom - 5}});
        else Polyline(c, {{g.left + 5, g.top + light[i]}, {g.right - 5, g.top + light[i]}});
    }
    c.SelectPen(Pen::Dark2);
    for (int i = 0; i < darkCount; ++i) {
        if (verticalRidges) Polyline(c, {{g.left + dark[i], g.top + 5}, {g.left + dark[i], g.bottom - 4}});
        else Polyline(c, {{g.left + 5, g.top + dark[i]}, {g.right - 4, g.top + dark[i]}});
    }
    for (int i = 0; i < lightCount; ++i) {
        if (verticalRidges) c.SetPixel(g.left + light[i], g.top + 4, s.light2);
        else c.SetPixel(g.left + 4, g.top + light[i], s.light2);
    }
}

// The rectangular thumb of a TBS_BOTH bar; returns its grip base.
Rect DrawRectThumb(ISliderCanvas& c, const ThumbParams& p) {
    const int L = p.item.left, T = p.item.top, R = p.item.right, B = p.item.bottom;
    const SliderShades& s = p.shades;
    c.RoundRect(p.item);
    c.Frame3D({L + 1, T + 1, R - 1, B - 1}, s.light1, s.dark1);
    c.SetPixel(L + 1, T + 1, s.light2);
    c.SetPixel(R - 2, T + 1, p.face);
    c.SetPixel(R - 2, B - 2, s.dark2);
    c.SetPixel(L + 1, B - 2, p.face);
    return {L + 1, T + 1, R - 1, B - 1};
}

void FillOutline(ISliderCanvas& c, const ThumbParams& p, int e) {
    c.FloodFill(p.item.left + e, p.item.top + e, p.outline);
}

}  // namespace

Color BrightenColor(Color c, int n) {
    return MakeRgb(Brighten(RedOf(c), n), Brighten(GreenOf(c), n), Brighten(BlueOf(c), n));
}

Color DimColor(Color c, int n) {
    return MakeRgb(Dim(RedOf(c), n), Dim(GreenOf(c), n), Dim(BlueOf(c), n));
}

Color MidColor(Color a, Color b) {
    return MakeRgb((RedOf(a) + RedOf(b)) / 2, (GreenOf(a) + GreenOf(b)) / 2,
                   (BlueOf(a) + BlueOf(b)) / 2);
}

SliderShades ComputeShades(Color face, const SystemColors& sys) {
    SliderShades s;
    s.light1 = BrightenColor(face, SHADE_AMOUNT);
    s.light2 = BrightenColor(s.light1, SHADE_AMOUNT);
    s.dark1 = DimColor(face, SHADE_AMOUNT);
    s.dark2 = DimColor(s.dark1, SHADE_AMOUNT);
    s.shadowMid = MidColor(sys.btnShadow, sys.dkShadow);
    s.faceMid = MidColor(sys.btnFace, sys.btnShadow);
    s.highlight = sys.btnHighlight;
    return s;
}

void DrawHorizontalThumb(ISliderCanvas& c, const ThumbParams& p) {
    const int L = p.item.left, T = p.item.top, R = p.item.right, B = p.item.bottom;
    const int w = R - L, e = w / 2;
    c.SelectPen(Pen::Outline);
    c.SelectBrush(p.face);
    Rect grip;
    if (p.style & SLIDER_TBS_BOTH) {
        grip = DrawRectThumb(c, p);
    } else if (p.style & SLIDER_TBS_TOP) {  // pointing up
        Polyline(c, {{L, T + e - 1}, {L, B - 2}, {L + 1, B - 1}, {R - 2, B - 1}, {R - 1, B - 2},
                     {R - 1, T + e - 1}, {R - e, T}, {L + e - 1, T}, {L, T + e - 1}});
        FillOutline(c, p, e);
        if (w > 5) {
            c.SelectPen(Pen::Light1);
            Polyline(c, {{L + 1, T + e}, {L + 1, B - 2}});
            Polyline(c, {{R - e, T + 1}, {R - e - 2, T + 1}});
            c.SelectPen(Pen::Light2);
            Polyline(c, {{L + 1, T + e - 1}, {L + e, T}});
            c.SelectPen(Pen::Dark1);
            Polyline(c, {{L + 2, B - 2}, {R - 2, B - 2}, {R - 2, T + e - 1}, {R - e, T + 1}});
        }
        grip = {L + 1, T + 2, R - 1, B};
    } else {  // pointing down
        Polyline(c, {{L, T + 1}, {L, B - e}, {L + e - 1, B - 1}, {R - e, B - 1}, {R - 1, B - e},
                     {R - 1, T + 1}, {R - 2, T}, {L, T}});
        FillOutline(c, p, e);
        if (w > 5) {
            c.SetPixel(L + 1, T + 1, p.shades.light2);
            c.SelectPen(Pen::Light1);
            Polyline(c, {{L + 1, T + 2}, {L + 1, B - e + 1}});
            Polyline(c, {{L + 2, T + 1}, {R - 2, T + 1}});
            c.SelectPen(Pen::Dark1);
            Polyline(c, {{L + 2, B - e + 1}, {L + e - 1, B - 2}, {R - e, B - 2}});
            Polyline(c, {{R - 2, B - e - 1}, {R - 2, T + 1}});
            c.SelectPen(Pen::Dark2);
            Polyline(c, {{R - e, B - 2}, {R - 1, B - e - 1}});
        }
        grip = {L + 1, T, R - 1, B - 2};
    }
    if (p.enabled && w > 5) DrawRidges(c, grip, w, true, p.shades);
}

void DrawVerticalThumb(ISliderCanvas& c, const ThumbParams& p) {
    const int L = p.item.left, T = p.item.top, R = p.item.right, B = p.item.bottom;
    const int h = B - T, e = h / 2;
    c.SelectPen(Pen::Outline);
    c.SelectBrush(p.face);
    Rect grip;
    if (p.style & SLIDER_TBS_BOTH) {
        grip = DrawRectThumb(c, p);
    } else if (p.style & SLIDER_TBS_TOP) {  // TBS_LEFT: pointing left
        Polyline(c, {{L + e - 1, T}, {L, T + e - 1}, {L, B - e}, {L + e - 1, B - 1}, {R - 2, B - 1},
                     {R - 1, B - 2}, {R - 1, T + 1}, {R - 2, T}, {L + e - 2, T}});
        FillOutline(c, p, e);
        c.SelectPen(Pen::Light2);
        Polyline(c, {{L + 1, T + e - 1}, {L + e, T}});
        c.SelectPen(Pen::Light1);
        Polyline(c, {{L + 1, T + e + 1}, {L + 1, T + e - 1}});
        Polyline(c, {{L + e, T + 1}, {R - 2, T + 1}});
        c.SelectPen(Pen::Dark1);
        Polyline(c, {{L + 2, B - e + 1}, {L + e - 1, B - 2}, {R - 2, B - 2}, {R - 2, T + 1}});
        grip = {L + 2, T + 1, R, B};
    } else {  // pointing right
        Polyline(c, {{L, T + 1}, {L, B - 2}, {L + 1, B - 1}, {R - e, B - 1}, {R - 1, B - e},
                     {R - 1, T + e - 1}, {R - e, T}, {L, T}});
        FillOutline(c, p, e);
        c.SelectPen(Pen::Light1);
        Polyline(c, {{L + 1, B - 2}, {L + 1, T + 1}, {R - e + 1, T + 1}});
        c.SetPixel(L + 1, T + 1, p.shades.light2);
        c.SelectPen(Pen::Dark1);
        Polyline(c, {{L + 2, B - 2}, {R - e, B - 2}});
        Polyline(c, {{R - 2, T + e}, {R - 2, T + e - 1}, {R - e, T + 1}});
        c.SelectPen(Pen::Dark2);
        Polyline(c, {{R - e, B - 2}, {R - 1, B - e - 1}});
        grip = {L, T + 1, R - 1, B};
    }
    if (p.enabled && h > 5) DrawRidges(c, grip, h, false, p.shades);
}

bool SelectionRect(const ChannelParams& p, Rect* out) {
    if (p.selStart >= p.selEnd) return false;
    const int range = p.rangeMax - p.rangeMin;
    if (range == 0) return false;
    const int len = p.horizontal ? p.item.Width() : p.item.Height();
    const int a = static_cast<int>(double(p.selStart - p.rangeMin) * len / range);
    const int b = static_cast<int>(double(p.selEnd - p.rangeMin) * len / range);
    Rect r = p.item;
    if (p.horizontal) {
        r.left = p.item.left + a + 2;
        r.right = p.item.left + b - 2;
        r.top += 2;
        r.bottom -= 1;
    } else {
        r.top = p.item.top + a + 2;
        r.bottom = p.item.top + b - 2;
        r.left += 1;
        r.right -= 1;
    }
    *out = r;
    return true;
}

void DrawChannel(ISliderCanvas& c, const ChannelParams& p) {
    Rect r = p.item;
    if (p.rangeMin != 0 || p.rangeMax != 0) {
        r.top += 1;
        r.bottom -= 1;
    }
    if (p.horizontal) {
        r.left += 1;
        r.right -= 1;
        r.bottom += 1;
    } else {
        r.top += 1;
        r.bottom -= 1;
    }
    c.SelectPen(Pen::ShadowMid);
    c.SelectBrush(p.channel);
    if ((p.horizontal && r.Height() > 3) || (!p.horizontal && r.Width() > 3)) c.RoundRect(r);
    r.left -= 1;
    r.top -= 1;
    r.right += 1;
    c.SelectPen(Pen::FaceMid);
    Polyline(c, {{r.left, r.bottom - 2}, {r.left, r.top + 2}, {r.left + 2, r.top}, {r.right - 2, r.top}});
    c.SelectPen(Pen::Highlight);
    Polyline(c, {{r.left + 1, r.bottom - 1}, {r.left + 2, r.bottom}, {r.right - 2, r.bottom},
                 {r.right - 2, r.bottom - 1}, {r.right - 1, r.bottom - 1}, {r.right - 1, r.top + 2},
                 {r.right - 3, r.top}});
    Rect sel;
    if (SelectionRect(p, &sel)) c.FillRect(sel, p.selection);
}

}  // namespace zv
