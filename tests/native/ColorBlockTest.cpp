// The colour values of a channel in the device's blocks, and the panel's
// round trip through the network library: what is read, what is written
// back, and what happens when the device's answer does not fit the channel.
#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "ColorBlock.h"
#include "ColorConfig.h"
#include "FakeNetLibrary.h"

namespace zv {
namespace {

using test::FakeNetLibrary;
using Bytes = std::vector<uint8_t>;

// Every byte different from its neighbours, so a stray write shows.
Bytes Pattern(size_t n, int seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + seed);
    return b;
}

Bytes DeviceBlock(int nRecords, size_t size = proto::kDeviceBlockSize) {
    Bytes b = Pattern(size, 1);
    if (size > proto::kChannelCountOffset) b[proto::kChannelCountOffset] = static_cast<uint8_t>(nRecords);
    return b;
}

Bytes Records(int nRecords, int nLess = 0) {
    return Pattern(static_cast<size_t>(nRecords) * proto::kChannelRecordSize - nLess, 3);
}

void PutValues(Bytes& records, int nChannel, uint8_t b, uint8_t c, uint8_t s, uint8_t h) {
    uint8_t* r = &records[static_cast<size_t>(nChannel) * proto::kChannelRecordSize];
    r[208] = b;
    r[209] = c;
    r[210] = s;
    r[211] = h;
}

bool operator==(const ColorValues& a, const ColorValues& b) {
    return a.nBrightness == b.nBrightness && a.nContrast == b.nContrast && a.nHue == b.nHue &&
           a.nSaturation == b.nSaturation;
}

TEST(ColorBlock, ReadsAndWritesOnlyBytes208To211OfTheChannelsRecord) {
    Bytes records = Records(4);
    PutValues(records, 2, 11, 22, 33, 44);
    ColorValues v{};
    ASSERT_TRUE(ReadColorRecord(records.data(), records.size(), 2, v));
    EXPECT_EQ(v.nBrightness, 11);
    EXPECT_EQ(v.nContrast, 22);
    EXPECT_EQ(v.nSaturation, 33);
    EXPECT_EQ(v.nHue, 44);

    for (int ch : {0, 3}) {
        Bytes written = records;
        ASSERT_TRUE(WriteColorRecord(written.data(), written.size(), ch, ColorValues{1, 2, 4, 3}));
        Bytes expected = records;
        PutValues(expected, ch, 1, 2, 3, 4);  // byte order: brightness, contrast, saturation, hue
        EXPECT_EQ(written, expected) << "channel " << ch;
    }

    // Out-of-range values keep their low 8 bits.
    Bytes written = records;
    ASSERT_TRUE(WriteColorRecord(written.data(), written.size(), 1, ColorValues{261, -1, 0x1FF, 300}));
    Bytes expected = records;
    PutValues(expected, 1, 5, 255, 44, 255);
    EXPECT_EQ(written, expected);
}

TEST(ColorBlock, AChannelWithoutARecordIsNeitherReadNorWritten) {
    struct Case {
        int nRecords, nChannel;
    };
    for (const Case c : {Case{4, 4}, Case{4, 9}, Case{4, -1}, Case{4, INT_MIN}, Case{1, INT_MAX},
                         Case{0, 0}}) {
        // Exactly the block's size on the heap, so the sanitizer sees any
        // access past its end.
        const size_t size = static_cast<size_t>(c.nRecords) * proto::kChannelRecordSize;
        std::unique_ptr<uint8_t[]> block(new uint8_t[size + 1]);
        const Bytes original = Pattern(size, 5);
        std::copy(original.begin(), original.end(), block.get());
        ColorValues v = kDefaultColorValues;
        EXPECT_FALSE(ReadColorRecord(block.get(), size, c.nChannel, v)) << c.nRecords << "/" << c.nChannel;
        EXPECT_TRUE(v == kDefaultColorValues);
        EXPECT_FALSE(WriteColorRecord(block.get(), size, c.nChannel, ColorValues{1, 2, 3, 4}));
        EXPECT_TRUE(std::equal(original.begin(), original.end(), block.get()));
    }
    EXPECT_EQ(ChannelRecordCount(DeviceBlock(7).data(), proto::kDeviceBlockSize), 7);
    EXPECT_EQ(ChannelRecordCount(DeviceBlock(7, 181).data(), 181), 0) << "too short for N";
}

class ColorRoundTrip : public ::testing::Test {
protected:
    static constexpr int32_t kLogin = 700;
    void Device(int nRecords, const Bytes& records) {
        net.SetConfig(proto::kCfgDevice, DeviceBlock(nRecords));
        net.SetConfig(proto::kCfgChannel, records);
    }
    FakeNetLibrary net;
    CColorConfig config{net};
};

TEST_F(ColorRoundTrip, ReadAsksForBothBlocksWithTheirSizesAndWaits) {
    Bytes records = Records(4);
    PutValues(records, 1, 10, 20, 30, 40);
    Device(4, records);
    ColorValues v = kDefaultColorValues;
    ASSERT_TRUE(config.ReadDeviceValues(kLogin, 1, v));
    EXPECT_TRUE(v == (ColorValues{10, 20, 40, 30}));
    EXPECT_EQ(net.Calls(), (std::vector<std::string>{"GetDevConfig 700 1 0 212 500",
                                                     "GetDevConfig 700 3 -1 1360 500"}));
    EXPECT_TRUE(net.Written().empty()) << "opening writes nothing";
}

TEST_F(ColorRoundTrip, EveryApplyRereadsTheBlocksAndChangesOnlyTheChannelsBytes) {
    Bytes records = Records(4);
    Device(4, records);
    ASSERT_TRUE(config.ApplyToDevice(kLogin, 2, ColorValues{9, 8, 7, 6}));
    // Another client changes some other setting in between: the next write
    // carries that change instead of an old copy.
    records[3 * proto::kChannelRecordSize + 17] ^= 0xFF;
    records[2 * proto::kChannelRecordSize + 212] ^= 0xFF;
    net.SetConfig(proto::kCfgChannel, records);
    ASSERT_TRUE(config.ApplyToDevice(kLogin, 2, ColorValues{9, 8, 7, 5}));

    EXPECT_EQ(net.Calls(), (std::vector<std::string>{
                               "GetDevConfig 700 1 0 212 500", "GetDevConfig 700 3 -1 1360 500",
                               "SetDevConfig 700 3 -1 1360 500", "GetDevConfig 700 1 0 212 500",
                               "GetDevConfig 700 3 -1 1360 500", "SetDevConfig 700 3 -1 1360 500"}));
    const auto written = net.Written();
    ASSERT_EQ(written.size(), 2u);
    Bytes expected = records;
    PutValues(expected, 2, 9, 8, 5, 7);
    EXPECT_EQ(written[1], expected);
}

TEST_F(ColorRoundTrip, AFailedOrShortReadLeavesTheValuesAndWritesNothing) {
    struct Case {
        const char* what;
        Bytes device;
        Bytes records;
        std::vector<int32_t> results;  // scripted GetDevConfig results, in order
    };
    const Case cases[] = {
        {"device block of 211 bytes", DeviceBlock(4, 211), Records(4), {}},
        {"records one byte short", DeviceBlock(4), Records(4, 1), {}},
        {"fewer records than announced", DeviceBlock(5), Records(4), {}},
        {"first read fails", DeviceBlock(4), Records(4), {0}},
        {"second read fails", DeviceBlock(4), Records(4), {1, 0}},
    };
    for (const Case& c : cases) {
        FakeNetLibrary fake;
        CColorConfig cfg(fake);
        fake.SetConfig(proto::kCfgDevice, c.device);
        fake.SetConfig(proto::kCfgChannel, c.records);
        for (int32_t r : c.results) fake.Script("GetDevConfig", {r});
        ColorValues v = kDefaultColorValues;
        EXPECT_FALSE(cfg.ReadDeviceValues(kLogin, 0, v)) << c.what;
        EXPECT_TRUE(v == kDefaultColorValues) << c.what;
        for (int32_t r : c.results) fake.Script("GetDevConfig", {r});
        EXPECT_FALSE(cfg.ApplyToDevice(kLogin, 0, ColorValues{1, 2, 3, 4})) << c.what;
        EXPECT_EQ(fake.Count("SetDevConfig"), 0) << c.what;
    }
}

TEST_F(ColorRoundTrip, AChannelOutsideTheRecordsKeepsTheDefaultsAndWritesNothing) {
    for (const auto& [nRecords, nChannel] : {std::pair{4, 4}, std::pair{4, -1}, std::pair{0, 0}}) {
        FakeNetLibrary fake;
        CColorConfig cfg(fake);
        fake.SetConfig(proto::kCfgDevice, DeviceBlock(nRecords));
        // A device that answers the records read with more than it announced.
        fake.SetConfig(proto::kCfgChannel, Records(8));
        ColorValues v = kDefaultColorValues;
        EXPECT_FALSE(cfg.ReadDeviceValues(kLogin, nChannel, v)) << nRecords << "/" << nChannel;
        EXPECT_TRUE(v == kDefaultColorValues);
        EXPECT_FALSE(cfg.ApplyToDevice(kLogin, nChannel, ColorValues{1, 2, 3, 4}));
        EXPECT_EQ(fake.Count("SetDevConfig"), 0);
    }
}

}  // namespace
}  // namespace zv
