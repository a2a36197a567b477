#include "BitmapRegion.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <tuple>

#include "Blit.h"
#include "ScopedHandle.h"
#include "SelectGuard.h"

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
    RunCollector() = default;
    RunCollector(const RunCollector&) = delete;
    RunCollector& operator=(const RunCollector&) = delete;
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
        ui::CGdiObject<HRGN> part(ExtCreateRegion(nullptr, kHeaderSize + sizeof(RECT) * m_capacity, m_data));
        if (!part) return false;
        if (!m_result) m_result = std::move(part);
        else CombineRgn(m_result, m_result, part, RGN_OR);
        ResetHeader();
        return true;
    }
    HRGN Release() { return m_result.Detach(); }

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
    ui::CGdiObject<HRGN> m_result;
};

}  // namespace

HRGN CreateRegionFromBitmap(HBITMAP hBitmap, uint32_t key, uint32_t tolerance) {
    if (!hBitmap) return nullptr;
    const SIZE size = ui::BitmapSize(hBitmap);
    ui::CMemoryDC memDC(CreateCompatibleDC(nullptr));
    if (!memDC) return nullptr;

    // A 32-bit bottom-up copy of the bitmap: blue, green, red, pad per pixel.
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = size.cx;
    header.biHeight = size.cy;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    void* bits = nullptr;
    ui::CGdiObject<HBITMAP> section(CreateDIBSection(memDC, reinterpret_cast<BITMAPINFO*>(&header),
                                                     DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!section) return nullptr;
    {
        ui::CSelectGuard selectSection(memDC, section.Get());
        if (!ui::BlitBitmap(memDC, 0, 0, size.cx, size.cy, hBitmap)) return nullptr;
    }
    GdiFlush();  // the copy is in the section's memory before it is read

    BITMAP sectionInfo{};
    GetObject(section, sizeof sectionInfo, &sectionInfo);
    const LONG stride = (sectionInfo.bmWidthBytes + 3) & ~3;
    const ChannelRange red = Range(key, tolerance, 16);
    const ChannelRange green = Range(key, tolerance, 8);
    const ChannelRange blue = Range(key, tolerance, 0);
    auto transparent = [&](const BYTE* p) {
        return blue.Contains(p[0]) && green.Contains(p[1]) && red.Contains(p[2]);
    };

    RunCollector runs;
    bool ok = runs.Open();
    // Image rows top to bottom; the top row is the last one in memory.
    for (LONG y = 0; ok && y < size.cy; ++y) {
        const BYTE* row = static_cast<const BYTE*>(bits) + (size.cy - 1 - y) * stride;
        LONG x = 0;
        while (ok && x < size.cx) {
            const LONG x0 = x;
            while (x < size.cx && !transparent(row + 4 * x)) ++x;
            if (x > x0) ok = runs.Add(x0, y, x, y + 1);
            ++x;
        }
    }
    if (ok && runs.Flush()) return runs.Release();
    return nullptr;
}

namespace {

struct SharedRegions {
    std::mutex mutex;
    // Per shared bitmap, its regions by key and tolerance (null until made).
    std::map<HBITMAP, std::map<std::pair<uint32_t, uint32_t>, HRGN>> regions;
};
SharedRegions& Shared() {
    static SharedRegions shared;
    return shared;
}

}  // namespace

void KeepRegionsOf(HBITMAP hBitmap) {
    if (!hBitmap) return;
    SharedRegions& s = Shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.regions[hBitmap];
}

void ForgetSharedBitmaps() {
    SharedRegions& s = Shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    for (auto& [bitmap, regions] : s.regions)
        for (auto& [keys, region] : regions)
            if (region) DeleteObject(region);
    s.regions.clear();
}

HRGN RegionForBitmap(HBITMAP hBitmap, uint32_t key, uint32_t tolerance) {
    SharedRegions& s = Shared();
    std::unique_lock<std::mutex> lock(s.mutex);
    const auto it = s.regions.find(hBitmap);
    if (it == s.regions.end() || !hBitmap) {
        lock.unlock();
        return CreateRegionFromBitmap(hBitmap, key, tolerance);
    }
    HRGN& kept = it->second[{key, tolerance}];
    if (!kept) kept = CreateRegionFromBitmap(hBitmap, key, tolerance);
    if (!kept) return nullptr;
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    if (copy && CombineRgn(copy, kept, nullptr, RGN_COPY) == ERROR) {
        DeleteObject(copy);
        copy = nullptr;
    }
    return copy;
}

}  // namespace zv
