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
    // Uses images that someone else owns and keeps alive longer than this
    // button (a panel whose buttons share images loads each once).
    void UseBitmaps(HBITMAP hNormal, HBITMAP hSelected, HBITMAP hFocus, HBITMAP hDisabled);

    HBITMAP NormalImage() const { return m_hImages[0]; }
    HBITMAP SelectedImage() const { return m_hImages[1]; }
    HBITMAP FocusImage() const { return m_hImages[2]; }
    HBITMAP DisabledImage() const { return m_hImages[3]; }

protected:
    // Draws the image for the item's state into the item rectangle.
    virtual void DrawItem(const DRAWITEMSTRUCT& dis);
    bool ProcessMessage(CMessage& msg) override;

private:
    LRESULT OnDrawItem(CMessage& msg);

    // Normal, selected, focus, disabled: the images in use, and those of
    // them that this button loaded itself.
    HBITMAP m_hImages[4] = {};
    CGdiObject<HBITMAP> m_owned[4];

    static constexpr MessageEntry<CBitmapButtonBase> kMessages[] = {
        {Reflected(WM_DRAWITEM), &CBitmapButtonBase::OnDrawItem},
    };
};

}  // namespace ui
