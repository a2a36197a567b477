// The web services' login: a WS-Security UsernameToken with a password
// digest, Base64(SHA-1(nonce + created + password)), in the SOAP header.
// The verifier checks the digest, that Created lies within the tolerance of
// the device's clock, and that no nonce is used twice; the nonces it
// remembers are bounded (see NonceCache below). Pure: the clock is passed
// in, so tests can set it.
#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Xml.h"

namespace zv::devsim {

struct UsernameToken {
    std::string user;
    std::string password;      // the digest, Base64, as sent
    std::string passwordType;  // the Type attribute
    std::string nonce;         // Base64, as sent
    std::string created;       // xs:dateTime, as sent
};

enum class TokenVerdict {
    Ok,
    Missing,      // no Security header or no UsernameToken in it
    Malformed,    // a part missing or not decodable
    PlainText,    // a clear-text password: refused
    BadPassword,  // unknown user or wrong digest (not told apart)
    Stale,        // Created too far from the device's clock
    Replayed,     // the nonce was seen before
};

const char* ToString(TokenVerdict v);

// The token in a SOAP Header element; false if there is none.
bool FindUsernameToken(const XmlElement& header, UsernameToken& out);
// Base64(SHA-1(nonce + created + password)) with the nonce already decoded.
std::string PasswordDigest(const std::vector<uint8_t>& nonce, const std::string& created,
                           const std::string& password);

class UsernameTokenVerifier {
public:
    static constexpr size_t kMaxNonceBytes = 64;

    // toleranceSeconds: how far Created may be from the device's clock either
    // way; maxNonces: how many nonces are remembered.
    UsernameTokenVerifier(double toleranceSeconds, size_t maxNonces);

    // password: the user's password, or null for an unknown user.
    // deviceNow: the device's clock, seconds since 1970 UTC. Thread-safe.
    TokenVerdict Check(const UsernameToken& token, const std::string* password, double deviceNow);

    size_t RememberedNonces() const;
    double Tolerance() const { return m_tolerance; }

private:
    const double m_tolerance;
    const size_t m_maxNonces;
    mutable std::mutex m_mu;
    // Nonces seen, by their Created time. A nonce is remembered until its
    // Created falls out of the tolerance (it would be stale then anyway).
    // When the cache is full the oldest goes, and m_floor rises to its
    // Created: from then on nothing created at or before the floor is
    // accepted, so an evicted nonce can never be replayed.
    std::multimap<double, std::string> m_byCreated;
    std::set<std::string> m_seen;
    double m_floor = -1;
};

}  // namespace zv::devsim
