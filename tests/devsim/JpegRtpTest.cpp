// Pictures as JPEG and as RTP/JPEG payloads: what the library encodes is
// the picture, the parts an RTP payload needs are found, and the packets
// put back together give the very same scan and tables.
#include <gtest/gtest.h>

#include <random>

#include "JpegCodec.h"
#include "RtpJpeg.h"

using namespace zv::devsim;

namespace {

// Left half red, right half blue, a white bar across the middle.
Image TestPicture(int w, int h) {
    Image img(w, h);
    img.FillRect(0, 0, w / 2, h, {220, 30, 30});
    img.FillRect(w / 2, 0, w - w / 2, h, {30, 30, 220});
    img.FillRect(0, h / 2 - 8, w, 16, {255, 255, 255});
    return img;
}

double Mean(const Image& img, int x0, int y0, int w, int h, int c) {
    double sum = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) sum += img.Row(y)[x * 3 + c];
    return sum / (w * h);
}

// What a receiver does with the payloads of one frame: the scan bytes at
// their fragment offsets, and the tables from the first packet.
bool Reassemble(const RtpJpegFrame& f, std::vector<uint8_t>& scan, std::vector<uint8_t>& tables,
                int& type, int& w8, int& h8, int& dri) {
    size_t begin = 0;
    for (size_t i = 0; i < f.Packets(); ++i) {
        const uint8_t* p = f.payload.data() + begin;
        const size_t len = f.ends[i] - begin;
        begin = f.ends[i];
        if (len < 8) return false;
        const size_t offset = static_cast<size_t>(p[1]) << 16 | p[2] << 8 | p[3];
        type = p[4];
        if (p[5] != 255) return false;
        w8 = p[6];
        h8 = p[7];
        size_t at = 8;
        if (type >= 64) {
            dri = p[8] << 8 | p[9];
            at += 4;
        }
        if (offset == 0) {
            const size_t tlen = static_cast<size_t>(p[at + 2]) << 8 | p[at + 3];
            tables.assign(p + at + 4, p + at + 4 + tlen);
            at += 4 + tlen;
        }
        if (offset != scan.size()) return false;  // in order, no gaps
        scan.insert(scan.end(), p + at, p + len);
    }
    return true;
}

}  // namespace

TEST(Jpeg, EncodesThePictureAt420) {
    const Image img = TestPicture(352, 288);
    std::vector<uint8_t> jpeg;
    std::string error;
    ASSERT_TRUE(JpegCodec::Encode(img, 75, 0, jpeg, &error)) << error;
    EXPECT_LT(jpeg.size(), img.rgb.size() / 4);
    Image back;
    ASSERT_TRUE(JpegCodec::Decode(jpeg.data(), jpeg.size(), back, &error)) << error;
    ASSERT_EQ(back.width, 352);
    ASSERT_EQ(back.height, 288);
    EXPECT_NEAR(Mean(back, 20, 20, 100, 80, 0), 220, 6);
    EXPECT_NEAR(Mean(back, 20, 20, 100, 80, 2), 30, 6);
    EXPECT_NEAR(Mean(back, 220, 20, 100, 80, 2), 220, 6);
    EXPECT_NEAR(Mean(back, 20, 140, 300, 8, 1), 255, 6);
    // Higher quality, more bytes.
    std::vector<uint8_t> fine;
    ASSERT_TRUE(JpegCodec::Encode(img, 95, 0, fine, nullptr));
    EXPECT_GT(fine.size(), jpeg.size());
}

TEST(Jpeg, SplitFindsTablesScanAndRestartInterval) {
    const Image img = TestPicture(352, 288);
    for (int restart : {0, 22}) {
        std::vector<uint8_t> jpeg;
        ASSERT_TRUE(JpegCodec::Encode(img, 75, restart, jpeg, nullptr));
        JpegParts parts;
        std::string error;
        ASSERT_TRUE(JpegCodec::Split(jpeg, parts, &error)) << error;
        EXPECT_EQ(parts.width, 352);
        EXPECT_EQ(parts.height, 288);
        EXPECT_EQ(parts.type, 1);  // 4:2:0
        EXPECT_EQ(parts.restartInterval, restart);
        EXPECT_EQ(parts.qtables.size(), 128u);
        EXPECT_EQ(parts.scanOffset + parts.scanLength + 2, jpeg.size());
        // Restart markers (FF D0..D7) appear in the scan only when asked for.
        bool markers = false;
        for (size_t i = parts.scanOffset; i + 1 < parts.scanOffset + parts.scanLength; ++i)
            markers = markers || (jpeg[i] == 0xFF && jpeg[i + 1] >= 0xD0 && jpeg[i + 1] <= 0xD7);
        EXPECT_EQ(markers, restart != 0);
    }
}

TEST(Jpeg, RefusesWhatAPayloadCannotCarryAndSurvivesDamage) {
    std::vector<uint8_t> jpeg;
    ASSERT_TRUE(JpegCodec::Encode(TestPicture(64, 48), 75, 0, jpeg, nullptr));
    JpegParts parts;
    EXPECT_FALSE(JpegCodec::Split({}, parts, nullptr));
    EXPECT_FALSE(JpegCodec::Split({0xFF, 0xD8, 0xFF}, parts, nullptr));
    std::vector<uint8_t> noEnd(jpeg.begin(), jpeg.end() - 2);
    EXPECT_FALSE(JpegCodec::Split(noEnd, parts, nullptr));
    // A progressive frame marker in place of the baseline one.
    std::vector<uint8_t> progressive = jpeg;
    for (size_t i = 2; i + 1 < progressive.size(); ++i)
        if (progressive[i] == 0xFF && progressive[i + 1] == 0xC0) {
            progressive[i + 1] = 0xC2;
            break;
        }
    EXPECT_FALSE(JpegCodec::Split(progressive, parts, nullptr));
    // Damaged files are refused or decoded, never a crash or an exit.
    std::mt19937 rng(3);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> bad = jpeg;
        for (int e = 0; e < 4; ++e) bad[rng() % bad.size()] = static_cast<uint8_t>(rng());
        bad.resize(bad.size() - rng() % (bad.size() / 2));
        Image out;
        JpegCodec::Decode(bad.data(), bad.size(), out, nullptr);
        JpegCodec::Split(bad, parts, nullptr);
    }
    Image none;
    EXPECT_FALSE(JpegCodec::Encode(none, 75, 0, jpeg, nullptr));
}

TEST(RtpJpeg, PacketsGiveBackTheScanAndTables) {
    const Image img = TestPicture(352, 288);
    std::vector<uint8_t> jpeg;
    ASSERT_TRUE(JpegCodec::Encode(img, 75, 22, jpeg, nullptr));
    JpegParts parts;
    ASSERT_TRUE(JpegCodec::Split(jpeg, parts, nullptr));
    for (size_t maxPayload : {size_t{200}, size_t{1400}, size_t{60000}}) {
        RtpJpegFrame f;
        ASSERT_TRUE(RtpJpeg::Packetize(jpeg, parts, maxPayload, f));
        size_t begin = 0;
        for (size_t end : f.ends) {
            EXPECT_LE(end - begin, maxPayload);
            begin = end;
        }
        std::vector<uint8_t> scan, tables;
        int type = -1, w8 = 0, h8 = 0, dri = 0;
        ASSERT_TRUE(Reassemble(f, scan, tables, type, w8, h8, dri));
        EXPECT_EQ(type, 65);  // 4:2:0 with restart markers
        EXPECT_EQ(w8, 44);
        EXPECT_EQ(h8, 36);
        EXPECT_EQ(dri, 22);
        EXPECT_EQ(tables, parts.qtables);
        EXPECT_TRUE(std::equal(scan.begin(), scan.end(), jpeg.begin() + parts.scanOffset));
        EXPECT_EQ(scan.size(), parts.scanLength);
    }
    // Without restart markers the type is plain 1 and no restart header.
    ASSERT_TRUE(JpegCodec::Encode(img, 75, 0, jpeg, nullptr));
    ASSERT_TRUE(JpegCodec::Split(jpeg, parts, nullptr));
    RtpJpegFrame f;
    ASSERT_TRUE(RtpJpeg::Packetize(jpeg, parts, 1400, f));
    EXPECT_EQ(f.payload[4], 1);
    // Too small a packet for the tables, too large a picture.
    EXPECT_FALSE(RtpJpeg::Packetize(jpeg, parts, 100, f));
    JpegParts huge = parts;
    huge.width = 2048;
    EXPECT_FALSE(RtpJpeg::Packetize(jpeg, huge, 1400, f));
}

TEST(RtpJpeg, HeaderCarriesVersionMarkerAndNumbers) {
    uint8_t h[RtpJpeg::kRtpHeaderSize];
    RtpJpeg::Header(h, true, 0xBEEF, 0x01020304, 0xA0B0C0D0);
    EXPECT_EQ(h[0], 0x80);
    EXPECT_EQ(h[1], 0x80 | 26);
    EXPECT_EQ(h[2] << 8 | h[3], 0xBEEF);
    EXPECT_EQ(h[4], 1);
    EXPECT_EQ(h[7], 4);
    EXPECT_EQ(h[8], 0xA0);
    EXPECT_EQ(h[11], 0xD0);
    RtpJpeg::Header(h, false, 1, 0, 0);
    EXPECT_EQ(h[1], 26);
}
