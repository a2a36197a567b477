// The RTSP face against an in-process device: Digest logins, the session
// steps, RTP/JPEG at 25 frames a second interleaved on the connection, a
// slow reader losing frames rather than the device's memory, and hostile
// requests.
#include <chrono>
#include <set>
#include <thread>

#include "Device.h"
#include "OnvifFixture.h"
#include "RtspConnection.h"

using namespace zv::test;
using namespace zv::devsim;
using std::chrono::milliseconds;

namespace {

struct Rtp {
    bool marker;
    int payloadType;
    uint16_t seq;
    uint32_t timestamp;
    uint32_t ssrc;
    const uint8_t* payload;
    size_t payloadLen;
};

Rtp ParseRtp(const RtpPacket& p) {
    const uint8_t* b = p.bytes.data();
    Rtp r;
    r.marker = (b[1] & 0x80) != 0;
    r.payloadType = b[1] & 0x7F;
    r.seq = static_cast<uint16_t>(b[2] << 8 | b[3]);
    r.timestamp = static_cast<uint32_t>(b[4]) << 24 | b[5] << 16 | b[6] << 8 | b[7];
    r.ssrc = static_cast<uint32_t>(b[8]) << 24 | b[9] << 16 | b[10] << 8 | b[11];
    r.payload = b + 12;
    r.payloadLen = p.bytes.size() - 12;
    return r;
}

}  // namespace

class RtspFace : public OnvifFixture {
protected:
    std::string Url(const std::string& rest = "/ch1") {
        return "rtsp://" + std::string(kDev) + ":" + std::to_string(RtspPort()) + rest;
    }
    // One request; with auth, answers the 401 first as clients do.
    WebResponse Request(WebClient& c, const std::string& method, const std::string& url,
                        const std::string& headers = "", bool auth = true) {
        WebResponse r;
        const std::string base = method + " " + url + " RTSP/1.0\r\nCSeq: " +
                                 std::to_string(++m_cseq) + "\r\n" + headers;
        EXPECT_TRUE(c.Exchange(base + "\r\n", r));
        if (r.status == 401 && auth) {
            const std::string answer =
                DigestAnswer(r.Header("www-authenticate"), "admin", "admin", method, url);
            EXPECT_TRUE(c.Exchange(method + " " + url + " RTSP/1.0\r\nCSeq: " +
                                       std::to_string(++m_cseq) + "\r\nAuthorization: " + answer +
                                       "\r\n" + headers + "\r\n",
                                   r));
        }
        return r;
    }
    // SETUP (TCP, interleaved 0-1) and PLAY of a channel; the session id.
    std::string Play(WebClient& c, const std::string& path = "/ch1") {
        const WebResponse setup = Request(c, "SETUP", Url(path + "/trackID=0"),
                                          "Transport: RTP/AVP/TCP;unicast;interleaved=0-1\r\n");
        EXPECT_EQ(setup.status, 200);
        const std::string session = setup.Header("session").substr(0, setup.Header("session").find(';'));
        const WebResponse play = Request(c, "PLAY", Url(path + "/"), "Session: " + session + "\r\n");
        EXPECT_EQ(play.status, 200);
        EXPECT_NE(play.Header("rtp-info").find("seq="), std::string::npos);
        return session;
    }

    int m_cseq = 0;
};

TEST_F(RtspFace, DescribeNeedsADigestLoginAndGivesTheSdp) {
    WebClient c;
    ASSERT_TRUE(c.Connect(kDev, RtspPort()));
    const WebResponse options = Request(c, "OPTIONS", Url(), "", false);
    EXPECT_EQ(options.status, 200);
    EXPECT_NE(options.Header("public").find("GET_PARAMETER"), std::string::npos);
    EXPECT_EQ(options.Header("cseq"), "1");
    const WebResponse challenge = Request(c, "DESCRIBE", Url(), "", false);
    EXPECT_EQ(challenge.status, 401);
    EXPECT_EQ(challenge.Header("www-authenticate").rfind("Digest ", 0), 0u);
    const std::string wrong =
        DigestAnswer(challenge.Header("www-authenticate"), "admin", "nimda", "DESCRIBE", Url());
    WebResponse r;
    ASSERT_TRUE(c.Exchange("DESCRIBE " + Url() + " RTSP/1.0\r\nCSeq: 9\r\nAuthorization: " + wrong +
                               "\r\n\r\n",
                           r));
    EXPECT_EQ(r.status, 401);
    EXPECT_EQ(Counter("rtsp_auth_failures"), 1);
    const WebResponse sdp = Request(c, "DESCRIBE", Url());
    ASSERT_EQ(sdp.status, 200);
    EXPECT_EQ(sdp.Header("content-type"), "application/sdp");
    EXPECT_EQ(sdp.Header("content-base"), Url() + "/");
    for (const char* line : {"m=video 0 RTP/AVP 26", "a=rtpmap:26 JPEG/90000", "a=framerate:25",
                             "a=control:trackID=0"})
        EXPECT_NE(sdp.body.find(line), std::string::npos) << line;
}

TEST_F(RtspFace, PlayStreamsRtpJpegAt25FramesASecond) {
    WebClient c;
    ASSERT_TRUE(c.Connect(kDev, RtspPort()));
    const std::string session = Play(c, "/ch2");
    c.Pump(1200);
    std::deque<RtpPacket>& packets = c.Packets();
    ASSERT_GT(packets.size(), 20u);
    std::set<uint32_t> stamps;
    int frames = 0;
    uint32_t ssrc = ParseRtp(packets.front()).ssrc;
    uint16_t seq = ParseRtp(packets.front()).seq;
    bool firstOfFrame = true;
    for (const RtpPacket& p : packets) {
        ASSERT_EQ(p.channel, 0);
        const Rtp r = ParseRtp(p);
        EXPECT_EQ(r.payloadType, 26);
        EXPECT_EQ(r.ssrc, ssrc);
        EXPECT_EQ(r.seq, seq);  // no gap: nothing was dropped for a reader that reads
        seq = static_cast<uint16_t>(seq + 1);
        const size_t offset = static_cast<size_t>(r.payload[1]) << 16 | r.payload[2] << 8 | r.payload[3];
        EXPECT_EQ(offset == 0, firstOfFrame);
        EXPECT_EQ(r.payload[4], 65);  // 4:2:0 with restart markers
        EXPECT_EQ(r.payload[6], 352 / 8);
        EXPECT_EQ(r.payload[7], 288 / 8);
        EXPECT_EQ(r.payload[8] << 8 | r.payload[9], 22);  // one MCU row per interval
        stamps.insert(r.timestamp);
        firstOfFrame = r.marker;
        frames += r.marker ? 1 : 0;
    }
    EXPECT_GE(frames, 24);
    EXPECT_LE(frames, 34);
    // The 90 kHz clock moves 3600 a frame.
    for (auto it = std::next(stamps.begin()); it != stamps.end(); ++it)
        EXPECT_EQ((*it - *std::prev(it)) % 3600, 0u);
    EXPECT_EQ(Counter("rtsp_plays"), 1);
    EXPECT_EQ(Num(State(1), "plays"), 0);  // RTSP viewers are not device-protocol plays
    // Keep-alive, then TEARDOWN: no packet after its answer.
    EXPECT_EQ(Request(c, "GET_PARAMETER", Url("/ch2/"), "Session: " + session + "\r\n").status, 200);
    EXPECT_EQ(Request(c, "TEARDOWN", Url("/ch2/"), "Session: " + session + "\r\n").status, 200);
    c.Packets().clear();
    c.Pump(300);
    EXPECT_TRUE(c.Packets().empty());
    EXPECT_EQ(Request(c, "PLAY", Url("/ch2/"), "Session: " + session + "\r\n").status, 454);
}

TEST_F(RtspFace, TwoViewersOfAChannelGetTheSamePictures) {
    WebClient a, b;
    ASSERT_TRUE(a.Connect(kDev, RtspPort()));
    ASSERT_TRUE(b.Connect(kDev, RtspPort()));
    Play(a);
    Play(b);
    a.Pump(600);
    b.Pump(600);
    // Same payload bytes (one encoding), own sequence numbers and sources.
    auto payloads = [](WebClient& c) {
        std::set<std::vector<uint8_t>> out;
        for (const RtpPacket& p : c.Packets()) out.emplace(p.bytes.begin() + 12, p.bytes.end());
        return out;
    };
    const auto pa = payloads(a), pb = payloads(b);
    size_t shared = 0;
    for (const auto& p : pa) shared += pb.count(p);
    EXPECT_GT(shared, pa.size() / 3);
    EXPECT_NE(ParseRtp(a.Packets().front()).ssrc, ParseRtp(b.Packets().front()).ssrc);
}

TEST_F(RtspFace, ASlowReaderLosesFramesNotMemory) {
    WebClient c;
    ASSERT_TRUE(c.Connect(kDev, RtspPort()));
    c.Socket().SetReceiveBuffer(64 * 1024);
    Play(c);
    // Read nothing for two seconds: the socket buffers fill (a few frames),
    // then the queue, then frames are dropped — a handful queued at most.
    std::this_thread::sleep_for(milliseconds(2000));
    const double made = Num(State(0), "frames");
    const double sent = Counter("rtp_frames_sent"), dropped = Counter("rtp_frames_dropped");
    EXPECT_GT(dropped, 10);
    // Whatever was neither sent nor dropped is still queued: a few frames.
    EXPECT_LE(made - sent - dropped, RtspConnection::kMaxQueuedFrames + 2);
    // Reading again, the stream goes on.
    c.Packets().clear();
    c.Pump(800);
    EXPECT_GT(c.Packets().size(), 50u);
}

TEST_F(RtspFace, WrongStepsAndTransportsGetTheirStatus) {
    WebClient c;
    ASSERT_TRUE(c.Connect(kDev, RtspPort()));
    EXPECT_EQ(Request(c, "SETUP", Url("/ch1/trackID=0"),
                      "Transport: RTP/AVP;unicast;client_port=5000-5001\r\n")
                  .status,
              461);
    EXPECT_EQ(Request(c, "SETUP", Url("/ch1/trackID=0"), "").status, 461);
    EXPECT_EQ(Request(c, "SETUP", Url("/ch1/trackID=0"),
                      "Transport: RTP/AVP/TCP;unicast;interleaved=300-301\r\n")
                  .status,
              461);
    EXPECT_EQ(Request(c, "DESCRIBE", Url("/ch3")).status, 404);
    EXPECT_EQ(Request(c, "DESCRIBE", Url("/ch01")).status, 404);
    EXPECT_EQ(Request(c, "SETUP", Url("/ch1/trackID=1"),
                      "Transport: RTP/AVP/TCP;unicast;interleaved=0-1\r\n")
                  .status,
              404);
    EXPECT_EQ(Request(c, "PLAY", Url("/ch1/"), "Session: 1234\r\n").status, 454);
    EXPECT_EQ(Request(c, "PLAY", Url("/ch1/")).status, 455);
    EXPECT_EQ(Request(c, "RECORD", Url("/ch1/")).status, 405);
    EXPECT_EQ(Request(c, "FROB", Url("/ch1/")).status, 501);
    WebResponse r;
    ASSERT_TRUE(c.Exchange("OPTIONS " + Url() + " RTSP/1.0\r\n\r\n", r));
    EXPECT_EQ(r.status, 400);  // no CSeq
    // Another channel in the same session is not offered.
    const WebResponse setup = Request(c, "SETUP", Url("/ch1/trackID=0"),
                                      "Transport: RTP/AVP/TCP;unicast;interleaved=2-3\r\n");
    ASSERT_EQ(setup.status, 200);
    EXPECT_NE(setup.Header("transport").find("interleaved=2-3"), std::string::npos);
    const std::string session = setup.Header("session").substr(0, setup.Header("session").find(';'));
    EXPECT_EQ(Request(c, "SETUP", Url("/ch2/trackID=0"),
                      "Transport: RTP/AVP/TCP;unicast;interleaved=0-1\r\nSession: " + session +
                          "\r\n")
                  .status,
              459);
}

TEST_F(RtspFace, HostileRequestsEndOnlyTheirConnection) {
    WebClient good;
    ASSERT_TRUE(good.Connect(kDev, RtspPort()));
    Play(good);
    for (const std::string& bad :
         {std::string("DESCRIBE ") + std::string(3000, 'x') + " RTSP/1.0\r\nCSeq: 1\r\n\r\n",
          std::string("OPTIONS * RTSP/1.0\r\nCSeq: 1\r\nX: ") + std::string(9000, 'y'),
          std::string("GET / HTTP/1.1\r\n\r\n"), std::string("\x16\x03\x01\x02\x00\x01", 6) +
                                                     std::string(200, '\0') + "\r\n\r\n"}) {
        WebClient c;
        ASSERT_TRUE(c.Connect(kDev, RtspPort()));
        c.Send(bad);
        WebResponse r;
        if (c.Read(r, 2000)) {
            EXPECT_GE(r.status, 400);
        }
        EXPECT_TRUE(c.WaitClosed(2000));
    }
    good.Packets().clear();
    good.Pump(500);
    EXPECT_GT(good.Packets().size(), 10u);
}
