#include "PreTranslateHook.h"

#include <algorithm>
#include <vector>

#include "DialogBase.h"
#include "HandleCount.h"

namespace ui {

namespace {

// Hooks and windows both belong to a thread, so the registry does too. It
// lives while the thread has a dialog of ours. A plain pointer: a
// thread_local object with a destructor makes the runtime hold a reference
// to this module until the thread ends, and the host's FreeLibrary would
// then never unload it.
struct ThreadRegistry {
    std::vector<CDialogBase*> dialogs;
    HHOOK hHook = nullptr;
};
thread_local ThreadRegistry* t_pRegistry = nullptr;

}  // namespace

void CPreTranslateHook::Register(CDialogBase* pDialog) {
    if (!t_pRegistry) t_pRegistry = new ThreadRegistry;
    ThreadRegistry& reg = *t_pRegistry;
    if (std::find(reg.dialogs.begin(), reg.dialogs.end(), pDialog) != reg.dialogs.end()) return;
    reg.dialogs.push_back(pDialog);
    if (!reg.hHook) {
        reg.hHook = SetWindowsHookExW(WH_GETMESSAGE, &GetMessageProc, nullptr, GetCurrentThreadId());
        if (reg.hHook) CountUserHandle(+1);
    }
}

void CPreTranslateHook::Unregister(CDialogBase* pDialog) {
    if (!t_pRegistry) return;
    ThreadRegistry& reg = *t_pRegistry;
    reg.dialogs.erase(std::remove(reg.dialogs.begin(), reg.dialogs.end(), pDialog),
                      reg.dialogs.end());
    if (!reg.dialogs.empty()) return;
    if (reg.hHook) {
        UnhookWindowsHookEx(reg.hHook);
        CountUserHandle(-1);
    }
    delete t_pRegistry;
    t_pRegistry = nullptr;
}

bool CPreTranslateHook::IsInstalled() { return t_pRegistry && t_pRegistry->hHook; }

LRESULT CALLBACK CPreTranslateHook::GetMessageProc(int nCode, WPARAM wParam, LPARAM lParam) {
    // Only messages actually leaving the queue: a peek that leaves the
    // message in place would otherwise be pre-translated twice. The registry
    // may go while a dialog handles the message, so it is not touched after.
    if (t_pRegistry && nCode == HC_ACTION && wParam == PM_REMOVE) {
        ThreadRegistry& reg = *t_pRegistry;
        MSG* pMsg = reinterpret_cast<MSG*>(lParam);
        if (pMsg->hwnd && pMsg->message != WM_NULL) {
            CDialogBase* pTarget = nullptr;
            for (CDialogBase* pDialog : reg.dialogs) {
                HWND hDlg = pDialog->Handle();
                if (hDlg && (pMsg->hwnd == hDlg || IsChild(hDlg, pMsg->hwnd))) {
                    pTarget = pDialog;
                    break;
                }
            }
            bool bTaken = false;
            try {
                bTaken = pTarget && pTarget->PreTranslateMessage(*pMsg);
            } catch (...) {
                // Leave the message to the host's loop.
            }
            if (bTaken) {
                pMsg->message = WM_NULL;
                pMsg->wParam = 0;
                pMsg->lParam = 0;
            }
        }
    }
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

}  // namespace ui
