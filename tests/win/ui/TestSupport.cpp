#include "TestSupport.h"

#include <commctrl.h>

namespace {

// The template's trackbar needs the common controls registered.
const bool kCommonControls = [] {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    return InitCommonControlsEx(&icc) != FALSE;
}();

CMessageBoxCatcher* g_pCatcher = nullptr;

}  // namespace

CCanvas::CCanvas(int cx, int cy, COLORREF fill) : m_cx(cx), m_cy(cy) {
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = -cy;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pBits = nullptr;
    m_hBitmap = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    m_pBits = static_cast<DWORD*>(pBits);
    m_hDC = CreateCompatibleDC(nullptr);
    m_hOld = SelectObject(m_hDC, m_hBitmap);
    Fill(fill);
}

CCanvas::~CCanvas() {
    SelectObject(m_hDC, m_hOld);
    DeleteDC(m_hDC);
    DeleteObject(m_hBitmap);
}

COLORREF CCanvas::Pixel(int x, int y) const {
    GdiFlush();
    const DWORD p = m_pBits[y * m_cx + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

void CCanvas::Fill(COLORREF colour) {
    GdiFlush();
    const DWORD p = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    for (int i = 0; i < m_cx * m_cy; ++i) m_pBits[i] = p;
}

bool CCanvas::IsAll(COLORREF colour) const {
    for (int y = 0; y < m_cy; ++y)
        for (int x = 0; x < m_cx; ++x)
            if (Pixel(x, y) != colour) return false;
    return true;
}

namespace {

struct ChildSearch {
    int id;
    HWND found;
};

BOOL CALLBACK FindWithChildProc(HWND hWnd, LPARAM lParam) {
    auto* search = reinterpret_cast<ChildSearch*>(lParam);
    if (!GetDlgItem(hWnd, search->id)) return TRUE;
    search->found = hWnd;
    return FALSE;
}

}  // namespace

HWND FindThreadWindowWithChild(int nChildId) {
    ChildSearch search{nChildId, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindWithChildProc, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void PumpMessages(int nMax) {
    MSG msg;
    for (int i = 0; i < nMax && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

CMessageBoxCatcher::CMessageBoxCatcher()
    : m_hHook(SetWindowsHookExW(WH_CALLWNDPROCRET, &HookProc, nullptr, GetCurrentThreadId())) {
    g_pCatcher = this;
}

CMessageBoxCatcher::~CMessageBoxCatcher() {
    g_pCatcher = nullptr;
    UnhookWindowsHookEx(m_hHook);
}

LRESULT CALLBACK CMessageBoxCatcher::HookProc(int nCode, WPARAM wParam, LPARAM lParam) {
    // Ended while it initialises, the box is never shown: no window manager
    // round trip, and nothing left on the display.
    const auto* pRet = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    wchar_t szClass[16] = L"";
    if (nCode == HC_ACTION && g_pCatcher && pRet->message == WM_INITDIALOG &&
        GetClassNameW(pRet->hwnd, szClass, 16) && lstrcmpW(szClass, L"#32770") == 0 &&
        GetDlgItem(pRet->hwnd, IDOK)) {
        std::wstring text;
        for (HWND hChild = GetWindow(pRet->hwnd, GW_CHILD); hChild;
             hChild = GetWindow(hChild, GW_HWNDNEXT)) {
            wchar_t szText[256] = L"";
            GetClassNameW(hChild, szClass, 16);
            if (lstrcmpiW(szClass, L"Static") == 0 && GetWindowTextW(hChild, szText, 256) > 0)
                text += szText;
        }
        g_pCatcher->texts.push_back(text);
        wchar_t szTitle[256] = L"";
        GetWindowTextW(pRet->hwnd, szTitle, 256);
        bool bOkOnly = true;
        for (int id : {IDCANCEL, IDYES, IDNO, IDRETRY, IDABORT, IDIGNORE})
            if (HWND hButton = GetDlgItem(pRet->hwnd, id))
                if (GetWindowLongW(hButton, GWL_STYLE) & WS_VISIBLE) bOkOnly = false;
        g_pCatcher->boxes.push_back({text, szTitle, GetWindow(pRet->hwnd, GW_OWNER), bOkOnly});
        EndDialog(pRet->hwnd, IDOK);
    }
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}
