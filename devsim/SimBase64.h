// The simulator checks tokens strictly: padding required.
#pragma once

#include "Base64Codec.h"

namespace zv::devsim {

using proto::Base64Encode;
inline bool Base64Decode(const std::string& text, std::vector<uint8_t>& out, size_t maxOut) {
    return proto::Base64Decode(text, out, maxOut, proto::Base64Padding::Required);
}

}  // namespace zv::devsim
