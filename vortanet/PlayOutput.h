// Where a live play's media goes: pictures drawn into the play's window,
// scaled to its client area, with arrival and delay figures; and sound
// through the platform's wave output when there is one.
#pragma once

#include <windows.h>
#include <mmsystem.h>

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
    void CountAudio();
    VN_PLAY_STATS Stats() const;

private:
    static constexpr int kLatencyBuckets = 2000;  // 1 ms each; the last one takes the rest

    HWND m_hWnd;
    std::vector<uint8_t> m_bgr;  // the picture as a top-down 24-bit DIB
    mutable std::mutex m_mutex;
    VN_PLAY_STATS m_stats{};
    bool m_bHaveFrame = false;
    std::vector<uint32_t> m_latency = std::vector<uint32_t>(kLatencyBuckets);
};

// One sound output for the library: the device's audio of one play at a time.
class CSoundOutput {
public:
    ~CSoundOutput() { Close(); }
    void Play(const zv::proto::AudioPacket& packet);
    void Close();

private:
    static constexpr int kBuffers = 8;
    bool Open(uint32_t sampleRate);

    std::mutex m_mutex;
    HWAVEOUT m_out = nullptr;
    bool m_bFailed = false;  // no wave output here: packets are only counted
    uint32_t m_rate = 0;
    WAVEHDR m_headers[kBuffers] = {};
    std::vector<int16_t> m_data[kBuffers];
};

// Microseconds since 1970 on this machine's clock, as the device stamps frames.
uint64_t UnixMicros();

}  // namespace vn
