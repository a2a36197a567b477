#include "PanelLayout.h"

#include <climits>
#include <cstdlib>

#include "ClientDC.h"

namespace zv {

int WindowDpi(HWND hWnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto pGetDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (pGetDpiForWindow && hWnd) {
        const UINT dpi = pGetDpiForWindow(hWnd);
        if (dpi != 0) return static_cast<int>(dpi);
    }
    ui::CClientDC dc(hWnd);
    return dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
}

bool CPanelLayout::Load(UINT nTemplateId) {
    m_bLoaded = ReadDialogTemplate(nTemplateId, m_template);
    m_children.clear();
    return m_bLoaded;
}

SIZE CPanelLayout::Size() const {
    const GridRect r = GridRectOf(0, 0, m_template.cx, m_template.cy, m_nHalves);
    return {r.right, r.bottom};
}

RECT CPanelLayout::PixelRect(const TemplateControl& c) const {
    const GridRect r = GridRectOf(c.x, c.y, c.cx, c.cy, m_nHalves);
    return {r.left, r.top, r.right, r.bottom};
}

RECT CPanelLayout::ControlRect(int nId) const {
    for (const TemplateControl& c : m_template.controls)
        if (c.id == nId) return PixelRect(c);
    return {0, 0, 0, 0};
}

void CPanelLayout::Pair(HWND hDlg) {
    m_children.clear();
    std::vector<bool> taken(m_template.controls.size(), false);
    for (HWND hChild = GetWindow(hDlg, GW_CHILD); hChild; hChild = GetWindow(hChild, GW_HWNDNEXT)) {
        const int id = static_cast<int>(static_cast<short>(GetDlgCtrlID(hChild)));
        RECT now{};
        GetWindowRect(hChild, &now);
        MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&now), 2);
        size_t best = m_template.controls.size();
        long bestDistance = LONG_MAX;
        for (size_t i = 0; i < m_template.controls.size(); ++i) {
            const TemplateControl& c = m_template.controls[i];
            if (taken[i] || static_cast<int>(static_cast<short>(c.id)) != id) continue;
            RECT placed{c.x, c.y, c.x + c.cx, c.y + c.cy};
            MapDialogRect(hDlg, &placed);  // as the dialog manager placed it
            const long distance = std::labs(placed.left - now.left) + std::labs(placed.top - now.top);
            if (distance < bestDistance) {
                best = i;
                bestDistance = distance;
            }
        }
        if (best == m_template.controls.size()) continue;  // not made from the template
        taken[best] = true;
        m_children.emplace_back(hChild, best);
    }
}

void CPanelLayout::Apply(HWND hDlg) {
    if (!m_bLoaded) return;
    if (m_children.empty()) Pair(hDlg);
    for (const auto& [hChild, index] : m_children) {
        if (!IsWindow(hChild)) continue;
        const RECT rc = PixelRect(m_template.controls[index]);
        SetWindowPos(hChild, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

POINT CPanelLayout::InitialOrigin(HWND hDlg, HWND hParent) const {
    RECT placed{m_template.x, m_template.y, m_template.x, m_template.y};
    MapDialogRect(hDlg, &placed);
    POINT origin{placed.left, placed.top};
    if (hParent && IsWindow(hParent)) ClientToScreen(hParent, &origin);
    const SIZE size = Size();
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromPoint(origin, MONITOR_DEFAULTTONEAREST), &monitor)) return origin;
    const RECT& work = monitor.rcWork;
    if (origin.x + size.cx > work.right) origin.x = work.right - size.cx;
    if (origin.y + size.cy > work.bottom) origin.y = work.bottom - size.cy;
    if (origin.x < work.left) origin.x = work.left;
    if (origin.y < work.top) origin.y = work.top;
    return origin;
}

}  // namespace zv
