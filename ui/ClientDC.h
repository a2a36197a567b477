// A window's device context for the length of a scope (GetDC / ReleaseDC).
#pragma once

#include <windows.h>

namespace ui {

class CClientDC {
public:
    explicit CClientDC(HWND hWnd);
    ~CClientDC();
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;

    HDC Get() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

}  // namespace ui
