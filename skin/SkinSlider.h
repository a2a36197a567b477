// A trackbar that keeps the platform's behaviour and draws its own shaded
// thumb and channel through the custom-draw protocol.
#pragma once

#include <windows.h>

#include "ScopedHandle.h"
#include "SliderPainter.h"
#include "Trackbar.h"

namespace zv {

class CSkinSlider : public ui::CTrackbar {
public:
    CSkinSlider();
    ~CSkinSlider() override;

    void SetChannelColor(Color color);
    void SetFaceColor(Color color);       // redraws at once
    void SetSelectionColor(Color color);  // redraws at once

    Color GetFaceColor() const { return m_crFace; }
    const SliderShades& Shades() const { return m_shades; }

protected:
    bool ProcessMessage(ui::CMessage& msg) override;

private:
    LRESULT OnCustomDraw(ui::CMessage& msg);
    LRESULT OnEraseBkgnd(ui::CMessage& msg);

    void UpdateShades();
    void RebuildPens();
    void RedrawNow();
    void DrawThumb(HDC hdc, const RECT& rc, UINT itemState);
    void DrawChannelItem(HDC hdc, const RECT& rc);

    ui::CGdiObject<HPEN> m_pens[7];  // in Pen order: light 1, light 2, dark 1, dark 2, shadow mid, face mid, highlight
    HPEN m_penHandles[7] = {};       // the same, as the canvas takes them
    Color m_crSelection;
    Color m_crChannel;
    Color m_crFace;
    SliderShades m_shades{};

    static constexpr ui::MessageEntry<CSkinSlider> kMessages[] = {
        {ui::Reflected(WM_NOTIFY), NM_CUSTOMDRAW, ui::kAnyId, &CSkinSlider::OnCustomDraw},
        {WM_ERASEBKGND, &CSkinSlider::OnEraseBkgnd},
    };
};

// The system colours the slider shades from, read now.
SystemColors CurrentSystemColors();

}  // namespace zv
