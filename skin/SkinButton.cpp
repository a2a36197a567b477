#include "SkinButton.h"

#include <windowsx.h>

#include "BitmapRegion.h"
#include "Blit.h"

namespace zv {

CSkinButton::~CSkinButton() = default;

void CSkinButton::PreSubclassWindow() {
    CBitmapButtonBase::PreSubclassWindow();
    if (!NormalImage()) return;  // keeps its template size, no region, draws nothing
    FitToImage();
    SetWindowLongPtrW(m_hWnd, GWL_STYLE,
                      GetWindowLongPtrW(m_hWnd, GWL_STYLE) | BS_OWNERDRAW | m_dwExtraStyle);
}

void CSkinButton::FitToImage() {
    HBITMAP normal = NormalImage();
    if (!m_hWnd || !normal) return;
    const SIZE size = ui::BitmapSize(normal);
    SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE);

    m_region.Reset();
    if (m_bShaped) SetWindowRgn(m_hWnd, nullptr, FALSE);
    m_bShaped = false;
    m_region.Attach(RegionForBitmap(normal, BUTTON_KEY_COLOUR, BUTTON_KEY_TOLERANCE));
    // Once set, the region belongs to the window.
    if (m_region && SetWindowRgn(m_hWnd, m_region, TRUE)) {
        m_region.Detach();
        m_bShaped = true;
    }
}

void CSkinButton::DrawItem(const DRAWITEMSTRUCT& dis) {
    HBITMAP image = NormalImage();
    const bool disabled = (dis.itemState & ODS_DISABLED) != 0;
    if (m_bHovering && !disabled && FocusImage()) image = FocusImage();
    else if ((dis.itemState & ODS_SELECTED) && SelectedImage()) image = SelectedImage();
    else if (disabled && DisabledImage()) image = DisabledImage();
    if (!image) return;

    const SIZE size = ui::BitmapSize(image);
    ui::CGdiObject<HRGN> region(CreateRectRgn(0, 0, 0, 0));
    const int kind = region ? GetWindowRgn(m_hWnd, region) : ERROR;
    // Clip to the shape ourselves: the window region alone does not keep a
    // blit out of the cut-away corners everywhere.
    if (kind != ERROR && kind != NULLREGION) {
        SelectClipRgn(dis.hDC, region);
        ui::BlitBitmap(dis.hDC, 0, 0, size.cx, size.cy, image);
        SelectClipRgn(dis.hDC, nullptr);
    }
}

bool CSkinButton::ProcessMessage(ui::CMessage& msg) {
    return ui::Dispatch(*this, kMessages, msg) || CBitmapButtonBase::ProcessMessage(msg);
}

void CSkinButton::SendHold(WPARAM wParam) {
    ::SendMessageW(::GetParent(m_hWnd), WM_BUTTON_HOLD, wParam, 0);
}

void CSkinButton::RedrawNow() {
    InvalidateRect(m_hWnd, nullptr, TRUE);
    UpdateWindow(m_hWnd);
}

void CSkinButton::AbandonHold() {
    if (!m_bHoldActive) return;
    m_bHoldActive = false;
    m_bReleaseSent = true;
    KillTimer(m_hWnd, TIMER_BUTTON_HOLD);
    SendHold(0);
}

LRESULT CSkinButton::OnMouseMove(ui::CMessage& msg) {
    if (!(msg.wParam & MK_LBUTTON)) {
        const POINT pt{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
        const RECT client = GetClientRect();
        if (PtInRect(&client, pt)) {
            if (!m_bHovering) {
                m_bHovering = true;
                SetCapture(m_hWnd);
                RedrawNow();
            }
        } else if (m_bHovering) {
            m_bHovering = false;
            ReleaseCapture();
            RedrawNow();
        }
    }
    return Default(msg);
}

LRESULT CSkinButton::OnLButtonDown(ui::CMessage& msg) {
    m_bHovering = false;  // the capture stays; the push behaviour takes it over
    m_bReleaseSent = false;
    const LRESULT result = Default(msg);
    const int id = GetDlgCtrlID();
    if (!IsWindow(msg.hwnd) || !m_bSendsHold) return result;
    SendHold(static_cast<WPARAM>(id));
    if (IsWindow(msg.hwnd)) {
        m_bHoldActive = true;
        SetTimer(m_hWnd, TIMER_BUTTON_HOLD, BUTTON_HOLD_PERIOD_MS, nullptr);
    }
    return result;
}

LRESULT CSkinButton::OnTimer(ui::CMessage& msg) {
    // The timer runs only while held; a tick after the hold ended (a message
    // already on its way) repeats nothing.
    if (msg.wParam == TIMER_BUTTON_HOLD && m_bHoldActive) {
        if (GetCapture() != m_hWnd || !IsWindowVisible(m_hWnd)) {
            AbandonHold();  // hidden or capture gone without a button-up
        } else {
            SendHold(static_cast<WPARAM>(GetDlgCtrlID()));
        }
    }
    return Default(msg);
}

LRESULT CSkinButton::OnLButtonUp(ui::CMessage& msg) {
    // Cleared first: the push behaviour releases the capture below, which is
    // the normal end of a hold and not a lost one.
    m_bHoldActive = false;
    const LRESULT result = Default(msg);
    if (!IsWindow(msg.hwnd)) return result;  // a click handler destroyed us
    KillTimer(msg.hwnd, TIMER_BUTTON_HOLD);
    const bool alreadyReported = m_bReleaseSent;
    m_bReleaseSent = false;
    if (!m_bSendsHold || alreadyReported) return result;
    SendHold(0);
    RedrawNow();
    return result;
}

LRESULT CSkinButton::OnCaptureChanged(ui::CMessage& msg) {
    if (reinterpret_cast<HWND>(msg.lParam) != msg.hwnd) AbandonHold();
    return Default(msg);
}

LRESULT CSkinButton::OnDestroy(ui::CMessage& msg) {
    AbandonHold();
    return Default(msg);
}

LRESULT CSkinButton::OnDefault(ui::CMessage& msg) { return Default(msg); }

}  // namespace zv
