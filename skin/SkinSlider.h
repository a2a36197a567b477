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

    // The shades and pens of the face colour, and of its dimmed form for a
    // pressed thumb; made when a colour changes, never while painting.
    void UpdateShades();
    void RedrawNow();
    void DrawThumb(HDC hdc, const RECT& rc, UINT itemState);
    void DrawChannelItem(HDC hdc, const RECT& rc);

    // In Pen order: light 1, light 2, dark 1, dark 2, shadow mid, face mid,
    // highlight; each set also as the handles the canvas takes.
    struct PenSet {
        ui::CGdiObject<HPEN> pens[7];
        HPEN handles[7] = {};
        void Build(const SliderShades& shades);
    };
    Color m_crSelection;
    Color m_crChannel;
    Color m_crFace;
    SliderShades m_shades{};
    SliderShades m_pressedShades{};
    PenSet m_pens;
    PenSet m_pressedPens;

    static constexpr ui::MessageEntry<CSkinSlider> kMessages[] = {
        {ui::Reflected(WM_NOTIFY), NM_CUSTOMDRAW, ui::kAnyId, &CSkinSlider::OnCustomDraw},
        {WM_ERASEBKGND, &CSkinSlider::OnEraseBkgnd},
    };
};

// The system colours the slider shades from, read now.
SystemColors CurrentSystemColors();

}  // namespace zv
