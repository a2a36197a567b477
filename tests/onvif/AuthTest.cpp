// HTTP/RTSP logins from the client's side: the published Digest examples
// answered exactly, the strongest scheme chosen, Basic never, and a refusal
// of the very challenge we answered taken as a wrong password rather than a
// loop.
#include <gtest/gtest.h>

#include "HttpAuth.h"

using namespace zv::onvif;

namespace {

std::string Param(const std::string& header, const std::string& name) {
    const auto all = ParseChallenges({header});
    if (all.empty()) return "?";
    auto it = all[0].params.find(name);
    return it == all[0].params.end() ? "" : it->second;
}

TEST(HttpAuth, AnswersThePublishedDigestExamples) {
    HttpAuth md5("Mufasa", "Circle of Life");
    md5.SetClientNonce("f2/wE4q74E6zIJEtWaHKaf5wv/H5QzzpXusqGemxURZJ");
    const std::string challenge = "Digest realm=\"http-auth@example.org\", qop=\"auth, auth-int\", "
                                  "algorithm=%s, nonce=\"7ypf/xlj9XXwfDPEoM4URrv/xwf94BcCAzFZH4GiTo0v\", "
                                  "opaque=\"FQhe/qaU925kfnzjCev0ciny7QMkPqMAFRtzCUYo5tdS\"";
    auto with = [&](const char* alg) {
        std::string c = challenge;
        c.replace(c.find("%s"), 2, alg);
        return c;
    };
    ASSERT_TRUE(md5.OnChallenge({with("MD5")}));
    std::string a = md5.Authorization("GET", "/dir/index.html");
    EXPECT_EQ(Param(a, "response"), "8ca523f5e9506fed4657c9700eebdbec");
    EXPECT_EQ(Param(a, "nc"), "00000001");
    EXPECT_EQ(Param(a, "qop"), "auth");
    EXPECT_EQ(Param(a, "opaque"), "FQhe/qaU925kfnzjCev0ciny7QMkPqMAFRtzCUYo5tdS");
    EXPECT_EQ(Param(md5.Authorization("GET", "/dir/index.html"), "nc"), "00000002") << "counted per request";

    HttpAuth sha("Mufasa", "Circle of Life");
    sha.SetClientNonce("f2/wE4q74E6zIJEtWaHKaf5wv/H5QzzpXusqGemxURZJ");
    // Both offered: SHA-256 is taken.
    ASSERT_TRUE(sha.OnChallenge({with("MD5"), with("SHA-256")}));
    a = sha.Authorization("GET", "/dir/index.html");
    EXPECT_EQ(Param(a, "response"), "753927fa0e85d155564e2e272a28d1802ca10daf4496794697cf8db5856cb6c1");
    EXPECT_EQ(Param(a, "algorithm"), "SHA-256");

    HttpAuth old("Mufasa", "Circle Of Life");
    old.SetClientNonce("0a4f113b");
    ASSERT_TRUE(old.OnChallenge({"Digest realm=\"testrealm@host.com\", qop=\"auth,auth-int\", "
                                 "nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c093\", opaque=\"5ccc069c403ebaf9f0171e9517f40e41\""}));
    EXPECT_EQ(Param(old.Authorization("GET", "/dir/index.html"), "response"), "6629fae49393a05397450978507c4ef1");
}

TEST(HttpAuth, NothingBeforeAskedNeverBasicAndRefusalsEndTheRetries) {
    HttpAuth a("user", "pass");
    EXPECT_EQ(a.Authorization("GET", "/"), "") << "no credentials before the server asks";
    // Several schemes in one value, Basic last: Digest wins.
    ASSERT_TRUE(a.OnChallenge({"Basic realm=\"x\", Digest realm=\"r\", nonce=\"n1\", qop=\"auth\""}));
    EXPECT_EQ(a.Active(), HttpAuth::Scheme::Digest);
    a.Authorization("DESCRIBE", "rtsp://h/s");
    EXPECT_FALSE(a.OnChallenge({"Digest realm=\"r\", nonce=\"n1\", qop=\"auth\""})) << "same challenge refused: wrong password";
    EXPECT_TRUE(a.OnChallenge({"Digest realm=\"r\", nonce=\"n1\", qop=\"auth\", stale=true"})) << "an aged nonce is worth a retry";
    EXPECT_TRUE(a.OnChallenge({"Digest realm=\"r\", nonce=\"n2\", qop=\"auth\""})) << "a new nonce too";

    // Basic alone is a refusal: the password never goes in the clear.
    HttpAuth b("Aladdin", "open sesame");
    EXPECT_FALSE(b.OnChallenge({"Basic realm=\"WallyWorld\""}));
    EXPECT_EQ(b.Authorization("GET", "/"), "");
    ASSERT_TRUE(b.OnChallenge({"Digest realm=\"r\", nonce=\"n\""}));
    EXPECT_FALSE(b.OnChallenge({"Basic realm=\"WallyWorld\""})) << "no downgrade after Digest";
    EXPECT_EQ(b.Authorization("GET", "/").rfind("Digest ", 0), 0u);

    HttpAuth c("u", "p");
    EXPECT_FALSE(c.OnChallenge({"Negotiate abc==", "Digest realm=\"r\", nonce=\"n\", qop=\"auth-int\""}))
        << "nothing we can answer";
    EXPECT_FALSE(c.OnChallenge({"Digest realm=\"r\", algorithm=SHA-512-256, nonce=\"n\""}));
    EXPECT_FALSE(c.OnChallenge({"Digest realm=\"r\""})) << "no nonce";
}

TEST(HttpAuth, ChallengeParsingIsBoundedAndSurvivesJunk) {
    EXPECT_EQ(Param("Digest realm=\"a,b=c\", nonce=\"x\\\"y\"", "realm"), "a,b=c");
    EXPECT_EQ(Param("Digest realm=\"a,b=c\", nonce=\"x\\\"y\"", "nonce"), "x\"y");
    EXPECT_TRUE(ParseChallenges({"Digest realm=\"unterminated"}).empty());
    std::string many;
    for (int i = 0; i < 100; ++i) many += "Basic realm=x, ";
    EXPECT_LE(ParseChallenges({many}).size(), 16u);
    std::string params = "Digest ";
    for (int i = 0; i < 100; ++i) params += "p" + std::to_string(i) + "=v, ";
    EXPECT_LE(ParseChallenges({params})[0].params.size(), 32u);
    EXPECT_TRUE(ParseChallenges({",,, ,", "", "=x"}).empty());
}

}  // namespace
