#include "Auth.h"

#include <cstring>
#include <vector>

namespace zv::proto {

Proof LoginProof(std::string_view password, const ChallengeBytes& challenge, const Nonce& nonce,
                 std::string_view user) {
    static const char kLabel[] = "VNET-LOGIN-1";
    std::vector<uint8_t> msg;
    msg.reserve(sizeof kLabel + challenge.size() + nonce.size() + 1 + user.size());
    msg.insert(msg.end(), kLabel, kLabel + sizeof kLabel - 1);
    msg.insert(msg.end(), challenge.begin(), challenge.end());
    msg.insert(msg.end(), nonce.begin(), nonce.end());
    const size_t n = user.size() < kMaxUserName ? user.size() : kMaxUserName;
    msg.push_back(static_cast<uint8_t>(n));
    msg.insert(msg.end(), user.begin(), user.begin() + static_cast<std::ptrdiff_t>(n));
    const Digest d = HmacSha256(reinterpret_cast<const uint8_t*>(password.data()), password.size(),
                                msg.data(), msg.size());
    Proof p;
    std::memcpy(p.data(), d.data(), p.size());
    return p;
}

bool ProofEqual(const Proof& a, const Proof& b) {
    uint8_t diff = 0;
    for (size_t i = 0; i < a.size(); ++i) diff |= static_cast<uint8_t>(a[i] ^ b[i]);
    return diff == 0;
}

}  // namespace zv::proto
