#include "Base64.h"

namespace zv::onvif {

std::string HexLower(const uint8_t* data, size_t n) {
    static const char k[] = "0123456789abcdef";
    std::string out;
    out.reserve(n * 2);
    for (size_t i = 0; i < n; ++i) {
        out += k[data[i] >> 4];
        out += k[data[i] & 15];
    }
    return out;
}

}  // namespace zv::onvif
