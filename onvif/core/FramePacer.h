// Spaces pictures that were decoded together by the stream's frame time:
// the smallest step between the 90 kHz times of recent units once sorted
// (decode order jumps back and forth with B-frames), 40 ms until known.
// Pictures are due one frame time apart on a schedule of their own, so that
// a wait that oversleeps does not slow the stream down; a drawer more than
// a frame late, or with many units waiting, starts the schedule again from
// now and never waits, so that it catches up. Time and sleeping come from
// outside (tests drive both).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace zv::onvif {

class FramePacer {
public:
    using NowFn = int64_t (*)();      // milliseconds, monotonic
    using SleepFn = void (*)(int ms);
    static constexpr size_t kBehind = 8;  // units waiting at once

    FramePacer(NowFn now, SleepFn sleep) : m_now(now), m_sleep(sleep) {}

    void Note(uint32_t rtpTime);
    // Waits until the next picture is due (or `stop`).
    void WaitTurn(size_t waiting, const std::atomic<bool>& stop);
    int64_t FrameMs() const;

private:
    static constexpr size_t kTimes = 16;

    NowFn m_now;
    SleepFn m_sleep;
    uint32_t m_times[kTimes] = {};
    size_t m_next = 0, m_count = 0;
    bool m_started = false;
    int64_t m_due = 0;
};

}  // namespace zv::onvif
