#include "ToolTip.h"

#include <commctrl.h>

#include "HandleCount.h"

namespace ui {

CToolTip::~CToolTip() { Destroy(); }

bool CToolTip::Create(HWND hOwner) {
    if (m_hWnd) return false;
    m_hWnd = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hOwner,
                             nullptr, nullptr, nullptr);
    if (m_hWnd) CountUserHandle(+1);
    return m_hWnd != nullptr;
}

void CToolTip::Destroy() {
    if (!m_hWnd) return;
    // The owner's destruction may have taken the window already.
    if (IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
    CountUserHandle(-1);
    m_hWnd = nullptr;
}

bool CToolTip::AddTool(HWND hControl, const wchar_t* pszText) {
    if (!m_hWnd || !hControl) return false;
    TTTOOLINFOW ti{};
    // The size without the reserved tail: older common controls refuse more.
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.uFlags = TTF_IDISHWND;  // the owner relays the mouse messages itself
    ti.hwnd = ::GetParent(hControl);
    ti.uId = reinterpret_cast<UINT_PTR>(hControl);
    ti.lpszText = const_cast<wchar_t*>(pszText);
    return Send(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti)) != 0;
}

int CToolTip::ToolCount() const { return m_hWnd ? static_cast<int>(Send(TTM_GETTOOLCOUNT)) : 0; }

void CToolTip::RelayEvent(const MSG& msg) const {
    if (m_hWnd && IsWindow(m_hWnd))
        Send(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(const_cast<MSG*>(&msg)));
}

}  // namespace ui
