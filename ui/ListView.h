// A list-view control from a dialog template: the few calls a panel needs.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "SubclassWindow.h"

namespace ui {

class CListView : public CSubclassWindow {
public:
    void SetExtendedStyle(DWORD dwStyle) const { Send(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, dwStyle); }
    DWORD GetExtendedStyle() const { return static_cast<DWORD>(Send(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
    // A left-aligned column at the end.
    int AddColumn(const wchar_t* pszTitle, int cx) const {
        LVCOLUMNW col{};
        col.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.fmt = LVCFMT_LEFT;
        col.cx = cx;
        col.pszText = const_cast<wchar_t*>(pszTitle);
        col.iSubItem = ColumnCount();
        return static_cast<int>(Send(LVM_INSERTCOLUMNW, col.iSubItem, reinterpret_cast<LPARAM>(&col)));
    }
    int ColumnCount() const {
        HWND hHeader = reinterpret_cast<HWND>(Send(LVM_GETHEADER));
        return hHeader ? static_cast<int>(::SendMessageW(hHeader, HDM_GETITEMCOUNT, 0, 0)) : 0;
    }
    int ItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }
    // The row under a point in screen coordinates, or -1.
    int HitTestScreen(POINT pt) const {
        ScreenToClient(m_hWnd, &pt);
        LVHITTESTINFO hit{};
        hit.pt = pt;
        return static_cast<int>(Send(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    }
};

}  // namespace ui
