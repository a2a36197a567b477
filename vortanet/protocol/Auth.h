// Challenge-response login: the client proves it knows the password by an
// HMAC over the server's fresh challenge, so the password itself never
// crosses the wire and an old proof is useless for a new challenge.
#pragma once

#include <string_view>

#include "Crypto.h"
#include "Messages.h"

namespace zv::proto {

// HMAC-SHA256 keyed by the password over
// "VNET-LOGIN-1" | challenge (32) | client nonce (16) | user length (1) | user.
Proof LoginProof(std::string_view password, const ChallengeBytes& challenge, const Nonce& nonce,
                 std::string_view user);

// Comparison whose time does not depend on where the first difference is.
bool ProofEqual(const Proof& a, const Proof& b);

}  // namespace zv::proto
