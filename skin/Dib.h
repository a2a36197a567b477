// One image as a device-independent bitmap: the 40-byte header with its
// colour table, the pixel rows (bottom row first, rows padded to 4 bytes)
// and, for 8 bits per pixel or less, a logical palette from the colour table.
// Built from a bitmap resource of the module; drawn stretched or at its size.
#pragma once

#include <windows.h>

#include <memory>

namespace zv {

class CDibPalette;

class CDib {
public:
    CDib();
    virtual ~CDib();
    CDib(const CDib&) = delete;
    CDib& operator=(const CDib&) = delete;

    // Draws the whole image into the rectangle; nothing for an empty image.
    // Returns whether pixels were copied.
    virtual bool DrawStretched(HDC hDC, int x, int y, int cx, int cy);
    // At natural size, through DrawStretched (so an override changes both).
    virtual bool DrawAt(HDC hDC, int x, int y);

    // A bitmap resource of ui::ResourceInstance() (low 16 bits of the id).
    // A missing resource leaves the image as it was.
    bool LoadFromResource(UINT nId);
    // Copies the bitmap's rows out in device-independent form: 1-, 4- and
    // 8-bit bitmaps keep their depth and colour table, deeper ones become
    // 24-bit. On failure the image is empty.
    bool CreateFromBitmap(HDC hDC, HBITMAP hBitmap);
    // (Re)builds the palette from the colour table; false when the image
    // has none (more than 8 bits per pixel, or empty).
    bool MakePalette();
    // biClrUsed when set, else 2 to the power of the bit count.
    static int NumColors(const BITMAPINFOHEADER& header);

    BITMAPINFO* GetInfo() const { return reinterpret_cast<BITMAPINFO*>(m_pInfo.get()); }
    RGBQUAD* GetColorTable() const {
        return m_pInfo ? reinterpret_cast<RGBQUAD*>(m_pInfo.get() + sizeof(BITMAPINFOHEADER))
                       : nullptr;
    }
    BYTE* GetBits() const { return m_pBits.get(); }
    CDibPalette* GetPalette() const { return m_pPalette.get(); }
    // Read from the header: only for an image that is not empty.
    int GetWidth() const { return GetInfo()->bmiHeader.biWidth; }
    int GetHeight() const { return GetInfo()->bmiHeader.biHeight; }
    int GetBitCount() const { return GetInfo()->bmiHeader.biBitCount; }

private:
    std::unique_ptr<BYTE[]> m_pInfo;  // header + colour table
    std::unique_ptr<BYTE[]> m_pBits;
    std::unique_ptr<CDibPalette> m_pPalette;
};

}  // namespace zv
