#include "SelectGuard.h"

namespace ui {

CSelectGuard::CSelectGuard(HDC hDC, HGDIOBJ hObject)
    : m_hDC(hDC), m_hPrevious(SelectObject(hDC, hObject)), m_bPalette(false),
      m_bRestoreInBackground(false) {}

CSelectGuard::CSelectGuard(HDC hDC, HPALETTE hPalette, bool bForceBackground,
                           bool bRestoreInBackground)
    : m_hDC(hDC), m_hPrevious(SelectPalette(hDC, hPalette, bForceBackground)), m_bPalette(true),
      m_bRestoreInBackground(bRestoreInBackground) {}

CSelectGuard::~CSelectGuard() {
    if (!m_hPrevious) return;
    if (m_bPalette)
        SelectPalette(m_hDC, static_cast<HPALETTE>(m_hPrevious), m_bRestoreInBackground);
    else
        SelectObject(m_hDC, m_hPrevious);
}

}  // namespace ui
