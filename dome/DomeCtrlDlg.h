// The floating PTZ dome panel: a captionless, top-most tool window drawn with
// two skins, its 24 shaped bitmap buttons (most of them press-and-hold), the
// speed as two digits and a joystick square that steers towards the cursor.
// Made, logged in, placed and destroyed by the session manager; it never
// logs in by itself and sends everything through its PTZ command set.
#pragma once

#include <windows.h>

#include <memory>

#include "DialogBase.h"
#include "ListView.h"
#include "NetLibrary.h"
#include "PanelBase.h"
#include "PtzCommandSet.h"
#include "resource.h"
#include "SkinBitmap.h"
#include "SkinButton.h"
#include "ToolTip.h"

namespace zv {

constexpr UINT_PTR JOYSTICK_TIMER_ID = 25001;
// Retries a stop that did not reach the device (see CPtzCommandSet::StopOwed).
constexpr UINT_PTR STOP_RETRY_TIMER_ID = 25002;
constexpr UINT STOP_RETRY_PERIOD_MS = 1000;
constexpr UINT JOYSTICK_PERIOD_MS = 400;
constexpr DWORD JOYSTICK_STOP_GAP_MS = 300;  // between the three stops of a release
constexpr int DOME_NARROW_CUT = 255;  // the list side beyond the narrow window, artwork pixels

class CDomeCtrlDlg : public CPanelBase<ui::CDialogBase, IDomePanel>,
                     private IPtzFeedback,
                     private IPtzLoginRenewal {
public:
    CDomeCtrlDlg(HWND hParent, INetLibrary& net);
    ~CDomeCtrlDlg() override;

    // IPanel / IDomePanel, for the session manager.
    void SetLogin(int32_t lLoginHandle, const CAMERA_INFO& camera) override;
    bool CreateFromTemplate() override;
    void DestroyPanelWindow() override;
    int SendPtzCommand(uint32_t nAction, int32_t nSpeed) override;
    int IsDome() const override { return 1; }  // this panel is always a dome's
    void SetLoginSource(ILoginSource* pSource) override { m_pLoginSource = pSource; }
    bool OwedStop(CAMERA_INFO& camera, int32_t& nSpeed) const override;

    bool PreTranslateMessage(MSG& msg) override;

    // For tests and diagnostics.
    int32_t Speed() const { return m_ptz.Speed(); }
    bool IsJoystickHeld() const { return m_bJoystickHeld; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(ui::CDataExchange& dx) override;
    bool ProcessMessage(ui::CMessage& msg) override;
    void DoPaint(HDC hDC, const RECT& rcUpdate) override;
    void OnScaleApplied() override;
    SIZE ShownSize() const override;

private:
    // IPtzFeedback
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void SpeedChanged() override;
    // IPtzLoginRenewal: the camera's login as the pool has it now.
    int32_t RenewLogin() override;

    LRESULT OnButtonHold(ui::CMessage& msg);
    LRESULT OnLButtonDown(ui::CMessage& msg);
    LRESULT OnMouseMove(ui::CMessage& msg);
    LRESULT OnLButtonUp(ui::CMessage& msg);
    LRESULT OnTimer(ui::CMessage& msg);
    LRESULT OnButtonClick(ui::CMessage& msg);  // the click-only buttons with a PTZ effect
    LRESULT OnListRightClick(ui::CMessage& msg);
    LRESULT OnEraseBkgnd(ui::CMessage& msg);
    LRESULT OnDestroy(ui::CMessage& msg);
    LRESULT OnWindowPosChanged(ui::CMessage& msg);
    LRESULT OnCaptureChanged(ui::CMessage& msg);

    void SetUpLists();
    void ShowCameraInCombo();
    void DrawSpeedText(HDC hDC);
    void RedrawSpeedText();
    // The joystick area (control 6060) in screen coordinates.
    RECT JoystickRect() const;
    // Ends a joystick hold however it ends (release, capture lost, hidden,
    // destroyed): the timer stops and the three stops go out, once.
    void EndJoystickHold();

    // The members in the panel's order, the controls first.
    CSkinButton m_buttons[24];           // bound in DomeButtonTable order
    ui::CListView m_listSequence;        // 6025
    ui::CListView m_listPreset;          // 6024
    ui::CSubclassWindow m_comboBox;      // 6061: the camera the panel steers
    ui::CToolTip m_toolTip;
    CAMERA_INFO m_cameraInfo{};          // its address, user and channel
    CPtzCommandSet m_ptz;                // the login, the speed (32) and the busy mark
    bool m_bJoystickHeld = false;
    std::unique_ptr<CSkinBitmap> m_pSkinLeft;   // 6093, drawn at (0, 0)
    std::unique_ptr<CSkinBitmap> m_pSkinRight;  // 6098, drawn at (164, 0)
    HCURSOR m_hCursorBeforeWait = nullptr;
    ILoginSource* m_pLoginSource = nullptr;
    bool m_bButtonHeld = false;  // a motion button's hold has begun and not ended
    RECT m_rcSpeedText{};        // where the speed was last drawn

    static constexpr ui::MessageEntry<CDomeCtrlDlg> kMessages[] = {
        {WM_BUTTON_HOLD, &CDomeCtrlDlg::OnButtonHold},
        {WM_LBUTTONDOWN, &CDomeCtrlDlg::OnLButtonDown},
        {WM_MOUSEMOVE, &CDomeCtrlDlg::OnMouseMove},
        {WM_LBUTTONUP, &CDomeCtrlDlg::OnLButtonUp},
        {WM_TIMER, &CDomeCtrlDlg::OnTimer},
        {WM_COMMAND, BN_CLICKED, IDC_DOME_FOCUS_AUTO, &CDomeCtrlDlg::OnButtonClick},
        {WM_COMMAND, BN_CLICKED, IDC_DOME_AUTO_MOVE_BEGIN, &CDomeCtrlDlg::OnButtonClick},
        {WM_COMMAND, BN_CLICKED, IDC_DOME_IRIS_AUTO, &CDomeCtrlDlg::OnButtonClick},
        {WM_COMMAND, BN_CLICKED, IDC_DOME_AUTO_MOVE_STOP, &CDomeCtrlDlg::OnButtonClick},
        // EXIT hides (the panel base). The zoom-auto and list-side buttons,
        // the combo box, a double click on a list and the list menus'
        // commands end without effect: they have no entry.
        {WM_NOTIFY, NM_RCLICK, IDC_DOME_PRESET_LIST, &CDomeCtrlDlg::OnListRightClick},
        {WM_NOTIFY, NM_RCLICK, IDC_DOME_SEQUENCE_LIST, &CDomeCtrlDlg::OnListRightClick},
        {WM_PAINT, &CDomeCtrlDlg::OnPaint},
        {WM_PRINTCLIENT, &CDomeCtrlDlg::OnPrintClient},
        {WM_ERASEBKGND, &CDomeCtrlDlg::OnEraseBkgnd},
        {WM_DESTROY, &CDomeCtrlDlg::OnDestroy},
        {WM_WINDOWPOSCHANGED, &CDomeCtrlDlg::OnWindowPosChanged},
        {WM_CAPTURECHANGED, &CDomeCtrlDlg::OnCaptureChanged},
    };
};

}  // namespace zv
