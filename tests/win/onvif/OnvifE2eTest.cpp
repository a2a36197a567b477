// Zentavo.dll over the web-service build of vortanet.dll, against the
// simulator's web-service face: the live picture (JPEG from the simulator,
// H.264 from GStreamer's RTSP server), the dome panel held by
// the mouse (and a device that does not do Stop), the colour panel's
// values on the device's own scale, a wrong password, a device that
// goes away and comes back, and a camera that hangs, answers slowly or
// lets its stream go quiet: no call past its bound, no unload that waits.
// Also the socket layer's sends to a peer that reads nothing.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "ControlClient.h"
#include "Socket.h"
#include "E2eSupport.h"
#include "TestSupport.h"
#include "VortanetStats.h"
#include "resource.h"

namespace {

using namespace e2e;

const char* Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

const RECT kPicture{0, 60, 352, 288};

class OnvifE2e : public ::testing::Test {
protected:
    void SetUp() override {
        device = Env("ZV_ONVIF_DEVICE");
        address = Env("ZV_ONVIF_ADDRESS");
        control.SetPort(static_cast<uint16_t>(std::atoi(Env("ZV_ONVIF_CONTROL"))));
        ASSERT_FALSE(device.empty()) << "run through tests/win/onvif/run";
        ASSERT_TRUE(control.Ok("ping"));
        dll = LoadLibraryA("Zentavo.dll");
        ASSERT_NE(dll, nullptr);
        StartVideo = Proc<PFN_Camera>(dll, "DVR_StartVideo");
        StopVideo = Proc<PFN_Camera>(dll, "DVR_StopVideo");
        GetConnectState = Proc<PFN_Camera>(dll, "DVR_GetConnectState");
        ShowCamera = Proc<PFN_Panel>(dll, "DVR_ShowCamera");
        ParamSet = Proc<PFN_Panel>(dll, "DVR_ParamSet");
        SetDomeCMD = Proc<PFN_SetDomeCMD>(dll, "DVR_SetDomeCMD");
        wnd = CameraWindow(0, 0);
        cam = Camera(device.c_str(), 1, wnd);
        state = "state " + address + " 1";
    }
    void TearDown() override {
        for (const char* off : {"onvif-no-stop", "onvif-freeze", "rtsp-silent"}) control.Command(std::string(off) + " " + address + " off");
        control.Command("onvif-delay " + address + " 0");
        if (StopVideo && dll) StopVideo(&cam);
        if (dll) FreeLibrary(dll);
        if (wnd) DestroyWindow(wnd);
    }
    static long Since(DWORD start) { return long(GetTickCount() - start); }
    double Field(const char* key) { return control.Field(state, key); }
    bool PictureShown() {
        return WaitFor(5000, [&] { return MeanLevel(Grab(wnd, kPicture)) > 5.0; }) >= 0;
    }

    std::string device, address, state;
    zv::devsim::ControlClient control;
    HMODULE dll = nullptr;
    PFN_Camera StartVideo = nullptr, StopVideo = nullptr, GetConnectState = nullptr;
    PFN_Panel ShowCamera = nullptr, ParamSet = nullptr;
    PFN_SetDomeCMD SetDomeCMD = nullptr;
    HWND wnd = nullptr;
    CAMERA_INFO cam{};
};

TEST_F(OnvifE2e, TheLivePictureIsDrawnAndKeepsChanging) {
    ASSERT_EQ(StartVideo(&cam), 1);
    EXPECT_GT(cam.lPlayHandle, 0);
    ASSERT_TRUE(PictureShown()) << "no picture";
    const auto first = Grab(wnd, kPicture);
    EXPECT_GE(WaitFor(2000, [&] { return Differing(first, Grab(wnd, kPicture)) > 0; }), 0)
        << "the picture's clock moves";
    EXPECT_EQ(GetConnectState(&cam), 1);
    EXPECT_EQ(StopVideo(&cam), 1);
    EXPECT_GE(WaitFor(2000, [&] { return control.Field("counters " + address, "rtsp_plays") >= 1; }), 0);
}

TEST_F(OnvifE2e, AnH264ChannelFromAnotherServerIsDecodedAndDrawn) {
    using StatsFn = int(__cdecl*)(int32_t, VN_PLAY_STATS*);
    auto Stats = reinterpret_cast<StatsFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("vortanet.dll"), "NetGetPlayStats")));
    ASSERT_NE(Stats, nullptr);
    CAMERA_INFO h264 = Camera(device.c_str(), 0, wnd);  // served by GStreamer (tests/win/onvif/run)
    ASSERT_EQ(StartVideo(&h264), 1);
    ASSERT_TRUE(PictureShown()) << "no picture";
    const auto first = Grab(wnd, kPicture);
    EXPECT_GE(WaitFor(2000, [&] { return Differing(first, Grab(wnd, kPicture)) > 0; }), 0) << "moving";
    VN_PLAY_STATS s{};
    s.cbSize = sizeof s;
    ASSERT_EQ(Stats(h264.lPlayHandle, &s), 1);
    const uint32_t drawn0 = s.framesDrawn, dropped0 = s.framesDropped;
    Pump(2000);
    ASSERT_EQ(Stats(h264.lPlayHandle, &s), 1);
    EXPECT_EQ(s.width, 352u);
    EXPECT_EQ(s.height, 288u);
    // 25 a second are sent; half of them is the bound a loaded machine still meets, while a
    // player that drew only key frames or stalled between them would fall far below it.
    EXPECT_GE(s.framesDrawn - drawn0, 25u) << "25 a second";
    EXPECT_LE(s.framesDropped - dropped0, 1u);
    std::printf("H.264: %u pictures drawn, %u not, delay p50 %u us\n", s.framesDrawn, s.framesDropped,
                s.latencyP50Us);
    EXPECT_EQ(StopVideo(&h264), 1);
}

TEST_F(OnvifE2e, HoldingUpOnTheDomePanelTiltsAndTheReleaseStops) {
    ASSERT_EQ(StartVideo(&cam), 1);
    ASSERT_EQ(ShowCamera(&cam, 1, 400, 0), 1);
    HWND panel = FindThreadWindowWithChild(IDC_DOME_JOYSTICK);
    ASSERT_NE(panel, nullptr);
    Pump(200);
    const double tilt0 = Field("tilt");
    MouseTo(CentreOf(GetDlgItem(panel, IDC_DOME_UP)));
    MouseButton(true);
    EXPECT_GE(WaitFor(1000, [&] { return Field("moving") == 1; }), 0) << "moving while held";
    Pump(400);
    MouseButton(false);
    EXPECT_GE(WaitFor(500, [&] { return Field("moving") == 0; }), 0) << "stopped at the release";
    const double tilt1 = Field("tilt");
    EXPECT_GT(tilt1, tilt0) << "tilted up";
    Pump(300);
    EXPECT_EQ(Field("tilt"), tilt1) << "frozen";

    // A dome that faults Stop is stopped by a move at zero speed.
    ASSERT_TRUE(control.Ok("onvif-no-stop " + address + " on"));
    ASSERT_EQ(SetDomeCMD(0, PTZ_LEFT, 0), 1);
    EXPECT_GE(WaitFor(1000, [&] { return Field("moving") == 1; }), 0);
    ASSERT_EQ(SetDomeCMD(0, PTZ_STOP, 0), 1);
    EXPECT_GE(WaitFor(500, [&] { return Field("moving") == 0; }), 0) << "stopped without Stop";
}

TEST_F(OnvifE2e, ColorValuesLandOnTheDevicesScaleAndReadBackAsWritten) {
    ASSERT_EQ(StartVideo(&cam), 1);
    ASSERT_TRUE(PictureShown());
    ASSERT_EQ(ParamSet(&cam, 1, 400, 300), 1);
    Pump(200);
    HWND panel = FindThreadWindowWithChild(IDC_COLOR_BRIGHTNESS_EDIT);
    ASSERT_NE(panel, nullptr);
    // The simulator keeps a level as a byte of 2.54 a level (0..100 -> 0..254);
    // the panel shows the level on its own 0..255 scale.
    const double device0 = Field("brightness");
    const std::string b0 = EditText(panel, IDC_COLOR_BRIGHTNESS_EDIT);
    EXPECT_NEAR(std::atoi(b0.c_str()), device0 / 2.54 * 2.55, 0.6) << "read from the device";
    const double darkBefore = MeanLevel(Grab(wnd, kPicture));

    // Typed and left: brightness to the top, hue (kept by the library) to 100.
    auto type = [&](int id, const char* text, int next) {
        HWND edit = GetDlgItem(panel, id);
        SetFocus(edit);
        SetWindowTextA(edit, text);
        SetFocus(GetDlgItem(panel, next));
        Pump(200);
    };
    type(IDC_COLOR_BRIGHTNESS_EDIT, "255", IDC_COLOR_CONTRAST_EDIT);
    type(IDC_COLOR_HUE_EDIT, "100", IDC_COLOR_CONTRAST_EDIT);
    EXPECT_EQ(Field("brightness"), 254) << "level 100, the device's maximum";
    EXPECT_GE(WaitFor(2000, [&] { return MeanLevel(Grab(wnd, kPicture)) > darkBefore + 20; }), 0)
        << "a brighter picture (before " << darkBefore << ")";

    // Read again from the device by a fresh panel.
    ASSERT_EQ(ParamSet(&cam, 1, 400, 300), 1);
    Pump(200);
    panel = FindThreadWindowWithChild(IDC_COLOR_BRIGHTNESS_EDIT);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(EditText(panel, IDC_COLOR_BRIGHTNESS_EDIT), "255");
    EXPECT_EQ(EditText(panel, IDC_COLOR_HUE_EDIT), "100");
    type(IDC_COLOR_BRIGHTNESS_EDIT, b0.c_str(), IDC_COLOR_CONTRAST_EDIT);
    EXPECT_EQ(Field("brightness"), device0) << "back to where it was";
}

TEST_F(OnvifE2e, AWrongPasswordIsALoginFailure) {
    CAMERA_INFO wrong = Camera(device.c_str(), 1, wnd, "admin", "nope");
    EXPECT_EQ(StartVideo(&wrong), 0);
    EXPECT_EQ(wrong.lPlayHandle, ZV_STATUS_LOGIN_FAILED);
}

TEST_F(OnvifE2e, ADeviceThatGoesAwayIsSeenWithinThreeSecondsAndPlaysAgainWhenBack) {
    ASSERT_EQ(StartVideo(&cam), 1);
    ASSERT_TRUE(PictureShown());
    ASSERT_EQ(GetConnectState(&cam), 1);
    // Down for 4 s: the control port answers when the device is back.
    std::string restarted;
    std::atomic<bool> back{false};
    std::thread restart([&] {
        restarted = control.Command("restart " + address + " 4000", 10000);
        back = true;
    });
    const long took = WaitFor(3000, [&] { return GetConnectState(&cam) == 0; });
    EXPECT_GE(took, 0) << "still connected 3 s after the device went down";
    RecordProperty("loss_seen_ms", int(took));
    std::printf("loss seen after %ld ms\n", took);
    WaitFor(10000, [&] { return back.load(); });
    restart.join();
    ASSERT_EQ(restarted.rfind("OK", 0), 0u) << restarted;
    StopVideo(&cam);
    EXPECT_GE(WaitFor(8000, [&] { return StartVideo(&cam) == 1; }), 0) << "plays again";
    EXPECT_TRUE(PictureShown());
}

TEST_F(OnvifE2e, WebServicesThatStopAnsweringAreALossEvenWhileTheStreamRuns) {
    ASSERT_EQ(StartVideo(&cam), 1);
    ASSERT_TRUE(PictureShown());
    ASSERT_TRUE(control.Ok("onvif-drop " + address + " on"));
    const long took = WaitFor(3000, [&] { return GetConnectState(&cam) == 0; });
    control.Command("onvif-drop " + address + " off");
    EXPECT_GE(took, 0) << "still connected 3 s after the services stopped answering";
    RecordProperty("loss_seen_ms", int(took));
    std::printf("loss seen after %ld ms\n", took);
}

TEST_F(OnvifE2e, AHungOrSlowCameraHoldsNoCallPastItsBound) {
    enum class Call { ColorRead, PtzStop, Login };
    struct Case {
        const char* what;
        const char* fault;  // switched on with this argument
        const char* arg;
        Call call;
        long boundMs;  // the library's bound for what the module asks
    };
    const Case cases[] = {
        {"frozen: colour read (DVR_ParamSet, show 0)", "onvif-freeze", "on", Call::ColorRead, 500},
        {"frozen: PTZ stop (DVR_SetDomeCMD)", "onvif-freeze", "on", Call::PtzStop, 1000},
        {"frozen: login (DVR_StartVideo, new user)", "onvif-freeze", "on", Call::Login, 8000},
        {"slow, 2.9 s an answer: colour read", "onvif-delay", "2900", Call::ColorRead, 500},
        {"slow, 2.9 s an answer: PTZ stop", "onvif-delay", "2900", Call::PtzStop, 1000},
        {"slow, 2.9 s an answer: login", "onvif-delay", "2900", Call::Login, 8000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // A live login first (a camera that hung long enough was lost), and
        // a hidden dome panel on it.
        if (GetConnectState(&cam) != 1) {
            StopVideo(&cam);
            ASSERT_GE(WaitFor(10000, [&] { return StartVideo(&cam) == 1; }), 0);
        }
        ASSERT_EQ(ShowCamera(&cam, 0, 0, 0), 1);
        ASSERT_TRUE(control.Ok(std::string(c.fault) + " " + address + " " + c.arg));
        CAMERA_INFO other = Camera(device.c_str(), 1, wnd, "viewer", "viewer");
        const DWORD start = GetTickCount();
        switch (c.call) {
        case Call::ColorRead: EXPECT_EQ(ParamSet(&cam, 0, 0, 0), 1); break;
        case Call::PtzStop: EXPECT_EQ(SetDomeCMD(0, PTZ_STOP, 0), 0); break;
        case Call::Login:
            EXPECT_EQ(StartVideo(&other), 0);
            EXPECT_EQ(other.lPlayHandle, ZV_STATUS_LOGIN_FAILED);
            break;
        }
        const long took = Since(start);
        std::printf("%-46s %5ld ms (bound %ld ms)\n", c.what, took, c.boundMs);
        EXPECT_LE(took, c.boundMs + std::max(700L, c.boundMs / 4));
        control.Command(std::string(c.fault) + " " + address + (c.fault == std::string("onvif-delay") ? " 0" : " off"));
        Pump(200);
    }
}

TEST_F(OnvifE2e, AStreamThatGoesQuietIsOpenedAgainOrTheLossReported) {
    ASSERT_EQ(StartVideo(&cam), 1);
    ASSERT_TRUE(PictureShown());
    // Only the stream open now goes quiet: a new one plays, the play goes on.
    ASSERT_TRUE(control.Ok("rtsp-silent " + address + " current"));
    Pump(6500);
    const auto frozen = Grab(wnd, kPicture);
    EXPECT_GE(WaitFor(3000, [&] { return Differing(frozen, Grab(wnd, kPicture)) > 0; }), 0)
        << "the picture moves again";
    EXPECT_EQ(GetConnectState(&cam), 1);
    // Every stream quiet while the web services answer: lost, and said so.
    ASSERT_TRUE(control.Ok("rtsp-silent " + address + " all"));
    const long took = WaitFor(10000, [&] { return GetConnectState(&cam) == 0; });
    EXPECT_GE(took, 0) << "still connected 10 s after the stream went quiet";
    std::printf("a quiet stream reported lost after %ld ms\n", took);
}

TEST_F(OnvifE2e, UnloadingNeverWaitsForAHungCamera) {
    ASSERT_EQ(StartVideo(&cam), 1);
    ASSERT_TRUE(PictureShown());
    ASSERT_EQ(ShowCamera(&cam, 0, 0, 0), 1);
    ASSERT_TRUE(control.Ok("onvif-freeze " + address + " on"));
    Pump(1500);  // the watch's check and the stream both stuck on the camera
    const DWORD start = GetTickCount();
    FreeLibrary(dll);
    dll = nullptr;
    const long took = Since(start);
    std::printf("FreeLibrary with a hung camera: %ld ms\n", took);
    EXPECT_LE(took, 1500) << "unloading waited for the camera";
    ASSERT_TRUE(control.Ok("onvif-freeze " + address + " off"));
    Pump(3000);  // the library's threads end on their own, in a module they keep loaded
    dll = LoadLibraryA("Zentavo.dll");
    ASSERT_NE(dll, nullptr);
    StartVideo = Proc<PFN_Camera>(dll, "DVR_StartVideo");
    StopVideo = Proc<PFN_Camera>(dll, "DVR_StopVideo");
    EXPECT_EQ(StartVideo(&cam), 1) << "loaded again, it plays";
}

// A blocking socket (as a receive leaves it on Windows) sending to a peer
// that reads nothing: the send ends by its timeout instead of never.
TEST(SocketSends, ToAPeerThatReadsNothingEndByTheirTimeout) {
    // Shared with the sending thread, which a send that never ends outlives.
    struct Link {
        zv::net::Socket listener, client, peer;
        std::vector<char> big = std::vector<char>(64 * 1024 * 1024, 'x');
        std::atomic<int> result{-1};
    };
    auto link = std::make_shared<Link>();
    std::string error;
    link->listener = zv::net::Socket::Listen("127.0.0.1", 0, &error);
    ASSERT_TRUE(link->listener.Valid()) << error;
    link->client = zv::net::Socket::Connect("127.0.0.1", link->listener.LocalPort(), 2000, &error);
    ASSERT_TRUE(link->client.Valid()) << error;
    for (int i = 0; i < 100 && !link->peer.Valid(); ++i) {
        link->peer = link->listener.Accept();
        if (!link->peer.Valid()) Sleep(10);
    }
    ASSERT_TRUE(link->peer.Valid());
    link->peer.SetReceiveBuffer(4096);
    link->client.SetSendBuffer(4096);
    char byte;
    EXPECT_EQ(link->client.RecvWithin(&byte, 1, 10), 0) << "nothing to read: now a blocking socket";
    const DWORD start = GetTickCount();
    std::thread([link] { link->result = link->client.SendAll(link->big.data(), link->big.size(), 300, nullptr) ? 1 : 0; })
        .detach();
    for (int i = 0; i < 500 && link->result < 0; ++i) Sleep(10);
    const long took = long(GetTickCount() - start);
    // A shut socket does not end a blocked send here: a stuck one is left behind.
    ASSERT_GE(link->result.load(), 0) << "the send still blocks after 5 s";
    EXPECT_EQ(link->result.load(), 0);
    EXPECT_LE(took, 3000);
}

}  // namespace
