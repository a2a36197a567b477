// How long the device holds a video frame between rendering it and handing it
// to the socket: the stream thread's render and the session's queue. Kept as
// a lock-free histogram so that the writers of every session add to it
// without a lock, and read (and restarted) through the control port.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>

namespace zv::devsim {

// Microseconds since 1970 on this machine's clock, as frames are stamped.
inline uint64_t WallMicros() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count());
}

class StageHistogram {
public:
    static constexpr uint32_t kBucketUs = 100;
    static constexpr size_t kBuckets = 2000;  // 0.1 ms each up to 200 ms; the last takes the rest

    void Add(uint64_t us) {
        const size_t i = static_cast<size_t>(std::min<uint64_t>(us / kBucketUs, kBuckets - 1));
        m_buckets[i].fetch_add(1, std::memory_order_relaxed);
    }
    void Reset() {
        for (auto& b : m_buckets) b.store(0, std::memory_order_relaxed);
    }
    uint64_t Count() const {
        uint64_t n = 0;
        for (const auto& b : m_buckets) n += b.load(std::memory_order_relaxed);
        return n;
    }
    // The q-quantile in µs, at the top of its bucket; 0 when empty.
    uint64_t Quantile(double q) const {
        std::array<uint64_t, kBuckets> snap{};
        uint64_t n = 0;
        for (size_t i = 0; i < kBuckets; ++i) n += snap[i] = m_buckets[i].load(std::memory_order_relaxed);
        if (n == 0) return 0;
        const auto need = static_cast<uint64_t>(q * static_cast<double>(n) + 0.999999);
        uint64_t seen = 0;
        for (size_t i = 0; i < kBuckets; ++i) {
            seen += snap[i];
            if (seen >= need && need > 0) return (i + 1) * kBucketUs;
        }
        return kBuckets * kBucketUs;
    }

private:
    std::array<std::atomic<uint64_t>, kBuckets> m_buckets{};
};

}  // namespace zv::devsim
