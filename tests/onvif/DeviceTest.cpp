// The client against the simulator's web services and RTSP in this process:
// the login and its failures, PTZ codes that move the dome (and the Stop
// fallback), colour bytes that land on the device's scale and read back as
// written, the library-kept hue, a stream that gives whole pictures, and a
// device that goes away.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <sstream>
#include <thread>

#include "Clock.h"
#include "HostileCamera.h"
#include "JpegCodec.h"
#include "JpegDepacketizer.h"
#include "OnvifDevice.h"
#include "PtzMapping.h"
#include "Rtp.h"
#include "RtspClient.h"
#include "Simulator.h"

using namespace zv::onvif;
namespace ds = zv::devsim;

namespace {

int64_t Soon() { return NowMs() + 2000; }

class DeviceTest : public ::testing::Test {
protected:
    // Each sanitizer preset has its own address.
#if defined(__SANITIZE_THREAD__)
    static constexpr const char* kDev = "127.0.0.51";
#else
    static constexpr const char* kDev = "127.0.0.50";
#endif

    void SetUp() override {
        sim = std::make_unique<ds::Simulator>(test::HostileCamera::OneDevice(kDev));
        std::string error;
        ASSERT_TRUE(sim->Start(&error)) << error;
        address = std::string(kDev) + ":" + std::to_string(sim->FindDevice(kDev)->OnvifPort());
    }
    void TearDown() override {
        if (sim) sim->Stop();
    }
    std::map<std::string, double> Reply(const std::string& cmd) {
        std::map<std::string, double> out;
        std::istringstream in(sim->Execute(cmd));
        for (std::string w; in >> w;) {
            const size_t eq = w.find('=');
            if (eq != std::string::npos) out[w.substr(0, eq)] = std::atof(w.c_str() + eq + 1);
        }
        return out;
    }
    double State(int ch, const char* key) { return Reply("state " + std::string(kDev) + " " + std::to_string(ch))[key]; }
    std::unique_ptr<OnvifDevice> Login(const std::string& user = "admin", const std::string& pw = "admin") {
        LoginError e = LOGIN_PROTOCOL;
        auto dev = OnvifDevice::Login(address, user, pw, &e);
        lastError = e;
        return dev;
    }

    std::unique_ptr<ds::Simulator> sim;
    std::string address;
    LoginError lastError = LOGIN_OK;
};

TEST_F(DeviceTest, LoginFindsTheChannelsAndFillsTheBlocks) {
    auto dev = Login();
    ASSERT_TRUE(dev) << lastError;
    EXPECT_EQ(dev->Channels(), 2);
    uint8_t block[kDeviceBlockSize];
    dev->DeviceBlock(block);
    EXPECT_EQ(block[kChannelCountOffset], 2);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block)), "Zentavo devsim");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block + 32)), std::string("DS-") + kDev);
    uint8_t info[kLoginInfoSize];
    dev->LoginInfo(info);
    EXPECT_EQ(info[16], 2);
    EXPECT_TRUE(dev->Ping(1000));
}

TEST_F(DeviceTest, LoginFailuresSayWhy) {
    EXPECT_FALSE(Login("admin", "wrong"));
    EXPECT_EQ(lastError, LOGIN_BAD_PASSWORD);
    EXPECT_FALSE(Login("nobody", "admin"));
    EXPECT_EQ(lastError, LOGIN_BAD_PASSWORD);
    LoginError e;
    EXPECT_FALSE(OnvifDevice::Login(std::string(kDev) + ":1", "admin", "admin", &e));
    EXPECT_EQ(e, LOGIN_NETWORK) << "nothing listens there";
    EXPECT_FALSE(OnvifDevice::Login("not an address", "admin", "admin", &e));
    EXPECT_EQ(e, LOGIN_PROTOCOL);
    sim->Execute(std::string("onvif-malformed ") + kDev + " on");
    EXPECT_FALSE(Login());
    EXPECT_EQ(lastError, LOGIN_PROTOCOL);
    sim->Execute(std::string("onvif-malformed ") + kDev + " off");
    // A device clock an hour off: the token is made on the device's clock.
    sim->Execute(std::string("onvif-skew ") + kDev + " 3600");
    EXPECT_TRUE(Login()) << lastError;
}

TEST_F(DeviceTest, PtzUpTiltsTheDomeAndTheStopFlagFreezesItEvenWithoutStop) {
    auto dev = Login();
    ASSERT_TRUE(dev);
    const double tilt0 = State(1, "tilt");
    ASSERT_TRUE(dev->Ptz(1, kPtzUp, 8, false, Soon()));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(State(1, "moving"), 1);
    ASSERT_TRUE(dev->Ptz(1, kPtzUp, 0, true, Soon()));
    EXPECT_EQ(State(1, "moving"), 0);
    EXPECT_GT(State(1, "tilt"), tilt0 + 5) << "80 degrees a second at level 8";
    sim->Execute(std::string("onvif-no-stop ") + kDev + " on");
    ASSERT_TRUE(dev->Ptz(1, kPtzLeft, 4, false, Soon()));
    EXPECT_EQ(State(1, "moving"), 1);
    EXPECT_TRUE(dev->Ptz(1, kPtzUp, 0, true, Soon())) << "the zero-velocity move stands in";
    EXPECT_EQ(State(1, "moving"), 0);
    EXPECT_EQ(dev->StopFallbacks(), 1);
    EXPECT_FALSE(dev->Ptz(1, kPtzIrisLarger, 4, false, Soon())) << "no iris control";
    EXPECT_FALSE(dev->Ptz(5, kPtzUp, 4, false, Soon())) << "no such channel";
    // Focus drives and the release's stop ends it.
    const double focus0 = State(0, "focus");
    ASSERT_TRUE(dev->Ptz(0, kPtzFocusFar, 8, false, Soon()));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(dev->Ptz(0, kPtzUp, 0, true, Soon()));
    const double focus1 = State(0, "focus");
    EXPECT_NE(focus1, focus0);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(State(0, "focus"), focus1) << "focus stopped";
}

TEST_F(DeviceTest, ColorBytesReachTheDeviceScaleAndReadBackAsWritten) {
    auto dev = Login();
    ASSERT_TRUE(dev);
    std::vector<uint8_t> all;
    ASSERT_TRUE(dev->ReadRecords(-1, all, Soon()));
    ASSERT_EQ(all.size(), 2u * kChannelRecordSize);
    EXPECT_EQ(all[kColorOffset + 3], kDefaultHue);
    const double contrast0 = State(1, "contrast"), saturation0 = State(1, "saturation");
    const double requests0 = Reply(std::string("counters ") + kDev)["http_requests"];
    uint8_t* rec = all.data() + kChannelRecordSize;
    rec[kColorOffset] = 255;      // brightness to the maximum
    rec[kColorOffset + 3] = 42;   // hue: the library's
    ASSERT_TRUE(dev->WriteRecords(-1, all.data(), all.size(), Soon()));
    EXPECT_EQ(State(1, "brightness"), 254) << "level 100 on the device's own scale";
    EXPECT_EQ(State(1, "contrast"), contrast0);
    EXPECT_EQ(State(1, "saturation"), saturation0);
    EXPECT_EQ(Reply(std::string("counters ") + kDev)["http_requests"], requests0 + 1)
        << "one request: only what changed is sent";
    std::vector<uint8_t> back;
    ASSERT_TRUE(dev->ReadRecords(1, back, Soon()));
    EXPECT_EQ(back[kColorOffset], 255) << "reads back as written";
    EXPECT_EQ(back[kColorOffset + 3], 42);
    // Odd bytes survive the device's rounding too.
    for (uint8_t b : {uint8_t(1), uint8_t(128), uint8_t(129), uint8_t(200)}) {
        back[kColorOffset + 1] = b;
        ASSERT_TRUE(dev->WriteRecords(1, back.data(), back.size(), Soon()));
        std::vector<uint8_t> again;
        ASSERT_TRUE(dev->ReadRecords(1, again, Soon()));
        EXPECT_EQ(again[kColorOffset + 1], b);
    }
    // The hue outlives the login.
    dev.reset();
    auto dev2 = Login();
    ASSERT_TRUE(dev2);
    ASSERT_TRUE(dev2->ReadRecords(1, back, Soon()));
    EXPECT_EQ(back[kColorOffset + 3], 42);
    EXPECT_FALSE(dev2->ReadRecords(2, back, Soon()));
    EXPECT_FALSE(dev2->WriteRecords(-1, all.data(), all.size() - 1, Soon())) << "a block of the wrong size";
}

TEST_F(DeviceTest, StreamGivesWholePicturesAndEndsWhenTheDeviceDrops) {
    auto dev = Login();
    ASSERT_TRUE(dev);
    StreamChoice choice;
    ASSERT_TRUE(dev->Stream(0, false, choice, Soon()));
    EXPECT_EQ(choice.codec, Codec::Jpeg);
    RtspClient rtsp("admin", "admin");
    std::string why;
    ASSERT_EQ(rtsp.Open(choice.uri, choice.ip, NowMs() + 3000, &why), RtspClient::Result::Ok) << why;
    EXPECT_EQ(rtsp.Track().encoding, "JPEG");
    RtpReorder reorder;
    JpegDepacketizer depack;
    std::vector<JpegDepacketizer::Frame> frames;
    const auto start = std::chrono::steady_clock::now();
    while (frames.size() < 10 && std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
        const uint8_t* data;
        size_t n;
        if (rtsp.Receive(100, data, n) != RtspClient::Event::Packet) continue;
        reorder.Push(data, n, [&](const RtpPacket& p, uint32_t lost) {
            JpegDepacketizer::Frame f;
            if (depack.Push(p, lost, f)) frames.push_back(std::move(f));
        });
    }
    ASSERT_EQ(frames.size(), 10u);
    ds::Image img;
    std::string err;
    ASSERT_TRUE(ds::JpegCodec::Decode(frames.back().jpeg.data(), frames.back().jpeg.size(), img, &err)) << err;
    EXPECT_EQ(img.width, 352);
    EXPECT_EQ(img.height, 288);
    EXPECT_EQ(frames[9].timestamp - frames[8].timestamp, 3600u) << "25 a second";
    sim->Execute(std::string("drop ") + kDev);
    const uint8_t* data;
    size_t n;
    RtspClient::Event ev = RtspClient::Event::Packet;
    for (int i = 0; i < 50 && ev != RtspClient::Event::Closed; ++i) ev = rtsp.Receive(100, data, n);
    EXPECT_EQ(ev, RtspClient::Event::Closed);
    rtsp.Close();

    RtspClient wrong("admin", "nope");
    EXPECT_EQ(wrong.Open(choice.uri, choice.ip, NowMs() + 3000, &why), RtspClient::Result::AuthFailed) << why;
}

}  // namespace
