// Base64 (standard alphabet, padded) for tokens and Digest/Basic logins,
// and the SDP's parameter sets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zv::onvif {

std::string Base64Encode(const uint8_t* data, size_t n);
inline std::string Base64Encode(const std::string& s) {
    return Base64Encode(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}
// Skips white space; padding optional; false on a bad character or more
// than maxOut bytes.
bool Base64Decode(const std::string& text, std::vector<uint8_t>& out, size_t maxOut);

// Lower-case hex of bytes (Digest responses).
std::string HexLower(const uint8_t* data, size_t n);

}  // namespace zv::onvif
