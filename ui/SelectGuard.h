// Selects an object into a device context and puts the previous one back when
// the scope ends. Declare the object before the guard so that it outlives the
// selection. Regions are not selected this way (SelectObject answers a region
// type for them, not a previous object), hence the deleted overload.
#pragma once

#include <windows.h>

namespace ui {

class CSelectGuard {
public:
    // Pens, brushes, bitmaps, fonts.
    CSelectGuard(HDC hDC, HGDIOBJ hObject);
    // Palettes have their own selection call and foreground/background modes,
    // for the selection and for the restore.
    CSelectGuard(HDC hDC, HPALETTE hPalette, bool bForceBackground, bool bRestoreInBackground);
    CSelectGuard(HDC hDC, HRGN hRgn) = delete;
    ~CSelectGuard();
    CSelectGuard(const CSelectGuard&) = delete;
    CSelectGuard& operator=(const CSelectGuard&) = delete;

    HGDIOBJ Previous() const { return m_hPrevious; }

private:
    HDC m_hDC;
    HGDIOBJ m_hPrevious;
    bool m_bPalette;
    bool m_bRestoreInBackground;
};

}  // namespace ui
