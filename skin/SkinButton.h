// A push button drawn wholly from bitmaps and shaped by its normal image
// (pure red is cut away). Unless told otherwise it also reports
// press-and-hold to its parent: WM_BUTTON_HOLD with the control id at the
// press and every 250 ms while held, and with 0 at the release.
#pragma once

#include <windows.h>

#include <cstdint>

#include "BitmapButtonBase.h"
#include "ScopedHandle.h"

namespace zv {

constexpr UINT WM_BUTTON_HOLD = 23000;
constexpr UINT_PTR TIMER_BUTTON_HOLD = 23001;
constexpr UINT BUTTON_HOLD_PERIOD_MS = 250;
constexpr uint32_t BUTTON_KEY_COLOUR = 0xFF0000;  // 0xRRGGBB
constexpr uint32_t BUTTON_KEY_TOLERANCE = 0;

class CSkinButton : public ui::CBitmapButtonBase {
public:
    CSkinButton() = default;
    ~CSkinButton() override;

    bool IsHovering() const { return m_bHovering; }
    // Buttons that act on their click alone send no hold message; which ones
    // those are is the panel's knowledge.
    void SetSendsHold(bool bSendsHold) { m_bSendsHold = bSendsHold; }
    // Window styles to add when the button is attached, together with the
    // owner-draw style (one style change instead of two).
    void AddStyleOnAttach(DWORD dwStyle) { m_dwExtraStyle |= dwStyle; }
    // The size and shape of the normal image, as at attaching; again after
    // the images changed (the panel shown at another scale).
    void FitToImage();

protected:
    void PreSubclassWindow() override;
    void DrawItem(const DRAWITEMSTRUCT& dis) override;
    bool ProcessMessage(ui::CMessage& msg) override;

private:
    LRESULT OnMouseMove(ui::CMessage& msg);
    LRESULT OnLButtonDown(ui::CMessage& msg);
    LRESULT OnTimer(ui::CMessage& msg);
    LRESULT OnLButtonUp(ui::CMessage& msg);
    LRESULT OnCaptureChanged(ui::CMessage& msg);
    LRESULT OnDestroy(ui::CMessage& msg);
    LRESULT OnDefault(ui::CMessage& msg);

    void SendHold(WPARAM wParam);
    void RedrawNow();
    // Ends a hold that lost its button-up (capture taken, window hidden or
    // destroyed): the parent still hears the release, once.
    void AbandonHold();

    ui::CGdiObject<HRGN> m_region;
    bool m_bShaped = false;  // the window has a region of ours
    bool m_bHovering = false;
    bool m_bSendsHold = true;
    DWORD m_dwExtraStyle = 0;
    bool m_bHoldActive = false;     // a hold message went out and its release has not
    bool m_bReleaseSent = false;    // AbandonHold already reported the release

    static constexpr ui::MessageEntry<CSkinButton> kMessages[] = {
        {WM_MOUSEMOVE, &CSkinButton::OnMouseMove},
        {WM_LBUTTONDOWN, &CSkinButton::OnLButtonDown},
        {WM_TIMER, &CSkinButton::OnTimer},
        {WM_LBUTTONUP, &CSkinButton::OnLButtonUp},
        {WM_CAPTURECHANGED, &CSkinButton::OnCaptureChanged},
        {WM_KILLFOCUS, &CSkinButton::OnDefault},
        {WM_SETCURSOR, &CSkinButton::OnDefault},
        {WM_DESTROY, &CSkinButton::OnDestroy},
    };
};

}  // namespace zv
