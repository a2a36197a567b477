// HTTP Digest login (the MD5 form) for RTSP and the snapshot URL. The
// challenge offers qop="auth", as cameras do; answers without qop (the
// older form) are taken too. Nonces carry the time they were made and an
// HMAC of it under a per-device secret: nothing is kept per client, and a
// nonce ages out by itself (the client is then told it is stale and retries).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "DeviceOptions.h"

namespace zv::devsim {

class DigestAuth {
public:
    enum class Verdict { Ok, Missing, Malformed, Stale, Denied };

    // nonceLifetime in seconds.
    DigestAuth(std::string realm, double nonceLifetime);

    // The WWW-Authenticate value for a 401.
    std::string Challenge(double now, bool stale) const;
    // Checks an Authorization header (null when absent) of a request with
    // this method and target; the user's name goes to *user on success.
    Verdict Check(const std::string* authorization, const std::string& method,
                  const std::string& target, const std::vector<User>& users, double now,
                  std::string* user) const;

    // "Digest a=b, c="d"" -> {a:b, c:d}; false if the scheme is not Digest
    // or the list is malformed.
    static bool ParseParams(const std::string& header, std::map<std::string, std::string>& out);
    static std::string Md5Hex(const std::string& text);

private:
    std::string MakeNonce(uint64_t minted) const;

    const std::string m_realm;
    const double m_lifetime;
    std::array<uint8_t, 32> m_secret{};
};

}  // namespace zv::devsim
