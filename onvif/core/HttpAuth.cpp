#include "HttpAuth.h"

#include <cctype>
#include <cstdio>

#include "Base64.h"  // HexLower
#include "Crypto.h"

namespace zv::onvif {

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
bool IsTokenChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || std::string("!#$%&'*+-.^_`|~").find(c) != std::string::npos;
}

// A small cursor over one header value.
struct Cursor {
    const std::string& s;
    size_t p = 0;
    void Space() {
        while (p < s.size() && (s[p] == ' ' || s[p] == '\t')) ++p;
    }
    bool Token(std::string& out) {
        const size_t start = p;
        while (p < s.size() && IsTokenChar(s[p])) ++p;
        out = s.substr(start, p - start);
        return !out.empty();
    }
    bool Quoted(std::string& out) {
        if (p >= s.size() || s[p] != '"') return false;
        ++p;
        out.clear();
        while (p < s.size() && s[p] != '"') {
            if (s[p] == '\\' && p + 1 < s.size()) ++p;
            out += s[p++];
            if (out.size() > 1024) return false;
        }
        if (p >= s.size()) return false;
        ++p;
        return true;
    }
};

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::vector<AuthChallenge> ParseChallenges(const std::vector<std::string>& values) {
    std::vector<AuthChallenge> out;
    for (const std::string& v : values) {
        Cursor c{v};
        AuthChallenge* cur = nullptr;
        bool broken = false;
        while (!broken && out.size() <= 16) {
            c.Space();
            while (c.p < v.size() && v[c.p] == ',') {
                ++c.p;
                c.Space();
            }
            if (c.p >= v.size()) break;
            std::string token;
            if (!c.Token(token)) {
                broken = true;
                break;
            }
            c.Space();
            if (c.p < v.size() && v[c.p] == '=' && cur) {
                // name=value of the current challenge (token68 "abc==" is
                // taken as a parameter-less value and ignored).
                ++c.p;
                c.Space();
                std::string value;
                if (c.p < v.size() && v[c.p] == '"') {
                    if (!c.Quoted(value)) {
                        broken = true;
                        break;
                    }
                } else {
                    c.Token(value);
                }
                if (cur->params.size() < 32) cur->params[Lower(token)] = value;
                continue;
            }
            // A new scheme.
            out.push_back({Lower(token), {}});
            cur = &out.back();
            if (out.size() > 16) break;
        }
        if (broken && cur && cur->params.empty()) out.pop_back();
    }
    if (out.size() > 16) out.resize(16);
    return out;
}

void HttpAuth::Reset() {
    m_scheme = Scheme::None;
    m_realm.clear();
    m_nonce.clear();
    m_opaque.clear();
    m_algorithm.clear();
    m_qop.clear();
    m_nc = 0;
}

bool HttpAuth::OnChallenge(const std::vector<std::string>& values) {
    const std::vector<AuthChallenge> all = ParseChallenges(values);
    // The strongest we can answer: Digest SHA-256, then Digest MD5 (Basic,
    // the password in the clear, never).
    const AuthChallenge* best = nullptr;
    int bestRank = 0;
    for (const AuthChallenge& c : all) {
        int rank = 0;
        if (c.scheme == "digest") {
            auto it = c.params.find("algorithm");
            const std::string alg = it == c.params.end() ? "md5" : Lower(it->second);
            if (!c.params.count("nonce")) continue;
            if (alg == "sha-256" || alg == "sha-256-sess") rank = 3;
            else if (alg == "md5" || alg == "md5-sess") rank = 2;
            // A qop list without "auth" (auth-int only) we cannot answer.
            auto q = c.params.find("qop");
            if (q != c.params.end()) {
                bool authOk = false;
                std::string item;
                for (size_t i = 0; i <= q->second.size(); ++i) {
                    if (i == q->second.size() || q->second[i] == ',') {
                        size_t a = item.find_first_not_of(" \t"), b = item.find_last_not_of(" \t");
                        if (a != std::string::npos && Lower(item.substr(a, b - a + 1)) == "auth") authOk = true;
                        item.clear();
                    } else {
                        item += q->second[i];
                    }
                }
                if (!authOk) rank = 0;
            }
        }
        if (rank > bestRank) {
            best = &c;
            bestRank = rank;
        }
    }
    if (!best) return false;
    auto get = [&](const char* k) {
        auto it = best->params.find(k);
        return it == best->params.end() ? std::string() : it->second;
    };
    const bool stale = Lower(get("stale")) == "true";
    // The server refused what we answered with this very challenge: the
    // credentials are wrong (unless it only says the nonce aged).
    if (m_scheme == Scheme::Digest && !stale && get("nonce") == m_nonce && m_nc > 0) return false;
    m_scheme = Scheme::Digest;
    m_realm = get("realm");
    m_nonce = get("nonce");
    m_opaque = get("opaque");
    const std::string alg = Lower(get("algorithm"));
    m_algorithm = alg.empty() ? "MD5" : get("algorithm");
    m_sess = alg.size() > 5 && alg.compare(alg.size() - 5, 5, "-sess") == 0;
    m_userhash = Lower(get("userhash")) == "true";
    m_qop = best->params.count("qop") ? "auth" : "";
    m_nc = 0;
    return true;
}

std::string HttpAuth::Hash(const std::string& text) const {
    const auto* p = reinterpret_cast<const uint8_t*>(text.data());
    if (Lower(m_algorithm).compare(0, 7, "sha-256") == 0) {
        const auto d = proto::Sha256(p, text.size());
        return HexLower(d.data(), d.size());
    }
    const auto d = proto::Md5(p, text.size());
    return HexLower(d.data(), d.size());
}

std::string HttpAuth::Authorization(const std::string& method, const std::string& uri) {
    if (m_scheme != Scheme::Digest) return {};
    ++m_nc;
    if (!m_fixedCnonce.empty()) {
        m_cnonce = m_fixedCnonce;
    } else if (m_cnonce.empty() || m_nc == 1) {
        uint8_t b[8] = {};
        proto::RandomBytes(b, sizeof b);
        m_cnonce = HexLower(b, sizeof b);
    }
    char nc[9];
    std::snprintf(nc, sizeof nc, "%08x", static_cast<unsigned>(m_nc));
    std::string ha1 = Hash(m_user + ":" + m_realm + ":" + m_password);
    if (m_sess) ha1 = Hash(ha1 + ":" + m_nonce + ":" + m_cnonce);
    const std::string ha2 = Hash(method + ":" + uri);
    const std::string response =
        m_qop.empty() ? Hash(ha1 + ":" + m_nonce + ":" + ha2)
                      : Hash(ha1 + ":" + m_nonce + ":" + nc + ":" + m_cnonce + ":" + m_qop + ":" + ha2);
    const std::string user = m_userhash ? Hash(m_user + ":" + m_realm) : m_user;
    std::string h = "Digest username=" + Quote(user) + ", realm=" + Quote(m_realm) +
                    ", nonce=" + Quote(m_nonce) + ", uri=" + Quote(uri) + ", response=\"" + response + "\"";
    if (m_algorithm != "MD5" || m_sess) h += ", algorithm=" + m_algorithm;
    if (!m_opaque.empty()) h += ", opaque=" + Quote(m_opaque);
    if (!m_qop.empty()) h += ", qop=" + m_qop + ", nc=" + nc + ", cnonce=\"" + m_cnonce + "\"";
    if (m_userhash) h += ", userhash=true";
    return h;
}

}  // namespace zv::onvif
