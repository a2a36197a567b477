#include "SkinBitmap.h"

#include "Blit.h"
#include "ClientDC.h"
#include "PaintDC.h"
#include "ResourceContext.h"

namespace zv {

CSkinBitmap::CSkinBitmap(UINT nId) {
    if (nId != 0) Load(nId);
}

CSkinBitmap::~CSkinBitmap() = default;

bool CSkinBitmap::Load(UINT nId) {
    HBITMAP hBitmap = LoadBitmapW(ui::ResourceInstance(), MAKEINTRESOURCEW(nId));
    if (!hBitmap) return false;
    m_bitmap.Attach(hBitmap);
    BITMAP bm{};
    if (GetObjectW(hBitmap, sizeof bm, &bm) != sizeof bm) return false;
    m_nWidth = bm.bmWidth;
    m_nHeight = bm.bmHeight;
    return true;
}

bool CSkinBitmap::Draw(bool bUsePaintDC, HWND hWnd, int x, int y, int cx, int cy, int xSrc,
                       int ySrc) {
    // Both are opened whichever is drawn through, so a pending update region
    // is validated either way; the client context is released first.
    ui::CPaintDC paintDC(hWnd);
    ui::CClientDC clientDC(hWnd);
    HDC hTarget = bUsePaintDC ? paintDC.Get() : clientDC.Get();
    if (cx == 0) cx = m_nWidth;
    if (cy == 0) cy = m_nHeight;
    if (xSrc == -1) xSrc = 0;
    if (ySrc == -1) ySrc = 0;
    return ui::BlitBitmap(hTarget, x, y, cx, cy, m_bitmap, xSrc, ySrc);
}

}  // namespace zv
