// The primitives the login handshake needs, and the two older hashes the
// simulator's web-service and streaming logins are defined with. Each
// platform supplies them from a well-kept library: CryptoNettle.cpp on Linux,
// the system's CNG on Windows. Nothing else depends on which.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zv::proto {

constexpr size_t kSha256Size = 32;
using Digest = std::array<uint8_t, kSha256Size>;

// HMAC-SHA256 of msg under key (RFC 2104 / FIPS 180-4).
Digest HmacSha256(const uint8_t* key, size_t keyLen, const uint8_t* msg, size_t msgLen);

constexpr size_t kSha1Size = 20;
constexpr size_t kMd5Size = 16;
using Sha1Digest = std::array<uint8_t, kSha1Size>;
using Md5Digest = std::array<uint8_t, kMd5Size>;

// Plain SHA-1 (FIPS 180-4) and MD5 (RFC 1321) of msg: password digests of
// web-service tokens and of HTTP/RTSP digest logins, nothing else.
Sha1Digest Sha1(const uint8_t* msg, size_t msgLen);
Md5Digest Md5(const uint8_t* msg, size_t msgLen);
// Plain SHA-256: the newer HTTP Digest logins cameras offer.
Digest Sha256(const uint8_t* msg, size_t msgLen);

// Fills out with bytes from the system's cryptographic random source;
// false if the source failed (the caller must then not use out).
bool RandomBytes(uint8_t* out, size_t n);

}  // namespace zv::proto
