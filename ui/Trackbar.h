// A trackbar control from a dialog template, attached by subclassing. Thin
// calls of the control's messages; the custom-drawn slider builds on it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "SubclassWindow.h"

namespace ui {

class CTrackbar : public CSubclassWindow {
public:
    int GetRangeMin() const { return static_cast<int>(Send(TBM_GETRANGEMIN)); }
    int GetRangeMax() const { return static_cast<int>(Send(TBM_GETRANGEMAX)); }
    void SetRange(int nMin, int nMax, bool bRedraw = false) const {
        Send(TBM_SETRANGEMIN, FALSE, nMin);
        Send(TBM_SETRANGEMAX, bRedraw, nMax);
    }
    int GetPos() const { return static_cast<int>(Send(TBM_GETPOS)); }
    void SetPos(int nPos) const { Send(TBM_SETPOS, TRUE, nPos); }
    int GetSelStart() const { return static_cast<int>(Send(TBM_GETSELSTART)); }
    int GetSelEnd() const { return static_cast<int>(Send(TBM_GETSELEND)); }
    void SetSelection(int nStart, int nEnd, bool bRedraw = false) const {
        Send(TBM_SETSELSTART, FALSE, nStart);
        Send(TBM_SETSELEND, bRedraw, nEnd);
    }
    RECT GetThumbRect() const {
        RECT rc{};
        Send(TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&rc));
        return rc;
    }
    void SetTicFreq(int nFreq) const { Send(TBM_SETTICFREQ, nFreq); }
    int GetPageSize() const { return static_cast<int>(Send(TBM_GETPAGESIZE)); }
    void SetPageSize(int nSize) const { Send(TBM_SETPAGESIZE, 0, nSize); }
    DWORD GetStyle() const { return static_cast<DWORD>(GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
};

}  // namespace ui
