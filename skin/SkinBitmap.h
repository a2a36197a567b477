// One bitmap resource with its size, and a copy of it onto a window. The
// dome panel loads its two skin halves with these and takes their widths;
// it paints them through its scaled images, not through Draw.
#pragma once

#include <windows.h>

#include "ScopedHandle.h"

namespace zv {

class CSkinBitmap {
public:
    // Id 0 loads nothing; a failed load leaves the size 0 x 0.
    explicit CSkinBitmap(UINT nId = 0);
    ~CSkinBitmap();
    CSkinBitmap(const CSkinBitmap&) = delete;
    CSkinBitmap& operator=(const CSkinBitmap&) = delete;

    // From ui::ResourceInstance(). On failure the size keeps its old value.
    bool Load(UINT nId);

    // Copies (x, y, cx, cy) of the window from (xSrc, ySrc) of the bitmap.
    // cx/cy 0 mean the bitmap's width/height; a source coordinate of exactly
    // -1 means 0. The copy goes through the window's paint context when
    // bUsePaintDC is true, else through its client context; both are opened
    // on every call, so any pending update region is validated either way.
    bool Draw(bool bUsePaintDC, HWND hWnd, int x, int y, int cx = 0, int cy = 0, int xSrc = -1,
              int ySrc = -1);

    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    HBITMAP GetBitmap() const { return m_bitmap; }

private:
    ui::CGdiObject<HBITMAP> m_bitmap;
    int m_nWidth = 0;
    int m_nHeight = 0;
};

}  // namespace zv
