// Shows the two panel templates with their skins, skin buttons and sliders,
// laid out on the panels' pixel grid at 100 %, for looking at the artwork and
// the controls together. Not shipped.
//   zv_gallery.exe [milliseconds before it closes itself]
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "Blit.h"
#include "DomeButtonTable.h"
#include "PanelFont.h"
#include "PanelLayout.h"
#include "SkinBitmap.h"
#include "SkinButton.h"
#include "SkinDialog.h"
#include "SkinSlider.h"

namespace {

// The template's controls on the grid, in the panels' font; the window at
// the template's size.
void LayOut(HWND hDlg, UINT nTemplate, zv::CPanelFont& font) {
    zv::CPanelLayout layout;
    if (!layout.Load(nTemplate)) return;
    if (font.Create(zv::kScaleHalves100, NONANTIALIASED_QUALITY)) font.ApplyTo(hDlg);
    layout.Apply(hDlg);
    const SIZE size = layout.Size();
    SetWindowPos(hDlg, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

class CDomePreview : public ui::CDialogBase {
public:
    CDomePreview() : CDialogBase(6051, nullptr), m_left(6093), m_right(6098) {
        for (int i = 0; i < 24; ++i)
            m_buttons[i].LoadBitmaps(zv::kDomeButtons[i].normal, zv::kDomeButtons[i].pressed,
                                     zv::kDomeButtons[i].hover, 0);
    }

protected:
    BOOL OnInitDialog() override {
        CDialogBase::OnInitDialog();
        LayOut(m_hWnd, 6051, m_font);
        for (int i = 0; i < 24; ++i) m_buttons[i].SubclassDlgItem(zv::kDomeButtons[i].id, m_hWnd);
        RECT rc;
        GetWindowRect(m_hWnd, &rc);
        // The panel is shown in its narrow form.
        SetWindowPos(m_hWnd, HWND_TOPMOST, 40, 40, rc.right - rc.left - 255, rc.bottom - rc.top,
                     SWP_SHOWWINDOW | SWP_NOACTIVATE);
        return TRUE;
    }
    void DoPaint(HDC hdc, const RECT& rc) override {
        ui::BlitBitmap(hdc, rc.left, rc.top, rc.right - rc.left + 1, rc.bottom - rc.top + 1, m_left.GetBitmap(),
                       rc.left, rc.top);
        ui::BlitBitmap(hdc, m_left.GetWidth() - 5, 0, m_right.GetWidth(), m_right.GetHeight(), m_right.GetBitmap());
        SetBkColor(hdc, RGB(244, 246, 253));
        SetTextColor(hdc, RGB(0, 0, 255));
        TextOutW(hdc, 74, 248, L" 32 ", 4);
    }
    bool ProcessMessage(ui::CMessage& msg) override {
        return ui::Dispatch(*this, kMessages, msg) || CDialogBase::ProcessMessage(msg);
    }

private:
    LRESULT OnErase(ui::CMessage&) { return 1; }
    static constexpr ui::MessageEntry<CDomePreview> kMessages[] = {
        {WM_ERASEBKGND, &CDomePreview::OnErase},
        {WM_PAINT, &CDomePreview::OnPaint},
        {WM_PRINTCLIENT, &CDomePreview::OnPrintClient},
    };
    zv::CSkinBitmap m_left, m_right;
    zv::CSkinButton m_buttons[24];
    zv::CPanelFont m_font;
};

class CColorPreview : public zv::CSkinDialog {
public:
    CColorPreview() : zv::CSkinDialog(141, nullptr) {
        m_exit.LoadBitmaps(6119, 6054, 6112, 0);
        m_default.LoadBitmaps(260, 261, 262, 0);
    }

protected:
    BOOL OnInitDialog() override {
        zv::CSkinDialog::OnInitDialog();
        LayOut(m_hWnd, 141, m_font);
        SetBackgroundBitmap(204, PLACE_TOPLEFT);
        m_exit.SubclassDlgItem(6079, m_hWnd);
        m_default.SubclassDlgItem(8028, m_hWnd);
        const int ids[4] = {1003, 1007, 1006, 1005};
        const int values[4] = {127, 127, 255, 127};
        const int edits[4] = {8126, 8127, 8128, 8129};
        for (int i = 0; i < 4; ++i) {
            m_sliders[i].SubclassDlgItem(ids[i], m_hWnd);
            m_sliders[i].SetFaceColor(RGB(0, 0, 255));
            m_sliders[i].SetSelectionColor(RGB(64, 64, 255));
            m_sliders[i].SetChannelColor(RGB(196, 196, 255));
            m_sliders[i].SetRange(0, 255);
            m_sliders[i].SetPos(values[i]);
            m_sliders[i].SetTicFreq(10);
            m_sliders[i].SetPageSize(25);
        }
        // Brightness and hue as the edits show the other values.
        const int shown[4] = {127, 127, 255, 127};
        for (int i = 0; i < 4; ++i) SetDlgItemInt(m_hWnd, edits[i], shown[i], FALSE);
        SetWindowPos(m_hWnd, HWND_TOPMOST, 360, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
        return TRUE;
    }

private:
    zv::CSkinButton m_exit, m_default;
    zv::CSkinSlider m_sliders[4];
    zv::CPanelFont m_font;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR cmd, int) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    auto dome = std::make_unique<CDomePreview>();
    auto color = std::make_unique<CColorPreview>();
    if (!dome->Create() || !color->Create()) return 1;
    const UINT ms = cmd && *cmd ? static_cast<UINT>(_wtoi(cmd)) : 0;
    if (ms) SetTimer(nullptr, 0, ms, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
