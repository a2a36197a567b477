// The window half of a panel's duties towards the session manager, the same
// for both panels: showing, placing, hiding. Dialog is the panel's dialog
// base class, Interface the panel interface it implements.
#pragma once

#include <windows.h>

#include "Panels.h"

namespace zv {

template <class Dialog, class Interface>
class CPanelWindow : public Dialog, public Interface {
public:
    using Dialog::Dialog;

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
};

}  // namespace zv
