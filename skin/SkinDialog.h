// A dialog whose client background is one bitmap resource, placed at the
// top-left, stretched or centred. Push buttons and static texts are drawn
// transparently over it; trackbars, edits and list boxes keep their colours.
// It also takes part in palette negotiation for palette displays. The
// background is drawn by one routine, for the erase of a paint as for a
// print into another device context (WM_PRINTCLIENT).
#pragma once

#include <windows.h>

#include "DialogBase.h"
#include "Dib.h"

namespace zv {

class CSkinDialog : public ui::CDialogBase {
public:
    enum Placement { PLACE_TOPLEFT = 0, PLACE_STRETCH = 1, PLACE_CENTER = 2 };

    CSkinDialog(UINT nTemplateId, HWND hParent);
    ~CSkinDialog() override;

    // Meant for the dialog's initialisation, before the first paint: it
    // forces no repaint. The placement is kept even when the load fails
    // (an empty image makes the dialog look like a plain one). Any
    // placement other than 1 and 2 lays the image out like 0.
    bool SetBackgroundBitmap(UINT nId, int nPlacement);
    // The image's natural size times num / den, for a dialog shown larger
    // than its artwork (1 / 1 at first). Forces no repaint.
    void SetImageZoom(int nNumerator, int nDenominator);

protected:
    void DoDataExchange(ui::CDataExchange& dx) override;
    bool ProcessMessage(ui::CMessage& msg) override;
    void DoPaint(HDC hDC, const RECT& rcUpdate) override;

    LRESULT OnEraseBkgnd(ui::CMessage& msg);
    LRESULT OnCtlColor(ui::CMessage& msg);
    LRESULT OnQueryNewPalette(ui::CMessage& msg);
    LRESULT OnPaletteChanged(ui::CMessage& msg);

    // White, then the image by the placement. `erase` is the erase message
    // whose default processing the centred placement runs first.
    void PaintBackground(HDC hDC, ui::CMessage& erase);

    CDib m_image;
    int m_nPlacement = PLACE_TOPLEFT;
    int m_nZoomNumerator = 1;
    int m_nZoomDenominator = 1;
    HBRUSH m_hHollowBrush;  // stock object: borrowed, never deleted

private:
    static constexpr ui::MessageEntry<CSkinDialog> kMessages[] = {
        {WM_ERASEBKGND, &CSkinDialog::OnEraseBkgnd},
        {WM_PRINTCLIENT, &CSkinDialog::OnPrintClient},
        {ui::kAnyCtlColor, &CSkinDialog::OnCtlColor},
        {WM_QUERYNEWPALETTE, &CSkinDialog::OnQueryNewPalette},
        {WM_PALETTECHANGED, &CSkinDialog::OnPaletteChanged},
    };
};

}  // namespace zv
