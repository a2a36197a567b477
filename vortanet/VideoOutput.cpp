#include "VideoOutput.h"

#include <algorithm>
#include <cstring>

namespace vn {

namespace proto = zv::proto;

uint64_t UnixMicros() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    const uint64_t ticks = (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return ticks / 10 - 11644473600ull * 1000000ull;  // 100 ns since 1601 to µs since 1970
}

void CVideoOutput::Draw(const proto::VideoFrame& frame, uint64_t receivedUs) {
    const int w = frame.info.width, h = frame.info.height;
    const int stride = (w * 3 + 3) & ~3;
    m_bgr.resize(size_t(stride) * h);
    const uint8_t* src = frame.data.data();
    for (int y = 0; y < h; ++y) {
        uint8_t* row = m_bgr.data() + size_t(y) * stride;
        for (int x = 0; x < w; ++x, row += 3) {
            if (frame.info.format == proto::PixelFormat::Rgb24) {
                row[0] = src[2], row[1] = src[1], row[2] = src[0];
                src += 3;
            } else {  // RGB565
                const uint16_t p = uint16_t(src[0] | (src[1] << 8));
                src += 2;
                row[2] = uint8_t(((p >> 11) & 0x1F) * 255 / 31);
                row[1] = uint8_t(((p >> 5) & 0x3F) * 255 / 63);
                row[0] = uint8_t((p & 0x1F) * 255 / 31);
            }
        }
    }
    Count(Blit(m_bgr.data(), w, h), w, h, frame.info.frameNo, frame.info.timestampUs, receivedUs);
}

void CVideoOutput::Present(const uint8_t* bgr, int w, int h, int stride, uint32_t frameNo, uint64_t stampUs) {
    bool drawn;
    if (stride == ((w * 3 + 3) & ~3)) {
        drawn = Blit(bgr, w, h);
    } else {  // DIB rows are padded to four bytes
        const int rowBytes = (w * 3 + 3) & ~3;
        m_bgr.resize(size_t(rowBytes) * h);
        for (int y = 0; y < h; ++y) std::copy_n(bgr + size_t(y) * stride, size_t(w) * 3, m_bgr.data() + size_t(y) * rowBytes);
        drawn = Blit(m_bgr.data(), w, h);
    }
    Count(drawn, w, h, frameNo, stampUs, stampUs);
}

bool CVideoOutput::Blit(const uint8_t* bgr, int w, int h) {
    if (!IsWindow(m_hWnd)) return false;
    bool drawn = false;
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    if (HDC dc = GetDC(m_hWnd)) {
        // Halftone costs a hundred times more under some systems, for little gain on video.
        SetStretchBltMode(dc, COLORONCOLOR);
        drawn = StretchDIBits(dc, 0, 0, rc.right, rc.bottom, 0, 0, w, h, bgr, &bi, DIB_RGB_COLORS, SRCCOPY) != 0;
        ReleaseDC(m_hWnd, dc);
    }
    return drawn;
}

void CVideoOutput::Count(bool drawn, int w, int h, uint32_t frameNo, uint64_t sourceUs, uint64_t receivedUs) {
    const uint64_t now = UnixMicros();
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_stats.framesReceived;
    if (m_bHaveFrame && frameNo > m_stats.lastFrameNo + 1) m_stats.framesDropped += frameNo - m_stats.lastFrameNo - 1;
    m_bHaveFrame = true;
    m_stats.lastFrameNo = frameNo;
    m_stats.width = uint32_t(w);
    m_stats.height = uint32_t(h);
    if (drawn) {
        ++m_stats.framesDrawn;
        const auto since = [](uint64_t to, uint64_t from) { return to > from ? to - from : 0; };
        const uint64_t delay = since(now, sourceUs);
        m_stats.latencyMaxUs = std::max<uint32_t>(m_stats.latencyMaxUs, uint32_t(std::min<uint64_t>(delay, UINT32_MAX)));
        const auto add = [](std::vector<uint32_t>& h, uint64_t us) { ++h[std::min<uint64_t>(us / kBucketUs, kLatencyBuckets - 1)]; };
        add(m_latency, delay);
        add(m_wire, since(receivedUs, sourceUs));
        add(m_draw, since(now, receivedUs));
    }
}

void CVideoOutput::CountAudio() {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_stats.audioPackets;
}

VN_PLAY_STATS CVideoOutput::Stats() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    VN_PLAY_STATS s = m_stats;
    s.cbSize = sizeof s;
    // Percentiles from the histograms, reported at the bucket's top.
    auto percentile = [&](const std::vector<uint32_t>& h, double q) -> uint32_t {
        const uint64_t need = uint64_t(q * m_stats.framesDrawn + 0.999999);
        uint64_t seen = 0;
        for (int i = 0; i < kLatencyBuckets; ++i) {
            seen += h[i];
            if (need && seen >= need) return uint32_t(i + 1) * kBucketUs;
        }
        return 0;
    };
    s.latencyP50Us = percentile(m_latency, 0.50);
    s.latencyP95Us = percentile(m_latency, 0.95);
    s.wireP50Us = percentile(m_wire, 0.50);
    s.wireP95Us = percentile(m_wire, 0.95);
    s.drawP50Us = percentile(m_draw, 0.50);
    s.drawP95Us = percentile(m_draw, 0.95);
    return s;
}

bool CVideoOutput::CopyStats(VN_PLAY_STATS* out) const {
    if (!out || (out->cbSize != sizeof(VN_PLAY_STATS) && out->cbSize != VN_PLAY_STATS_SIZE_V1)) return false;
    const uint32_t size = out->cbSize;
    const VN_PLAY_STATS s = Stats();
    std::memcpy(out, &s, size);
    out->cbSize = size;
    return true;
}

}  // namespace vn
