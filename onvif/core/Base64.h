// What cameras write is read leniently (padding optional); and hex for
// Digest responses.
#pragma once

#include "Base64Codec.h"

namespace zv::onvif {

using proto::Base64Encode;
inline bool Base64Decode(const std::string& text, std::vector<uint8_t>& out, size_t maxOut) {
    return proto::Base64Decode(text, out, maxOut, proto::Base64Padding::Optional);
}

// Lower-case hex of bytes (Digest responses).
std::string HexLower(const uint8_t* data, size_t n);

}  // namespace zv::onvif
