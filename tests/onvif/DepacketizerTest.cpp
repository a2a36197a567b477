// Pictures back from RTP: JPEG frames cut by the simulator's packetiser come
// back as files that decode to the very same pixels (tables in band, from
// Q, sent before; restart markers), whatever the packets' order within the
// window; a frame with a lost fragment is dropped, the next one is whole.
// H.264 access units come back from single NAL units, STAP-A and FU-A,
// with the description's parameter sets before key frames, and nothing
// between a loss and the next key frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "H264Depacketizer.h"
#include "JpegCodec.h"
#include "JpegDepacketizer.h"
#include "Rtp.h"
#include "RtpJpeg.h"

using namespace zv::onvif;
namespace ds = zv::devsim;

namespace {

using Packet = std::vector<uint8_t>;

ds::Image Picture(int w, int h, int seed) {
    ds::Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.Set(x, y, {uint8_t(x * 3 + seed), uint8_t(y * 2), uint8_t((x ^ y) + seed * 7)});
    return img;
}

Packet Rtp(bool marker, uint16_t seq, uint32_t ts, const uint8_t* payload, size_t n, uint8_t pt = 26) {
    Packet p(12);
    ds::RtpJpeg::Header(p.data(), marker, seq, ts, 0x1234);
    p[1] = static_cast<uint8_t>((marker ? 0x80 : 0) | pt);
    p.insert(p.end(), payload, payload + n);
    return p;
}

struct Encoded {
    std::vector<uint8_t> jpeg;
    std::vector<Packet> packets;
};

Encoded Encode(const ds::Image& img, int quality, int restart, uint16_t seq, uint32_t ts, size_t maxPayload = 1400) {
    Encoded e;
    std::string err;
    EXPECT_TRUE(ds::JpegCodec::Encode(img, quality, restart, e.jpeg, &err)) << err;
    ds::JpegParts parts;
    EXPECT_TRUE(ds::JpegCodec::Split(e.jpeg, parts, &err)) << err;
    ds::RtpJpegFrame f;
    EXPECT_TRUE(ds::RtpJpeg::Packetize(e.jpeg, parts, maxPayload, f));
    size_t begin = 0;
    for (size_t i = 0; i < f.Packets(); ++i) {
        e.packets.push_back(Rtp(i + 1 == f.Packets(), uint16_t(seq + i), ts, f.payload.data() + begin, f.ends[i] - begin));
        begin = f.ends[i];
    }
    return e;
}

struct Receiver {
    explicit Receiver(size_t window = RtpReorder::kWindow) : reorder(window) {}
    RtpReorder reorder;
    JpegDepacketizer depack;
    std::vector<JpegDepacketizer::Frame> frames;
    void Push(const Packet& p) {
        reorder.Push(p.data(), p.size(), [&](const RtpPacket& pkt, uint32_t lost) {
            JpegDepacketizer::Frame f;
            if (depack.Push(pkt, lost, f)) frames.push_back(std::move(f));
        });
    }
    void End() {
        reorder.Flush([&](const RtpPacket& pkt, uint32_t lost) {
            JpegDepacketizer::Frame f;
            if (depack.Push(pkt, lost, f)) frames.push_back(std::move(f));
        });
    }
};

ds::Image Decode(const std::vector<uint8_t>& jpeg) {
    ds::Image img;
    std::string err;
    EXPECT_TRUE(ds::JpegCodec::Decode(jpeg.data(), jpeg.size(), img, &err)) << err;
    return img;
}

TEST(JpegDepacketizer, FramesDecodeToTheSamePixelsWithAndWithoutRestartMarkers) {
    for (int restart : {0, 1, 3}) {
        Receiver rx;
        const ds::Image img = Picture(352, 288, restart);
        const Encoded e = Encode(img, 80, restart, 65530, 1000);  // sequence numbers wrap
        ASSERT_GT(e.packets.size(), 3u);
        for (const Packet& p : e.packets) rx.Push(p);
        ASSERT_EQ(rx.frames.size(), 1u) << restart;
        EXPECT_EQ(rx.frames[0].width, 352);
        EXPECT_EQ(rx.frames[0].height, 288);
        EXPECT_EQ(rx.frames[0].timestamp, 1000u);
        EXPECT_EQ(Decode(rx.frames[0].jpeg).rgb, Decode(e.jpeg).rgb) << "restart " << restart;
    }
}

TEST(JpegDepacketizer, ReorderedPacketsWithinTheWindowStillMakeTheFrame) {
    Receiver rx;
    const Encoded e = Encode(Picture(320, 240, 1), 60, 2, 100, 5, 300);
    std::vector<Packet> shuffled = e.packets;
    std::mt19937 rng(7);
    // Swaps within a distance of 5.
    for (size_t i = 0; i + 5 < shuffled.size(); i += 3) std::swap(shuffled[i], shuffled[i + rng() % 5]);
    ASSERT_NE(shuffled, e.packets);
    for (const Packet& p : shuffled) rx.Push(p);
    ASSERT_EQ(rx.frames.size(), 1u);
    EXPECT_EQ(Decode(rx.frames[0].jpeg).rgb, Decode(e.jpeg).rgb);
    EXPECT_EQ(rx.depack.FramesDropped(), 0u);
}

TEST(JpegDepacketizer, ALostFragmentDropsItsFrameOnly) {
    // Over TCP (no waiting) and over a reordering transport (waiting, then
    // the stream's end gives the gap up).
    for (size_t window : {size_t(0), RtpReorder::kWindow})
    for (size_t lost : {size_t(0), size_t(1), size_t(3)}) {
        Receiver rx(window);
        const Encoded a = Encode(Picture(176, 144, 2), 70, 0, 10, 3600, 400);
        const Encoded b = Encode(Picture(176, 144, 3), 70, 0, uint16_t(10 + a.packets.size()), 7200, 400);
        ASSERT_GT(a.packets.size(), lost + 1);
        for (size_t i = 0; i < a.packets.size(); ++i)
            if (i != lost) rx.Push(a.packets[i]);
        for (const Packet& p : b.packets) rx.Push(p);
        rx.End();
        ASSERT_EQ(rx.frames.size(), 1u) << "lost " << lost << " window " << window;
        EXPECT_EQ(rx.frames[0].timestamp, 7200u);
        EXPECT_EQ(Decode(rx.frames[0].jpeg).rgb, Decode(b.jpeg).rgb);
        EXPECT_EQ(rx.depack.FramesDropped(), 1u);
    }
    // The marker packet lost: the next picture's start ends the broken one.
    Receiver rx(0);
    const Encoded a = Encode(Picture(176, 144, 2), 70, 0, 10, 3600, 400);
    const Encoded b = Encode(Picture(176, 144, 3), 70, 0, uint16_t(10 + a.packets.size()), 7200, 400);
    for (size_t i = 0; i + 1 < a.packets.size(); ++i) rx.Push(a.packets[i]);
    for (const Packet& p : b.packets) rx.Push(p);
    ASSERT_EQ(rx.frames.size(), 1u);
    EXPECT_EQ(rx.frames[0].timestamp, 7200u);
}

// The first packet without its tables: Q 1..99 computes them, Q >= 128 with
// a zero length means "as sent before".
Packet WithoutTables(const Packet& first, uint8_t q, bool keepHeader) {
    Packet p(first.begin(), first.begin() + 12 + 8);
    const bool restart = first[12 + 4] >= 64;
    size_t at = 12 + 8;
    if (restart) {
        p.insert(p.end(), first.begin() + at, first.begin() + at + 4);
        at += 4;
    }
    p[12 + 5] = q;
    const size_t len = size_t(first[at + 2]) << 8 | first[at + 3];
    if (keepHeader) {
        const uint8_t empty[4] = {0, 0, 0, 0};
        p.insert(p.end(), empty, empty + 4);
    }
    p.insert(p.end(), first.begin() + at + 4 + len, first.end());
    return p;
}

TEST(JpegDepacketizer, TablesFromQAndTablesSentBefore) {
    for (int quality : {50, 75, 90, 20}) {
        Receiver rx;
        const Encoded e = Encode(Picture(160, 120, 4), quality, 0, 1, 1, 500);
        std::vector<Packet> pk = e.packets;
        pk[0] = WithoutTables(pk[0], uint8_t(quality), false);
        for (auto& p : pk) p[12 + 5] = uint8_t(quality);
        for (const Packet& p : pk) rx.Push(p);
        ASSERT_EQ(rx.frames.size(), 1u) << quality;
        EXPECT_EQ(Decode(rx.frames[0].jpeg).rgb, Decode(e.jpeg).rgb) << "Q " << quality << " gives the encoder's tables";
    }
    // Q 200: tables in the first frame, then "sent before".
    Receiver rx;
    Encoded a = Encode(Picture(160, 120, 5), 85, 0, 1, 100, 500);
    Encoded b = Encode(Picture(160, 120, 6), 85, 0, uint16_t(1 + a.packets.size()), 200, 500);
    for (auto& p : a.packets) p[12 + 5] = 200;
    for (auto& p : b.packets) p[12 + 5] = 200;
    b.packets[0] = WithoutTables(b.packets[0], 200, true);
    for (const Packet& p : a.packets) rx.Push(p);
    for (const Packet& p : b.packets) rx.Push(p);
    ASSERT_EQ(rx.frames.size(), 2u);
    EXPECT_EQ(Decode(rx.frames[1].jpeg).rgb, Decode(b.jpeg).rgb);
    // "Sent before" with nothing sent: dropped.
    Receiver fresh;
    for (const Packet& p : b.packets) fresh.Push(p);
    EXPECT_TRUE(fresh.frames.empty());
}

TEST(JpegDepacketizer, HostileHeadersAreDroppedNotBuilt) {
    Receiver rx;
    const Encoded e = Encode(Picture(160, 120, 1), 50, 0, 1, 1, 400);
    auto mutate = [&](size_t byte, uint8_t value) {
        std::vector<Packet> pk = e.packets;
        pk[0][12 + byte] = value;
        for (const Packet& p : pk) rx.Push(p);
    };
    mutate(4, 7);     // an unknown type
    mutate(6, 0);     // zero width
    mutate(5, 110);   // reserved Q
    mutate(5, 0);     // Q 0
    EXPECT_TRUE(rx.frames.empty());
    // A fragment offset that jumps: the frame is damaged.
    std::vector<Packet> pk = e.packets;
    ASSERT_GE(pk.size(), 2u);
    pk[1][12 + 3] ^= 0x40;
    Receiver rx2;
    for (const Packet& p : pk) rx2.Push(p);
    EXPECT_TRUE(rx2.frames.empty());
    // Short payloads and non-RTP bytes.
    Receiver rx3;
    const uint8_t junk[5] = {0x80, 26, 0, 1, 0};
    rx3.reorder.Push(junk, sizeof junk, [](const RtpPacket&, uint32_t) { FAIL(); });
    const Packet tiny = Rtp(true, 1, 1, junk, 3);
    rx3.Push(tiny);
    EXPECT_TRUE(rx3.frames.empty());
    EXPECT_EQ(rx3.reorder.Malformed(), 1u);
}

TEST(RtpReorder, InOrderPassesAtOnceGapsAreCountedDuplicatesDropped) {
    RtpReorder r;
    std::vector<std::pair<uint16_t, uint32_t>> got;
    auto deliver = [&](const RtpPacket& p, uint32_t lost) { got.push_back({p.seq, lost}); };
    const uint8_t body[1] = {0};
    for (uint16_t s : {10, 11, 13, 12, 12, 9, 14}) {
        const Packet p = Rtp(false, s, 0, body, 1);
        r.Push(p.data(), p.size(), deliver);
    }
    const std::vector<std::pair<uint16_t, uint32_t>> want = {{10, 0}, {11, 0}, {12, 0}, {13, 0}, {14, 0}};
    EXPECT_EQ(got, want);
    EXPECT_EQ(r.Late(), 2u);
    got.clear();
    // A gap that is never filled: skipped once the window has filled half way.
    for (uint16_t s = 16; s < 16 + RtpReorder::kWindow; ++s) {
        const Packet p = Rtp(false, s, 0, body, 1);
        r.Push(p.data(), p.size(), deliver);
    }
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0], std::make_pair(uint16_t(16), uint32_t(1)));
    // A jump far ahead: everything between is lost at once.
    got.clear();
    const Packet far = Rtp(false, 1000, 0, body, 1);
    r.Push(far.data(), far.size(), deliver);
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back().first, 1000);
    EXPECT_GT(got.back().second, 900u);
    // Far behind, same source: a sender numbering from scratch, not 30000 late packets.
    got.clear();
    for (uint16_t s : {uint16_t(1000 - 30000), uint16_t(1001 - 30000), uint16_t(1001 - 30000 - 50)}) {
        const Packet p = Rtp(false, s, 0, body, 1);
        r.Push(p.data(), p.size(), deliver);
    }
    const std::vector<std::pair<uint16_t, uint32_t>> restarted = {{uint16_t(1000 - 30000), 0}, {uint16_t(1001 - 30000), 0}};
    EXPECT_EQ(got, restarted) << "a little behind is still late";
    EXPECT_EQ(r.Restarts(), 1u);
}

// --- H.264 -----------------------------------------------------------------------

std::vector<uint8_t> Nal(uint8_t type, size_t n, uint8_t fill) {
    std::vector<uint8_t> v(n, fill);
    v[0] = static_cast<uint8_t>(0x60 | type);
    return v;
}

std::vector<uint8_t> AnnexB(std::initializer_list<std::vector<uint8_t>> nals) {
    std::vector<uint8_t> out;
    for (const auto& n : nals) {
        out.insert(out.end(), {0, 0, 0, 1});
        out.insert(out.end(), n.begin(), n.end());
    }
    return out;
}

struct H264Rx {
    RtpReorder reorder{0};  // as over TCP
    H264Depacketizer depack;
    std::vector<H264Depacketizer::AccessUnit> units;
    void Push(const Packet& p) {
        reorder.Push(p.data(), p.size(), [&](const RtpPacket& pkt, uint32_t lost) { depack.Push(pkt, lost, units); });
    }
};

// FU-A fragments of one NAL unit, `size` payload bytes each.
std::vector<Packet> FuA(const std::vector<uint8_t>& nal, size_t size, uint16_t& seq, uint32_t ts, bool lastMarker) {
    std::vector<Packet> out;
    for (size_t at = 1; at < nal.size(); at += size) {
        const size_t n = std::min(size, nal.size() - at);
        std::vector<uint8_t> pl = {uint8_t((nal[0] & 0xE0) | 28),
                                   uint8_t((at == 1 ? 0x80 : 0) | (at + n == nal.size() ? 0x40 : 0) | (nal[0] & 0x1F))};
        pl.insert(pl.end(), nal.begin() + at, nal.begin() + at + n);
        out.push_back(Rtp(lastMarker && at + n == nal.size(), seq++, ts, pl.data(), pl.size(), 96));
    }
    return out;
}

TEST(H264Depacketizer, SingleStapAndFuAMakeWholeAccessUnits) {
    H264Rx rx;
    ASSERT_TRUE(rx.depack.SetParameterSets("Z0IAHpWoLQSZ,aM48gA=="));
    const auto sps = Nal(7, 10, 1), pps = Nal(8, 4, 2), idr = Nal(5, 3000, 3), p1 = Nal(1, 500, 4), sei = Nal(6, 8, 5);
    uint16_t seq = 65000;
    // AU 1: STAP-A with SPS and PPS, then the IDR in fragments.
    std::vector<uint8_t> stap = {24};
    for (const auto* n : {&sps, &pps}) {
        stap.push_back(uint8_t(n->size() >> 8));
        stap.push_back(uint8_t(n->size()));
        stap.insert(stap.end(), n->begin(), n->end());
    }
    rx.Push(Rtp(false, seq++, 3000, stap.data(), stap.size(), 96));
    for (const Packet& p : FuA(idr, 1000, seq, 3000, true)) rx.Push(p);
    // AU 2: SEI and a slice as single NAL units.
    rx.Push(Rtp(false, seq++, 6000, sei.data(), sei.size(), 96));
    rx.Push(Rtp(true, seq++, 6000, p1.data(), p1.size(), 96));
    ASSERT_EQ(rx.units.size(), 2u);
    EXPECT_TRUE(rx.units[0].keyFrame);
    EXPECT_EQ(rx.units[0].data, AnnexB({sps, pps, idr})) << "in-band sets: none added";
    EXPECT_FALSE(rx.units[1].keyFrame);
    EXPECT_EQ(rx.units[1].data, AnnexB({sei, p1}));
    EXPECT_EQ(rx.units[1].timestamp, 6000u);
}

TEST(H264Depacketizer, DescriptionSetsBeforeAKeyFrameWithoutItsOwn) {
    H264Rx rx;
    ASSERT_TRUE(rx.depack.SetParameterSets("Z0IAHpWoLQSZ,aM48gA=="));
    const auto idr = Nal(5, 40, 3);
    rx.Push(Rtp(true, 1, 90, idr.data(), idr.size(), 96));
    ASSERT_EQ(rx.units.size(), 1u);
    const std::vector<uint8_t> want = {0, 0, 0, 1, 0x67, 0x42, 0x00, 0x1e, 0x95, 0xa8, 0x2d, 0x04, 0x99,
                                       0, 0, 0, 1, 0x68, 0xce, 0x3c, 0x80};
    ASSERT_GT(rx.units[0].data.size(), want.size());
    EXPECT_TRUE(std::equal(want.begin(), want.end(), rx.units[0].data.begin()));
    EXPECT_FALSE(rx.depack.SetParameterSets("!!,??"));
}

TEST(H264Depacketizer, ALossDropsPicturesUntilTheNextKeyFrame) {
    H264Rx rx;
    ASSERT_TRUE(rx.depack.SetParameterSets("Z0IAHpWoLQSZ,aM48gA=="));
    uint16_t seq = 1;
    const auto idr = Nal(5, 2500, 3), p = Nal(1, 2500, 4);
    for (const Packet& pk : FuA(idr, 1000, seq, 100, true)) rx.Push(pk);  // whole
    auto broken = FuA(p, 1000, seq, 200, true);
    broken.erase(broken.begin() + 1);  // the middle fragment lost
    for (const Packet& pk : broken) rx.Push(pk);
    for (const Packet& pk : FuA(p, 1000, seq, 300, true)) rx.Push(pk);  // whole, but refers to the lost one
    for (const Packet& pk : FuA(idr, 1000, seq, 400, true)) rx.Push(pk);
    for (const Packet& pk : FuA(p, 1000, seq, 500, true)) rx.Push(pk);
    std::vector<uint32_t> ts;
    for (const auto& u : rx.units) ts.push_back(u.timestamp);
    EXPECT_EQ(ts, (std::vector<uint32_t>{100, 400, 500}));
    EXPECT_EQ(rx.depack.FramesDropped(), 2u);
    // Nothing before the first key frame either.
    H264Rx late;
    uint16_t s2 = 1;
    for (const Packet& pk : FuA(p, 1000, s2, 10, true)) late.Push(pk);
    EXPECT_TRUE(late.units.empty());
}

TEST(H264Depacketizer, MalformedAggregatesAndOtherModesAreDropped) {
    H264Rx rx;
    rx.depack.SetParameterSets("Z0IAHpWoLQSZ,aM48gA==");
    const uint8_t badStap[] = {24, 0, 50, 0x65, 1, 2};            // a length past the end
    const uint8_t zeroStap[] = {24, 0, 0};                        // a zero length
    const uint8_t stapB[] = {25, 0, 0, 0, 2, 0x65, 0};            // interleaved mode
    const uint8_t fuNoStart[] = {28, 0x45, 1, 2, 3};              // end without a start
    const uint8_t forbidden[] = {0xE5, 1, 2};                     // forbidden bit set
    uint16_t seq = 1;
    uint32_t ts = 1;
    for (auto* pl : {badStap, zeroStap, stapB, fuNoStart, forbidden}) {
        const size_t n = pl == badStap ? sizeof badStap : pl == zeroStap ? sizeof zeroStap : pl == stapB ? sizeof stapB
                       : pl == fuNoStart ? sizeof fuNoStart : sizeof forbidden;
        rx.Push(Rtp(true, seq++, ts++, pl, n, 96));
    }
    EXPECT_TRUE(rx.units.empty());
    const auto idr = Nal(5, 30, 1);
    rx.Push(Rtp(true, seq++, ts++, idr.data(), idr.size(), 96));
    EXPECT_EQ(rx.units.size(), 1u) << "and the next key frame decodes";
}

}  // namespace
