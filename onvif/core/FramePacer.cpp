#include "FramePacer.h"

#include <algorithm>

namespace zv::onvif {

void FramePacer::Note(uint32_t rtpTime) {
    m_times[m_next++ % kTimes] = rtpTime;
    m_count = std::min(m_count + 1, kTimes);
}

int64_t FramePacer::FrameMs() const {
    uint32_t t[kTimes];
    std::copy(m_times, m_times + m_count, t);
    std::sort(t, t + m_count);  // a wrap of the 32-bit clock costs one odd step
    uint32_t step = 0;
    for (size_t i = 1; i < m_count; ++i) {
        const uint32_t d = t[i] - t[i - 1];
        if (d > 0 && d < 90 * 200 && (step == 0 || d < step)) step = d;
    }
    return step ? std::max<int64_t>(10, step / 90) : 40;
}

void FramePacer::WaitTurn(size_t waiting, const std::atomic<bool>& stop) {
    const int64_t frame = FrameMs();
    const int64_t now = m_now();
    if (!m_started || waiting > kBehind || now > m_due + frame) {
        m_due = now;
        m_started = true;
    }
    while (!stop) {
        const int64_t left = m_due - m_now();
        if (left <= 0) break;
        m_sleep(static_cast<int>(std::min<int64_t>(10, left)));
    }
    m_due += frame;
}

}  // namespace zv::onvif
