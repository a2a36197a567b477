// Where a panel's controls go: the template's rectangles on the artwork's
// pixel grid at the panel's scale, independent of the font the system gave
// the template. The dialog manager creates the controls; this moves each to
// the pixel rectangle the skin was drawn for.
#pragma once

#include <windows.h>

#include <utility>
#include <vector>

#include "DialogTemplate.h"
#include "PanelGrid.h"

namespace zv {

// The DPI a window is shown at: GetDpiForWindow where the system has it
// (a DPI-aware host), else the logical pixels of the window's device context.
int WindowDpi(HWND hWnd);

class CPanelLayout {
public:
    // False without the template; the panel then keeps the dialog manager's
    // layout.
    bool Load(UINT nTemplateId);
    bool IsLoaded() const { return m_bLoaded; }

    void SetScale(int nHalves) { m_nHalves = nHalves; }
    int Halves() const { return m_nHalves; }
    // An artwork length (pixels at 100 %) at the panel's scale.
    int Px(int nArtworkPx) const { return ScalePx(nArtworkPx, m_nHalves); }

    // The template's size on the grid.
    SIZE Size() const;
    // The grid rectangle, in client pixels, of the first control with this id
    // in the template; empty when there is none.
    RECT ControlRect(int nId) const;

    // Moves and sizes every child of the dialog to its rectangle. The first
    // call pairs the children with the template's controls: by id, and among
    // controls of one id (the unnamed statics) by where the dialog manager
    // put them.
    void Apply(HWND hDlg);

    // Where the dialog manager would put a window of the grid size: the
    // template's origin in the parent's client area (the screen without a
    // parent), moved into the work area of its monitor.
    POINT InitialOrigin(HWND hDlg, HWND hParent) const;

private:
    RECT PixelRect(const TemplateControl& c) const;
    void Pair(HWND hDlg);

    TemplateLayout m_template;
    bool m_bLoaded = false;
    int m_nHalves = kScaleHalves100;
    std::vector<std::pair<HWND, size_t>> m_children;  // child, index in the template
};

}  // namespace zv
