#include "BitmapRegion.h"

#include <algorithm>

namespace zv {

namespace {

constexpr DWORD kHeaderSize = sizeof(RGNDATAHEADER);  // 32

struct ChannelRange {
    BYTE low, high;
    bool Contains(BYTE v) const { return v >= low && v <= high; }
};

ChannelRange Range(uint32_t key, uint32_t tolerance, int shift) {
    const int low = (key >> shift) & 0xFF;
    const int high = std::min(255, low + int((tolerance >> shift) & 0xFF));
    return {BYTE(low), BYTE(high)};
}

// Rectangle buffer in movable global memory, flushed into the result region
// every REGION_FLUSH_RUNS rectangles.
class RunCollector {
public:
    bool Open() {
        m_capacity = REGION_GROWTH;
        m_memory = GlobalAlloc(GMEM_MOVEABLE, kHeaderSize + sizeof(RECT) * m_capacity);
        if (!m_memory) return false;
        m_data = static_cast<RGNDATA*>(GlobalLock(m_memory));
        if (!m_data) return false;
        ResetHeader();
        return true;
    }
    ~RunCollector() {
        if (m_memory) {
            GlobalUnlock(m_memory);
            GlobalFree(m_memory);
        }
        if (m_result) DeleteObject(m_result);
    }
    bool Add(LONG left, LONG top, LONG right, LONG bottom) {
        if (m_data->rdh.nCount >= m_capacity) {
            GlobalUnlock(m_memory);
            const DWORD capacity = m_capacity + REGION_GROWTH;
            HGLOBAL grown = GlobalReAlloc(m_memory, kHeaderSize + sizeof(RECT) * capacity, GMEM_MOVEABLE);
            if (!grown) {
                m_data = static_cast<RGNDATA*>(GlobalLock(m_memory));
                return false;
            }
            m_memory = grown;
            m_capacity = capacity;
            m_data = static_cast<RGNDATA*>(GlobalLock(m_memory));
            if (!m_data) return false;
        }
        RECT* rects = reinterpret_cast<RECT*>(m_data->Buffer);
        rects[m_data->rdh.nCount] = {left, top, right, bottom};
        RECT& bound = m_data->rdh.rcBound;
        bound.left = std::min(bound.left, left);
        bound.top = std::min(bound.top, top);
        bound.right = std::max(bound.right, right);
        bound.bottom = std::max(bound.bottom, bottom);
        if (++m_data->rdh.nCount == REGION_FLUSH_RUNS) return Flush();
        return true;
    }
    // Turns the collected runs into a region and or-s it into the result.
    bool Flush() {
        HRGN part = ExtCreateRegion(nullptr, kHeaderSize + sizeof(RECT) * m_capacity, m_data);
        if (!part) return false;
        if (!m_result) {
            m_result = part;
        } else {
            CombineRgn(m_result, m_result, part, RGN_OR);
            DeleteObject(part);
        }
        ResetHeader();
        return true;
    }
    HRGN Release() {
        HRGN r = m_result;
        m_result = nullptr;
        return r;
    }

private:
    void ResetHeader() {
        m_data->rdh.dwSize = kHeaderSize;
        m_data->rdh.iType = RDH_RECTANGLES;
        m_data->rdh.nCount = 0;
        m_data->rdh.nRgnSize = 0;
        SetRect(&m_data->rdh.rcBound, 0x7FFFFFFF, 0x7FFFFFFF, 0, 0);
    }

    HGLOBAL m_memory = nullptr;
    RGNDATA* m_data = nullptr;
    DWORD m_capacity = 0;
    HRGN m_result = nullptr;
};

}  // namespace

HRGN CreateRegionFromBitmap(HBITMAP hBitmap, uint32_t key, uint32_t tolerance) {
    if (!hBitmap) return nullptr;
    HDC memDC = CreateCompatibleDC(nullptr);
    if (!memDC) return nullptr;
    HRGN result = nullptr;
    BITMAP bm{};
    GetObject(hBitmap, sizeof bm, &bm);

    // A 32-bit bottom-up copy of the bitmap: blue, green, red, pad per pixel.
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = bm.bmWidth;
    header.biHeight = bm.bmHeight;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(memDC, reinterpret_cast<BITMAPINFO*>(&header),
                                       DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section) {
        DeleteDC(memDC);
        return nullptr;
    }
    HGDIOBJ oldSection = SelectObject(memDC, section);
    HDC srcDC = CreateCompatibleDC(memDC);
    if (srcDC) {
        BITMAP sectionInfo{};
        GetObject(section, sizeof sectionInfo, &sectionInfo);
        const LONG stride = (sectionInfo.bmWidthBytes + 3) & ~3;
        HGDIOBJ oldSrc = SelectObject(srcDC, hBitmap);
        BitBlt(memDC, 0, 0, bm.bmWidth, bm.bmHeight, srcDC, 0, 0, SRCCOPY);

        const ChannelRange red = Range(key, tolerance, 16);
        const ChannelRange green = Range(key, tolerance, 8);
        const ChannelRange blue = Range(key, tolerance, 0);
        auto transparent = [&](const BYTE* p) {
            return blue.Contains(p[0]) && green.Contains(p[1]) && red.Contains(p[2]);
        };

        RunCollector runs;
        bool ok = runs.Open();
        // Image rows top to bottom; the top row is the last one in memory.
        for (LONG y = 0; ok && y < bm.bmHeight; ++y) {
            const BYTE* row = static_cast<const BYTE*>(bits) + (bm.bmHeight - 1 - y) * stride;
            LONG x = 0;
            while (ok && x < bm.bmWidth) {
                const LONG x0 = x;
                while (x < bm.bmWidth && !transparent(row + 4 * x)) ++x;
                if (x > x0) ok = runs.Add(x0, y, x, y + 1);
                ++x;
            }
        }
        if (ok && runs.Flush()) result = runs.Release();

        SelectObject(srcDC, oldSrc);
        DeleteDC(srcDC);
    }
    SelectObject(memDC, oldSection);
    DeleteObject(section);
    DeleteDC(memDC);
    return result;
}

}  // namespace zv
