// A borrowed window handle with the few helpers the layer's classes share.
// It owns nothing: who created the window destroys it.
#pragma once

#include <windows.h>

namespace ui {

class CWindow {
public:
    HWND Handle() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    HWND GetDlgItem(int nId) const { return ::GetDlgItem(m_hWnd, nId); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(m_hWnd, msg, wParam, lParam);
    }
    RECT GetClientRect() const {
        RECT rc{};
        ::GetClientRect(m_hWnd, &rc);
        return rc;
    }

protected:
    HWND m_hWnd = nullptr;
};

}  // namespace ui
