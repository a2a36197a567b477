// The platform-neutral parts of Socket.h.
#include <chrono>

#include "Socket.h"

namespace zv::net {

bool ParseIPv4(const std::string& text, uint8_t out[4]) {
    size_t i = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (i >= text.size() || text[i] != '.') return false;
            ++i;
        }
        unsigned v = 0;
        size_t digits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4) {
            v = v * 10 + static_cast<unsigned>(text[i] - '0');
            ++i;
            ++digits;
        }
        if (digits == 0 || digits > 3 || v > 255) return false;
        out[part] = static_cast<uint8_t>(v);
    }
    return i == text.size();
}

bool IsLoopbackIPv4(const std::string& text) {
    uint8_t a[4];
    return ParseIPv4(text, a) && a[0] == 127;
}

Socket::Wait Socket::WaitConnected(int timeoutMs, const std::atomic<bool>* stop) const {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (stop && stop->load()) return Wait::Timeout;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0) return Wait::Timeout;
        const Wait w = WaitWritable(static_cast<int>(left.count() < 50 ? left.count() : 50));
        if (w != Wait::Timeout) return w;
    }
}

bool Socket::SendAll(const void* buf, size_t n, int timeoutMs, const std::atomic<bool>* stop) {
    PrepareSend(timeoutMs);
    const auto* p = static_cast<const uint8_t*>(buf);
    auto lastProgress = std::chrono::steady_clock::now();
    while (n > 0) {
        if (stop && stop->load()) return false;
        const long r = Send(p, n);
        if (r < 0) return false;
        if (r > 0) {
            p += r;
            n -= static_cast<size_t>(r);
            lastProgress = std::chrono::steady_clock::now();
            continue;
        }
        if (std::chrono::steady_clock::now() - lastProgress > std::chrono::milliseconds(timeoutMs))
            return false;
        if (WaitWritable(50) == Wait::Error) return false;
    }
    return true;
}

}  // namespace zv::net
