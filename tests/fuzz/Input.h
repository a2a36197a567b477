// A fuzz input read front to back, and its writer for the committed seeds.
// Each read takes as many bytes as its range needs (little-endian) and the
// writer puts down the same bytes, so a seed is simply the calls a harness
// makes, written in order. An exhausted input reads as zeros.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

namespace zv::fuzz {

namespace detail {
// Bytes a value in [0, range] takes.
inline size_t Width(uint64_t range) {
    return range == 0 ? 0 : range <= 0xFF ? 1 : range <= 0xFFFF ? 2 : range <= 0xFFFFFFFFu ? 4 : 8;
}
}  // namespace detail

class Input {
public:
    Input(const uint8_t* p, size_t n) : m_p(p), m_n(n) {}

    size_t Remaining() const { return m_n - m_pos; }

    template <class T>
    T Range(T min, T max) {
        static_assert(std::is_integral<T>::value, "integers only");
        const uint64_t range = static_cast<uint64_t>(max) - static_cast<uint64_t>(min);
        uint64_t raw = 0;
        const size_t width = detail::Width(range);
        for (size_t i = 0; i < width && m_pos < m_n; ++i) raw |= uint64_t{m_p[m_pos++]} << (8 * i);
        if (range != UINT64_MAX) raw %= range + 1;
        return static_cast<T>(static_cast<uint64_t>(min) + raw);
    }
    template <class T>
    T Int() {
        return Range<T>(std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
    }
    bool Bool() { return Range<uint8_t>(0, 1) != 0; }
    // Up to n bytes (fewer at the end of the input).
    std::vector<uint8_t> Bytes(size_t n) {
        n = n < Remaining() ? n : Remaining();
        std::vector<uint8_t> out(m_p + m_pos, m_p + m_pos + n);
        m_pos += n;
        return out;
    }
    std::string Text(size_t max) {
        const std::vector<uint8_t> b = Bytes(Range<size_t>(0, max));
        return std::string(b.begin(), b.end());
    }
    template <class T, size_t N>
    T Pick(const T (&values)[N]) {
        return values[Range<size_t>(0, N - 1)];
    }

private:
    const uint8_t* m_p;
    size_t m_n;
    size_t m_pos = 0;
};

// Writes what an Input reads: the same calls, with the values wanted.
class SeedWriter {
public:
    template <class T>
    SeedWriter& Range(T min, T max, T value) {
        const uint64_t raw = static_cast<uint64_t>(value) - static_cast<uint64_t>(min);
        const size_t width = detail::Width(static_cast<uint64_t>(max) - static_cast<uint64_t>(min));
        for (size_t i = 0; i < width; ++i) m_out.push_back(static_cast<uint8_t>(raw >> (8 * i)));
        return *this;
    }
    template <class T>
    SeedWriter& Int(T value) {
        return Range<T>(std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), value);
    }
    SeedWriter& Bool(bool value) { return Range<uint8_t>(0, 1, value ? 1 : 0); }
    SeedWriter& Bytes(const void* p, size_t n) {
        const auto* b = static_cast<const uint8_t*>(p);
        m_out.insert(m_out.end(), b, b + n);
        return *this;
    }
    SeedWriter& Bytes(const std::vector<uint8_t>& b) { return Bytes(b.data(), b.size()); }
    SeedWriter& Text(size_t max, const std::string& s) {
        Range<size_t>(0, max, s.size());
        return Bytes(s.data(), s.size());
    }
    template <class T, size_t N>
    SeedWriter& Pick(const T (&values)[N], const T& value) {
        for (size_t i = 0; i < N; ++i)
            if (values[i] == value) return Range<size_t>(0, N - 1, i);
        return Range<size_t>(0, N - 1, 0);
    }
    const std::vector<uint8_t>& Data() const { return m_out; }

private:
    std::vector<uint8_t> m_out;
};

}  // namespace zv::fuzz
