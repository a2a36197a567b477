// The request parser of the web-service and RTSP faces: requests cut right
// however the bytes arrive, every bound held, and hostile or random input
// ending in an error status rather than a crash, a hang or a growing buffer.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "HttpParser.h"

using namespace zv::devsim;
using Status = HttpParser::Status;

namespace {

// Feeds text in pieces of `step` bytes and collects every request; the
// status that ended it is returned (NeedMore when the input ran out).
Status FeedAll(HttpParser& p, const std::string& text, size_t step,
               std::vector<HttpRequest>& out) {
    Status last = Status::NeedMore;
    for (size_t at = 0; at < text.size(); at += step) {
        if (!p.Feed(text.data() + at, std::min(step, text.size() - at))) return Status::Error;
        for (;;) {
            HttpRequest r;
            last = p.Next(r);
            if (last == Status::Request) out.push_back(std::move(r));
            if (last == Status::NeedMore || last == Status::Error) break;
        }
        if (last == Status::Error) return last;
    }
    return last;
}

int ErrorOf(const std::string& text, HttpParser::Dialect d = HttpParser::Dialect::Http) {
    HttpParser p(d);
    std::vector<HttpRequest> got;
    return FeedAll(p, text, text.size() ? text.size() : 1, got) == Status::Error ? p.ErrorStatus()
                                                                                : 0;
}

const std::string kSoapPost =
    "POST /onvif/device_service HTTP/1.1\r\n"
    "Host: 127.0.0.40:8080\r\n"
    "Content-Type: application/soap+xml; charset=utf-8\r\n"
    "Content-Length: 11\r\n"
    "\r\n"
    "<Envelope/>";

}  // namespace

TEST(HttpParser, CutsRequestsHoweverTheBytesArrive) {
    const std::string get = "GET /snapshot/1.jpg?x=1&y=two HTTP/1.1\r\nHost: a\r\n\r\n";
    const std::string stream = kSoapPost + get + kSoapPost;
    for (size_t step : {size_t{1}, size_t{2}, size_t{7}, size_t{64}, stream.size()}) {
        HttpParser p(HttpParser::Dialect::Http);
        std::vector<HttpRequest> got;
        EXPECT_EQ(FeedAll(p, stream, step, got), Status::NeedMore) << "step " << step;
        ASSERT_EQ(got.size(), 3u) << "step " << step;
        EXPECT_EQ(got[0].method, "POST");
        EXPECT_EQ(got[0].Path(), "/onvif/device_service");
        EXPECT_EQ(got[0].body, "<Envelope/>");
        EXPECT_EQ(*got[0].Header("content-type"), "application/soap+xml; charset=utf-8");
        EXPECT_EQ(got[1].Path(), "/snapshot/1.jpg");
        EXPECT_EQ(got[1].Query("y"), "two");
        EXPECT_EQ(got[1].Query("z"), "");
        EXPECT_TRUE(got[1].body.empty());
        EXPECT_EQ(got[2].body, "<Envelope/>");
        EXPECT_FALSE(p.InRequest());
    }
}

TEST(HttpParser, KeepAliveFollowsVersionAndConnectionHeader) {
    auto parse = [](const std::string& head) {
        HttpParser p(HttpParser::Dialect::Http);
        std::vector<HttpRequest> got;
        FeedAll(p, head + "\r\n", 4096, got);
        return got.at(0);
    };
    EXPECT_TRUE(parse("GET / HTTP/1.1\r\n").KeepAlive());
    EXPECT_FALSE(parse("GET / HTTP/1.1\r\nConnection: close\r\n").KeepAlive());
    EXPECT_FALSE(parse("GET / HTTP/1.0\r\n").KeepAlive());
    EXPECT_TRUE(parse("GET / HTTP/1.0\r\nConnection: Keep-Alive\r\n").KeepAlive());
}

TEST(HttpParser, ChunkedBodiesAreJoinedAndBounded) {
    const std::string chunked =
        "POST /onvif/ptz_service HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"
        "5;ext=1\r\nhello\r\n1\r\n \r\n5\r\nworld\r\n0\r\nTrailer: x\r\n\r\n";
    for (size_t step : {size_t{1}, size_t{3}, chunked.size()}) {
        HttpParser p(HttpParser::Dialect::Http);
        std::vector<HttpRequest> got;
        FeedAll(p, chunked + "GET / HTTP/1.1\r\n\r\n", step, got);
        ASSERT_EQ(got.size(), 2u) << "step " << step;
        EXPECT_EQ(got[0].body, "hello world");
    }
    // A body cut off before its last chunk is not a request; the server's
    // request timeout ends such a client.
    HttpParser p(HttpParser::Dialect::Http);
    std::vector<HttpRequest> got;
    EXPECT_EQ(FeedAll(p, chunked.substr(0, chunked.size() - 20), 5, got), Status::NeedMore);
    EXPECT_TRUE(got.empty());
    EXPECT_TRUE(p.InRequest());
    // Chunks that add up past the body limit, a bad size, a missing CRLF.
    HttpParser::Limits small;
    small.maxBody = 8;
    HttpParser q(HttpParser::Dialect::Http, small);
    EXPECT_EQ(FeedAll(q, "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n5\r\n",
                      1000, got),
              Status::Error);
    EXPECT_EQ(q.ErrorStatus(), 413);
    const std::string head = "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n";
    EXPECT_EQ(ErrorOf(head + "zz\r\n"), 400);
    EXPECT_EQ(ErrorOf(head + "123456789\r\n"), 400);
    EXPECT_EQ(ErrorOf(head + "3\r\nabcX"), 400);
    EXPECT_EQ(ErrorOf(head + std::string(100, '1')), 400);
    EXPECT_EQ(ErrorOf("POST / HTTP/1.1\r\nTransfer-Encoding: gzip\r\n\r\n"), 501);
    EXPECT_EQ(ErrorOf("POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\nContent-Length: 3\r\n\r\n"),
              400);
}

TEST(HttpParser, MalformedHeadsGetTheirStatus) {
    struct Case {
        std::string text;
        int status;
    };
    const Case cases[] = {
        {"GET /\r\n\r\n", 400},
        {"GET  / HTTP/1.1\r\n\r\n", 400},
        {"GET / HTTP/1.1 extra\r\n\r\n", 400},
        {"G(T / HTTP/1.1\r\n\r\n", 400},
        {"GET / HTTP/2.0\r\n\r\n", 505},
        {"GET / FTP/1.0\r\n\r\n", 400},
        {"GET /a\x01 HTTP/1.1\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nNo colon here\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nBad Name: x\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nA: 1\r\n folded\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nA: x\x02y\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nContent-Length: 1x\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nContent-Length: 99999999999\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nContent-Length: 70000\r\n\r\n", 413},
        {"OPTIONS rtsp://h/ch1 HTTP/1.1\r\n\r\n", 0},  // fine as HTTP
    };
    for (const Case& c : cases) EXPECT_EQ(ErrorOf(c.text), c.status) << c.text;
    // After an error the parser stays failed and takes nothing more.
    HttpParser p(HttpParser::Dialect::Http);
    std::vector<HttpRequest> got;
    EXPECT_EQ(FeedAll(p, "GET /\r\n\r\n", 100, got), Status::Error);
    EXPECT_FALSE(p.Feed("GET / HTTP/1.1\r\n\r\n", 18));
    HttpRequest r;
    EXPECT_EQ(p.Next(r), Status::Error);
}

TEST(HttpParser, HeadsAreBoundedWhileTheyArrive) {
    // No end of head within the limit: refused without waiting for more.
    EXPECT_EQ(ErrorOf("GET / HTTP/1.1\r\nX: " + std::string(9000, 'a')), 431);
    EXPECT_EQ(ErrorOf("GET /" + std::string(3000, 'a') + " HTTP/1.1\r\n\r\n"), 414);
    std::string many = "GET / HTTP/1.1\r\n";
    for (int i = 0; i < 65; ++i) many += "H" + std::to_string(i) + ": v\r\n";
    EXPECT_EQ(ErrorOf(many + "\r\n"), 431);
    // Trickled byte by byte, the buffer never holds more than the bound.
    HttpParser p(HttpParser::Dialect::Http);
    const std::string endless = "GET / HTTP/1.1\r\nX: " + std::string(20000, 'b');
    size_t most = 0;
    Status st = Status::NeedMore;
    HttpRequest r;
    for (char c : endless) {
        if (!p.Feed(&c, 1) || (st = p.Next(r)) == Status::Error) break;
        most = std::max(most, p.Buffered());
    }
    EXPECT_EQ(st, Status::Error);
    EXPECT_LE(most, HttpParser::Limits{}.maxHeaderBytes + 4);
    // A client that floods without letting requests out is cut off.
    HttpParser q(HttpParser::Dialect::Http);
    const std::string block(64 * 1024, 'x');
    bool refused = false;
    for (int i = 0; i < 4 && !refused; ++i) refused = !q.Feed(block.data(), block.size());
    EXPECT_TRUE(refused);
}

TEST(HttpParser, RtspDialectPassesOverInterleavedFrames) {
    const std::string rr("$\x01\x00\x04" "abcd", 8);
    const std::string opts = "OPTIONS rtsp://127.0.0.40:8554/ch1 RTSP/1.0\r\nCSeq: 2\r\n\r\n";
    const std::string stream = rr + opts + rr + "GET_PARAMETER rtsp://h/ch1 RTSP/1.0\r\nCSeq: 3\r\n\r\n";
    for (size_t step : {size_t{1}, size_t{5}, stream.size()}) {
        HttpParser p(HttpParser::Dialect::Rtsp);
        std::vector<HttpRequest> got;
        int interleaved = 0;
        for (size_t at = 0; at < stream.size(); at += step) {
            ASSERT_TRUE(p.Feed(stream.data() + at, std::min(step, stream.size() - at)));
            for (;;) {
                HttpRequest r;
                const Status s = p.Next(r);
                if (s == Status::Interleaved) {
                    ++interleaved;
                    EXPECT_EQ(p.LastChannel(), 1);
                }
                if (s == Status::Request) got.push_back(r);
                if (s == Status::NeedMore) break;
                ASSERT_NE(s, Status::Error) << p.ErrorText();
            }
        }
        EXPECT_EQ(interleaved, 2);
        ASSERT_EQ(got.size(), 2u);
        EXPECT_EQ(got[0].method, "OPTIONS");
        EXPECT_EQ(got[0].Path(), "/ch1");
        EXPECT_EQ(*got[1].Header("CSeq"), "3");
    }
    // Each dialect takes only its own version; RTSP has no chunked bodies.
    EXPECT_EQ(ErrorOf("OPTIONS * RTSP/1.0\r\nCSeq: 1\r\n\r\n"), 400);
    EXPECT_EQ(ErrorOf("GET / HTTP/1.1\r\n\r\n", HttpParser::Dialect::Rtsp), 400);
    EXPECT_EQ(ErrorOf("OPTIONS * RTSP/2.0\r\n\r\n", HttpParser::Dialect::Rtsp), 505);
    EXPECT_EQ(ErrorOf("SETUP x RTSP/1.0\r\nTransfer-Encoding: chunked\r\n\r\n",
                      HttpParser::Dialect::Rtsp),
              501);
}

TEST(HttpParser, RandomAndMutatedInputNeverBreaksTheBounds) {
    std::mt19937 rng(20240501);
    const std::string seeds[] = {
        kSoapPost,
        "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nabcd\r\n0\r\n\r\n",
        "DESCRIBE rtsp://127.0.0.40:8554/ch1 RTSP/1.0\r\nCSeq: 1\r\n\r\n",
        std::string("$\x00\x00\x02xy", 6),
    };
    for (int round = 0; round < 3000; ++round) {
        const bool rtsp = round % 2 == 1;
        std::string s = seeds[static_cast<size_t>(round) % 4];
        const int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits; ++e) {
            const size_t at = rng() % (s.size() + 1);
            switch (rng() % 4) {
            case 0: if (at < s.size()) s[at] = static_cast<char>(rng()); break;
            case 1: s.insert(at, 1, static_cast<char>(rng())); break;
            case 2: if (at < s.size()) s.erase(at, 1 + rng() % 8); break;
            case 3: s.insert(at, s.substr(0, rng() % 32)); break;
            }
        }
        if (round % 7 == 0) {
            s.clear();
            for (int i = 0; i < 300; ++i) s += static_cast<char>(rng());
        }
        HttpParser p(rtsp ? HttpParser::Dialect::Rtsp : HttpParser::Dialect::Http);
        std::vector<HttpRequest> got;
        FeedAll(p, s + s, 1 + rng() % 40, got);
        for (const auto& r : got) {
            EXPECT_LE(r.body.size(), HttpParser::Limits{}.maxBody);
            EXPECT_LE(r.headers.size(), HttpParser::Limits{}.maxHeaders);
        }
        EXPECT_LE(p.Buffered(), s.size() * 2);
        if (p.ErrorStatus() != 0) {
            EXPECT_GE(p.ErrorStatus(), 400);
            EXPECT_LT(p.ErrorStatus(), 600);
        }
    }
}
