#include "UnitQueue.h"

namespace zv::onvif {

void UnitQueue::DropWaiting() {
    m_dropped += m_waiting.size();
    m_waiting.clear();
    m_waitingBytes = 0;
}

bool UnitQueue::Post(MediaUnit&& unit) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const size_t size = unit.data.size();
    bool take = !m_stopped;
    if (take && m_order == Order::NewestOnly) {
        DropWaiting();  // an undrawn picture is replaced
        take = m_drawingBytes + size <= m_maxBytes;
    } else if (take) {
        if (m_needKey && !unit.key) {
            take = false;
        } else if (m_waiting.size() >= m_maxUnits || m_drawingBytes + m_waitingBytes + size > m_maxBytes) {
            // Behind, or out of room: what waits is worth nothing without
            // this unit's predecessors, so a key frame starts afresh.
            if (unit.key) DropWaiting();
            take = unit.key && m_drawingBytes + size <= m_maxBytes;
            if (!take) m_needKey = true;
        }
    }
    if (take) {
        try {
            if (m_waiting.capacity() == 0) m_waiting.reserve(m_maxUnits);
            m_waiting.push_back(std::move(unit));
        } catch (...) {
            take = false;
            m_needKey = m_order == Order::Every;
        }
    }
    if (!take) {
        ++m_dropped;
        return false;
    }
    if (unit.key || m_order == Order::NewestOnly) m_needKey = false;
    m_waitingBytes += size;
    m_changed.notify_one();
    return true;
}

bool UnitQueue::Take(std::vector<MediaUnit>& out) {
    out.clear();
    std::unique_lock<std::mutex> lock(m_mutex);
    m_drawingBytes = 0;  // what the drawer had is done with
    m_changed.wait(lock, [&] { return m_stopped || !m_waiting.empty(); });
    if (m_stopped) return false;
    out.swap(m_waiting);
    m_drawingBytes = m_waitingBytes;
    m_waitingBytes = 0;
    return true;
}

void UnitQueue::Stop() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopped = true;
    m_waiting.clear();
    m_waitingBytes = 0;
    m_changed.notify_all();
}

bool UnitQueue::Stopped() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stopped;
}

uint64_t UnitQueue::Dropped() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dropped;
}

size_t UnitQueue::BytesHeld() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_waitingBytes + m_drawingBytes;
}

}  // namespace zv::onvif
