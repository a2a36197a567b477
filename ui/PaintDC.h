// One paint cycle on a window (BeginPaint / EndPaint). Constructing it
// validates the window's pending update region.
#pragma once

#include <windows.h>

namespace ui {

class CPaintDC {
public:
    explicit CPaintDC(HWND hWnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    HDC Get() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    const RECT& UpdateRect() const { return m_ps.rcPaint; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps{};
    HDC m_hDC;
};

}  // namespace ui
