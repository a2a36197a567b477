#include "Rtp.h"

namespace zv::onvif {

bool ParseRtp(const uint8_t* p, size_t n, RtpPacket& out) {
    if (n < 12 || (p[0] >> 6) != 2) return false;
    const bool padding = (p[0] & 0x20) != 0;
    const bool extension = (p[0] & 0x10) != 0;
    const size_t csrc = p[0] & 0x0F;
    size_t head = 12 + 4 * csrc;
    if (n < head) return false;
    if (extension) {
        if (n < head + 4) return false;
        const size_t words = size_t(p[head + 2]) << 8 | p[head + 3];
        head += 4 + 4 * words;
        if (n < head) return false;
    }
    size_t end = n;
    if (padding) {
        const size_t pad = p[n - 1];
        if (pad == 0 || pad > end - head) return false;
        end -= pad;
    }
    out.marker = (p[1] & 0x80) != 0;
    out.payloadType = p[1] & 0x7F;
    out.seq = static_cast<uint16_t>(p[2] << 8 | p[3]);
    out.timestamp = uint32_t(p[4]) << 24 | uint32_t(p[5]) << 16 | uint32_t(p[6]) << 8 | p[7];
    out.ssrc = uint32_t(p[8]) << 24 | uint32_t(p[9]) << 16 | uint32_t(p[10]) << 8 | p[11];
    out.payload = p + head;
    out.size = end - head;
    return true;
}

void RtpReorder::Reset() {
    m_started = false;
    m_waiting = 0;
    m_used.fill(false);
    m_skipped = 0;
}

void RtpReorder::Push(const uint8_t* data, size_t n, const Deliver& deliver) {
    RtpPacket pkt;
    if (!ParseRtp(data, n, pkt)) {
        ++m_malformed;
        return;
    }
    int16_t d = static_cast<int16_t>(static_cast<uint16_t>(pkt.seq - m_next));
    if (m_started && pkt.ssrc == m_ssrc && d < -kMaxMisorder) {
        // Numbered from scratch: what waits goes first, then the new run.
        Release(deliver, Skip::All);
        ++m_restarts;
        m_started = false;
    }
    if (!m_started || pkt.ssrc != m_ssrc) {
        Reset();
        m_started = true;
        m_ssrc = pkt.ssrc;
        m_next = pkt.seq;
        d = 0;
    }
    if (d < 0) {
        ++m_late;
        return;
    }
    if (d == 0 && m_waiting == 0) {
        // The common case: in order, nothing waiting.
        m_next = static_cast<uint16_t>(m_next + 1);
        const uint32_t lost = m_skipped;
        m_skipped = 0;
        deliver(pkt, lost);
        return;
    }
    if (static_cast<size_t>(d) >= kWindow || (m_window == 0 && m_waiting == 0)) {
        // Too far ahead to wait for the gap: what waits goes now, the rest
        // of the gap is lost.
        Release(deliver, Skip::All);
        const int16_t gap = static_cast<int16_t>(static_cast<uint16_t>(pkt.seq - m_next));
        if (gap > 0) m_skipped += static_cast<uint32_t>(gap);
        m_next = static_cast<uint16_t>(pkt.seq + 1);
        const uint32_t lost = m_skipped;
        m_skipped = 0;
        deliver(pkt, lost);
        return;
    }
    const size_t slot = pkt.seq % kWindow;
    if (m_used[slot]) {
        ++m_late;  // a duplicate
        return;
    }
    m_slots[slot].assign(data, data + n);
    m_used[slot] = true;
    ++m_waiting;
    // Wait for a gap while the window is less than half full.
    Release(deliver, m_waiting > m_window / 2 ? Skip::UntilHalf : Skip::None);
}

void RtpReorder::Release(const Deliver& deliver, Skip skip) {
    while (m_waiting > 0) {
        const size_t slot = m_next % kWindow;
        if (!m_used[slot]) {
            if (skip == Skip::None) return;
            ++m_skipped;
            m_next = static_cast<uint16_t>(m_next + 1);
            continue;
        }
        RtpPacket pkt;
        ParseRtp(m_slots[slot].data(), m_slots[slot].size(), pkt);
        m_used[slot] = false;
        --m_waiting;
        m_next = static_cast<uint16_t>(m_next + 1);
        const uint32_t lost = m_skipped;
        m_skipped = 0;
        deliver(pkt, lost);
        if (skip == Skip::UntilHalf && m_waiting <= m_window / 2) skip = Skip::None;
    }
}

void RtpReorder::Flush(const Deliver& deliver) { Release(deliver, Skip::All); }

}  // namespace zv::onvif
