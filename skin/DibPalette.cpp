#include "DibPalette.h"

#include <algorithm>
#include <memory>

#include "Dib.h"

namespace zv {

CDibPalette::CDibPalette(const CDib& dib) {
    const BITMAPINFOHEADER& header = dib.GetInfo()->bmiHeader;
    // A biClrUsed beyond the table that was allocated for this bit count
    // would read past it; the palette stops at the table's end.
    const int nTable = 1 << header.biBitCount;
    const int nEntries = std::min(CDib::NumColors(header), nTable);
    if (nEntries <= 0) return;

    const size_t cb = sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * (nEntries - 1);
    std::unique_ptr<BYTE[]> block(new BYTE[cb]);
    auto* pLogPal = reinterpret_cast<LOGPALETTE*>(block.get());
    pLogPal->palVersion = 0x300;
    pLogPal->palNumEntries = static_cast<WORD>(nEntries);
    const RGBQUAD* pColors = dib.GetColorTable();
    for (int i = 0; i < nEntries; ++i) {
        pLogPal->palPalEntry[i].peRed = pColors[i].rgbRed;
        pLogPal->palPalEntry[i].peGreen = pColors[i].rgbGreen;
        pLogPal->palPalEntry[i].peBlue = pColors[i].rgbBlue;
        pLogPal->palPalEntry[i].peFlags = 0;
    }
    Attach(CreatePalette(pLogPal));
}

}  // namespace zv
