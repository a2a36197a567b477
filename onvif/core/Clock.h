// Milliseconds of the monotonic clock, for deadlines.
#pragma once

#include <chrono>
#include <cstdint>

namespace zv::onvif {

inline int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace zv::onvif
