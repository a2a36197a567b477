// Base64 (RFC 4648, standard alphabet) for the web-service side of the
// simulator and of the web-service build of the network library: tokens,
// Digest and Basic logins, SDP parameter sets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zv::proto {

std::string Base64Encode(const uint8_t* data, size_t n);
inline std::string Base64Encode(const std::string& s) {
    return Base64Encode(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

// Required: whole four-symbol groups with their padding and zero spare bits
// (a server checking a token). Optional: padding may be left out (a client
// reading what cameras write).
enum class Base64Padding { Required, Optional };

// Decodes text, skipping white space (XML values may be wrapped); false on a
// bad character, data after padding, a padding error as `padding` counts
// it, or more than maxOut bytes.
bool Base64Decode(const std::string& text, std::vector<uint8_t>& out, size_t maxOut,
                  Base64Padding padding = Base64Padding::Required);

}  // namespace zv::proto
