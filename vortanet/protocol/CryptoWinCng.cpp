// Windows side of Crypto.h: HMAC, hashes and randomness from the system's CNG.
#include <windows.h>
#include <bcrypt.h>

#include "Crypto.h"

namespace zv::proto {

Digest HmacSha256(const uint8_t* key, size_t keyLen, const uint8_t* msg, size_t msgLen) {
    Digest d{};
    // An empty key is the same HMAC key as a block of zeros; CNG refuses the
    // empty one.
    static const uint8_t kZeroKey[64] = {};
    if (keyLen == 0) {
        key = kZeroKey;
        keyLen = sizeof kZeroKey;
    }
    static const uint8_t kEmpty = 0;
    BCRYPT_ALG_HANDLE alg = nullptr;
    if (BCryptOpenAlgorithmProvider(&alg, BCRYPT_SHA256_ALGORITHM, nullptr,
                                    BCRYPT_ALG_HANDLE_HMAC_FLAG) < 0)
        return d;
    BCRYPT_HASH_HANDLE h = nullptr;
    if (BCryptCreateHash(alg, &h, nullptr, 0, const_cast<PUCHAR>(key), static_cast<ULONG>(keyLen),
                         0) >= 0) {
        BCryptHashData(h, const_cast<PUCHAR>(msg ? msg : &kEmpty), static_cast<ULONG>(msgLen), 0);
        BCryptFinishHash(h, d.data(), static_cast<ULONG>(d.size()), 0);
        BCryptDestroyHash(h);
    }
    BCryptCloseAlgorithmProvider(alg, 0);
    return d;
}

namespace {

// A provider opened once per algorithm and kept for the process: opening
// one costs more than the hash itself, and a handle serves many threads.
BCRYPT_ALG_HANDLE Provider(LPCWSTR algorithm) {
    BCRYPT_ALG_HANDLE alg = nullptr;
    return BCryptOpenAlgorithmProvider(&alg, algorithm, nullptr, 0) < 0 ? nullptr : alg;
}

// One plain hash through CNG; zeros if the provider fails.
template <size_t N>
std::array<uint8_t, N> PlainHash(BCRYPT_ALG_HANDLE alg, const uint8_t* msg, size_t msgLen) {
    std::array<uint8_t, N> d{};
    static const uint8_t kEmpty = 0;
    BCRYPT_HASH_HANDLE h = nullptr;
    if (alg && BCryptCreateHash(alg, &h, nullptr, 0, nullptr, 0, 0) >= 0) {
        BCryptHashData(h, const_cast<PUCHAR>(msg ? msg : &kEmpty), static_cast<ULONG>(msgLen), 0);
        BCryptFinishHash(h, d.data(), static_cast<ULONG>(d.size()), 0);
        BCryptDestroyHash(h);
    }
    return d;
}

}  // namespace

Sha1Digest Sha1(const uint8_t* msg, size_t msgLen) {
    static const BCRYPT_ALG_HANDLE alg = Provider(BCRYPT_SHA1_ALGORITHM);
    return PlainHash<kSha1Size>(alg, msg, msgLen);
}

Md5Digest Md5(const uint8_t* msg, size_t msgLen) {
    static const BCRYPT_ALG_HANDLE alg = Provider(BCRYPT_MD5_ALGORITHM);
    return PlainHash<kMd5Size>(alg, msg, msgLen);
}

Digest Sha256(const uint8_t* msg, size_t msgLen) {
    static const BCRYPT_ALG_HANDLE alg = Provider(BCRYPT_SHA256_ALGORITHM);
    return PlainHash<kSha256Size>(alg, msg, msgLen);
}

bool RandomBytes(uint8_t* out, size_t n) {
    return BCryptGenRandom(nullptr, out, static_cast<ULONG>(n), BCRYPT_USE_SYSTEM_PREFERRED_RNG) >=
           0;
}

}  // namespace zv::proto
