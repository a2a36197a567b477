#include "BitmapButtonBase.h"

#include "Blit.h"
#include "ResourceContext.h"

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
    const UINT ids[4] = {nNormal, nSelected, nFocus, nDisabled};
    bool bAll = nNormal != 0;
    for (int i = 0; i < 4; ++i) {
        bAll = LoadImageInto(m_owned[i], ids[i]) && bAll;
        m_hImages[i] = m_owned[i];
    }
    return bAll;
}

void CBitmapButtonBase::UseBitmaps(HBITMAP hNormal, HBITMAP hSelected, HBITMAP hFocus,
                                   HBITMAP hDisabled) {
    const HBITMAP images[4] = {hNormal, hSelected, hFocus, hDisabled};
    for (int i = 0; i < 4; ++i) {
        m_owned[i].Reset();
        m_hImages[i] = images[i];
    }
}

void CBitmapButtonBase::DrawItem(const DRAWITEMSTRUCT& dis) {
    HBITMAP hImage = NormalImage();
    if ((dis.itemState & ODS_SELECTED) && SelectedImage())
        hImage = SelectedImage();
    else if ((dis.itemState & ODS_FOCUS) && FocusImage())
        hImage = FocusImage();
    else if ((dis.itemState & ODS_DISABLED) && DisabledImage())
        hImage = DisabledImage();
    if (!hImage) return;

    const RECT& rc = dis.rcItem;
    BlitBitmap(dis.hDC, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, hImage);
}

bool CBitmapButtonBase::ProcessMessage(CMessage& msg) {
    return Dispatch(*this, kMessages, msg) || CSubclassWindow::ProcessMessage(msg);
}

LRESULT CBitmapButtonBase::OnDrawItem(CMessage& msg) {
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(msg.lParam));
    return TRUE;
}

}  // namespace ui
