// Logins of the web services and RTSP: the hashes against published
// vectors, the UsernameToken digest, its clock tolerance and replay memory
// (bounded), and HTTP Digest with our self-checking nonces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimBase64.h"
#include "Crypto.h"
#include "DigestAuth.h"
#include "IsoTime.h"
#include "UsernameToken.h"

using namespace zv::devsim;

namespace {

template <size_t N>
std::string Hex(const std::array<uint8_t, N>& d) {
    static const char* k = "0123456789abcdef";
    std::string s;
    for (uint8_t b : d) {
        s += k[b >> 4];
        s += k[b & 15];
    }
    return s;
}

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

const char* const kDigestType =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-username-token-profile-1.0"
    "#PasswordDigest";

// A token as a client makes it, for a nonce and a time.
UsernameToken MakeToken(const std::string& user, const std::string& password,
                        const std::string& nonceText, double created) {
    UsernameToken t;
    t.user = user;
    t.passwordType = kDigestType;
    t.nonce = Base64Encode(Bytes(nonceText), nonceText.size());
    t.created = FormatDateTime(created);
    std::vector<uint8_t> nonce(nonceText.begin(), nonceText.end());
    t.password = PasswordDigest(nonce, t.created, password);
    return t;
}

}  // namespace

TEST(WebAuth, HashesMatchPublishedVectors) {
    EXPECT_EQ(Hex(zv::proto::Sha1(nullptr, 0)), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(Hex(zv::proto::Sha1(Bytes("abc"), 3)), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(Hex(zv::proto::Md5(nullptr, 0)), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Hex(zv::proto::Md5(Bytes("abc"), 3)), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(WebAuth, Base64RoundTripsAndRefusesBadText) {
    for (const std::string s : {"", "f", "fo", "foo", "foob", "fooba", "foobar"}) {
        const std::string enc = Base64Encode(Bytes(s), s.size());
        std::vector<uint8_t> dec;
        ASSERT_TRUE(Base64Decode(enc, dec, 64)) << enc;
        EXPECT_EQ(std::string(dec.begin(), dec.end()), s);
    }
    EXPECT_EQ(Base64Encode(Bytes("foobar"), 6), "Zm9vYmFy");
    std::vector<uint8_t> out;
    EXPECT_TRUE(Base64Decode(" Zm9v\r\nYmE= ", out, 64));  // wrapped as XML may wrap it
    for (const char* bad : {"Zm9", "Zm9v=", "Zg=a", "Zg===", "Z!9v", "Zh==", "===="})
        EXPECT_FALSE(Base64Decode(bad, out, 64)) << bad;
    EXPECT_FALSE(Base64Decode("Zm9vYmFy", out, 5));  // longer than allowed
}

TEST(UsernameTokenCheck, DigestMatchesTheWellKnownExample) {
    std::vector<uint8_t> nonce;
    ASSERT_TRUE(Base64Decode("LKqI6G/AikKCQrN0zqZFlg==", nonce, 64));
    EXPECT_EQ(PasswordDigest(nonce, "2010-09-16T07:50:45Z", "userpassword"),
              "tuOSpGlFlIXsozq4HFNeeGeFLEI=");
}

TEST(UsernameTokenCheck, RightPasswordWithinTheToleranceOnly) {
    UsernameTokenVerifier v(60, 100);
    const double now = 1.7e9;
    const std::string pw = "s3cret";
    EXPECT_EQ(v.Check(MakeToken("admin", pw, "n1", now), &pw, now), TokenVerdict::Ok);
    EXPECT_EQ(v.Check(MakeToken("admin", pw, "n2", now - 59), &pw, now), TokenVerdict::Ok);
    EXPECT_EQ(v.Check(MakeToken("admin", pw, "n3", now + 59), &pw, now), TokenVerdict::Ok);
    EXPECT_EQ(v.Check(MakeToken("admin", pw, "n4", now - 61), &pw, now), TokenVerdict::Stale);
    EXPECT_EQ(v.Check(MakeToken("admin", pw, "n5", now + 61), &pw, now), TokenVerdict::Stale);
    // A wrong password and an unknown user look alike.
    EXPECT_EQ(v.Check(MakeToken("admin", "s3creT", "n6", now), &pw, now),
              TokenVerdict::BadPassword);
    EXPECT_EQ(v.Check(MakeToken("nobody", pw, "n7", now), nullptr, now), TokenVerdict::BadPassword);
    // Every part of the digest counts: another created time or nonce fails.
    UsernameToken t = MakeToken("admin", pw, "n8", now);
    t.created = FormatDateTime(now + 1);
    EXPECT_EQ(v.Check(t, &pw, now), TokenVerdict::BadPassword);
    t = MakeToken("admin", pw, "n9", now);
    t.nonce = Base64Encode(Bytes("nA"), 2);
    EXPECT_EQ(v.Check(t, &pw, now), TokenVerdict::BadPassword);
}

TEST(UsernameTokenCheck, MalformedAndClearTextTokensAreRefused) {
    UsernameTokenVerifier v(60, 100);
    const double now = 1.7e9;
    const std::string pw = "pw";
    UsernameToken t = MakeToken("admin", pw, "nonce", now);
    t.passwordType = "http://docs.oasis-open.org/wss/2004/01/"
                     "oasis-200401-wss-username-token-profile-1.0#PasswordText";
    t.password = pw;
    EXPECT_EQ(v.Check(t, &pw, now), TokenVerdict::PlainText);
    t.passwordType.clear();
    EXPECT_EQ(v.Check(t, &pw, now), TokenVerdict::PlainText);
    t = MakeToken("admin", pw, "nonce", now);
    t.passwordType = "urn:other#Kind";
    EXPECT_EQ(v.Check(t, &pw, now), TokenVerdict::Malformed);
    for (auto spoil : {+[](UsernameToken& x) { x.nonce = "%%%"; },
                       +[](UsernameToken& x) { x.nonce.clear(); },
                       +[](UsernameToken& x) { x.created = "yesterday"; },
                       +[](UsernameToken& x) { x.created.clear(); },
                       +[](UsernameToken& x) { x.user.clear(); },
                       +[](UsernameToken& x) { x.password.clear(); },
                       +[](UsernameToken& x) { x.nonce = Base64Encode(
                                                   std::vector<uint8_t>(65, 1).data(), 65); }}) {
        t = MakeToken("admin", pw, "nonce", now);
        spoil(t);
        EXPECT_EQ(v.Check(t, &pw, now), TokenVerdict::Malformed);
    }
}

TEST(UsernameTokenCheck, ANonceIsTakenOnceAndTheMemoryStaysBounded) {
    const double now = 1.7e9;
    const std::string pw = "pw";
    UsernameTokenVerifier v(60, 4);
    const UsernameToken first = MakeToken("admin", pw, "once", now);
    EXPECT_EQ(v.Check(first, &pw, now), TokenVerdict::Ok);
    EXPECT_EQ(v.Check(first, &pw, now + 1), TokenVerdict::Replayed);
    // A wrong digest is not remembered: it cannot fill the memory.
    for (int i = 0; i < 10; ++i)
        v.Check(MakeToken("admin", "bad", "x" + std::to_string(i), now), &pw, now);
    EXPECT_EQ(v.RememberedNonces(), 1u);
    // Past its capacity the oldest nonce goes, and nothing created at or
    // before it is taken any more, so the forgotten nonce still cannot return.
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(v.Check(MakeToken("admin", pw, "n" + std::to_string(i), now + 1 + i), &pw,
                          now + 5),
                  TokenVerdict::Ok);
    EXPECT_EQ(v.RememberedNonces(), 4u);
    EXPECT_EQ(v.Check(first, &pw, now + 5), TokenVerdict::Replayed);
    EXPECT_EQ(v.Check(MakeToken("admin", pw, "fresh-but-old", now), &pw, now + 5),
              TokenVerdict::Replayed);
    // Once stale, nonces are forgotten, and a fresh one passes.
    EXPECT_EQ(v.Check(MakeToken("admin", pw, "later", now + 100), &pw, now + 100),
              TokenVerdict::Ok);
    EXPECT_EQ(v.RememberedNonces(), 1u);
}

TEST(UsernameTokenCheck, FoundInTheSoapHeader) {
    XmlElement root;
    ASSERT_TRUE(XmlReader::Parse(
        "<s:Header xmlns:s=\"urn:s\"><wsse:Security xmlns:wsse=\"http://docs.oasis-open.org/wss/"
        "2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd\" xmlns:wsu=\"urn:u\">"
        "<wsse:UsernameToken><wsse:Username>admin</wsse:Username>"
        "<wsse:Password Type=\"t#PasswordDigest\">ZGln</wsse:Password>"
        "<wsse:Nonce>bm9uY2U=</wsse:Nonce><wsu:Created>2024-01-01T00:00:00Z</wsu:Created>"
        "</wsse:UsernameToken></wsse:Security></s:Header>",
        root, nullptr));
    UsernameToken t;
    ASSERT_TRUE(FindUsernameToken(root, t));
    EXPECT_EQ(t.user, "admin");
    EXPECT_EQ(t.password, "ZGln");
    EXPECT_EQ(t.passwordType, "t#PasswordDigest");
    EXPECT_EQ(t.nonce, "bm9uY2U=");
    EXPECT_EQ(t.created, "2024-01-01T00:00:00Z");
    // Security from another namespace is not ours.
    ASSERT_TRUE(XmlReader::Parse("<h><Security xmlns=\"urn:x\"><UsernameToken/></Security></h>",
                                 root, nullptr));
    EXPECT_FALSE(FindUsernameToken(root, t));
}

TEST(HttpDigest, ResponseFormulaMatchesThePublishedExample) {
    const std::string ha1 = DigestAuth::Md5Hex("Mufasa:testrealm@host.com:Circle Of Life");
    const std::string ha2 = DigestAuth::Md5Hex("GET:/dir/index.html");
    EXPECT_EQ(DigestAuth::Md5Hex(ha1 + ":dcd98b7102dd2f0e8b11d0f600bfb0c093:00000001:0a4f113b:auth:" +
                                 ha2),
              "6629fae49393a05397450978507c4ef1");
}

TEST(HttpDigest, ChecksAnswersToItsOwnChallenges) {
    const std::vector<User> users{{"admin", "admin"}, {"viewer", "pw"}};
    DigestAuth auth("devsim", 300);
    const double now = 1.7e9;
    std::map<std::string, std::string> c;
    ASSERT_TRUE(DigestAuth::ParseParams(auth.Challenge(now, false), c));
    EXPECT_EQ(c["realm"], "devsim");
    EXPECT_EQ(c["qop"], "auth");
    EXPECT_EQ(c.count("stale"), 0u);
    const std::string nonce = c["nonce"];
    const std::string uri = "rtsp://127.0.0.40:8554/ch1";
    auto answer = [&](const std::string& user, const std::string& pw, const std::string& method,
                      const std::string& forUri, bool qop, const std::string& n) {
        const std::string ha1 = DigestAuth::Md5Hex(user + ":devsim:" + pw);
        const std::string ha2 = DigestAuth::Md5Hex(method + ":" + forUri);
        const std::string resp =
            qop ? DigestAuth::Md5Hex(ha1 + ":" + n + ":00000001:c0ffee:auth:" + ha2)
                : DigestAuth::Md5Hex(ha1 + ":" + n + ":" + ha2);
        return "Digest username=\"" + user + "\", realm=\"devsim\", nonce=\"" + n + "\", uri=\"" +
               forUri + "\", response=\"" + resp + "\"" +
               (qop ? ", qop=auth, nc=00000001, cnonce=\"c0ffee\"" : "");
    };
    std::string who;
    auto check = [&](const std::string& h, const std::string& method = "DESCRIBE",
                     double at = 1.7e9) {
        return auth.Check(&h, method, uri, users, at, &who);
    };
    using V = DigestAuth::Verdict;
    EXPECT_EQ(check(answer("viewer", "pw", "DESCRIBE", uri, true, nonce)), V::Ok);
    EXPECT_EQ(who, "viewer");
    EXPECT_EQ(check(answer("admin", "admin", "DESCRIBE", uri, false, nonce)), V::Ok);
    // The path alone names the same request.
    EXPECT_EQ(check(answer("admin", "admin", "DESCRIBE", "/ch1", true, nonce)), V::Ok);
    EXPECT_EQ(auth.Check(nullptr, "DESCRIBE", uri, users, now, nullptr), V::Missing);
    EXPECT_EQ(check(answer("admin", "wrong", "DESCRIBE", uri, true, nonce)), V::Denied);
    EXPECT_EQ(check(answer("nobody", "admin", "DESCRIBE", uri, true, nonce)), V::Denied);
    EXPECT_EQ(check(answer("admin", "admin", "SETUP", uri, true, nonce)), V::Denied);
    EXPECT_EQ(check(answer("admin", "admin", "DESCRIBE", uri + "/other", true, nonce)),
              V::Denied);
    // A nonce we did not sign (one digit changed) is refused, an old one of
    // ours is stale, so the client asks again.
    std::string forged = nonce;
    forged[15] = forged[15] == '0' ? '1' : '0';
    EXPECT_EQ(check(answer("admin", "admin", "DESCRIBE", uri, true, forged)), V::Denied);
    EXPECT_EQ(check(answer("admin", "admin", "DESCRIBE", uri, true, nonce), "DESCRIBE", now + 301),
              V::Stale);
    ASSERT_TRUE(DigestAuth::ParseParams(auth.Challenge(now, true), c));
    EXPECT_EQ(c["stale"], "true");
    // Another device's secret makes other nonces.
    DigestAuth other("devsim", 300);
    std::map<std::string, std::string> oc;
    ASSERT_TRUE(DigestAuth::ParseParams(other.Challenge(now, false), oc));
    EXPECT_EQ(check(answer("admin", "admin", "DESCRIBE", uri, true, oc["nonce"])), V::Denied);
    for (const std::string bad :
         {"Basic YWRtaW46YWRtaW4=", "Digest", "Digest username=\"admin\"",
          "Digest username=\"a, realm=devsim", "Digest =x",
          "Digest username=\"admin\", realm=\"devsim\", nonce=\"n\", uri=\"u\", response=\"r\", "
          "qop=undefined"}) {
        const auto v = check(bad);
        EXPECT_TRUE(v == V::Malformed || v == V::Denied) << bad;
    }
}
