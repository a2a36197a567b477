#include "DigestAuth.h"

#include <cctype>

#include "Crypto.h"
#include "SimHttpMessage.h"

namespace zv::devsim {

namespace {

std::string Hex(const uint8_t* p, size_t n) {
    static const char* k = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += k[p[i] >> 4];
        s += k[p[i] & 15];
    }
    return s;
}

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

}  // namespace

DigestAuth::DigestAuth(std::string realm, double nonceLifetime)
    : m_realm(std::move(realm)), m_lifetime(nonceLifetime) {
    proto::RandomBytes(m_secret.data(), m_secret.size());
}

std::string DigestAuth::Md5Hex(const std::string& text) {
    const proto::Md5Digest d =
        proto::Md5(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    return Hex(d.data(), d.size());
}

std::string DigestAuth::MakeNonce(uint64_t minted) const {
    uint8_t t[8];
    for (int i = 0; i < 8; ++i) t[i] = static_cast<uint8_t>(minted >> (56 - 8 * i));
    const proto::Digest mac = proto::HmacSha256(m_secret.data(), m_secret.size(), t, sizeof t);
    return Hex(t, sizeof t) + Hex(mac.data(), 16);
}

std::string DigestAuth::Challenge(double now, bool stale) const {
    std::string c = "Digest realm=\"" + m_realm + "\", nonce=\"" +
                    MakeNonce(static_cast<uint64_t>(now)) + "\", algorithm=MD5, qop=\"auth\"";
    if (stale) c += ", stale=true";
    return c;
}

bool DigestAuth::ParseParams(const std::string& header, std::map<std::string, std::string>& out) {
    out.clear();
    size_t p = 0;
    const std::string& s = header;
    while (p < s.size() && s[p] == ' ') ++p;
    const size_t sp = s.find(' ', p);
    if (sp == std::string::npos || !EqualsNoCase(s.substr(p, sp - p), "Digest")) return false;
    p = sp;
    while (p < s.size()) {
        while (p < s.size() && (s[p] == ' ' || s[p] == ',' || s[p] == '\t')) ++p;
        if (p >= s.size()) break;
        const size_t eq = s.find('=', p);
        if (eq == std::string::npos) return false;
        std::string key = Trim(s.substr(p, eq - p));
        for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (key.empty() || out.size() >= 16) return false;
        p = eq + 1;
        while (p < s.size() && s[p] == ' ') ++p;
        std::string value;
        if (p < s.size() && s[p] == '"') {
            ++p;
            for (;;) {
                if (p >= s.size()) return false;
                if (s[p] == '\\' && p + 1 < s.size()) {
                    value += s[p + 1];
                    p += 2;
                } else if (s[p] == '"') {
                    ++p;
                    break;
                } else {
                    value += s[p++];
                }
            }
        } else {
            const size_t end = s.find(',', p);
            value = Trim(s.substr(p, end == std::string::npos ? std::string::npos : end - p));
            p = end == std::string::npos ? s.size() : end;
        }
        if (out.count(key)) return false;
        out[key] = value;
    }
    return true;
}

DigestAuth::Verdict DigestAuth::Check(const std::string* authorization, const std::string& method,
                                      const std::string& target, const std::vector<User>& users,
                                      double now, std::string* userOut) const {
    if (!authorization) return Verdict::Missing;
    std::map<std::string, std::string> p;
    if (!ParseParams(*authorization, p)) return Verdict::Malformed;
    for (const char* k : {"username", "realm", "nonce", "uri", "response"})
        if (!p.count(k)) return Verdict::Malformed;
    if (p.count("algorithm") && !EqualsNoCase(p["algorithm"], "MD5")) return Verdict::Denied;
    const std::string& nonce = p["nonce"];
    if (p["realm"] != m_realm || nonce.size() != 48) return Verdict::Denied;
    // The nonce must be one of ours: its time, re-signed, gives it back.
    uint64_t minted = 0;
    for (size_t i = 0; i < 16; ++i) {
        const char c = nonce[i];
        const int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (v < 0) return Verdict::Denied;
        minted = minted << 4 | static_cast<uint64_t>(v);
    }
    if (!SameText(MakeNonce(minted), nonce)) return Verdict::Denied;
    // The uri must name this request: the same absolute URL, or its path.
    const std::string& uri = p["uri"];
    if (uri != target) {
        HttpRequest r;
        r.target = target;
        const size_t q = target.find('?');
        if (uri != r.Path() + (q == std::string::npos ? "" : target.substr(q)))
            return Verdict::Denied;
    }
    const User* user = nullptr;
    for (const auto& u : users)
        if (u.name == p["username"]) user = &u;
    const std::string ha1 =
        Md5Hex(p["username"] + ":" + m_realm + ":" + (user ? user->password : std::string()));
    const std::string ha2 = Md5Hex(method + ":" + uri);
    std::string expected;
    if (p.count("qop")) {
        if (p["qop"] != "auth" || !p.count("nc") || !p.count("cnonce")) return Verdict::Malformed;
        expected = Md5Hex(ha1 + ":" + nonce + ":" + p["nc"] + ":" + p["cnonce"] + ":auth:" + ha2);
    } else {
        expected = Md5Hex(ha1 + ":" + nonce + ":" + ha2);
    }
    if (!user || !SameText(expected, p["response"])) return Verdict::Denied;
    // Right, but with an old nonce: the client retries with a fresh one.
    if (now - static_cast<double>(minted) > m_lifetime || static_cast<double>(minted) > now + 1)
        return Verdict::Stale;
    if (userOut) *userOut = user->name;
    return Verdict::Ok;
}

}  // namespace zv::devsim
