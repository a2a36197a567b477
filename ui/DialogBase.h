// Modeless dialogs made from a template of the current resource module.
//
// One static dialog procedure serves every dialog; the object travels in
// CreateDialogParam's parameter and is stored at WM_INITDIALOG (messages
// before it get the dialog manager's default handling). Each message then
// goes
//   1. for WM_NOTIFY / WM_COMMAND / WM_DRAWITEM from a control that has a
//      CSubclassWindow attached: to that control's reflected entries first;
//   2. to the class's message table (ProcessMessage, base classes after);
//   3. unhandled: to the dialog manager's default processing.
// Handled results go back through DWLP_MSGRESULT, except for the messages
// whose result the dialog procedure returns directly (WM_CTLCOLOR* and a few
// others): without this a custom-draw answer would be lost.
#pragma once

#include <windows.h>

#include "MessageTable.h"
#include "Window.h"

namespace ui {

class CDataExchange;

class CDialogBase : public CWindow {
public:
    CDialogBase(UINT nTemplateId, HWND hParent);
    virtual ~CDialogBase();
    CDialogBase(const CDialogBase&) = delete;
    CDialogBase& operator=(const CDialogBase&) = delete;

    // Creates the window from the template in ui::ResourceInstance(); the
    // initialisation runs before this returns. Fails when a window exists.
    bool Create();
    bool Create(HWND hParent);
    // Destroys the window; the object stays usable for another Create.
    bool DestroyWindow();

    // Data exchange between the controls and the members: loading (false)
    // fills the controls, saving (true) reads and validates them and stops at
    // the first invalid one. Returns false when a value was rejected.
    bool UpdateData(bool bSaveAndValidate = true);

    // Runs on the UI thread's message hook for every message removed from the
    // queue for this dialog or one of its children, before the host's loop
    // dispatches it. Returning true swallows the message. The default lets the
    // dialog manager handle keyboard navigation.
    virtual bool PreTranslateMessage(MSG& msg);

protected:
    // WM_INITDIALOG: the base loads the controls (UpdateData(false)) and asks
    // for the default focus.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange& dx);
    virtual bool ProcessMessage(CMessage& msg);
    // The dialog manager's processing of this very message, as if no handler
    // of ours existed; a handler may run it before, after or instead of its
    // own work.
    virtual LRESULT DefaultProc(CMessage& msg);

    // Paint through one routine that draws into any device context: a class
    // that paints lists {WM_PAINT, &CMyDialog::OnPaint} and
    // {WM_PRINTCLIENT, &CMyDialog::OnPrintClient} and overrides DoPaint.
    virtual void DoPaint(HDC hDC, const RECT& rcUpdate);
    LRESULT OnPaint(CMessage& msg);
    LRESULT OnPrintClient(CMessage& msg);

    UINT m_nTemplateId;
    HWND m_hParent;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Route(UINT message, WPARAM wParam, LPARAM lParam);
    bool ReflectToChild(CMessage& msg);
    void Detach();

    const CMessage* m_pDefaulting = nullptr;
};

}  // namespace ui
