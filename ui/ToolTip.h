// A tooltip control owned by a dialog: tools registered per control, fed
// every message the dialog pre-translates. The window is destroyed with the
// wrapper (or with its owner, whichever comes first).
#pragma once

#include <windows.h>

#include "Window.h"

namespace ui {

class CToolTip : public CWindow {
public:
    CToolTip() = default;
    ~CToolTip();
    CToolTip(const CToolTip&) = delete;
    CToolTip& operator=(const CToolTip&) = delete;

    bool Create(HWND hOwner);
    void Destroy();
    // A tip for one control of the owner, by the control's window.
    bool AddTool(HWND hControl, const wchar_t* pszText);
    int ToolCount() const;
    // Lets the tooltip see a mouse message on its way to a control.
    void RelayEvent(const MSG& msg) const;
};

}  // namespace ui
