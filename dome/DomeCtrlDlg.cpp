#include "DomeCtrlDlg.h"

#include <windowsx.h>

#include <cstdio>

#include "Blit.h"
#include "ClientDC.h"
#include "DataExchange.h"
#include "DomeButtonTable.h"
#include "ResourceContext.h"
#include "ScopedHandle.h"
#include "SelectGuard.h"

namespace zv {

namespace {

constexpr COLORREF kSpeedBackColor = RGB(244, 246, 253);
constexpr COLORREF kSpeedTextColor = RGB(0, 0, 255);
constexpr POINT kSpeedTextAt = {74, 248};
// Skin 6098 is drawn over the last five pixels of 6093.
constexpr int kSkinOverlap = 5;
// Grid lines, full-row select, flat scroll bars and info tips.
constexpr DWORD kListExStyle =
    LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB | LVS_EX_INFOTIP;

}  // namespace

CDomeCtrlDlg::CDomeCtrlDlg(HWND hParent, INetLibrary& net)
    : CPanelBase(IDD_DOME_PANEL, hParent, 1, 0, 0),
      m_ptz(net, *this, this),
      m_pSkinLeft(std::make_unique<CSkinBitmap>(IDB_DOME_SKIN_LEFT)),
      m_pSkinRight(std::make_unique<CSkinBitmap>(IDB_DOME_SKIN_RIGHT)) {
    // Each image is loaded once and shared by the buttons that show it.
    m_images.Lend(IDB_DOME_SKIN_LEFT, m_pSkinLeft->GetBitmap());
    m_images.Lend(IDB_DOME_SKIN_RIGHT, m_pSkinRight->GetBitmap());
    for (int i = 0; i < 24; ++i) {
        const DomeButton& b = kDomeButtons[i];
        m_images.Load(b.normal);
        m_images.Load(b.pressed);
        m_images.Load(b.hover);
        m_buttons[i].SetSendsHold(b.bSendsHold);
        // Siblings overlap on the skin; each button paints only its own pixels.
        m_buttons[i].AddStyleOnAttach(WS_CLIPSIBLINGS);
    }
    OnScaleApplied();
}

void CDomeCtrlDlg::OnScaleApplied() {
    for (int i = 0; i < 24; ++i) {
        const DomeButton& b = kDomeButtons[i];
        m_buttons[i].UseBitmaps(m_images.Get(b.normal), m_images.Get(b.pressed),
                                m_images.Get(b.hover), nullptr);
        m_buttons[i].FitToImage();  // once bound; binding fits it the first time
    }
}

SIZE CDomeCtrlDlg::ShownSize() const {
    // Only the narrow form is ever shown: the list side lies beyond it.
    const SIZE full = FullSize();
    return {full.cx - m_layout.Px(DOME_NARROW_CUT), full.cy};
}

CDomeCtrlDlg::~CDomeCtrlDlg() {
    // A window still standing goes now, while every member it may call on
    // (the buttons reporting a release, the command set) is still whole.
    if (HasWindow()) DestroyPanelWindow();
}

// --- IPanel ------------------------------------------------------------------

void CDomeCtrlDlg::SetLogin(int32_t lLoginHandle, const CAMERA_INFO& camera) {
    m_cameraInfo = camera;
    m_ptz.SetTarget(lLoginHandle, camera.nChannel);
    ShowCameraInCombo();
}

void CDomeCtrlDlg::ShowCameraInCombo() {
    // The drop-down names the one dome this panel steers: its channel
    // (counted from 0, as the record counts) and device, the channel first so
    // that a long address cannot hide it; the list opens wide enough for the
    // whole text. There is no other to choose; a panel without a camera
    // leaves it empty.
    if (!HasWindow()) return;
    const CAMERA_INFO& c = m_cameraInfo;
    size_t cbAddress = 0;
    while (cbAddress < sizeof c.szDeviceAddress && c.szDeviceAddress[cbAddress] != '\0') ++cbAddress;
    wchar_t address[sizeof c.szDeviceAddress + 1] = L"";
    const int cch = MultiByteToWideChar(CP_ACP, 0, c.szDeviceAddress, static_cast<int>(cbAddress), address,
                                        static_cast<int>(sizeof c.szDeviceAddress));
    address[cch > 0 ? cch : 0] = L'\0';
    wchar_t text[sizeof c.szDeviceAddress + 32];
    const int n = swprintf(text, sizeof text / sizeof text[0], L"通道%d %ls",
                           static_cast<int>(c.nChannel), address);
    if (n <= 0) return;
    m_comboBox.Send(CB_RESETCONTENT);
    m_comboBox.Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    m_comboBox.Send(CB_SETCURSEL, 0);
    ui::CClientDC dc(m_comboBox.Handle());
    HFONT hFont = reinterpret_cast<HFONT>(m_comboBox.Send(WM_GETFONT));
    SIZE extent{};
    if (dc && hFont) {
        ui::CSelectGuard select(dc, hFont);
        GetTextExtentPoint32W(dc, text, n, &extent);
    }
    RECT rc{};
    GetWindowRect(m_comboBox.Handle(), &rc);
    const LONG wanted = extent.cx + m_layout.Px(12);  // the text and its margins
    if (wanted > rc.right - rc.left) m_comboBox.Send(CB_SETDROPPEDWIDTH, static_cast<WPARAM>(wanted));
}

bool CDomeCtrlDlg::CreateFromTemplate() { return Create(); }

void CDomeCtrlDlg::DestroyPanelWindow() {
    if (HasWindow()) DestroyWindow();
}

int CDomeCtrlDlg::SendPtzCommand(uint32_t nAction, int32_t nSpeed) {
    return m_ptz.SendPtzCommand(nAction, nSpeed);
}

bool CDomeCtrlDlg::PreTranslateMessage(MSG& msg) {
    m_toolTip.RelayEvent(msg);
    return CPanelBase::PreTranslateMessage(msg);
}

// --- Initialisation -----------------------------------------------------------

void CDomeCtrlDlg::DoDataExchange(ui::CDataExchange& dx) {
    for (int i = 0; i < 24; ++i) dx.Control(kDomeButtons[i].id, m_buttons[i]);
    dx.Control(IDC_DOME_SEQUENCE_LIST, m_listSequence);
    dx.Control(IDC_DOME_PRESET_LIST, m_listPreset);
    dx.Control(IDC_DOME_COMBO, m_comboBox);
}

BOOL CDomeCtrlDlg::OnInitDialog() {
    CPanelBase::OnInitDialog();  // on the grid; binds the controls, clip-siblings added on the way
    SetUpLists();
    PlaceOnInit(false);  // hidden until the session manager shows it
    InvalidateRect(m_hWnd, nullptr, FALSE);  // both skins at the first paint
    SetTimer(m_hWnd, STOP_RETRY_TIMER_ID, STOP_RETRY_PERIOD_MS, nullptr);
    // The tooltip comes last: under Wine a window that already owns a
    // tooltip can no longer be made top-most.
    if (m_toolTip.Create(m_hWnd)) {
        for (int i = 0; i < 24; ++i)
            if (kDomeButtons[i].tip) m_toolTip.AddTool(m_buttons[i].Handle(), kDomeButtons[i].tip);
    }
    return TRUE;
}

void CDomeCtrlDlg::SetUpLists() {
    m_listPreset.SetExtendedStyle(kListExStyle);
    m_listPreset.AddColumn(L"预设点编号", 95);
    m_listPreset.AddColumn(L"预设点描述", 150);
    m_listSequence.SetExtendedStyle(kListExStyle);
    m_listSequence.AddColumn(L"序列编号", 95);
    m_listSequence.AddColumn(L"序列描述", 150);
}

// --- Painting -------------------------------------------------------------------

void CDomeCtrlDlg::DoPaint(HDC hDC, const RECT& rcUpdate) {
    // The skins at the panel's scale; the right one over the last pixels of
    // the left one.
    HBITMAP hLeft = m_images.Get(IDB_DOME_SKIN_LEFT), hRight = m_images.Get(IDB_DOME_SKIN_RIGHT);
    if (!IsRectEmpty(&rcUpdate) && hLeft) {
        // One pixel more to the right and at the bottom than asked for.
        ui::BlitBitmap(hDC, rcUpdate.left, rcUpdate.top, rcUpdate.right - rcUpdate.left + 1,
                       rcUpdate.bottom - rcUpdate.top + 1, hLeft, rcUpdate.left, rcUpdate.top);
    }
    if (hRight) {
        const SIZE right = m_images.Size(IDB_DOME_SKIN_RIGHT);
        ui::BlitBitmap(hDC, m_layout.Px(m_pSkinLeft->GetWidth() - kSkinOverlap), 0, right.cx,
                       right.cy, hRight);
    }
    DrawSpeedText(hDC);
}

void CDomeCtrlDlg::DrawSpeedText(HDC hDC) {
    wchar_t text[16];
    const int n = swprintf(text, 16, L" %02d ", m_ptz.Speed());
    if (n <= 0) return;
    const COLORREF oldBack = SetBkColor(hDC, kSpeedBackColor);
    const COLORREF oldText = SetTextColor(hDC, kSpeedTextColor);
    const int oldMode = SetBkMode(hDC, OPAQUE);
    const POINT at{m_layout.Px(kSpeedTextAt.x), m_layout.Px(kSpeedTextAt.y)};
    TextOutW(hDC, at.x, at.y, text, n);
    SIZE extent{};
    if (GetTextExtentPoint32W(hDC, text, n, &extent))
        m_rcSpeedText = {at.x, at.y, at.x + extent.cx, at.y + extent.cy};
    SetBkMode(hDC, oldMode);
    SetTextColor(hDC, oldText);
    SetBkColor(hDC, oldBack);
}

void CDomeCtrlDlg::RedrawSpeedText() {
    if (!HasWindow()) return;
    // Where the text was last drawn (every speed has as many digits); the
    // whole panel before the first paint.
    InvalidateRect(m_hWnd, IsRectEmpty(&m_rcSpeedText) ? nullptr : &m_rcSpeedText, FALSE);
}

LRESULT CDomeCtrlDlg::OnEraseBkgnd(ui::CMessage&) { return TRUE; }  // the paint covers it all

// --- Buttons --------------------------------------------------------------------

void CDomeCtrlDlg::BeginWaitCursor() {
    m_hCursorBeforeWait = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
}

void CDomeCtrlDlg::EndWaitCursor() { SetCursor(m_hCursorBeforeWait); }

void CDomeCtrlDlg::SpeedChanged() { RedrawSpeedText(); }

bool CDomeCtrlDlg::OwedStop(CAMERA_INFO& camera, int32_t& nSpeed) const {
    if (!m_ptz.StopOwed()) return false;
    camera = m_cameraInfo;
    nSpeed = m_ptz.Speed();
    return true;
}

int32_t CDomeCtrlDlg::RenewLogin() {
    // May run on the host's thread (DVR_SetDomeCMD): the camera copy is only
    // written before the panel is handed out.
    return m_pLoginSource ? m_pLoginSource->PooledLogin(m_cameraInfo) : 0;
}

namespace {

const DomeButton* FindDomeButton(uintptr_t id) {
    for (const DomeButton& b : kDomeButtons)
        if (static_cast<uintptr_t>(b.id) == id) return &b;
    return nullptr;
}

}  // namespace

LRESULT CDomeCtrlDlg::OnButtonHold(ui::CMessage& msg) {
    // The button's id at the press and every 250 ms, 0 at the release.
    m_bButtonHeld = msg.wParam != 0;
    if (msg.wParam == 0) {
        m_ptz.OnButtonRelease();
    } else if (const DomeButton* b = FindDomeButton(msg.wParam)) {
        m_ptz.OnButtonPress(b->kind, b->nAction);
    }
    return 0;
}

LRESULT CDomeCtrlDlg::OnButtonClick(ui::CMessage& msg) {
    if (const DomeButton* b = FindDomeButton(LOWORD(msg.wParam))) m_ptz.OnButtonPress(b->kind, b->nAction);
    return 0;
}

// --- Lists ----------------------------------------------------------------------

LRESULT CDomeCtrlDlg::OnListRightClick(ui::CMessage& msg) {
    const NMHDR* hdr = reinterpret_cast<const NMHDR*>(msg.lParam);
    const bool preset = hdr->idFrom == IDC_DOME_PRESET_LIST;
    const ui::CListView& list = preset ? m_listPreset : m_listSequence;
    ui::CMenu menu(LoadMenuW(ui::ResourceInstance(),
                             MAKEINTRESOURCEW(preset ? IDR_PRESET_MENU : IDR_SEQUENCE_MENU)));
    HMENU popup = menu ? GetSubMenu(menu, 0) : nullptr;
    if (!popup) return 0;
    POINT pt{};
    GetCursorPos(&pt);
    if (list.HitTestScreen(pt) < 0) {
        // No row hit: nothing to run or delete, only "delete all" is left.
        DeleteMenu(popup, 0, MF_BYPOSITION);
        DeleteMenu(popup, 0, MF_BYPOSITION);
    }
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, m_hWnd, nullptr);
    return 0;
}

// --- Joystick and dragging --------------------------------------------------------

RECT CDomeCtrlDlg::JoystickRect() const {
    RECT rc{};
    GetWindowRect(GetDlgItem(IDC_DOME_JOYSTICK), &rc);
    return rc;
}

LRESULT CDomeCtrlDlg::OnLButtonDown(ui::CMessage& msg) {
    POINT pt{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    ClientToScreen(m_hWnd, &pt);
    const RECT area = JoystickRect();
    if (PtInRect(&area, pt)) {
        // Nothing is sent at the press: the first step comes with the timer.
        m_bJoystickHeld = true;
        SetCapture(m_hWnd);
        SetTimer(m_hWnd, JOYSTICK_TIMER_ID, JOYSTICK_PERIOD_MS, nullptr);
        SetCursor(LoadCursorW(ui::ModuleInstance(), MAKEINTRESOURCEW(IDCUR_JOYSTICK)));
        return 0;
    }
    DefaultProc(msg);
    StartCaptionDrag(MAKELPARAM(pt.x, pt.y));
    return 0;
}

LRESULT CDomeCtrlDlg::OnMouseMove(ui::CMessage& msg) {
    POINT pt{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    ClientToScreen(m_hWnd, &pt);
    const RECT area = JoystickRect();
    HCURSOR cursor;
    if (PtInRect(&area, pt)) {
        cursor = m_bJoystickHeld
                     ? LoadCursorW(ui::ModuleInstance(), MAKEINTRESOURCEW(IDCUR_JOYSTICK))
                     : LoadCursorA(nullptr, IDC_SIZEALL);
    } else {
        cursor = LoadCursorA(nullptr, m_bJoystickHeld ? IDC_NO : IDC_ARROW);
    }
    SetCursor(cursor);
    return DefaultProc(msg);
}

LRESULT CDomeCtrlDlg::OnLButtonUp(ui::CMessage& msg) {
    if (!m_bJoystickHeld) return DefaultProc(msg);
    EndJoystickHold();
    return 0;
}

LRESULT CDomeCtrlDlg::OnTimer(ui::CMessage& msg) {
    if (msg.wParam == STOP_RETRY_TIMER_ID) {
        // A stop owed to a device that was lost mid-move goes out again once
        // it can (its login renewed), but never into a hold in progress.
        // The same for stops owed by panels gone before this one.
        if (m_bButtonHeld || m_bJoystickHeld) return 0;
        if (m_ptz.StopOwed()) m_ptz.SendPtzCommand(PTZ_STOP, m_ptz.Speed());
        if (m_pLoginSource) m_pLoginSource->RetryOwedStops();
        return 0;
    }
    if (msg.wParam != JOYSTICK_TIMER_ID) return DefaultProc(msg);
    if (!m_bJoystickHeld) return 0;
    POINT pt{};
    const RECT area = JoystickRect();
    if (!GetCursorPos(&pt) || !PtInRect(&area, pt)) return 0;  // this tick sends nothing
    JoystickStep step{};
    if (ComputeJoystickStep({area.left, area.top, area.right, area.bottom}, pt.x, pt.y, step))
        m_ptz.SendPtzCommand(step.nAction, step.nSpeed);
    RedrawSpeedText();
    return 0;
}

void CDomeCtrlDlg::EndJoystickHold() {
    if (!m_bJoystickHeld) return;
    // Cleared first: releasing the capture below reports a capture change.
    m_bJoystickHeld = false;
    KillTimer(m_hWnd, JOYSTICK_TIMER_ID);
    if (GetCapture() == m_hWnd) ReleaseCapture();
    // Three stops, in case one is lost; the thread waits between them.
    for (int i = 0; i < 3; ++i) {
        if (i > 0) Sleep(JOYSTICK_STOP_GAP_MS);
        m_ptz.SendPtzCommand(PTZ_STOP, m_ptz.Speed());
    }
}

LRESULT CDomeCtrlDlg::OnCaptureChanged(ui::CMessage& msg) {
    // Another window took the mouse while the joystick was held: its
    // button-up will never come here.
    if (reinterpret_cast<HWND>(msg.lParam) != m_hWnd) EndJoystickHold();
    return DefaultProc(msg);
}

LRESULT CDomeCtrlDlg::OnWindowPosChanged(ui::CMessage& msg) {
    // Hidden mid-hold, by ShowWindow or SetWindowPos alike.
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(msg.lParam);
    if (pos && (pos->flags & SWP_HIDEWINDOW)) EndJoystickHold();
    return DefaultProc(msg);
}

LRESULT CDomeCtrlDlg::OnDestroy(ui::CMessage& msg) {
    EndJoystickHold();
    // A move the host sent (or a step of the panel's) that no stop followed
    // gets one now, while the login is known; a held button stops itself
    // when it goes, after this. A stop that cannot get through is owed.
    if (!m_bButtonHeld && m_ptz.IsMoving()) m_ptz.SendPtzCommand(PTZ_STOP, m_ptz.Speed());
    KillTimer(m_hWnd, STOP_RETRY_TIMER_ID);
    ShowWindow(m_hWnd, SW_HIDE);
    m_toolTip.Destroy();
    return DefaultProc(msg);
}

bool CDomeCtrlDlg::ProcessMessage(ui::CMessage& msg) {
    return ui::Dispatch(*this, kMessages, msg) || CPanelBase::ProcessMessage(msg);
}

}  // namespace zv
