#include "Blit.h"

#include "ClientDC.h"
#include "SelectGuard.h"

namespace ui {

bool BlitBitmap(HDC hDest, int x, int y, int cx, int cy, HBITMAP hSource, int xSrc, int ySrc) {
    CMemoryDC mem(CreateCompatibleDC(hDest));
    if (!mem) return false;
    CSelectGuard select(mem, hSource);
    return BitBlt(hDest, x, y, cx, cy, mem, xSrc, ySrc, SRCCOPY) != FALSE;
}

CGdiObject<HBITMAP> StretchedCopy(HBITMAP hSource, int cx, int cy) {
    CGdiObject<HBITMAP> copy;
    const SIZE size = BitmapSize(hSource);
    if (size.cx <= 0 || size.cy <= 0 || cx <= 0 || cy <= 0) return copy;
    CClientDC screen(nullptr);
    copy.Attach(CreateCompatibleBitmap(screen, cx, cy));
    CMemoryDC src(CreateCompatibleDC(screen)), dst(CreateCompatibleDC(screen));
    if (!copy || !src || !dst) return CGdiObject<HBITMAP>();
    CSelectGuard selectSrc(src, hSource);
    CSelectGuard selectDst(dst, copy.Get());
    SetStretchBltMode(dst, COLORONCOLOR);
    if (!StretchBlt(dst, 0, 0, cx, cy, src, 0, 0, size.cx, size.cy, SRCCOPY))
        return CGdiObject<HBITMAP>();
    return copy;
}

SIZE BitmapSize(HBITMAP hBitmap) {
    BITMAP bm{};
    if (!hBitmap || GetObjectW(hBitmap, sizeof bm, &bm) != sizeof bm) return {0, 0};
    return {bm.bmWidth, bm.bmHeight};
}

}  // namespace ui
