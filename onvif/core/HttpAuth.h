// The client side of HTTP (and RTSP) logins: the server's challenges read
// from its WWW-Authenticate headers, and the Authorization header answered
// for each request. Digest with SHA-256 or MD5 (and their -sess forms),
// qop "auth" or none; nothing is sent before a server asks. Basic is never
// answered: over plain HTTP and RTSP it would put the password on the wire
// in the clear, so a server that offers only Basic is a refused login.
// One per server and kind of connection: a challenge is only ever
// answered to the server that made it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace zv::onvif {

struct AuthChallenge {
    std::string scheme;                         // lower case: "digest", "basic", ...
    std::map<std::string, std::string> params;  // names lower case, values unquoted
};

// Every challenge in the headers' values; a value may hold several
// ("Digest realm=..., Basic realm=..."). Malformed ones are skipped;
// bounded to 16 challenges of 32 parameters.
std::vector<AuthChallenge> ParseChallenges(const std::vector<std::string>& headerValues);

class HttpAuth {
public:
    enum class Scheme { None, Digest };

    HttpAuth() = default;
    HttpAuth(std::string user, std::string password)
        : m_user(std::move(user)), m_password(std::move(password)) {}
    // Tests: a fixed client nonce instead of a random one.
    void SetClientNonce(std::string cnonce) { m_fixedCnonce = std::move(cnonce); }

    // A 401's challenges. True if the request is worth sending again with
    // the answer: Digest we can answer, and not a refusal of the very
    // challenge we answered (one marked stale=true is worth another try).
    // Callers bound their retries per request all the same.
    bool OnChallenge(const std::vector<std::string>& headerValues);
    // The Authorization value for this request, empty while no server has
    // asked for one.
    std::string Authorization(const std::string& method, const std::string& uri);
    Scheme Active() const { return m_scheme; }
    const std::string& Algorithm() const { return m_algorithm; }
    // Forget the challenge (a new connection to another server).
    void Reset();

private:
    std::string Hash(const std::string& text) const;

    std::string m_user, m_password;
    std::string m_fixedCnonce;
    Scheme m_scheme = Scheme::None;
    std::string m_realm, m_nonce, m_opaque, m_algorithm, m_qop;
    bool m_sess = false;
    bool m_userhash = false;
    uint32_t m_nc = 0;
    std::string m_cnonce;
};

}  // namespace zv::onvif
