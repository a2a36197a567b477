#include "SubclassWindow.h"

#include <commctrl.h>

#include "ResourceContext.h"

namespace ui {

namespace {
constexpr UINT_PTR kSubclassId = 0x5A56;  // one subclass of ours per control
}

CSubclassWindow::~CSubclassWindow() { UnsubclassWindow(); }

bool CSubclassWindow::SubclassWindow(HWND hWnd) {
    if (m_hWnd || !hWnd || !IsWindow(hWnd) || FromHandle(hWnd)) return false;
    m_hWnd = hWnd;
    PreSubclassWindow();
    if (!SetWindowSubclass(hWnd, &SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        m_hWnd = nullptr;
        return false;
    }
    return true;
}

bool CSubclassWindow::SubclassDlgItem(int nId, HWND hParent) {
    return SubclassWindow(::GetDlgItem(hParent, nId));
}

HWND CSubclassWindow::UnsubclassWindow() {
    HWND hWnd = m_hWnd;
    if (hWnd) RemoveWindowSubclass(hWnd, &SubclassProc, kSubclassId);
    m_hWnd = nullptr;
    return hWnd;
}

CSubclassWindow* CSubclassWindow::FromHandle(HWND hWnd) {
    DWORD_PTR ref = 0;
    if (!hWnd || !GetWindowSubclass(hWnd, &SubclassProc, kSubclassId, &ref)) return nullptr;
    return reinterpret_cast<CSubclassWindow*>(ref);
}

bool CSubclassWindow::HandleReflected(CMessage& parentMsg) {
    CMessage msg{m_hWnd, Reflected(parentMsg.message), parentMsg.wParam, parentMsg.lParam};
    msg.bReflected = true;
    if (!ProcessMessage(msg)) return false;
    parentMsg.result = msg.result;
    return true;
}

bool CSubclassWindow::ProcessMessage(CMessage& msg) {
    msg.handled = false;
    return false;
}

LRESULT CSubclassWindow::Default(CMessage& msg) {
    if (msg.bReflected) {
        msg.handled = false;
        return 0;
    }
    return DefSubclassProc(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

LRESULT CALLBACK CSubclassWindow::SubclassProc(HWND hWnd, UINT message, WPARAM wParam,
                                               LPARAM lParam, UINT_PTR uIdSubclass,
                                               DWORD_PTR dwRefData) {
    auto* self = reinterpret_cast<CSubclassWindow*>(dwRefData);
    if (message == WM_NCDESTROY) {
        // The control goes away under us; the object stays and may be
        // attached again when its dialog is created anew.
        RemoveWindowSubclass(hWnd, &SubclassProc, uIdSubclass);
        self->m_hWnd = nullptr;
        return DefSubclassProc(hWnd, message, wParam, lParam);
    }
    try {
        // Messages come from the host's loop, outside any export: our own
        // resources must be current for whatever a handler loads.
        CResourceScope resources;
        CMessage msg{hWnd, message, wParam, lParam};
        if (self->ProcessMessage(msg)) return msg.result;
    } catch (...) {
        // Nothing may unwind into the system's dispatcher; the control's own
        // processing is the safest answer.
    }
    return DefSubclassProc(hWnd, message, wParam, lParam);
}

}  // namespace ui
