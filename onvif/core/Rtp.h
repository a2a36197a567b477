// RTP packets of one stream as they arrive: the fixed header read (padding,
// extension and contributing sources passed over), and a small bounded
// reorder buffer that hands packets on in sequence order, telling how many
// were lost before each. Over TCP nothing waits in it; over a datagram
// transport a late packet is waited for within the window.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace zv::onvif {

struct RtpPacket {
    bool marker = false;
    uint8_t payloadType = 0;
    uint16_t seq = 0;
    uint32_t timestamp = 0;
    uint32_t ssrc = 0;
    const uint8_t* payload = nullptr;
    size_t size = 0;
};

// false for anything that is not a version-2 packet with a payload inside
// its length (padding and extension included).
bool ParseRtp(const uint8_t* data, size_t n, RtpPacket& out);

class RtpReorder {
public:
    static constexpr size_t kWindow = 32;
    // Farther back than this is a restarted numbering, not a late packet.
    static constexpr int kMaxMisorder = 100;
    using Deliver = std::function<void(const RtpPacket&, uint32_t lostBefore)>;

    // window: how many packets may wait for a gap to fill (at most kWindow);
    // 0 for a transport that cannot reorder (TCP), where a gap is a loss at once.
    explicit RtpReorder(size_t window = kWindow) : m_window(window < kWindow ? window : kWindow) {}

    // One packet's bytes; delivers it and any that it releases. Packets of
    // a new source, or of the same one far behind what was delivered (a
    // sender that numbers from scratch again), restart the order;
    // duplicates and ones a little older than what was delivered are
    // dropped (counted).
    void Push(const uint8_t* data, size_t n, const Deliver& deliver);
    // Delivers whatever waits (lost gaps counted): the stream has ended.
    void Flush(const Deliver& deliver);
    void Reset();

    uint64_t Late() const { return m_late; }
    uint64_t Restarts() const { return m_restarts; }
    uint64_t Malformed() const { return m_malformed; }

private:
    // Gaps are waited for (None), skipped until the window is half empty,
    // or skipped until nothing waits.
    enum class Skip { None, UntilHalf, All };
    void Release(const Deliver& deliver, Skip skip);

    const size_t m_window;
    bool m_started = false;
    uint32_t m_ssrc = 0;
    uint16_t m_next = 0;  // the sequence number delivered next
    size_t m_waiting = 0;
    std::array<std::vector<uint8_t>, kWindow> m_slots;
    std::array<bool, kWindow> m_used{};
    uint32_t m_skipped = 0;  // lost before the next delivery
    uint64_t m_late = 0, m_malformed = 0, m_restarts = 0;
};

}  // namespace zv::onvif
