// A wrapper object attached to an existing control (usually one from a
// dialog template) by subclassing it. The object's message table sees the
// control's messages first, and the notifications that the control sends to
// its parent come back to it as Reflected(WM_NOTIFY / WM_COMMAND /
// WM_DRAWITEM) when the parent is a CDialogBase.
#pragma once

#include <windows.h>

#include "MessageTable.h"
#include "Window.h"

namespace ui {

class CSubclassWindow : public CWindow {
public:
    CSubclassWindow() = default;
    virtual ~CSubclassWindow();
    CSubclassWindow(const CSubclassWindow&) = delete;
    CSubclassWindow& operator=(const CSubclassWindow&) = delete;

    // Attaches to hWnd: PreSubclassWindow runs first, then the control's
    // messages start to arrive here. Fails when already attached.
    bool SubclassWindow(HWND hWnd);
    bool SubclassDlgItem(int nId, HWND hParent);
    // Detaches without destroying the control; returns its handle.
    HWND UnsubclassWindow();

    // The wrapper attached to hWnd, or null.
    static CSubclassWindow* FromHandle(HWND hWnd);

    // Offers a notification that hWnd's parent received from this control.
    // Returns whether a reflected entry handled it (its result in msg.result).
    bool HandleReflected(CMessage& parentMsg);

protected:
    virtual void PreSubclassWindow() {}
    virtual bool ProcessMessage(CMessage& msg);
    // The control's own processing of the message (or, for a reflected
    // notification, "not handled here": the parent goes on with it).
    LRESULT Default(CMessage& msg);

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR uIdSubclass, DWORD_PTR dwRefData);
};

}  // namespace ui
