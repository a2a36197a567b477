// The codec: every message survives a round trip through the stream reader,
// and every malformed header or payload is refused with the right reason,
// without reading past a buffer.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "Auth.h"
#include "FrameReader.h"
#include "Messages.h"

using namespace zv::proto;

namespace {

// Encodes m, feeds the bytes in uneven chunks and decodes the one frame.
template <class M>
M RoundTrip(const M& m, uint32_t seq = 7) {
    const std::vector<uint8_t> bytes = Encode(m, seq);
    FrameReader reader;
    Frame f;
    size_t pos = 0, chunk = 1;
    while (pos < bytes.size()) {
        EXPECT_EQ(reader.Next(f), FrameReader::Status::NeedMore);
        const size_t n = std::min(chunk, bytes.size() - pos);
        reader.Feed(bytes.data() + pos, n);
        pos += n;
        chunk = chunk * 3 + 1;
    }
    EXPECT_EQ(reader.Next(f), FrameReader::Status::Frame);
    EXPECT_EQ(f.header.seq, seq);
    EXPECT_EQ(f.header.length, bytes.size() - kHeaderSize);
    M out;
    EXPECT_EQ(Decode(f, out), DecodeError::None) << ToString(M::kType);
    EXPECT_EQ(reader.Next(f), FrameReader::Status::NeedMore);
    return out;
}

Frame RawFrame(MsgType t, std::vector<uint8_t> payload, uint32_t seq = 1) {
    Frame f;
    f.header.type = t;
    f.header.seq = seq;
    f.header.length = static_cast<uint32_t>(payload.size());
    f.payload = std::move(payload);
    return f;
}

template <class M>
std::vector<uint8_t> PayloadOf(const M& m) {
    std::vector<uint8_t> v = Encode(m, 1);
    return std::vector<uint8_t>(v.begin() + kHeaderSize, v.end());
}

void PutU32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

DecodeError HeaderError(const std::vector<uint8_t>& bytes) {
    FrameReader reader;
    reader.Feed(bytes.data(), bytes.size());
    Frame f;
    reader.Next(f);
    return reader.Error();
}

}  // namespace

TEST(Codec, EveryMessageRoundTrips) {
    Hello h;
    h.versionMax = 3;
    for (size_t i = 0; i < h.nonce.size(); ++i) h.nonce[i] = static_cast<uint8_t>(i + 1);
    EXPECT_EQ(RoundTrip(h).nonce, h.nonce);
    EXPECT_EQ(RoundTrip(h).versionMax, 3);

    Challenge c;
    c.challenge.fill(0xA5);
    EXPECT_EQ(RoundTrip(c).challenge, c.challenge);

    Login l;
    l.user = std::string(kMaxUserName, 'u');
    l.proof.fill(0x3C);
    EXPECT_EQ(RoundTrip(l).user, l.user);
    EXPECT_EQ(RoundTrip(l).proof, l.proof);

    LoginResult lr;
    lr.status = kAuthFailed;
    lr.deviceInfo[55] = 9;
    EXPECT_EQ(RoundTrip(lr).status, kAuthFailed);
    EXPECT_EQ(RoundTrip(lr).deviceInfo[55], 9);

    PlayStart ps;
    ps.channel = 15;
    ps.format = PixelFormat::Rgb565;
    EXPECT_EQ(RoundTrip(ps).channel, 15u);
    EXPECT_EQ(RoundTrip(ps).format, PixelFormat::Rgb565);

    VideoFrame v;
    v.info = {9, 2, 123456, 0x0102030405060708ull, 5, 3, PixelFormat::Rgb24};
    v.data.resize(5 * 3 * 3);
    for (size_t i = 0; i < v.data.size(); ++i) v.data[i] = static_cast<uint8_t>(i * 7);
    const VideoFrame v2 = RoundTrip(v, 0);
    EXPECT_EQ(v2.info.timestampUs, v.info.timestampUs);
    EXPECT_EQ(v2.info.frameNo, 123456u);
    EXPECT_EQ(v2.data, v.data);

    // The shared-pixels encoder produces the same bytes as the plain one.
    std::vector<uint8_t> split = EncodeVideoHead(v.info);
    split.insert(split.end(), v.data.begin(), v.data.end());
    EXPECT_EQ(split, Encode(v, 0));

    AudioPacket a;
    a.playId = 4;
    a.packetNo = 77;
    a.samples = {0, 1, -1, 32767, -32768};
    EXPECT_EQ(RoundTrip(a, 0).samples, a.samples);

    Ptz p;
    p.channel = 3;
    p.code = 0x23;
    p.param1 = 63;
    p.param2 = 8;
    p.stop = true;
    const Ptz p2 = RoundTrip(p);
    EXPECT_EQ(p2.code, 0x23u);
    EXPECT_EQ(p2.param1, 63);
    EXPECT_TRUE(p2.stop);

    ConfigGet g;
    g.command = 3;
    g.channel = -1;
    g.maxLength = 1360;
    EXPECT_EQ(RoundTrip(g).channel, -1);

    ConfigData d;
    d.command = 3;
    d.channel = -1;
    d.data.assign(1360, 0x11);
    d.totalSize = 1360;
    EXPECT_EQ(RoundTrip(d).data, d.data);

    ConfigSet s;
    s.command = 3;
    s.channel = 2;
    s.data.assign(340, 0x22);
    EXPECT_EQ(RoundTrip(s).data, s.data);

    Result r;
    r.request = MsgType::PlayStart;
    r.value = 42;
    EXPECT_EQ(RoundTrip(r).request, MsgType::PlayStart);

    ErrorMsg e;
    e.text = std::string(300, 'x');  // cut to the limit, not refused
    EXPECT_EQ(RoundTrip(e).text.size(), kMaxErrorText);

    Ping ping;
    ping.token = ~0ull;
    EXPECT_EQ(RoundTrip(ping).token, ~0ull);
}

TEST(Codec, ReaderSplitsBackToBackFramesAndHoldsPartialOnes) {
    Ping a, b;
    a.token = 1;
    b.token = 2;
    std::vector<uint8_t> bytes = Encode(a, 1);
    const auto second = Encode(b, 2);
    bytes.insert(bytes.end(), second.begin(), second.end() - 3);
    FrameReader reader;
    reader.Feed(bytes.data(), bytes.size());
    Frame f;
    ASSERT_EQ(reader.Next(f), FrameReader::Status::Frame);
    EXPECT_EQ(f.header.seq, 1u);
    EXPECT_EQ(reader.Next(f), FrameReader::Status::NeedMore);
    EXPECT_EQ(reader.Buffered(), second.size() - 3);
    reader.Feed(second.data() + second.size() - 3, 3);
    ASSERT_EQ(reader.Next(f), FrameReader::Status::Frame);
    Ping out;
    ASSERT_EQ(Decode(f, out), DecodeError::None);
    EXPECT_EQ(out.token, 2u);
}

TEST(Codec, BadHeadersAreRefusedBeforeAnyPayloadIsBuffered) {
    Ping p;
    const std::vector<uint8_t> good = Encode(p, 5);
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> mutate;
        DecodeError expected;
    };
    const Case cases[] = {
        {"magic", [](auto& b) { b[0] ^= 1; }, DecodeError::BadMagic},
        {"version 0", [](auto& b) { b[4] = 0; }, DecodeError::BadVersion},
        {"version 2", [](auto& b) { b[4] = 2; }, DecodeError::BadVersion},
        {"unknown type", [](auto& b) { b[5] = 0x99; }, DecodeError::BadType},
        {"flags", [](auto& b) { b[7] = 0x80; }, DecodeError::BadFlags},
        {"above hard maximum", [](auto& b) { PutU32(b, 12, kMaxPayload + 1); },
         DecodeError::TooLarge},
        {"huge", [](auto& b) { PutU32(b, 12, 0xFFFFFFFFu); }, DecodeError::TooLarge},
        {"above the type's size", [](auto& b) { PutU32(b, 12, 9); }, DecodeError::TooLarge},
        {"below the type's size", [](auto& b) { PutU32(b, 12, 7); }, DecodeError::TooSmall},
        {"ping without id", [](auto& b) { PutU32(b, 8, 0); }, DecodeError::BadSeq},
        {"request without id",
         [](auto& b) {
             b[5] = static_cast<uint8_t>(MsgType::PlayStop);
             PutU32(b, 8, 0);
             PutU32(b, 12, 4);
         },
         DecodeError::BadSeq},
        {"video with an id",
         [](auto& b) {
             b[5] = static_cast<uint8_t>(MsgType::VideoFrame);
             PutU32(b, 12, 200);
         },
         DecodeError::BadSeq},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes(good.begin(), good.begin() + kHeaderSize);  // header only
        c.mutate(bytes);
        FrameReader reader;
        reader.Feed(bytes.data(), bytes.size());
        Frame f;
        EXPECT_EQ(reader.Next(f), FrameReader::Status::Error) << c.what;
        EXPECT_EQ(reader.Error(), c.expected) << c.what << ": " << ToString(reader.Error());
        EXPECT_EQ(reader.Buffered(), 0u) << c.what;
        // Failed stays failed: a valid frame afterwards is not read.
        reader.Feed(good.data(), good.size());
        EXPECT_EQ(reader.Next(f), FrameReader::Status::Error) << c.what;
    }
    EXPECT_EQ(HeaderError(good), DecodeError::None);
}

TEST(Codec, MalformedPayloadsAreRefusedField_by_field) {
    auto video = [] {
        VideoFrame v;
        v.info = {1, 0, 0, 0, 4, 2, PixelFormat::Rgb24};
        v.data.assign(4 * 2 * 3, 0);
        return PayloadOf(v);
    };
    auto audio = [] {
        AudioPacket a;
        a.playId = 1;
        a.samples.assign(10, 0);
        return PayloadOf(a);
    };
    auto configData = [] {
        ConfigData d;
        d.data.assign(8, 1);
        d.totalSize = 8;
        return PayloadOf(d);
    };
    struct Case {
        const char* what;
        MsgType type;
        std::vector<uint8_t> payload;
        DecodeError expected;
    };
    std::vector<Case> cases;
    auto add = [&](const char* what, MsgType t, std::vector<uint8_t> p, DecodeError e) {
        cases.push_back({what, t, std::move(p), e});
    };
    {
        Hello h;
        auto p = PayloadOf(h);
        p[0] = 2;  // min 2 > max 1
        add("hello min above max", MsgType::Hello, p, DecodeError::BadField);
        add("hello short", MsgType::Hello, std::vector<uint8_t>(p.begin(), p.end() - 1),
            DecodeError::Truncated);
        auto q = PayloadOf(h);
        q.push_back(0);
        add("hello long", MsgType::Hello, q, DecodeError::Trailing);
    }
    {
        Challenge c;
        auto p = PayloadOf(c);
        p[2] = 2;
        add("challenge unknown hash", MsgType::Challenge, p, DecodeError::BadField);
    }
    {
        Login l;
        l.user = "admin";
        auto p = PayloadOf(l);
        auto zero = p;
        zero[0] = 0;
        add("login empty name", MsgType::Login, zero, DecodeError::BadField);
        auto big = p;
        big[0] = kMaxUserName + 1;
        add("login name too long", MsgType::Login, big, DecodeError::BadField);
        auto past = p;
        past[0] = 30;  // claims more name than the payload holds
        add("login name past end", MsgType::Login, past, DecodeError::Truncated);
        auto nul = p;
        nul[3] = 0;
        add("login name with NUL", MsgType::Login, nul, DecodeError::BadField);
    }
    {
        auto p = video();
        PutU32(p, 28, static_cast<uint32_t>(p.size() - 32 + 3));
        add("video data length vs size", MsgType::VideoFrame, p, DecodeError::BadField);
        auto q = video();
        q.push_back(0);
        PutU32(q, 28, static_cast<uint32_t>(q.size() - 32));
        add("video data length vs picture", MsgType::VideoFrame, q, DecodeError::BadField);
        auto w0 = video();
        w0[20] = 0;
        add("video zero width", MsgType::VideoFrame, w0, DecodeError::BadField);
        auto fmt = video();
        fmt[24] = 9;
        add("video unknown format", MsgType::VideoFrame, fmt, DecodeError::BadField);
        auto res = video();
        res[25] = 1;
        add("video reserved", MsgType::VideoFrame, res, DecodeError::BadField);
        const auto whole = video();
        add("video truncated", MsgType::VideoFrame,
            std::vector<uint8_t>(whole.begin(), whole.begin() + 20), DecodeError::Truncated);
    }
    {
        auto p = audio();
        p[22] = 11;  // sample count 11, 10 present
        add("audio count past end", MsgType::AudioPacket, p, DecodeError::BadField);
        auto bits = audio();
        bits[20] = 8;
        add("audio 8-bit", MsgType::AudioPacket, bits, DecodeError::BadField);
        auto rate = audio();
        PutU32(rate, 16, 100);
        add("audio rate", MsgType::AudioPacket, rate, DecodeError::BadField);
    }
    {
        Ptz p;
        auto b = PayloadOf(p);
        b[11] = 2;
        add("ptz stop flag 2", MsgType::Ptz, b, DecodeError::BadField);
    }
    {
        ConfigGet g;
        g.maxLength = 0;
        add("config get zero", MsgType::ConfigGet, PayloadOf(g), DecodeError::BadField);
        g.maxLength = kMaxConfigBytes + 1;
        add("config get too big", MsgType::ConfigGet, PayloadOf(g), DecodeError::BadField);
        auto p = configData();
        PutU32(p, 12, 4);  // total below the bytes carried
        add("config data above total", MsgType::ConfigData, p, DecodeError::BadField);
        auto q = configData();
        PutU32(q, 0, kBadChannel);  // a failure carries no bytes
        add("config data on failure", MsgType::ConfigData, q, DecodeError::BadField);
        auto r = configData();
        PutU32(r, 16, 9);
        add("config data length", MsgType::ConfigData, r, DecodeError::BadField);
        ConfigSet s;
        s.data.assign(4, 0);
        auto t = PayloadOf(s);
        PutU32(t, 8, 0);
        add("config set empty", MsgType::ConfigSet, t, DecodeError::BadField);
    }
    {
        Result r;
        auto p = PayloadOf(r);
        p[0] = static_cast<uint8_t>(MsgType::VideoFrame);
        add("result for a non-request", MsgType::Result, p, DecodeError::BadField);
        ErrorMsg e;
        e.text = "abc";
        auto q = PayloadOf(e);
        q[4] = 5;
        add("error text past end", MsgType::Error, q, DecodeError::Truncated);
    }
    {
        PlayStop s;
        add("play id 0", MsgType::PlayStop, PayloadOf(s), DecodeError::BadField);
    }

    for (const Case& c : cases) {
        const Frame f = RawFrame(c.type, c.payload);
        DecodeError got = DecodeError::None;
        switch (c.type) {
#define ZV_DECODE(T, M)     \
    case MsgType::T: {      \
        M m;                \
        got = Decode(f, m); \
        break;              \
    }
            ZV_DECODE(Hello, Hello)
            ZV_DECODE(Challenge, Challenge)
            ZV_DECODE(Login, Login)
            ZV_DECODE(VideoFrame, VideoFrame)
            ZV_DECODE(AudioPacket, AudioPacket)
            ZV_DECODE(Ptz, Ptz)
            ZV_DECODE(ConfigGet, ConfigGet)
            ZV_DECODE(ConfigData, ConfigData)
            ZV_DECODE(ConfigSet, ConfigSet)
            ZV_DECODE(Result, Result)
            ZV_DECODE(Error, ErrorMsg)
            ZV_DECODE(PlayStop, PlayStop)
#undef ZV_DECODE
        default: FAIL() << c.what;
        }
        EXPECT_EQ(got, c.expected) << c.what << ": got " << ToString(got);
    }

    Ptz p;
    EXPECT_EQ(Decode(RawFrame(MsgType::Ping, PayloadOf(p)), p), DecodeError::WrongType);
}

TEST(Codec, RandomBytesNeverCrashTheReaderOrDecoders) {
    // Random headers and payloads (ASan watches for reads past buffers).
    std::mt19937 rng(1234);
    Ping ping;
    const std::vector<uint8_t> valid = Encode(ping, 1);
    int frames = 0;
    for (int i = 0; i < 3000; ++i) {
        std::vector<uint8_t> bytes = valid;
        const int n = static_cast<int>(rng() % 40);
        for (int k = 0; k < n; ++k) bytes.push_back(static_cast<uint8_t>(rng()));
        // Mostly keep a plausible header so payload decoders get exercised.
        bytes[5] = static_cast<uint8_t>(rng() % 2 ? rng() : bytes[5]);
        const uint8_t types[] = {0x01, 0x02, 0x03, 0x04, 0x10, 0x11, 0x12, 0x20, 0x21,
                                 0x22, 0x30, 0x40, 0x41, 0x42, 0x50, 0x51, 0x60, 0x7F};
        bytes[5] = types[rng() % sizeof types];
        PutU32(bytes, 12, static_cast<uint32_t>(bytes.size() - kHeaderSize));
        if (rng() % 4 == 0) bytes[rng() % bytes.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
        FrameReader reader;
        reader.Feed(bytes.data(), bytes.size());
        Frame f;
        if (reader.Next(f) != FrameReader::Status::Frame) continue;
        ++frames;
        Hello a;
        Challenge b;
        Login c;
        LoginResult d;
        PlayStart e;
        PlayStop g;
        VideoFrame h;
        AudioOpen i2;
        AudioClose j;
        AudioPacket k;
        Ptz l;
        ConfigGet m;
        ConfigData n2;
        ConfigSet o;
        Pong q;
        Result r;
        ErrorMsg s;
        Decode(f, a);
        Decode(f, b);
        Decode(f, c);
        Decode(f, d);
        Decode(f, e);
        Decode(f, g);
        Decode(f, h);
        Decode(f, i2);
        Decode(f, j);
        Decode(f, k);
        Decode(f, l);
        Decode(f, m);
        Decode(f, n2);
        Decode(f, o);
        Decode(f, q);
        Decode(f, r);
        Decode(f, s);
    }
    EXPECT_GT(frames, 100);
}

TEST(LoginProof, HmacMatchesPublishedVectors) {
    auto hex = [](const Digest& d) {
        static const char* k = "0123456789abcdef";
        std::string s;
        for (uint8_t b : d) {
            s += k[b >> 4];
            s += k[b & 15];
        }
        return s;
    };
    const std::vector<uint8_t> key1(20, 0x0b);
    const std::string msg1 = "Hi There";
    EXPECT_EQ(hex(HmacSha256(key1.data(), key1.size(),
                             reinterpret_cast<const uint8_t*>(msg1.data()), msg1.size())),
              "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7");
    const std::string key2 = "Jefe", msg2 = "what do ya want for nothing?";
    EXPECT_EQ(hex(HmacSha256(reinterpret_cast<const uint8_t*>(key2.data()), key2.size(),
                             reinterpret_cast<const uint8_t*>(msg2.data()), msg2.size())),
              "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
    // A key longer than the hash block is hashed first.
    const std::vector<uint8_t> key6(131, 0xaa);
    const std::string msg6 = "Test Using Larger Than Block-Size Key - Hash Key First";
    EXPECT_EQ(hex(HmacSha256(key6.data(), key6.size(),
                             reinterpret_cast<const uint8_t*>(msg6.data()), msg6.size())),
              "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54");
}

TEST(LoginProof, DependsOnEveryInput) {
    ChallengeBytes ch{};
    Nonce nonce{};
    const Proof base = LoginProof("secret", ch, nonce, "admin");
    EXPECT_TRUE(ProofEqual(base, LoginProof("secret", ch, nonce, "admin")));
    EXPECT_FALSE(ProofEqual(base, LoginProof("secreT", ch, nonce, "admin")));
    EXPECT_FALSE(ProofEqual(base, LoginProof("secret", ch, nonce, "admiN")));
    ChallengeBytes ch2 = ch;
    ch2[31] = 1;
    EXPECT_FALSE(ProofEqual(base, LoginProof("secret", ch2, nonce, "admin")));
    Nonce nonce2 = nonce;
    nonce2[0] = 1;
    EXPECT_FALSE(ProofEqual(base, LoginProof("secret", ch, nonce2, "admin")));
    // Two fresh challenges from the random source differ.
    ChallengeBytes r1{}, r2{};
    ASSERT_TRUE(RandomBytes(r1.data(), r1.size()));
    ASSERT_TRUE(RandomBytes(r2.data(), r2.size()));
    EXPECT_NE(r1, r2);
}
