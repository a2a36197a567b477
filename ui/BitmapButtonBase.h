// An owner-drawn push button showing one of up to four images (normal,
// selected, focus, disabled). Attached to a template button by subclassing;
// its parent dialog reflects WM_DRAWITEM back to it.
#pragma once

#include <windows.h>

#include "ScopedHandle.h"
#include "SubclassWindow.h"

namespace ui {

class CBitmapButtonBase : public CSubclassWindow {
public:
    // Loads the images from ui::ResourceInstance(); id 0 means no such image.
    // False when an image that was asked for is missing (the normal one
    // first of all).
    bool LoadBitmaps(UINT nNormal, UINT nSelected = 0, UINT nFocus = 0, UINT nDisabled = 0);

    HBITMAP NormalImage() const { return m_bitmap; }
    HBITMAP SelectedImage() const { return m_bitmapSel; }
    HBITMAP FocusImage() const { return m_bitmapFocus; }
    HBITMAP DisabledImage() const { return m_bitmapDisabled; }

protected:
    // Draws the image for the item's state into the item rectangle.
    virtual void DrawItem(const DRAWITEMSTRUCT& dis);
    bool ProcessMessage(CMessage& msg) override;

private:
    LRESULT OnDrawItem(CMessage& msg);

    CGdiObject<HBITMAP> m_bitmap;
    CGdiObject<HBITMAP> m_bitmapSel;
    CGdiObject<HBITMAP> m_bitmapFocus;
    CGdiObject<HBITMAP> m_bitmapDisabled;

    static constexpr MessageEntry<CBitmapButtonBase> kMessages[] = {
        {Reflected(WM_DRAWITEM), &CBitmapButtonBase::OnDrawItem},
    };
};

}  // namespace ui
