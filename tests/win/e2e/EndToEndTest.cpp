// Zentavo.dll with the stand-in network library against devsim.exe over real
// loopback TCP: pictures in windows, PTZ and colour that take effect on the
// device, lost connections, refused logins, stalled and hostile devices.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "E2eSupport.h"
#include "VortanetStats.h"
#include "zentavo.h"

namespace {

using namespace e2e;

using PFN_Ptz = int32_t(WINAPI*)(int32_t, int32_t, uint32_t, uint8_t, uint8_t, uint8_t, int32_t);
using PFN_GetConfig = int32_t(WINAPI*)(int32_t, int32_t, int32_t, void*, int32_t, int32_t*, int32_t);
using PFN_SetConfig = int32_t(WINAPI*)(int32_t, int32_t, int32_t, void*, int32_t, int32_t);
using PFN_Stats = int(__cdecl*)(int32_t, VN_PLAY_STATS*);

class EndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_devsim = SharedDevsim();
        s_devsimUp = s_devsim != nullptr;
        s_dll = LoadLibraryA("Zentavo.dll");
        s_net = GetModuleHandleA("vortanet.dll");
        StartVideo = Proc<PFN_Camera>(s_dll, MAKEINTRESOURCEA(11));
        StopVideo = Proc<PFN_Camera>(s_dll, MAKEINTRESOURCEA(12));
        GetConnectState = Proc<PFN_Camera>(s_dll, MAKEINTRESOURCEA(5));
        AudioSet = Proc<PFN_Camera>(s_dll, MAKEINTRESOURCEA(1));
        Ptz = Proc<PFN_Ptz>(s_net, MAKEINTRESOURCEA(41));
        GetConfig = Proc<PFN_GetConfig>(s_net, MAKEINTRESOURCEA(72));
        SetConfig = Proc<PFN_SetConfig>(s_net, MAKEINTRESOURCEA(73));
        Stats = Proc<PFN_Stats>(s_net, "NetGetPlayStats");
        s_wndA = CameraWindow(0, 0);
        s_wndB = CameraWindow(360, 0);
    }
    static void TearDownTestSuite() {
        DestroyWindow(s_wndA);
        DestroyWindow(s_wndB);
        if (s_dll) FreeLibrary(s_dll);
    }
    void SetUp() override {
        ASSERT_TRUE(s_devsimUp) << "devsim.exe did not come up";
        ASSERT_TRUE(s_dll && s_net && StartVideo && Ptz && Stats);
    }
    static VN_PLAY_STATS PlayStats(const CAMERA_INFO& c) {
        VN_PLAY_STATS s{};
        s.cbSize = sizeof s;
        Stats(c.lPlayHandle, &s);
        return s;
    }
    // Starts a camera and waits for its first pictures.
    static void StartAndWait(CAMERA_INFO& c) {
        ASSERT_EQ(StartVideo(&c), 1) << c.szDeviceAddress << " code " << c.lPlayHandle;
        ASSERT_GE(WaitFor(5000, [&] { return PlayStats(c).framesDrawn >= 5; }), 0);
    }

    static CDevsim* s_devsim;
    static bool s_devsimUp;
    static HMODULE s_dll, s_net;
    static HWND s_wndA, s_wndB;
    static PFN_Camera StartVideo, StopVideo, GetConnectState, AudioSet;
    static PFN_Ptz Ptz;
    static PFN_GetConfig GetConfig;
    static PFN_SetConfig SetConfig;
    static PFN_Stats Stats;
};
CDevsim* EndToEnd::s_devsim;
bool EndToEnd::s_devsimUp;
HMODULE EndToEnd::s_dll, EndToEnd::s_net;
HWND EndToEnd::s_wndA, EndToEnd::s_wndB;
PFN_Camera EndToEnd::StartVideo, EndToEnd::StopVideo, EndToEnd::GetConnectState, EndToEnd::AudioSet;
PFN_Ptz EndToEnd::Ptz;
PFN_GetConfig EndToEnd::GetConfig;
PFN_SetConfig EndToEnd::SetConfig;
PFN_Stats EndToEnd::Stats;

const RECT kOverlay{0, 0, 352, 40};  // address, channel, time and frame number
const RECT kPicture{0, 60, 352, 288};

TEST_F(EndToEnd, LiveVideoOfTwoDevicesReachesTheirWindowsAndSoundOpens) {
    CAMERA_INFO a = Camera(kDeviceA, 0, s_wndA), b = Camera(kDeviceB, 1, s_wndB);
    StartAndWait(a);
    StartAndWait(b);
    EXPECT_EQ(GetConnectState(&a), 1);
    for (HWND w : {s_wndA, s_wndB}) {
        const auto first = Grab(w, kOverlay);
        Pump(300);
        EXPECT_GT(Differing(first, Grab(w, kOverlay)), 0) << "the overlay's time and frame number move";
        EXPECT_GT(MeanLevel(Grab(w, kPicture)), 5.0) << "a picture, not a black window";
    }
    const VN_PLAY_STATS s = PlayStats(a);
    EXPECT_EQ(s.width, 352u);
    EXPECT_EQ(s.height, 288u);
    a.nAudioState = 1;
    EXPECT_EQ(AudioSet(&a), 1);
    EXPECT_GE(WaitFor(2000, [&] { return PlayStats(a).audioPackets > 5; }), 0);
    a.nAudioState = 0;
    EXPECT_EQ(AudioSet(&a), 1);
    EXPECT_EQ(StopVideo(&a), 1);
    EXPECT_EQ(StopVideo(&b), 1);
    EXPECT_GE(WaitFor(2000, [&] { return s_devsim->Field(std::string("state ") + kDeviceA + " 0", "plays") == 0; }), 0);
}

TEST_F(EndToEnd, PtzUpMovesTheDomeAndStopFreezesIt) {
    CAMERA_INFO a = Camera(kDeviceA, 2, s_wndA);
    StartAndWait(a);
    const std::string state = std::string("state ") + kDeviceA + " 2";
    const double tilt0 = s_devsim->Field(state, "tilt");
    ASSERT_EQ(Ptz(a.lLoginHandle, 2, 0, 0, 4, 0, 0), 1);
    EXPECT_EQ(s_devsim->Field(state, "moving"), 1);
    Pump(400);
    const double tilt1 = s_devsim->Field(state, "tilt");
    EXPECT_GT(tilt1, tilt0) << "tilting up";
    const auto before = Grab(s_wndA, kPicture);
    ASSERT_EQ(Ptz(a.lLoginHandle, 2, 0, 0, 0, 0, 1), 1);
    EXPECT_EQ(s_devsim->Field(state, "moving"), 0);
    const double stopped = s_devsim->Field(state, "tilt");
    Pump(300);
    EXPECT_EQ(s_devsim->Field(state, "tilt"), stopped);
    EXPECT_GT(Differing(before, Grab(s_wndA, kPicture)), 0) << "the view moved with the dome";
    EXPECT_EQ(Ptz(a.lLoginHandle, 99, 0, 0, 4, 0, 0), 0) << "no such channel";
    EXPECT_EQ(StopVideo(&a), 1);
}

TEST_F(EndToEnd, ColorWriteChangesTheChannelBytesAndThePicture) {
    CAMERA_INFO a = Camera(kDeviceA, 1, s_wndA);
    StartAndWait(a);
    unsigned char device[212] = {};
    int32_t got = 0;
    ASSERT_EQ(GetConfig(a.lLoginHandle, 1, 0, device, 212, &got, 500), 1);
    ASSERT_EQ(got, 212);
    const int n = device[181];
    ASSERT_EQ(n, 4);
    std::vector<unsigned char> records(n * 340);
    ASSERT_EQ(GetConfig(a.lLoginHandle, 3, -1, records.data(), int32_t(records.size()), &got, 500), 1);
    ASSERT_EQ(got, int32_t(records.size()));
    const double darkBefore = MeanLevel(Grab(s_wndA, kPicture));
    records[340 * 1 + 208] = 250;  // brightness of channel 1
    SetConfig(a.lLoginHandle, 3, -1, records.data(), int32_t(records.size()), 500);
    const std::string state = std::string("state ") + kDeviceA + " 1";
    EXPECT_EQ(s_devsim->Field(state, "brightness"), 250);
    EXPECT_EQ(s_devsim->Field(state, "hue"), records[340 + 211]);
    Pump(400);
    EXPECT_GT(MeanLevel(Grab(s_wndA, kPicture)), darkBefore + 20) << "brighter picture";
    records[340 * 1 + 208] = 127;
    SetConfig(a.lLoginHandle, 3, -1, records.data(), int32_t(records.size()), 500);
    EXPECT_EQ(StopVideo(&a), 1);
}

TEST_F(EndToEnd, StalledConfigurationReplyFailsAfterItsWait) {
    CAMERA_INFO a = Camera(kDeviceB, 0, s_wndB);
    StartAndWait(a);
    ASSERT_EQ(s_devsim->Command(std::string("stall-config ") + kDeviceB + " forever"), "OK");
    unsigned char device[212];
    int32_t got = -1;
    const DWORD start = GetTickCount();
    EXPECT_EQ(GetConfig(a.lLoginHandle, 1, 0, device, 212, &got, 500), 0);
    const DWORD took = GetTickCount() - start;
    EXPECT_GE(took, 450u);
    EXPECT_LE(took, 1200u);
    EXPECT_EQ(got, 0);
    s_devsim->Command(std::string("stall-config ") + kDeviceB + " off");
    Pump(200);
    EXPECT_EQ(GetConnectState(&a), 1) << "the session survives a slow reply";
    EXPECT_EQ(GetConfig(a.lLoginHandle, 1, 0, device, 212, &got, 500), 1);
    EXPECT_EQ(StopVideo(&a), 1);
}

TEST_F(EndToEnd, LostConnectionIsSeenWithin2sAndTheNextStartLogsInAfresh) {
    CAMERA_INFO a = Camera(kDeviceA, 0, s_wndA);
    StartAndWait(a);
    const double loginsBefore = s_devsim->Field(std::string("counters ") + kDeviceA, "logins");
    ASSERT_EQ(s_devsim->Command(std::string("drop ") + kDeviceA).rfind("OK", 0), 0u);
    const long took = WaitFor(3000, [&] { return GetConnectState(&a) == 0; });
    ASSERT_GE(took, 0);
    EXPECT_LT(took, 2000);
    RecordProperty("disconnect_seen_ms", int(took));
    StartAndWait(a);
    EXPECT_EQ(s_devsim->Field(std::string("counters ") + kDeviceA, "logins"), loginsBefore + 1);
    EXPECT_EQ(StopVideo(&a), 1);
}

TEST_F(EndToEnd, RefusedOrWrongLoginGivesMinus4) {
    CAMERA_INFO wrong = Camera(kDeviceB, 0, s_wndB, "guest", "not-the-password");
    EXPECT_EQ(StartVideo(&wrong), 0);
    EXPECT_EQ(wrong.lPlayHandle, ZV_STATUS_LOGIN_FAILED);
    ASSERT_EQ(s_devsim->Command(std::string("refuse-login ") + kDeviceB + " on"), "OK");
    CAMERA_INFO guest = Camera(kDeviceB, 0, s_wndB, "guest", "guest");
    EXPECT_EQ(StartVideo(&guest), 0);
    EXPECT_EQ(guest.lPlayHandle, ZV_STATUS_LOGIN_FAILED);
    s_devsim->Command(std::string("refuse-login ") + kDeviceB + " off");
    EXPECT_EQ(StartVideo(&guest), 1);
    EXPECT_EQ(StopVideo(&guest), 1);
}

TEST_F(EndToEnd, HostileDeviceFramesDropTheSessionAndAreReported) {
    for (const char* mode : {"garbage", "bad-magic", "bad-version", "oversize", "truncate", "bad-payload"}) {
        CAMERA_INFO a = Camera(kDeviceB, 3, s_wndB);
        StartAndWait(a);
        ASSERT_EQ(s_devsim->Command(std::string("hostile ") + kDeviceB + " " + mode), "OK") << mode;
        const long took = WaitFor(4000, [&] { return GetConnectState(&a) == 0; });
        EXPECT_GE(took, 0) << mode;
        // Half a frame and then silence is noticed by the heartbeat alone.
        if (std::string(mode) == "truncate") {
            EXPECT_LT(took, 2000);
            RecordProperty("silent_device_seen_ms", int(took));
        }
        s_devsim->Command(std::string("hostile ") + kDeviceB + " off");
        StopVideo(&a);  // nothing left to stop: the loss removed the play
    }
    CAMERA_INFO a = Camera(kDeviceB, 3, s_wndB);
    StartAndWait(a);  // and the library still works
    EXPECT_EQ(StopVideo(&a), 1);
}

// Last: unloading the module stops the plays, logs out, and the library's
// cleanup ends every session thread, after which nothing holds it loaded.
TEST_F(EndToEnd, UnloadEndsEverySession) {
    CAMERA_INFO a = Camera(kDeviceA, 0, s_wndA), b = Camera(kDeviceB, 0, s_wndB);
    StartAndWait(a);
    StartAndWait(b);
    ASSERT_TRUE(FreeLibrary(s_dll));
    s_dll = nullptr;
    EXPECT_GE(WaitFor(4000, [] { return GetModuleHandleA("vortanet.dll") == nullptr; }), 0);
    for (const char* device : {kDeviceA, kDeviceB})
        EXPECT_GE(WaitFor(3000, [&] { return s_devsim->Field(std::string("counters ") + device, "sessions") == 0; }), 0)
            << device;
}

}  // namespace
