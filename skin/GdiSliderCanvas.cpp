#include "GdiSliderCanvas.h"

namespace zv {

CGdiSliderCanvas::CGdiSliderCanvas(HDC hdc, const HPEN (&pens)[7], Color outline)
    : m_hdc(hdc), m_pens(pens), m_outline(CreatePen(PS_SOLID, 1, outline)) {}

CGdiSliderCanvas::~CGdiSliderCanvas() = default;

void CGdiSliderCanvas::SelectPen(Pen pen) {
    HPEN h = pen == Pen::Outline ? m_outline.Get() : m_pens[static_cast<int>(pen)];
    if (!h) return;
    if (m_penGuard) SelectObject(m_hdc, h);
    else m_penGuard.emplace(m_hdc, h);
}

void CGdiSliderCanvas::SelectBrush(Color color) {
    ui::CGdiObject<HBRUSH> brush(CreateSolidBrush(color));
    if (!brush) return;
    if (m_brushGuard) SelectObject(m_hdc, brush);
    else m_brushGuard.emplace(m_hdc, brush.Get());
    m_brush = std::move(brush);  // the one it replaces is no longer selected
}

void CGdiSliderCanvas::MoveTo(int x, int y) { MoveToEx(m_hdc, x, y, nullptr); }

void CGdiSliderCanvas::LineTo(int x, int y) { ::LineTo(m_hdc, x, y); }

void CGdiSliderCanvas::SetPixel(int x, int y, Color color) { ::SetPixel(m_hdc, x, y, color); }

void CGdiSliderCanvas::RoundRect(const Rect& r) {
    ::RoundRect(m_hdc, r.left, r.top, r.right, r.bottom, 2, 2);
}

void CGdiSliderCanvas::FloodFill(int x, int y, Color border) {
    ExtFloodFill(m_hdc, x, y, border, FLOODFILLBORDER);
}

void CGdiSliderCanvas::FillRect(const Rect& r, Color color) {
    const RECT rc{r.left, r.top, r.right, r.bottom};
    if (rc.left >= rc.right || rc.top >= rc.bottom) return;
    ui::CGdiObject<HBRUSH> brush(CreateSolidBrush(color));
    if (brush) ::FillRect(m_hdc, &rc, brush);
}

void CGdiSliderCanvas::Frame3D(const Rect& r, Color topLeft, Color bottomRight) {
    // Solid fills through ExtTextOut, as a 3D frame is drawn without brushes.
    auto solid = [this](int l, int t, int rr, int b, Color c) {
        const RECT rc{l, t, rr, b};
        if (l >= rr || t >= b) return;
        const COLORREF old = SetBkColor(m_hdc, c);
        ExtTextOutW(m_hdc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
        SetBkColor(m_hdc, old);
    };
    const int cx = r.right - r.left, cy = r.bottom - r.top;
    solid(r.left, r.top, r.left + cx - 1, r.top + 1, topLeft);
    solid(r.left, r.top, r.left + 1, r.top + cy - 1, topLeft);
    solid(r.right - 1, r.top, r.right, r.bottom, bottomRight);
    solid(r.left, r.bottom - 1, r.right, r.bottom, bottomRight);
}

}  // namespace zv
