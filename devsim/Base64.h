// Base64 (RFC 4648, standard alphabet, padded) for the web-service tokens.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zv::devsim {

std::string Base64Encode(const uint8_t* data, size_t n);
// Decodes text, skipping white space (XML values may be wrapped); false on a
// bad character, bad padding, or more than maxOut bytes.
bool Base64Decode(const std::string& text, std::vector<uint8_t>& out, size_t maxOut);

}  // namespace zv::devsim
