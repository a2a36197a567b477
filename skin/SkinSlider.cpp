#include "SkinSlider.h"

#include <commctrl.h>

#include "GdiSliderCanvas.h"

namespace zv {

SystemColors CurrentSystemColors() {
    return {GetSysColor(COLOR_WINDOW),     GetSysColor(COLOR_WINDOWFRAME),
            GetSysColor(COLOR_HIGHLIGHT),  GetSysColor(COLOR_BTNFACE),
            GetSysColor(COLOR_BTNSHADOW),  GetSysColor(COLOR_BTNHIGHLIGHT),
            GetSysColor(COLOR_3DDKSHADOW)};
}

CSkinSlider::CSkinSlider()
    : m_crSelection(GetSysColor(COLOR_HIGHLIGHT)),
      m_crChannel(GetSysColor(COLOR_WINDOW)),
      m_crFace(GetSysColor(COLOR_BTNFACE)) {
    UpdateShades();
}

CSkinSlider::~CSkinSlider() = default;  // the pens go with their wrappers

void CSkinSlider::PenSet::Build(const SliderShades& shades) {
    const Color colours[7] = {shades.light1,    shades.light2,  shades.dark1,
                              shades.dark2,     shades.shadowMid, shades.faceMid,
                              shades.highlight};
    for (int i = 0; i < 7; ++i) {
        pens[i].Attach(CreatePen(PS_SOLID, 1, colours[i]));
        handles[i] = pens[i];
    }
}

void CSkinSlider::UpdateShades() {
    const SystemColors sys = CurrentSystemColors();
    m_shades = ComputeShades(m_crFace, sys);
    m_pressedShades = ComputeShades(DimColor(m_crFace, SHADE_AMOUNT), sys);
    m_pens.Build(m_shades);
    m_pressedPens.Build(m_pressedShades);
}

void CSkinSlider::RedrawNow() {
    if (!m_hWnd) return;
    InvalidateRect(m_hWnd, nullptr, TRUE);
    UpdateWindow(m_hWnd);
}

void CSkinSlider::SetChannelColor(Color color) {
    m_crChannel = color;
    UpdateShades();
}

void CSkinSlider::SetFaceColor(Color color) {
    m_crFace = color;
    UpdateShades();
    RedrawNow();
}

void CSkinSlider::SetSelectionColor(Color color) {
    m_crSelection = color;
    UpdateShades();
    RedrawNow();
}

bool CSkinSlider::ProcessMessage(ui::CMessage& msg) {
    return ui::Dispatch(*this, kMessages, msg) || CTrackbar::ProcessMessage(msg);
}

LRESULT CSkinSlider::OnEraseBkgnd(ui::CMessage&) { return 0; }

LRESULT CSkinSlider::OnCustomDraw(ui::CMessage& msg) {
    auto* cd = reinterpret_cast<NMCUSTOMDRAW*>(msg.lParam);
    if (cd->dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (cd->dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
    switch (cd->dwItemSpec) {
        case TBCD_THUMB: {
            const int saved = SaveDC(cd->hdc);
            DrawThumb(cd->hdc, cd->rc, cd->uItemState);
            RestoreDC(cd->hdc, saved);
            return CDRF_SKIPDEFAULT;
        }
        case TBCD_CHANNEL: {
            const int saved = SaveDC(cd->hdc);
            DrawChannelItem(cd->hdc, cd->rc);
            RestoreDC(cd->hdc, saved);
            return CDRF_SKIPDEFAULT;
        }
        default:  // tick marks: the platform draws them
            return CDRF_DODEFAULT;
    }
}

void CSkinSlider::DrawThumb(HDC hdc, const RECT& rc, UINT itemState) {
    // A pressed thumb is drawn with a dimmed face and its shades.
    const bool pressed = (itemState & CDIS_SELECTED) != 0;
    const ThumbParams p{{rc.left, rc.top, rc.right, rc.bottom},
                        GetStyle(),
                        IsWindowEnabled(m_hWnd) != FALSE,
                        pressed ? DimColor(m_crFace, SHADE_AMOUNT) : m_crFace,
                        GetSysColor(COLOR_WINDOWFRAME),
                        pressed ? m_pressedShades : m_shades};
    CGdiSliderCanvas canvas(hdc, pressed ? m_pressedPens.handles : m_pens.handles, p.outline);
    if (rc.bottom - rc.top > rc.right - rc.left) DrawHorizontalThumb(canvas, p);
    else DrawVerticalThumb(canvas, p);
}

void CSkinSlider::DrawChannelItem(HDC hdc, const RECT& rc) {
    // Disabled: the channel in the button face colour, for this drawing only.
    const Color channel = IsWindowEnabled(m_hWnd) ? m_crChannel : GetSysColor(COLOR_BTNFACE);
    const RECT thumb = GetThumbRect();
    const ChannelParams p{{rc.left, rc.top, rc.right, rc.bottom},
                          thumb.bottom - thumb.top > thumb.right - thumb.left,
                          GetRangeMin(),
                          GetRangeMax(),
                          GetSelStart(),
                          GetSelEnd(),
                          channel,
                          m_crSelection};
    CGdiSliderCanvas canvas(hdc, m_pens.handles, GetSysColor(COLOR_WINDOWFRAME));
    DrawChannel(canvas, p);
}

}  // namespace zv
