// The floating colour panel: brightness, contrast, hue and saturation of one
// camera channel in four edits and four vertical sliders over a bitmap skin.
// It reads the values from the device when it opens and writes all four back
// after every finished change. Made, placed and destroyed by the session
// manager through IPanel; it never logs in itself.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ColorConfig.h"
#include "NetLibrary.h"
#include "PanelBase.h"
#include "SkinButton.h"
#include "SkinDialog.h"
#include "SkinSlider.h"
#include "resource.h"
#include "zentavo.h"

namespace zv {

class CColorAdjustDlg : public CPanelBase<CSkinDialog, IPanel> {
public:
    CColorAdjustDlg(HWND hParent, INetLibrary& net);
    ~CColorAdjustDlg() override;

    // IPanel
    void SetLogin(int32_t lLoginHandle, const CAMERA_INFO& camera) override;
    bool CreateFromTemplate() override;
    void DestroyPanelWindow() override;

    // The key filter: Up and Down write the sliders' positions before the
    // key moves one; then the dialog manager's own handling.
    bool PreTranslateMessage(MSG& msg) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(ui::CDataExchange& dx) override;
    bool ProcessMessage(ui::CMessage& msg) override;
    void OnScaleApplied() override;

private:
    // The four values in the panel's order: brightness, contrast, hue,
    // saturation (the sliders 1003, 1007, 1006, 1005; the edits 8126 to 8129).
    static constexpr int kValueCount = 4;
    int& ValueAt(int i);
    ColorValues Values() const;
    void SetValues(const ColorValues& values);
    int SliderIndex(HWND hWnd) const;

    void SetUpSliders();

    // Reads the edits into the values, validating each; true when all four
    // were good. The dialog hears no command while the validation message
    // is up, as the focus moves back and forth under it.
    bool ReadEdits();
    void WriteEdits();
    void Redraw() { InvalidateRect(m_hWnd, nullptr, TRUE); }
    void ReadDeviceValues();
    void ApplyToDevice();
    // The sliders' positions become the values: sent to the device, shown in the edits.
    void ApplySliderPositions();
    void ResetToDefaults();

    LRESULT OnDestroy(ui::CMessage& msg);
    LRESULT OnSliderReleased(ui::CMessage& msg);
    LRESULT OnDefaultsClicked(ui::CMessage& msg);
    LRESULT OnEditKillFocus(ui::CMessage& msg);
    LRESULT OnLButtonDown(ui::CMessage& msg);
    LRESULT OnVScroll(ui::CMessage& msg);

    CColorConfig m_config;

    // Hand-over members, set by the session manager before the window exists
    // (the placement is the panel base's).
    int32_t m_lLoginHandle = 0;
    CAMERA_INFO m_cameraInfo{};

    CSkinSlider m_sliders[kValueCount];
    CSkinButton m_btnExit;
    CSkinButton m_btnDefault;

    int m_nBrightness;
    int m_nContrast;
    int m_nHue;
    int m_nSaturation;

    bool m_bReadingEdits = false;
    // Set once the window starts to go: the edits' focus changes during
    // teardown are not the user leaving an edit.
    bool m_bClosing = false;
    // The slider a key went down on: its end-of-track notification means
    // the key moved it, and the new position goes to the device.
    HWND m_hKeySlider = nullptr;

    static constexpr ui::MessageEntry<CColorAdjustDlg> kMessages[] = {
        // Showing and the control colours are the bases' (the skin dialog's
        // rule); EXIT hides (the panel base).
        {WM_DESTROY, &CColorAdjustDlg::OnDestroy},
        {WM_NOTIFY, NM_RELEASEDCAPTURE, IDC_COLOR_BRIGHTNESS_SLIDER, &CColorAdjustDlg::OnSliderReleased},
        {WM_NOTIFY, NM_RELEASEDCAPTURE, IDC_COLOR_CONTRAST_SLIDER, &CColorAdjustDlg::OnSliderReleased},
        {WM_NOTIFY, NM_RELEASEDCAPTURE, IDC_COLOR_HUE_SLIDER, &CColorAdjustDlg::OnSliderReleased},
        {WM_NOTIFY, NM_RELEASEDCAPTURE, IDC_COLOR_SATURATION_SLIDER, &CColorAdjustDlg::OnSliderReleased},
        {WM_COMMAND, BN_CLICKED, IDC_COLOR_DEFAULT, &CColorAdjustDlg::OnDefaultsClicked},
        {WM_COMMAND, EN_KILLFOCUS, IDC_COLOR_BRIGHTNESS_EDIT, &CColorAdjustDlg::OnEditKillFocus},
        {WM_COMMAND, EN_KILLFOCUS, IDC_COLOR_CONTRAST_EDIT, &CColorAdjustDlg::OnEditKillFocus},
        {WM_COMMAND, EN_KILLFOCUS, IDC_COLOR_HUE_EDIT, &CColorAdjustDlg::OnEditKillFocus},
        {WM_COMMAND, EN_KILLFOCUS, IDC_COLOR_SATURATION_EDIT, &CColorAdjustDlg::OnEditKillFocus},
        {WM_LBUTTONDOWN, &CColorAdjustDlg::OnLButtonDown},
        {WM_VSCROLL, &CColorAdjustDlg::OnVScroll},
    };
};

}  // namespace zv
