// The slider canvas over a device context, with the control's pens.
#pragma once

#include <windows.h>

#include <optional>

#include "ScopedHandle.h"
#include "SelectGuard.h"
#include "SliderPainter.h"

namespace zv {

class CGdiSliderCanvas final : public ISliderCanvas {
public:
    // pens: one per Pen value except Pen::Outline, owned by the caller; the
    // outline pen and every brush are made here and deleted on destruction,
    // after the device context's own pen and brush are selected back.
    CGdiSliderCanvas(HDC hdc, const HPEN (&pens)[7], Color outline);
    ~CGdiSliderCanvas() override;
    CGdiSliderCanvas(const CGdiSliderCanvas&) = delete;
    CGdiSliderCanvas& operator=(const CGdiSliderCanvas&) = delete;

    void SelectPen(Pen pen) override;
    void SelectBrush(Color color) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void SetPixel(int x, int y, Color color) override;
    void RoundRect(const Rect& r) override;
    void FloodFill(int x, int y, Color border) override;
    void FillRect(const Rect& r, Color color) override;
    void Frame3D(const Rect& r, Color topLeft, Color bottomRight) override;

private:
    HDC m_hdc;
    const HPEN (&m_pens)[7];
    // The objects before the guards: the guards put the context's own pen
    // and brush back before the objects are deleted.
    ui::CGdiObject<HPEN> m_outline;
    ui::CGdiObject<HBRUSH> m_brush;
    // Made at the first selection of each kind; later ones select directly.
    std::optional<ui::CSelectGuard> m_penGuard;
    std::optional<ui::CSelectGuard> m_brushGuard;
};

}  // namespace zv
