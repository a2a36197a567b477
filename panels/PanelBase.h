// The half of a floating panel that both panels share: the hand-over of the
// placement, showing, placing and hiding for the session manager, the
// automatic placement beside the initial rectangle, the drag by the
// background, EXIT hiding, and the panel on the artwork's pixel grid at the
// window's DPI (controls, bitmaps, font), followed again on WM_DPICHANGED.
// Dialog is the panel's dialog base class, Interface the panel interface it
// implements for the session manager.
#pragma once

#include <windows.h>

#include "DialogBase.h"
#include "MessageTable.h"
#include "PanelFont.h"
#include "PanelImages.h"
#include "PanelLayout.h"
#include "Panels.h"

namespace zv {

// Newer than the headers the module is built against (Windows 8.1).
constexpr UINT WM_PANEL_DPICHANGED = 0x02E0;
// Both panels' EXIT button.
constexpr int PANEL_EXIT_ID = 6079;

template <class Dialog, class Interface>
class CPanelBase : public Dialog, public Interface {
public:
    CPanelBase(UINT nTemplateId, HWND hParent, bool bShowOnInit, int nInitX, int nInitY)
        : Dialog(nTemplateId, hParent),
          m_bShowOnInit(bShowOnInit),
          m_nInitX(nInitX),
          m_nInitY(nInitY) {}

    // IPanel
    void SetPlacement(bool bShowOnInit, int x, int y) override {
        m_bShowOnInit = bShowOnInit;
        m_nInitX = x;
        m_nInitY = y;
    }
    bool HasWindow() const override { return this->m_hWnd && IsWindow(this->m_hWnd); }
    void ShowAt(int x, int y) override {
        if (!HasWindow()) return;
        ShowWindow(this->m_hWnd, SW_SHOW);
        SetWindowPos(this->m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    }
    void ShowInPlace() override {
        if (!HasWindow()) return;
        ShowWindow(this->m_hWnd, SW_SHOW);
        SetWindowPos(this->m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    }
    void Hide() override {
        if (HasWindow()) ShowWindow(this->m_hWnd, SW_HIDE);
    }

    // For tests and diagnostics: the scale in halves (2 is 100 %).
    int ScaleHalves() const { return m_layout.Halves(); }

protected:
    // First in the panel's initialisation: the scale from the window's DPI,
    // the bitmaps, the font and every control at it, the window at the
    // template's size on the grid, where the dialog manager would have put a
    // window of that size; then the dialog's own initialisation, which binds
    // the controls.
    BOOL OnInitDialog() override {
        m_layout.Load(this->m_nTemplateId);
        m_layout.SetScale(ScaleHalvesForDpi(WindowDpi(this->m_hWnd)));
        ApplyScale();
        if (m_layout.IsLoaded()) {
            const POINT at = m_layout.InitialOrigin(this->m_hWnd, this->m_hParent);
            const SIZE size = m_layout.Size();
            SetWindowPos(this->m_hWnd, nullptr, at.x, at.y, size.cx, size.cy,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return Dialog::OnInitDialog();
    }

    bool ProcessMessage(ui::CMessage& msg) override {
        return ui::Dispatch(*this, kMessages, msg) || Dialog::ProcessMessage(msg);
    }

    // After the controls were put on the grid at a new scale (the first time
    // before they are bound): the panel hands its controls their bitmaps
    // from m_images, already at the scale.
    virtual void OnScaleApplied() {}
    // The client size the panel shows, at the current scale.
    virtual SIZE ShownSize() const { return FullSize(); }
    // The template's size on the grid; without the template (it could not be
    // read) the window's size as the dialog manager made it.
    SIZE FullSize() const {
        if (m_layout.IsLoaded()) return m_layout.Size();
        RECT rc{};
        GetWindowRect(this->m_hWnd, &rc);
        return {rc.right - rc.left, rc.bottom - rc.top};
    }

    // Places the window from the hand-over: at (m_nInitX, m_nInitY) when both
    // are >= 0, with the shown size (0 x 0 when it is not to be shown), else
    // beside its initial rectangle: right of it when the screen has room,
    // else left of it; below the screen's bottom it goes to its own height
    // from the top. Top-most in both cases. A panel that bShowsItself shows
    // or hides at the given place (and is activated); otherwise it stays
    // hidden for the session manager to show.
    void PlaceOnInit(bool bShowsItself) {
        HWND hWnd = this->m_hWnd;
        const int cxScreen = GetSystemMetrics(SM_CXSCREEN);
        const int cyScreen = GetSystemMetrics(SM_CYSCREEN);
        RECT rc{};
        GetWindowRect(hWnd, &rc);
        const SIZE shown = ShownSize();
        const UINT activate = bShowsItself ? 0 : SWP_NOACTIVATE;
        if (m_nInitX >= 0 && m_nInitY >= 0) {
            const bool bShow = m_bShowOnInit;
            UINT flags = activate;
            if (bShowsItself) flags |= bShow ? SWP_SHOWWINDOW : SWP_HIDEWINDOW;
            SetWindowPos(hWnd, HWND_TOPMOST, m_nInitX, m_nInitY, bShow ? shown.cx : 0,
                         bShow ? shown.cy : 0, flags);
        } else {
            const int x = cxScreen - rc.right > shown.cx ? rc.right : rc.left - shown.cx;
            const int y = rc.top + shown.cy > cyScreen ? shown.cy : rc.top;
            SetWindowPos(hWnd, nullptr, x, y, shown.cx, shown.cy, SWP_NOZORDER | SWP_NOACTIVATE);
        }
        SetWindowPos(hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | activate);
    }

    // A press on the background becomes a press on the (absent) caption and
    // the system moves the panel with the mouse. Its move loop starts from
    // the cursor position that the posted message carries, not from lParam,
    // so each panel packs the point as its contract has it: the dome panel in
    // screen coordinates, as WM_NCLBUTTONDOWN is documented, the colour panel
    // in client coordinates.
    void StartCaptionDrag(LPARAM lParamPoint) {
        PostMessageW(this->m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, lParamPoint);
    }

    CPanelLayout m_layout;
    CPanelImages m_images;
    bool m_bShowOnInit;
    int m_nInitX;
    int m_nInitY;

private:
    // The bitmaps, the font and the controls at m_layout's scale.
    void ApplyScale() {
        m_images.SetScale(m_layout.Halves());
        // The new font reaches the controls before the old one goes.
        // The panels' Song face is thin: smoothed at this size its strokes never
        // reach full black, so the colour panel's numbers would read grey, as
        // if disabled, and the labels faint. Without smoothing they are black.
        CPanelFont font;
        if (font.Create(m_layout.Halves(), NONANTIALIASED_QUALITY)) {
            font.ApplyTo(this->m_hWnd);
            m_font = std::move(font);
        }
        m_layout.Apply(this->m_hWnd);
        OnScaleApplied();
    }

    LRESULT OnExitClicked(ui::CMessage&) {
        ShowWindow(this->m_hWnd, SW_HIDE);  // the panel, its login and its values remain
        return 0;
    }

    // Moved to a monitor of another DPI (a per-monitor-aware host): the
    // panel at the new scale, at the place the system suggests.
    LRESULT OnDpiChanged(ui::CMessage& msg) {
        HWND hWnd = this->m_hWnd;
        RECT rc{};
        GetWindowRect(hWnd, &rc);
        const bool bSized = rc.right > rc.left;  // a hidden panel may have no size
        const int halves = ScaleHalvesForDpi(HIWORD(msg.wParam));
        if (halves != m_layout.Halves()) {
            m_layout.SetScale(halves);
            ApplyScale();
        }
        const auto* pSuggested = reinterpret_cast<const RECT*>(msg.lParam);
        const POINT at = pSuggested ? POINT{pSuggested->left, pSuggested->top} : POINT{rc.left, rc.top};
        const SIZE shown = ShownSize();
        SetWindowPos(hWnd, nullptr, at.x, at.y, bSized ? shown.cx : 0, bSized ? shown.cy : 0,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(hWnd, nullptr, TRUE);
        return 0;
    }

    CPanelFont m_font;

    static constexpr ui::MessageEntry<CPanelBase> kMessages[] = {
        {WM_COMMAND, BN_CLICKED, PANEL_EXIT_ID, &CPanelBase::OnExitClicked},
        {WM_PANEL_DPICHANGED, &CPanelBase::OnDpiChanged},
    };
};

}  // namespace zv
