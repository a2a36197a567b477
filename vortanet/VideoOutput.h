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
    // On the session's receive thread.
    void Draw(const zv::proto::VideoFrame& frame);
    // A picture already in the window's order (top-down 24-bit BGR rows of
    // `stride` bytes): numbered by the source, so that gaps count as drops,
    // and stamped with when it arrived (µs since 1970) for the delay figures.
    void Present(const uint8_t* bgr, int w, int h, int stride, uint32_t frameNo, uint64_t stampUs);
    void CountAudio();
    VN_PLAY_STATS Stats() const;

private:
    // Draws and counts; false when the window is gone.
    bool Blit(const uint8_t* bgr, int w, int h);
    void Count(bool drawn, int w, int h, uint32_t frameNo, uint64_t stampUs);

    static constexpr int kLatencyBuckets = 2000;  // 1 ms each; the last one takes the rest

    HWND m_hWnd;
    std::vector<uint8_t> m_bgr;  // the picture as a top-down 24-bit DIB
    mutable std::mutex m_mutex;
    VN_PLAY_STATS m_stats{};
    bool m_bHaveFrame = false;
    std::vector<uint32_t> m_latency = std::vector<uint32_t>(kLatencyBuckets);
};

// Microseconds since 1970 on this machine's clock, as the device stamps frames.
uint64_t UnixMicros();

}  // namespace vn
