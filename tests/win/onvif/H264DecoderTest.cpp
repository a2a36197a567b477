// The system's H.264 decoder as the web-service build drives it: every
// picture of a stream, fed one access unit at a time, comes out at once and
// (at 352 x 288) bit for bit as ffmpeg decodes the same stream; what decode
// and conversion cost a picture at two sizes; a stream whose size changes
// midway, each picture with its own size; hostile units.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "MfH264Decoder.h"

namespace {

using zv::onvif::CMfH264Decoder;

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

double NowMs() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) * 1000.0 / double(f.QuadPart);
}

class H264Decoder : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }

    // Decodes the named stream; every picture compared with the reference.
    // exact: every picture equal to ffmpeg's; otherwise only counted.
    void Check(const char* name, int width, int height, bool exact) {
        const auto stream = ReadFile(std::string("h264-data\\") + name + ".h264");
        const auto reference = ReadFile(std::string("h264-data\\") + name + ".nv12");
        ASSERT_FALSE(stream.empty()) << "run through tests/win/onvif/run-h264";
        const size_t frameBytes = size_t(width) * height * 3 / 2;
        const auto units = zv::onvif::SplitAtDelimiters(stream.data(), stream.size());
        ASSERT_EQ(units.size(), reference.size() / frameBytes);
        CMfH264Decoder decoder;
        ASSERT_TRUE(decoder.Ready());
        std::vector<uint8_t> bgr;
        std::vector<double> decodeMs, convertMs;
        size_t pictures = 0, identical = 0;
        zv::onvif::Nv12Picture picture;
        for (const auto& au : units) {
            double t = NowMs();
            const size_t got = decoder.Decode(au.data(), au.size(), [&](const zv::onvif::Nv12Picture& p) { picture = p; });
            decodeMs.push_back(NowMs() - t);
            ASSERT_EQ(got, 1u) << "picture " << pictures << " did not come out with its access unit";
            ASSERT_EQ(picture.width, width);
            ASSERT_EQ(picture.height, height);
            t = NowMs();
            ASSERT_TRUE(zv::onvif::Nv12ToBgr(picture, bgr));
            convertMs.push_back(NowMs() - t);
            const auto& nv12 = picture.data;
            identical += nv12.size() == frameBytes &&
                         std::equal(nv12.begin(), nv12.end(), reference.begin() + long(pictures * frameBytes));
            ++pictures;
        }
        if (exact) {
            EXPECT_EQ(identical, pictures) << "pictures equal to ffmpeg's decode";
        }
        std::sort(decodeMs.begin() + 1, decodeMs.end());
        std::sort(convertMs.begin(), convertMs.end());
        std::printf("%dx%d: %zu pictures, %zu equal to ffmpeg's, decode median %.2f ms, to BGR %.2f ms\n", width,
                    height, pictures, identical, decodeMs[decodeMs.size() / 2], convertMs[convertMs.size() / 2]);
    }
};

TEST_F(H264Decoder, EveryPictureComesOutWithItsAccessUnitAsFfmpegDecodesIt) {
    ASSERT_TRUE(CMfH264Decoder::Available()) << "no H.264 decoder (Wine needs the i386 GStreamer plugins)";
    Check("small", 352, 288, true);
    // Wine's decoder hands HD-sized pictures through a colour conversion
    // (it takes an untagged HD stream as BT.709 and outputs BT.601), so the
    // large one is checked for its pictures, sizes and timing only.
    Check("large", 1280, 720, false);
}

TEST_F(H264Decoder, APictureSizeChangeMidStreamGivesEachPictureItsOwnSize) {
    ASSERT_TRUE(CMfH264Decoder::Available());
    const auto stream = ReadFile("h264-data\\change.h264");
    const auto small = ReadFile("h264-data\\change-1.nv12"), large = ReadFile("h264-data\\change-2.nv12");
    ASSERT_FALSE(stream.empty()) << "run through tests/win/onvif/run-h264";
    const size_t smallBytes = 352 * 288 * 3 / 2, largeBytes = 640 * 360 * 3 / 2;
    const size_t smallCount = small.size() / smallBytes, largeCount = large.size() / largeBytes;
    CMfH264Decoder decoder;
    ASSERT_TRUE(decoder.Ready());
    std::vector<zv::onvif::Nv12Picture> pictures;
    for (const auto& au : zv::onvif::SplitAtDelimiters(stream.data(), stream.size()))
        decoder.Decode(au.data(), au.size(), [&](const zv::onvif::Nv12Picture& p) { pictures.push_back(p); });
    size_t before = 0, after = 0, equal = 0;
    std::vector<uint8_t> bgr;
    for (const auto& p : pictures) {
        ASSERT_EQ(p.data.size(), zv::onvif::Nv12Bytes(p.width, p.height)) << "a picture with another's size";
        ASSERT_TRUE(zv::onvif::Nv12ToBgr(p, bgr));
        if (p.width == 352 && p.height == 288) {
            ASSERT_EQ(after, 0u) << "a picture of the old size after the new";
            equal += before < smallCount &&
                     std::equal(p.data.begin(), p.data.end(), small.begin() + long(before * smallBytes));
            ++before;
        } else {
            ASSERT_EQ(p.width, 640);
            // Wine's decoder gives no display area: its rows of 16 (368) then.
            ASSERT_TRUE(p.height == 360 || p.height == 368) << p.height;
            ++after;
        }
    }
    std::printf("size change: %zu pictures at 352x288 (%zu equal to ffmpeg's), %zu at 640 wide (of %zu and %zu), "
                "%llu fresh decoders\n",
                before, equal, after, smallCount, largeCount, static_cast<unsigned long long>(decoder.Restarts()));
    // A fresh decoder takes over at the new parameters: what B-frames held
    // back of the old size (two) may be lost there, and two of the new at
    // the end.
    EXPECT_GE(before + 2, smallCount);
    EXPECT_EQ(equal, before) << "the old size's pictures as ffmpeg decodes them";
    EXPECT_GE(after + 2, largeCount) << "it goes on playing at the new size";
    EXPECT_EQ(decoder.Dropped(), 0u);
    EXPECT_EQ(decoder.Restarts(), 1u) << "the same parameters again are no change";
}

TEST(H264DecoderInput, GarbageAndEmptyUnitsGiveNoPictureAndNoCrash) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    CMfH264Decoder decoder;
    ASSERT_TRUE(decoder.Ready());
    std::vector<uint8_t> junk(5000);
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = uint8_t(i * 131 + 7);
    auto none = [](const zv::onvif::Nv12Picture&) { ADD_FAILURE() << "a picture from nothing"; };
    EXPECT_EQ(decoder.Decode(nullptr, 0, none), 0u);
    EXPECT_EQ(decoder.Decode(junk.data(), junk.size(), none), 0u);
    const uint8_t nalOnly[] = {0, 0, 0, 1, 0x65};
    EXPECT_EQ(decoder.Decode(nalOnly, sizeof nalOnly, none), 0u);
}

}  // namespace
