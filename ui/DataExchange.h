// Moves values between a dialog's controls and its members, one direction per
// pass. On saving, the first invalid value ends the pass: the user is told
// the accepted range, the control gets the focus, the member keeps its old
// value and every later exchange of the pass does nothing.
#pragma once

#include <windows.h>

namespace ui {

class CSubclassWindow;

class CDataExchange {
public:
    CDataExchange(HWND hDialog, bool bSaveAndValidate);

    bool IsSaving() const { return m_bSaveAndValidate; }
    bool Failed() const { return m_bFailed; }

    // Attaches a wrapper to the template's control the first time round.
    void Control(int nId, CSubclassWindow& control);

    // An edit holding a decimal integer from nMin to nMax.
    void Int(int nId, int& nValue, int nMin, int nMax);

    // The reading rule of Int: optional blanks, an optional sign, decimal
    // digits, optional blanks; false for anything else or an overflow.
    static bool ParseInt(const wchar_t* pszText, int& nValue);

private:
    void Fail(HWND hControl, int nMin, int nMax);

    HWND m_hDialog;
    bool m_bSaveAndValidate;
    bool m_bFailed = false;
};

}  // namespace ui
