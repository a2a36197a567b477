// The two primitives the login handshake needs. Each platform supplies them
// from a well-kept library: CryptoNettle.cpp on Linux, the system's CNG on
// Windows. Nothing else in the protocol code depends on which.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zv::proto {

constexpr size_t kSha256Size = 32;
using Digest = std::array<uint8_t, kSha256Size>;

// HMAC-SHA256 of msg under key (RFC 2104 / FIPS 180-4).
Digest HmacSha256(const uint8_t* key, size_t keyLen, const uint8_t* msg, size_t msgLen);

// Fills out with bytes from the system's cryptographic random source;
// false if the source failed (the caller must then not use out).
bool RandomBytes(uint8_t* out, size_t n);

}  // namespace zv::proto
