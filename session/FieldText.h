// Text of the host's fixed-size record fields.
#pragma once

#include <cstddef>
#include <string_view>

namespace zv {

// Text of a fixed-size field: up to its first NUL, never past the field, so a
// host record without a terminator cannot make us read beyond it.
template <size_t N>
std::string_view FieldText(const char (&field)[N]) {
    size_t n = 0;
    while (n < N && field[n] != '\0') ++n;
    return std::string_view(field, n);
}

}  // namespace zv
