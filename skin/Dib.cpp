#include "Dib.h"

#include <cstring>
#include <new>
#include <optional>

#include "ClientDC.h"
#include "DibPalette.h"
#include "ResourceContext.h"
#include "ScopedHandle.h"
#include "SelectGuard.h"

namespace zv {

CDib::CDib() = default;

CDib::~CDib() = default;

bool CDib::DrawStretched(HDC hDC, int x, int y, int cx, int cy) {
    std::optional<ui::CSelectGuard> selectPalette;
    if (m_pPalette) {
        selectPalette.emplace(hDC, m_pPalette->Get(), false, false);
        RealizePalette(hDC);
        SetStretchBltMode(hDC, COLORONCOLOR);
    }
    if (!m_pInfo) return false;
    const int nLines = StretchDIBits(hDC, x, y, cx, cy, 0, 0, GetWidth(), GetHeight(),
                                     m_pBits.get(), GetInfo(), DIB_RGB_COLORS, SRCCOPY);
    return nLines != 0 && nLines != static_cast<int>(GDI_ERROR);
}

bool CDib::DrawAt(HDC hDC, int x, int y) {
    if (!m_pInfo) return false;
    return DrawStretched(hDC, x, y, GetWidth(), GetHeight());
}

bool CDib::LoadFromResource(UINT nId) {
    HANDLE hImage = LoadImageW(ui::ResourceInstance(), MAKEINTRESOURCEW(LOWORD(nId)), IMAGE_BITMAP,
                               0, 0, LR_CREATEDIBSECTION);
    if (!hImage) return false;
    ui::CClientDC desktopDC(GetDesktopWindow());
    ui::CGdiObject<HBITMAP> bitmap(static_cast<HBITMAP>(hImage));
    return CreateFromBitmap(desktopDC, bitmap);
}

bool CDib::CreateFromBitmap(HDC hDC, HBITMAP hBitmap) {
    // Failures raise their reason as a plain string and end up in the catch
    // below; the reason itself goes nowhere.
    try {
        BITMAP bm{};
        if (GetObjectW(hBitmap, sizeof bm, &bm) != sizeof bm || bm.bmWidth <= 0 || bm.bmHeight <= 0)
            throw "could not read the bitmap description\n";
        const int nBitsPerPixel = bm.bmBitsPixel;

        // Rows sized as 8 bits per pixel for 1- and 4-bit bitmaps too, and
        // as 24 for anything deeper, which is stored as 24-bit.
        m_pBits.reset();
        const int nStoredBits = nBitsPerPixel > 8 ? 24 : 8;
        const size_t cbRow = static_cast<size_t>((bm.bmWidth * nStoredBits + 31) & ~31) / 8;
        m_pBits.reset(new (std::nothrow) BYTE[cbRow * bm.bmHeight]);
        if (!m_pBits) throw "could not allocate data storage\n";

        int nEntries = 0;
        switch (nBitsPerPixel) {
        case 1: nEntries = 2; break;
        case 4: nEntries = 16; break;
        case 8: nEntries = 256; break;
        default: nEntries = 0; break;
        }
        m_pInfo.reset();
        const size_t cbInfo = sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * nEntries;
        m_pInfo.reset(new (std::nothrow) BYTE[cbInfo]);
        if (!m_pInfo) throw "could not allocate BITMAPINFO struct\n";
        std::memset(m_pInfo.get(), 0, cbInfo);

        BITMAPINFOHEADER& header = GetInfo()->bmiHeader;
        header.biSize = sizeof(BITMAPINFOHEADER);
        header.biWidth = bm.bmWidth;
        header.biHeight = bm.bmHeight;
        header.biPlanes = bm.bmPlanes;
        header.biBitCount = static_cast<WORD>(nBitsPerPixel <= 8 ? nBitsPerPixel : 24);
        header.biCompression = BI_RGB;
        // With the bitmap's own depth, not the stored one.
        header.biSizeImage = static_cast<DWORD>((((nBitsPerPixel * bm.bmWidth + 31) / 8) & ~3) *
                                                bm.bmHeight);

        const int nLines = GetDIBits(hDC, hBitmap, 0, LOWORD(bm.bmHeight), m_pBits.get(),
                                     GetInfo(), DIB_RGB_COLORS);
        if (nLines != bm.bmHeight)
            throw "call to GetDIBits did not return full number of requested scan lines\n";
        MakePalette();
        return true;
    } catch (const char*) {
        m_pBits.reset();
        m_pInfo.reset();
        return false;
    }
}

bool CDib::MakePalette() {
    m_pPalette.reset();
    if (m_pInfo && GetBitCount() <= 8) {
        m_pPalette.reset(new CDibPalette(*this));
        if (!*m_pPalette) m_pPalette.reset();  // the platform refused it
    }
    return m_pPalette != nullptr;
}

int CDib::NumColors(const BITMAPINFOHEADER& header) {
    if (header.biClrUsed != 0) return static_cast<int>(header.biClrUsed);
    if (header.biBitCount > 24) return 0;  // no palette-sized answer exists
    return 1 << header.biBitCount;
}

}  // namespace zv
