#include "SkinDialog.h"

#include <cstring>

#include "ClientDC.h"
#include "DibPalette.h"
#include "ScopedHandle.h"
#include "SelectGuard.h"

namespace zv {

CSkinDialog::CSkinDialog(UINT nTemplateId, HWND hParent)
    : CDialogBase(nTemplateId, hParent),
      m_hHollowBrush(static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))) {}

CSkinDialog::~CSkinDialog() = default;

bool CSkinDialog::SetBackgroundBitmap(UINT nId, int nPlacement) {
    m_nPlacement = nPlacement;
    return m_image.LoadFromResource(LOWORD(nId));
}

void CSkinDialog::SetImageZoom(int nNumerator, int nDenominator) {
    if (nNumerator <= 0 || nDenominator <= 0) return;
    m_nZoomNumerator = nNumerator;
    m_nZoomDenominator = nDenominator;
}

void CSkinDialog::DoDataExchange(ui::CDataExchange&) {}

bool CSkinDialog::ProcessMessage(ui::CMessage& msg) {
    return ui::Dispatch(*this, kMessages, msg) || CDialogBase::ProcessMessage(msg);
}

LRESULT CSkinDialog::OnEraseBkgnd(ui::CMessage& msg) {
    if (!m_image.GetBits()) return DefaultProc(msg);
    PaintBackground(reinterpret_cast<HDC>(msg.wParam), msg);
    return TRUE;
}

void CSkinDialog::DoPaint(HDC hDC, const RECT&) {
    // A paint's own background came with its erase; this draws it into a
    // context that was not erased. Without an image there is none to draw.
    if (!m_image.GetBits()) return;
    ui::CMessage erase{m_hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hDC), 0};
    PaintBackground(hDC, erase);
}

void CSkinDialog::PaintBackground(HDC hDC, ui::CMessage& erase) {
    const RECT rcClient = GetClientRect();
    const int cxClient = rcClient.right - rcClient.left;
    const int cyClient = rcClient.bottom - rcClient.top;
    ui::CGdiObject<HBRUSH> white(CreateSolidBrush(RGB(255, 255, 255)));
    FillRect(hDC, &rcClient, white);

    const bool bZoomed = m_nZoomNumerator != m_nZoomDenominator;
    const int cxImage = m_image.GetWidth() * m_nZoomNumerator / m_nZoomDenominator;
    const int cyImage = m_image.GetHeight() * m_nZoomNumerator / m_nZoomDenominator;
    auto drawAt = [&](int x, int y) {
        if (bZoomed) m_image.DrawStretched(hDC, x, y, cxImage, cyImage);
        else m_image.DrawAt(hDC, x, y);
    };
    switch (m_nPlacement) {
    case PLACE_STRETCH:
        m_image.DrawStretched(hDC, 0, 0, cxClient, cyClient);
        break;
    case PLACE_CENTER:
        // The class background goes under the image; the offsets truncate
        // toward zero and go negative for an image larger than the client.
        DefaultProc(erase);
        drawAt((cxClient - cxImage) / 2, (cyClient - cyImage) / 2);
        break;
    default:
        if (cyClient > 0 && cxClient > 0) drawAt(0, 0);
        break;
    }
}

LRESULT CSkinDialog::OnCtlColor(ui::CMessage& msg) {
    if (!m_image.GetBits()) return DefaultProc(msg);

    const UINT nKind = msg.message - WM_CTLCOLORMSGBOX;
    if (nKind == CTLCOLOR_STATIC) {
        // Trackbars ask with the static kind but paint their own background.
        char szClass[256] = "";
        GetClassNameA(reinterpret_cast<HWND>(msg.lParam), szClass, sizeof szClass);
        if (std::strcmp(szClass, "msctls_trackbar32") == 0) return DefaultProc(msg);
    } else if (nKind != CTLCOLOR_BTN) {
        return DefaultProc(msg);
    }
    SetBkMode(reinterpret_cast<HDC>(msg.wParam), TRANSPARENT);
    return reinterpret_cast<LRESULT>(m_hHollowBrush);
}

LRESULT CSkinDialog::OnQueryNewPalette(ui::CMessage& msg) {
    if (!m_image.GetPalette() || !m_hWnd) return DefaultProc(msg);

    ui::CClientDC dc(m_hWnd);
    UINT nMapped = 0;
    {
        ui::CSelectGuard select(dc, m_image.GetPalette()->Get(), false, true);
        nMapped = RealizePalette(dc);
    }
    if (nMapped == 0 || nMapped == GDI_ERROR) return FALSE;
    InvalidateRect(m_hWnd, nullptr, TRUE);
    return TRUE;
}

LRESULT CSkinDialog::OnPaletteChanged(ui::CMessage& msg) {
    HWND hCause = reinterpret_cast<HWND>(msg.wParam);
    if (!m_image.GetPalette() || !m_hWnd || hCause == m_hWnd || IsChild(m_hWnd, hCause))
        return DefaultProc(msg);

    ui::CClientDC dc(m_hWnd);
    UINT nMapped = 0;
    {
        ui::CSelectGuard select(dc, m_image.GetPalette()->Get(), true, true);
        nMapped = RealizePalette(dc);
    }
    if (nMapped != 0 && nMapped != GDI_ERROR) InvalidateRect(m_hWnd, nullptr, TRUE);
    return 0;
}

}  // namespace zv
