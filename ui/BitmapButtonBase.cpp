#include "BitmapButtonBase.h"

#include "ResourceContext.h"
#include "SelectGuard.h"

namespace ui {

namespace {

bool LoadImageInto(CGdiObject<HBITMAP>& image, UINT nId) {
    image.Reset();
    if (nId == 0) return true;
    image.Attach(LoadBitmapW(ResourceInstance(), MAKEINTRESOURCEW(nId)));
    return static_cast<bool>(image);
}

}  // namespace

bool CBitmapButtonBase::LoadBitmaps(UINT nNormal, UINT nSelected, UINT nFocus, UINT nDisabled) {
    bool bAll = LoadImageInto(m_bitmap, nNormal) && nNormal != 0;
    bAll = LoadImageInto(m_bitmapSel, nSelected) && bAll;
    bAll = LoadImageInto(m_bitmapFocus, nFocus) && bAll;
    bAll = LoadImageInto(m_bitmapDisabled, nDisabled) && bAll;
    return bAll;
}

void CBitmapButtonBase::DrawItem(const DRAWITEMSTRUCT& dis) {
    HBITMAP hImage = m_bitmap;
    if ((dis.itemState & ODS_SELECTED) && m_bitmapSel)
        hImage = m_bitmapSel;
    else if ((dis.itemState & ODS_FOCUS) && m_bitmapFocus)
        hImage = m_bitmapFocus;
    else if ((dis.itemState & ODS_DISABLED) && m_bitmapDisabled)
        hImage = m_bitmapDisabled;
    if (!hImage) return;

    CMemoryDC memDC(CreateCompatibleDC(dis.hDC));
    if (!memDC) return;
    CSelectGuard select(memDC, hImage);
    const RECT& rc = dis.rcItem;
    BitBlt(dis.hDC, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, memDC, 0, 0, SRCCOPY);
}

bool CBitmapButtonBase::ProcessMessage(CMessage& msg) {
    return Dispatch(*this, kMessages, msg) || CSubclassWindow::ProcessMessage(msg);
}

LRESULT CBitmapButtonBase::OnDrawItem(CMessage& msg) {
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(msg.lParam));
    return TRUE;
}

}  // namespace ui
