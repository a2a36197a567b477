#include "ClientDC.h"

#include "HandleCount.h"

namespace ui {

CClientDC::CClientDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(GetDC(hWnd)) {
    if (m_hDC) CountGdiHandle(+1);
}

CClientDC::~CClientDC() {
    if (m_hDC) {
        ReleaseDC(m_hWnd, m_hDC);
        CountGdiHandle(-1);
    }
}

}  // namespace ui
