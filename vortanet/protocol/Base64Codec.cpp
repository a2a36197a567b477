#include "Base64Codec.h"

namespace zv::proto {

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Sextet(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::string Base64Encode(const uint8_t* data, size_t n) {
    std::string out;
    out.reserve((n + 2) / 3 * 4);
    for (size_t i = 0; i < n; i += 3) {
        const uint32_t v = static_cast<uint32_t>(data[i]) << 16 |
                           (i + 1 < n ? static_cast<uint32_t>(data[i + 1]) << 8 : 0) |
                           (i + 2 < n ? data[i + 2] : 0);
        out += kAlphabet[v >> 18 & 63];
        out += kAlphabet[v >> 12 & 63];
        out += i + 1 < n ? kAlphabet[v >> 6 & 63] : '=';
        out += i + 2 < n ? kAlphabet[v & 63] : '=';
    }
    return out;
}

bool Base64Decode(const std::string& text, std::vector<uint8_t>& out, size_t maxOut, Base64Padding padding) {
    out.clear();
    uint32_t acc = 0;
    int bits = 0, pad = 0;
    size_t symbols = 0;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        ++symbols;
        if (c == '=') {
            if (++pad > 2) return false;
            continue;
        }
        if (pad > 0) return false;  // data after padding
        const int v = Sextet(c);
        if (v < 0) return false;
        acc = (acc << 6) | static_cast<uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            if (out.size() >= maxOut) return false;
            out.push_back(static_cast<uint8_t>(acc >> bits));
            acc &= (1u << bits) - 1;
        }
    }
    if (padding == Base64Padding::Optional) return bits < 6;  // a lone sixth of a byte is no encoding
    // Whole quads only, and the bits left over by padding must be zero.
    return symbols % 4 == 0 && acc == 0;
}

}  // namespace zv::proto
