// What a play's receiver hands its drawer: whole pictures (JPEG files) or
// H.264 access units, within a byte budget. JPEG: only the newest waits
// (an undrawn one is replaced). H.264: every unit in order, as each needs
// the ones before; a drawer too far behind, or a budget used up, drops
// units (counted) up to the next key frame. Units handed to the drawer
// count against the budget until it takes the next ones, so what a play
// holds between the stream and the decoder never passes the budget.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace zv::onvif {

struct MediaUnit {
    std::vector<uint8_t> data;
    uint32_t no = 0;         // numbered by the receiver: gaps are drops
    uint64_t stampUs = 0;    // arrival, microseconds since 1970
    bool key = false;        // an H.264 key frame (every JPEG picture is one)
    uint32_t rtpTime = 0;    // 90 kHz, decode order
};

class UnitQueue {
public:
    enum class Order { NewestOnly, Every };
    static constexpr size_t kMaxUnits = 25;
    static constexpr size_t kMaxBytes = 24u * 1024 * 1024;

    explicit UnitQueue(Order order, size_t maxBytes = kMaxBytes, size_t maxUnits = kMaxUnits)
        : m_order(order), m_maxBytes(maxBytes), m_maxUnits(maxUnits) {}

    // false when the unit was dropped (and counted).
    bool Post(MediaUnit&& unit);
    // Waits for units and hands over every one that waits, oldest first;
    // false (nothing handed) once stopped.
    bool Take(std::vector<MediaUnit>& out);
    // Wakes the drawer for good; later posts are dropped.
    void Stop();
    bool Stopped() const;

    uint64_t Dropped() const;
    // Waiting and being drawn.
    size_t BytesHeld() const;

private:
    void DropWaiting();  // with m_mutex held

    const Order m_order;
    const size_t m_maxBytes, m_maxUnits;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<MediaUnit> m_waiting;
    size_t m_waitingBytes = 0, m_drawingBytes = 0;
    bool m_needKey = false;  // units were dropped: nothing until a key frame
    bool m_stopped = false;
    uint64_t m_dropped = 0;
};

}  // namespace zv::onvif
