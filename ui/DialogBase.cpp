#include "DialogBase.h"

#include "DataExchange.h"
#include "HandleCount.h"
#include "PaintDC.h"
#include "PreTranslateHook.h"
#include "ResourceContext.h"
#include "SubclassWindow.h"

namespace ui {

namespace {

// The dialog procedure returns these results itself; for every other message
// the dialog manager reads DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

}  // namespace

CDialogBase::CDialogBase(UINT nTemplateId, HWND hParent)
    : m_nTemplateId(nTemplateId), m_hParent(hParent) {}

CDialogBase::~CDialogBase() {
    // Normally the owner destroyed the window already. If not, cut it loose
    // first: a derived part of this object is gone and must not see messages.
    if (m_hWnd) {
        HWND hWnd = m_hWnd;
        Detach();
        ::DestroyWindow(hWnd);
    }
}

bool CDialogBase::Create() {
    if (m_hWnd) return false;
    return CreateDialogParamW(ResourceInstance(), MAKEINTRESOURCEW(m_nTemplateId), m_hParent,
                              &DialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

bool CDialogBase::Create(HWND hParent) {
    if (m_hWnd) return false;
    m_hParent = hParent;
    return Create();
}

bool CDialogBase::DestroyWindow() { return m_hWnd && ::DestroyWindow(m_hWnd); }

bool CDialogBase::UpdateData(bool bSaveAndValidate) {
    CDataExchange dx(m_hWnd, bSaveAndValidate);
    DoDataExchange(dx);
    return !dx.Failed();
}

bool CDialogBase::PreTranslateMessage(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    return IsDialogMessageW(m_hWnd, &msg) != FALSE;
}

BOOL CDialogBase::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

void CDialogBase::DoDataExchange(CDataExchange&) {}

bool CDialogBase::ProcessMessage(CMessage& msg) {
    msg.handled = false;
    return false;
}

LRESULT CDialogBase::DefaultProc(CMessage& msg) {
    // The dialog manager calls our procedure again for this message; it sees
    // m_pDefaulting and declines, so the manager's own handling runs.
    const CMessage* pOuter = m_pDefaulting;
    m_pDefaulting = &msg;
    LRESULT result = DefDlgProcW(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    m_pDefaulting = pOuter;
    return result;
}

void CDialogBase::DoPaint(HDC, const RECT&) {}

LRESULT CDialogBase::OnPaint(CMessage&) {
    CPaintDC dc(m_hWnd);
    DoPaint(dc, dc.UpdateRect());
    return 0;
}

LRESULT CDialogBase::OnPrintClient(CMessage& msg) {
    if ((msg.lParam & PRF_CHECKVISIBLE) && !IsWindowVisible(m_hWnd)) return 0;
    DoPaint(reinterpret_cast<HDC>(msg.wParam), GetClientRect());
    return 0;
}

INT_PTR CALLBACK CDialogBase::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialogBase* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialogBase*>(lParam);
        if (!self) return FALSE;
        SetWindowLongPtrW(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->m_hWnd = hWnd;
        CountUserHandle(+1);
    } else {
        self = reinterpret_cast<CDialogBase*>(GetWindowLongPtrW(hWnd, DWLP_USER));
        if (!self) return FALSE;
        const CMessage* pDefaulting = self->m_pDefaulting;
        if (pDefaulting && pDefaulting->message == message && pDefaulting->wParam == wParam &&
            pDefaulting->lParam == lParam)
            return FALSE;
    }
    INT_PTR result = self->Route(message, wParam, lParam);
    if (message == WM_NCDESTROY) self->Detach();
    return result;
}

INT_PTR CDialogBase::Route(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hWnd = m_hWnd;
    try {
        // Messages come from the host's loop, outside any export: our own
        // resources must be current for whatever a handler loads.
        CResourceScope resources;
        if (message == WM_INITDIALOG) {
            CPreTranslateHook::Register(this);
            return OnInitDialog();
        }
        CMessage msg{hWnd, message, wParam, lParam};
        if (!ReflectToChild(msg) && !ProcessMessage(msg)) return FALSE;
        if (ReturnsResultDirectly(message)) return static_cast<INT_PTR>(msg.result);
        SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, msg.result);
        return TRUE;
    } catch (...) {
        // No exception leaves a window procedure; the dialog manager's
        // default is the answer.
        return FALSE;
    }
}

bool CDialogBase::ReflectToChild(CMessage& msg) {
    HWND hChild = nullptr;
    switch (msg.message) {
    case WM_COMMAND:
        hChild = reinterpret_cast<HWND>(msg.lParam);  // null for menus and accelerators
        break;
    case WM_NOTIFY:
        if (msg.lParam) hChild = reinterpret_cast<const NMHDR*>(msg.lParam)->hwndFrom;
        break;
    case WM_DRAWITEM: {
        const auto* pDis = reinterpret_cast<const DRAWITEMSTRUCT*>(msg.lParam);
        if (pDis && pDis->CtlType != ODT_MENU) hChild = pDis->hwndItem;
        break;
    }
    default:
        return false;
    }
    CSubclassWindow* pChild = CSubclassWindow::FromHandle(hChild);
    if (!pChild || !pChild->HandleReflected(msg)) return false;
    msg.handled = true;
    return true;
}

void CDialogBase::Detach() {
    if (!m_hWnd) return;
    SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
    CPreTranslateHook::Unregister(this);
    CountUserHandle(-1);
    m_hWnd = nullptr;
}

}  // namespace ui
