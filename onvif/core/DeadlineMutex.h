// A mutex whose wait ends by a deadline: a call that waits for another
// thread's call keeps to its own bound. (Made of a plain mutex and a
// condition: timed mutexes are not seen by every thread checker.)
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace zv::onvif {

class DeadlineMutex {
public:
    // deadlineMs on the monotonic clock (Clock.h); false when not got by then.
    bool LockUntil(int64_t deadlineMs) {
        std::unique_lock<std::mutex> lock(m_mutex);
        const auto until = std::chrono::steady_clock::time_point(std::chrono::milliseconds(deadlineMs));
        if (!m_free.wait_until(lock, until, [&] { return !m_held; })) return false;
        m_held = true;
        return true;
    }
    void Lock() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_free.wait(lock, [&] { return !m_held; });
        m_held = true;
    }
    void Unlock() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_held = false;
        }
        m_free.notify_one();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_free;
    bool m_held = false;
};

// Holds a DeadlineMutex for a scope, if it was got.
class DeadlineLock {
public:
    DeadlineLock(DeadlineMutex& m, int64_t deadlineMs) : m_mutex(m), m_owns(m.LockUntil(deadlineMs)) {}
    explicit DeadlineLock(DeadlineMutex& m) : m_mutex(m), m_owns(true) { m.Lock(); }
    ~DeadlineLock() {
        if (m_owns) m_mutex.Unlock();
    }
    DeadlineLock(const DeadlineLock&) = delete;
    DeadlineLock& operator=(const DeadlineLock&) = delete;
    bool Owns() const { return m_owns; }

private:
    DeadlineMutex& m_mutex;
    const bool m_owns;
};

}  // namespace zv::onvif
