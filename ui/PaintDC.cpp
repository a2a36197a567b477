#include "PaintDC.h"

#include "HandleCount.h"

namespace ui {

CPaintDC::CPaintDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(BeginPaint(hWnd, &m_ps)) {
    if (m_hDC) CountGdiHandle(+1);
}

CPaintDC::~CPaintDC() {
    if (m_hDC) {
        EndPaint(m_hWnd, &m_ps);
        CountGdiHandle(-1);
    }
}

}  // namespace ui
