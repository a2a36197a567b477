// Linux side of Crypto.h: HMAC and hashes from nettle, randomness from the kernel.
#include "Crypto.h"

#include <errno.h>
#include <nettle/hmac.h>
#include <nettle/md5.h>
#include <nettle/sha1.h>
#include <nettle/sha2.h>
#include <sys/random.h>

namespace zv::proto {

Digest HmacSha256(const uint8_t* key, size_t keyLen, const uint8_t* msg, size_t msgLen) {
    static const uint8_t kEmpty = 0;
    hmac_sha256_ctx ctx;
    hmac_sha256_set_key(&ctx, keyLen, key ? key : &kEmpty);
    hmac_sha256_update(&ctx, msgLen, msg ? msg : &kEmpty);
    Digest d{};
    hmac_sha256_digest(&ctx, d.size(), d.data());
    return d;
}

Sha1Digest Sha1(const uint8_t* msg, size_t msgLen) {
    static const uint8_t kEmpty = 0;
    sha1_ctx ctx;
    sha1_init(&ctx);
    sha1_update(&ctx, msgLen, msg ? msg : &kEmpty);
    Sha1Digest d{};
    sha1_digest(&ctx, d.size(), d.data());
    return d;
}

Md5Digest Md5(const uint8_t* msg, size_t msgLen) {
    static const uint8_t kEmpty = 0;
    md5_ctx ctx;
    md5_init(&ctx);
    md5_update(&ctx, msgLen, msg ? msg : &kEmpty);
    Md5Digest d{};
    md5_digest(&ctx, d.size(), d.data());
    return d;
}

Digest Sha256(const uint8_t* msg, size_t msgLen) {
    static const uint8_t kEmpty = 0;
    sha256_ctx ctx;
    sha256_init(&ctx);
    sha256_update(&ctx, msgLen, msg ? msg : &kEmpty);
    Digest d{};
    sha256_digest(&ctx, d.size(), d.data());
    return d;
}

bool RandomBytes(uint8_t* out, size_t n) {
    while (n > 0) {
        const ssize_t got = getrandom(out, n, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        out += got;
        n -= static_cast<size_t>(got);
    }
    return true;
}

}  // namespace zv::proto
