#include "DataExchange.h"

#include <climits>
#include <string>

#include "SubclassWindow.h"

namespace ui {

CDataExchange::CDataExchange(HWND hDialog, bool bSaveAndValidate)
    : m_hDialog(hDialog), m_bSaveAndValidate(bSaveAndValidate) {}

void CDataExchange::Control(int nId, CSubclassWindow& control) {
    if (control.Handle() || m_bFailed) return;
    control.SubclassDlgItem(nId, m_hDialog);
}

void CDataExchange::Int(int nId, int& nValue, int nMin, int nMax) {
    if (m_bFailed) return;
    HWND hEdit = GetDlgItem(m_hDialog, nId);
    if (!m_bSaveAndValidate) {
        SetWindowTextW(hEdit, std::to_wstring(nValue).c_str());
        return;
    }
    int nLength = GetWindowTextLengthW(hEdit);
    std::wstring text(static_cast<size_t>(nLength) + 1, L'\0');
    GetWindowTextW(hEdit, &text[0], nLength + 1);
    int nRead = 0;
    if (!ParseInt(text.c_str(), nRead) || nRead < nMin || nRead > nMax) {
        Fail(hEdit, nMin, nMax);
        return;
    }
    nValue = nRead;
}

bool CDataExchange::ParseInt(const wchar_t* pszText, int& nValue) {
    const wchar_t* p = pszText;
    while (*p == L' ' || *p == L'\t') ++p;
    bool bNegative = false;
    if (*p == L'+' || *p == L'-') bNegative = (*p++ == L'-');
    if (*p < L'0' || *p > L'9') return false;
    long long n = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p) {
        n = n * 10 + (*p - L'0');
        if (n > static_cast<long long>(INT_MAX) + 1) return false;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    if (*p) return false;
    if (bNegative) n = -n;
    if (n > INT_MAX || n < INT_MIN) return false;
    nValue = static_cast<int>(n);
    return true;
}

void CDataExchange::Fail(HWND hControl, int nMin, int nMax) {
    m_bFailed = true;
    const std::wstring text =
        L"请输入 " + std::to_wstring(nMin) + L" 到 " + std::to_wstring(nMax) + L" 之间的整数。";
    MessageBoxW(m_hDialog, text.c_str(), L"", MB_OK | MB_ICONEXCLAMATION);
    // Back to the offending edit with its text selected, ready for retyping.
    SetFocus(hControl);
    SendMessageW(hControl, EM_SETSEL, 0, -1);
}

}  // namespace ui
