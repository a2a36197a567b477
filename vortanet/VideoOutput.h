// A live play's pictures drawn into the play's window, scaled to its client
// area, with arrival and delay figures.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <vector>

#include "Messages.h"
#include "VortanetStats.h"

namespace vn {

class CVideoOutput {
public:
    explicit CVideoOutput(HWND hWnd) : m_hWnd(hWnd) {}
    // On the session's receive thread; receivedUs is when its bytes arrived.
    void Draw(const zv::proto::VideoFrame& frame, uint64_t receivedUs);
    // A picture already in the window's order (top-down 24-bit BGR rows of
    // `stride` bytes): numbered by the source, so that gaps count as drops,
    // and stamped with when it arrived (µs since 1970) for the delay figures.
    void Present(const uint8_t* bgr, int w, int h, int stride, uint32_t frameNo, uint64_t stampUs);
    void CountAudio();
    VN_PLAY_STATS Stats() const;
    // Stats() into a caller's structure of either size; false for a bad cbSize.
    bool CopyStats(VN_PLAY_STATS* out) const;

private:
    // Draws and counts; false when the window is gone.
    bool Blit(const uint8_t* bgr, int w, int h);
    void Count(bool drawn, int w, int h, uint32_t frameNo, uint64_t sourceUs, uint64_t receivedUs);

    // Delay histograms: 0.1 ms buckets up to half a second, the last one takes the rest.
    static constexpr int kBucketUs = 100;
    static constexpr int kLatencyBuckets = 5000;

    HWND m_hWnd;
    std::vector<uint8_t> m_bgr;  // the picture as a top-down 24-bit DIB
    mutable std::mutex m_mutex;
    VN_PLAY_STATS m_stats{};
    bool m_bHaveFrame = false;
    std::vector<uint32_t> m_latency = std::vector<uint32_t>(kLatencyBuckets);
    std::vector<uint32_t> m_wire = std::vector<uint32_t>(kLatencyBuckets);
    std::vector<uint32_t> m_draw = std::vector<uint32_t>(kLatencyBuckets);
};

// Microseconds since 1970 on this machine's clock, as the device stamps frames.
uint64_t UnixMicros();

}  // namespace vn
