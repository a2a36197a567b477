#include "UsernameToken.h"

#include <algorithm>
#include <cmath>

#include "SimBase64.h"
#include "Crypto.h"
#include "IsoTime.h"

namespace zv::devsim {

namespace {
const char* const kSecext =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd";

// Constant time, so a digest cannot be guessed byte by byte from timings.
bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}
}  // namespace

const char* ToString(TokenVerdict v) {
    switch (v) {
    case TokenVerdict::Ok: return "ok";
    case TokenVerdict::Missing: return "missing";
    case TokenVerdict::Malformed: return "malformed";
    case TokenVerdict::PlainText: return "plain-text";
    case TokenVerdict::BadPassword: return "bad-password";
    case TokenVerdict::Stale: return "stale";
    case TokenVerdict::Replayed: return "replayed";
    }
    return "?";
}

bool FindUsernameToken(const XmlElement& header, UsernameToken& out) {
    const XmlElement* sec = header.Child(kSecext, "Security");
    const XmlElement* tok = sec ? sec->Child(kSecext, "UsernameToken") : nullptr;
    if (!tok) return false;
    out = UsernameToken{};
    if (const XmlElement* e = tok->Child("Username")) out.user = e->Value();
    if (const XmlElement* e = tok->Child("Password")) {
        out.password = e->Value();
        if (const std::string* t = e->Attribute("Type")) out.passwordType = *t;
    }
    if (const XmlElement* e = tok->Child("Nonce")) out.nonce = e->Value();
    // Created is in the utility namespace; some clients put it in secext.
    if (const XmlElement* e = tok->Child("Created")) out.created = e->Value();
    return true;
}

std::string PasswordDigest(const std::vector<uint8_t>& nonce, const std::string& created,
                           const std::string& password) {
    std::vector<uint8_t> msg(nonce);
    msg.insert(msg.end(), created.begin(), created.end());
    msg.insert(msg.end(), password.begin(), password.end());
    const proto::Sha1Digest d = proto::Sha1(msg.data(), msg.size());
    return Base64Encode(d.data(), d.size());
}

UsernameTokenVerifier::UsernameTokenVerifier(double toleranceSeconds, size_t maxNonces)
    : m_tolerance(toleranceSeconds), m_maxNonces(maxNonces < 1 ? 1 : maxNonces) {}

size_t UsernameTokenVerifier::RememberedNonces() const {
    std::lock_guard<std::mutex> lk(m_mu);
    return m_seen.size();
}

TokenVerdict UsernameTokenVerifier::Check(const UsernameToken& t, const std::string* password,
                                          double now) {
    auto endsWith = [](const std::string& s, const std::string& tail) {
        return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
    };
    // No Type means clear text, as does #PasswordText.
    if (!endsWith(t.passwordType, "#PasswordDigest"))
        return t.passwordType.empty() || endsWith(t.passwordType, "#PasswordText")
                   ? TokenVerdict::PlainText
                   : TokenVerdict::Malformed;
    if (t.user.empty() || t.password.empty() || t.nonce.empty() || t.created.empty())
        return TokenVerdict::Malformed;
    std::vector<uint8_t> nonce;
    double created = 0;
    if (!Base64Decode(t.nonce, nonce, kMaxNonceBytes) || nonce.empty() ||
        !ParseDateTime(t.created, created))
        return TokenVerdict::Malformed;
    // The digest first: only a holder of the password may make the device
    // remember a nonce.
    const std::string expected = PasswordDigest(nonce, t.created, password ? *password : "");
    if (!password || !SameText(expected, t.password)) return TokenVerdict::BadPassword;
    if (std::fabs(created - now) > m_tolerance) return TokenVerdict::Stale;

    const std::string key(nonce.begin(), nonce.end());
    std::lock_guard<std::mutex> lk(m_mu);
    // Forget what has gone stale.
    while (!m_byCreated.empty() && m_byCreated.begin()->first < now - m_tolerance) {
        m_seen.erase(m_byCreated.begin()->second);
        m_byCreated.erase(m_byCreated.begin());
    }
    if (created <= m_floor) return TokenVerdict::Replayed;
    if (m_seen.count(key)) return TokenVerdict::Replayed;
    while (m_seen.size() >= m_maxNonces) {
        m_floor = std::max(m_floor, m_byCreated.begin()->first);
        m_seen.erase(m_byCreated.begin()->second);
        m_byCreated.erase(m_byCreated.begin());
    }
    m_seen.insert(key);
    m_byCreated.emplace(created, key);
    return TokenVerdict::Ok;
}

}  // namespace zv::devsim
