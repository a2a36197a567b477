// Message pre-translation for modeless dialogs in a host's message loop.
//
// Hosts run their own loop and never call into us for it, so keyboard
// navigation, key filters and tooltip relays would never happen. While at
// least one of our dialogs exists on a UI thread, a WH_GETMESSAGE hook on that
// thread hands every message removed from the queue for such a dialog or one
// of its children to the dialog's PreTranslateMessage. A message it takes is
// turned into WM_NULL, so the host's TranslateMessage/DispatchMessage do
// nothing with it. The last dialog to go removes the hook.
#pragma once

#include <windows.h>

namespace ui {

class CDialogBase;

class CPreTranslateHook {
public:
    // Called by CDialogBase when its window is created and when it goes.
    static void Register(CDialogBase* pDialog);
    static void Unregister(CDialogBase* pDialog);

    // Whether the calling thread has the hook installed.
    static bool IsInstalled();

private:
    static LRESULT CALLBACK GetMessageProc(int nCode, WPARAM wParam, LPARAM lParam);
};

}  // namespace ui
