#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "CameraRecord.h"
#include "FakeNetLibrary.h"
#include "SessionManager.h"

namespace zv {
namespace {

using test::FakeNetLibrary;
using Calls = std::vector<std::string>;

// This file's cameras: window 0x1234 unless said otherwise.
CAMERA_INFO Camera(const char* address, int channel = 0, ZV_HWND wnd = 0x1234,
                   const char* user = "admin", const char* password = "pw") {
    return test::CameraRecord(address, channel, wnd, user, password);
}

class SessionTest : public ::testing::Test {
protected:
    FakeNetLibrary net;
    CSessionManager sm{net};
};

// --- Login sharing -----------------------------------------------------------

TEST_F(SessionTest, CamerasOfOneDeviceAndUserShareOneLoginWhateverThePassword) {
    CAMERA_INFO a = Camera("10.0.0.1", 0);
    CAMERA_INFO b = Camera("10.0.0.1", 1, 0x1234, "admin", "another");
    ASSERT_EQ(sm.StartVideo(a), 1);
    ASSERT_EQ(sm.StartVideo(b), 1);
    EXPECT_EQ(net.Count("Login"), 1);
    EXPECT_EQ(a.lLoginHandle, b.lLoginHandle);
    EXPECT_EQ(sm.LoginCount(), 1u);
    EXPECT_EQ(sm.PlayCount(), 2u);
    EXPECT_EQ(net.Calls(), (Calls{"Init", "Login 10.0.0.1 37777 admin pw -> 101",
                                  "StartRealPlay 101 0 4660 -> 501",
                                  "StartRealPlay 101 1 4660 -> 502"}));
}

TEST_F(SessionTest, TwoUsersOnOneDeviceMakeTwoLogins_AndAddressCaseMatters) {
    CAMERA_INFO a = Camera("cam.local", 0, 1, "admin");
    CAMERA_INFO b = Camera("cam.local", 0, 2, "guest");
    CAMERA_INFO c = Camera("CAM.local", 0, 3, "admin");
    ASSERT_EQ(sm.StartVideo(a), 1);
    ASSERT_EQ(sm.StartVideo(b), 1);
    ASSERT_EQ(sm.StartVideo(c), 1);
    EXPECT_EQ(net.Count("Login"), 3);
    EXPECT_NE(a.lLoginHandle, b.lLoginHandle);
    EXPECT_NE(a.lLoginHandle, c.lLoginHandle);
}

TEST_F(SessionTest, FailedLoginGivesMinus4AndAddsNothing_ThenALaterStartLogsIn) {
    net.Script("Login", {0});
    CAMERA_INFO a = Camera("10.0.0.1");
    EXPECT_EQ(sm.StartVideo(a), 0);
    EXPECT_EQ(a.lPlayHandle, -4);
    EXPECT_EQ(sm.LoginCount(), 0u);
    EXPECT_EQ(sm.PlayCount(), 0u);
    EXPECT_EQ(net.Count("StartRealPlay"), 0);
    EXPECT_EQ(sm.StartVideo(a), 1);
    EXPECT_EQ(net.Count("Login"), 2);
    EXPECT_EQ(sm.GetConnectState(a), 1);
}

TEST_F(SessionTest, InitFailureGivesMinus5AndIsRetriedAtTheNextStartOnly) {
    net.Script("Init", {0});
    CAMERA_INFO a = Camera("10.0.0.1");
    EXPECT_EQ(sm.StartVideo(a), 0);
    EXPECT_EQ(a.lPlayHandle, -5);
    EXPECT_EQ(net.Calls(), (Calls{"Init"}));
    EXPECT_EQ(sm.StartVideo(a), 1);
    EXPECT_EQ(net.Count("Init"), 2);
    EXPECT_EQ(sm.StartVideo(a), 1);
    EXPECT_EQ(net.Count("Init"), 2) << "a successful init is not repeated";
    EXPECT_EQ(net.user, reinterpret_cast<uintptr_t>(&sm));
}

TEST_F(SessionTest, PlayFailureGivesMinus1AndKeepsTheLogin) {
    net.Script("StartRealPlay", {0});
    CAMERA_INFO a = Camera("10.0.0.1");
    a.nConnectState = 1;
    EXPECT_EQ(sm.StartVideo(a), 0);
    EXPECT_EQ(a.lPlayHandle, -1);
    EXPECT_EQ(a.nConnectState, 0);
    EXPECT_EQ(sm.PlayCount(), 0u);
    EXPECT_EQ(sm.LoginCount(), 1u);
}

// A record that played, its device lost, started again while something
// fails: it comes back not connected, whatever failed.
TEST(SessionStart, EveryFailedStartLeavesTheRecordNotConnected) {
    const struct {
        const char* fn;
        int32_t code;
    } cases[] = {{"Init", ZV_STATUS_NETINIT_FAILED}, {"Login", ZV_STATUS_LOGIN_FAILED},
                 {"StartRealPlay", ZV_STATUS_PLAY_FAILED}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fn);
        FakeNetLibrary net;
        CSessionManager sm(net);
        CAMERA_INFO a = Camera("10.0.0.1");
        if (std::strcmp(c.fn, "Init") == 0) {
            a.nConnectState = 1;  // what a host's earlier run left
        } else {
            ASSERT_EQ(sm.StartVideo(a), 1);
            sm.OnDisconnect(a.lLoginHandle, "10.0.0.1");
        }
        ASSERT_EQ(a.nConnectState, 1);
        net.Script(c.fn, {0});
        EXPECT_EQ(sm.StartVideo(a), 0);
        EXPECT_EQ(a.lPlayHandle, c.code);
        EXPECT_EQ(a.nConnectState, 0);
    }
}

TEST_F(SessionTest, StartingTwiceStartsTwoPlays_EachStopEndsOne) {
    CAMERA_INFO a = Camera("10.0.0.1");
    ASSERT_EQ(sm.StartVideo(a), 1);
    ASSERT_EQ(sm.StartVideo(a), 1);
    EXPECT_EQ(sm.PlayCount(), 2u);
    EXPECT_EQ(sm.StopVideo(a), 1);
    EXPECT_EQ(sm.GetConnectState(a), 1);
    EXPECT_EQ(sm.StopVideo(a), 1);
    EXPECT_EQ(sm.GetConnectState(a), 0);
    EXPECT_EQ(net.Count("StopRealPlay 501"), 1) << "the first play is stopped first";
}

// --- Stop ----------------------------------------------------------------------

TEST_F(SessionTest, StopUsesTheStoredHandleAndResetsTheRecord_LoginStays) {
    CAMERA_INFO a = Camera("10.0.0.1");
    ASSERT_EQ(sm.StartVideo(a), 1);
    a.lPlayHandle = 77;  // the host's field is informative only
    a.nAudioState = 1;
    EXPECT_EQ(sm.StopVideo(a), 1);
    EXPECT_EQ(net.Count("StopRealPlay 501"), 1);
    EXPECT_EQ(a.lPlayHandle, -1);
    EXPECT_EQ(a.nConnectState, 0);
    EXPECT_EQ(a.nAudioState, 0);
    EXPECT_EQ(sm.LoginCount(), 1u);
    EXPECT_EQ(net.Count("Logout"), 0);
}

TEST_F(SessionTest, StopRefusedByTheLibraryReturns0AndTheCameraStaysConnected) {
    CAMERA_INFO a = Camera("10.0.0.1");
    ASSERT_EQ(sm.StartVideo(a), 1);
    net.Script("StopRealPlay", {0});
    const CAMERA_INFO before = a;
    EXPECT_EQ(sm.StopVideo(a), 0);
    EXPECT_EQ(std::memcmp(&a, &before, sizeof a), 0) << "record untouched";
    EXPECT_EQ(sm.GetConnectState(a), 1);
}

TEST_F(SessionTest, StopOfANeverStartedCameraReturns0AndTouchesNothing) {
    CAMERA_INFO a = Camera("10.0.0.1");
    const CAMERA_INFO before = a;
    EXPECT_EQ(sm.StopVideo(a), 0);
    EXPECT_EQ(std::memcmp(&a, &before, sizeof a), 0);
    EXPECT_TRUE(net.Calls().empty());
}

// --- Audio ---------------------------------------------------------------------

TEST_F(SessionTest, AudioOnOpensSoundOnThePlayAndAudioOffClosesWithoutHandle) {
    CAMERA_INFO a = Camera("10.0.0.1");
    ASSERT_EQ(sm.StartVideo(a), 1);
    a.nAudioState = 5;
    EXPECT_EQ(sm.SetAudio(a), 1);
    EXPECT_EQ(a.nAudioState, 1);
    a.nAudioState = 0;
    EXPECT_EQ(sm.SetAudio(a), 1);
    EXPECT_EQ(a.nAudioState, 0);
    EXPECT_EQ(net.Count("OpenSound 501"), 1);
    EXPECT_EQ(net.Count("CloseSound"), 1);
}

TEST_F(SessionTest, AudioRefusedLeavesStateOff) {
    CAMERA_INFO a = Camera("10.0.0.1");
    ASSERT_EQ(sm.StartVideo(a), 1);
    net.Script("OpenSound", {0});
    net.Script("CloseSound", {0});
    a.nAudioState = 1;
    EXPECT_EQ(sm.SetAudio(a), 0);
    EXPECT_EQ(a.nAudioState, 0);
    EXPECT_EQ(sm.SetAudio(a), 0);
    EXPECT_EQ(a.nAudioState, 0);
}

TEST_F(SessionTest, AudioWithoutAPlayReturns0AndLeavesTheRecord) {
    CAMERA_INFO a = Camera("10.0.0.1");
    a.nAudioState = 1;
    EXPECT_EQ(sm.SetAudio(a), 0);
    EXPECT_EQ(a.nAudioState, 1);
    EXPECT_TRUE(net.Calls().empty());
}

TEST_F(SessionTest, AudioStateIsTheRecordsOwnValueWithoutLookup) {
    CAMERA_INFO a = Camera("10.0.0.1");
    a.nAudioState = 7;
    EXPECT_EQ(sm.GetAudioState(a), 7);
    ASSERT_EQ(sm.StartVideo(a), 1);
    EXPECT_EQ(sm.GetAudioState(a), 7);
}

// --- Identity -----------------------------------------------------------------

TEST_F(SessionTest, IdentityIsAddressBytesChannelAndWindow) {
    CAMERA_INFO a = Camera("cam-a", 2, 0x10);
    ASSERT_EQ(sm.StartVideo(a), 1);
    CAMERA_INFO otherWnd = a;
    otherWnd.hVideoWnd = 0x11;
    CAMERA_INFO otherCase = a;
    otherCase.szDeviceAddress[0] = 'C';
    CAMERA_INFO otherChannel = a;
    otherChannel.nChannel = 3;
    CAMERA_INFO otherUser = a;  // user and password are not part of a play's identity
    std::strcpy(otherUser.szUserName, "guest");
    EXPECT_EQ(sm.GetConnectState(otherWnd), 0);
    EXPECT_EQ(sm.GetConnectState(otherCase), 0);
    EXPECT_EQ(sm.GetConnectState(otherChannel), 0);
    EXPECT_EQ(sm.GetConnectState(otherUser), 1);
    EXPECT_EQ(sm.StopVideo(otherWnd), 0);
}

TEST_F(SessionTest, FieldsWithoutTerminatorAreReadOnlyWithinTheirField) {
    // Address, user and password filled to the last byte: no NUL inside.
    CAMERA_INFO a = Camera("x");
    std::memset(a.szDeviceAddress, 'A', sizeof a.szDeviceAddress);
    std::memset(a.szUserName, 'U', sizeof a.szUserName);
    std::memset(a.szPassword, 'P', sizeof a.szPassword);
    ASSERT_EQ(sm.StartVideo(a), 1);  // ASan reports any read past a field
    const std::string login = net.Calls()[1];
    EXPECT_EQ(login, "Login " + std::string(128, 'A') + " 37777 " + std::string(63, 'U') + " " +
                         std::string(63, 'P') + " -> 101");
    EXPECT_EQ(sm.GetConnectState(a), 1);
    CAMERA_INFO shorter = a;
    shorter.szDeviceAddress[127] = '\0';
    EXPECT_EQ(sm.GetConnectState(shorter), 0);
}

TEST_F(SessionTest, HostAreaComesBackUnchangedFromEveryOperation) {
    CAMERA_INFO a = Camera("10.0.0.1");
    unsigned char host[192];
    std::memcpy(host, a.abHostArea, sizeof host);
    sm.StartVideo(a);
    sm.SetAudio(a);
    sm.GetConnectState(a);
    sm.GetAudioState(a);
    sm.ShowDomePanel(a, 1, 0, 0);
    sm.ShowColorPanel(a, 1, 0, 0);
    sm.StopVideo(a);
    net.Script("Login", {0});
    CAMERA_INFO b = Camera("10.0.0.2");
    sm.StartVideo(b);
    EXPECT_EQ(std::memcmp(a.abHostArea, host, sizeof host), 0);
    EXPECT_EQ(std::memcmp(b.abHostArea, host, sizeof host), 0);
}

// --- Disconnect --------------------------------------------------------------

TEST_F(SessionTest, DisconnectRemovesOnlyTheMatchingLoginAndItsPlays) {
    CAMERA_INFO a0 = Camera("10.0.0.1", 0, 1, "admin");
    CAMERA_INFO a1 = Camera("10.0.0.1", 1, 1, "admin");
    CAMERA_INFO g0 = Camera("10.0.0.1", 0, 2, "guest");
    CAMERA_INFO other = Camera("10.0.0.2", 0, 3, "admin");
    for (CAMERA_INFO* c : {&a0, &a1, &g0, &other}) ASSERT_EQ(sm.StartVideo(*c), 1);
    ASSERT_NE(net.callback, nullptr);

    // Wrong address with the right handle, and right address with a wrong handle: no effect.
    net.callback(a0.lLoginHandle, "10.0.0.9", 0, net.user);
    net.callback(other.lLoginHandle, "10.0.0.1", 0, net.user);
    EXPECT_EQ(sm.PlayCount(), 4u);
    // User value 0 is not ours.
    net.callback(a0.lLoginHandle, "10.0.0.1", 0, 0);
    EXPECT_EQ(sm.PlayCount(), 4u);

    net.ClearCalls();
    net.callback(a0.lLoginHandle, "10.0.0.1", 0, net.user);
    EXPECT_EQ(sm.GetConnectState(a0), 0);
    EXPECT_EQ(sm.GetConnectState(a1), 0);
    EXPECT_EQ(sm.GetConnectState(g0), 1);
    EXPECT_EQ(sm.GetConnectState(other), 1);
    EXPECT_EQ(sm.LoginCount(), 2u);
    EXPECT_TRUE(net.Calls().empty()) << "nothing is stopped or logged out";
    EXPECT_EQ(a0.nConnectState, 1) << "no host record is written";

    // The next start of that device logs in afresh.
    ASSERT_EQ(sm.StartVideo(a0), 1);
    EXPECT_EQ(net.Count("Login 10.0.0.1"), 1);
}

// A loss notice arriving between the library starting a play and the session
// manager recording it: the play belongs to a login that no longer exists.
TEST_F(SessionTest, LossDuringStartFailsTheStartAndStopsTheOrphanedPlay) {
    CAMERA_INFO a = Camera("10.0.0.1", 0);
    ASSERT_EQ(sm.StartVideo(a), 1);
    const int32_t login = a.lLoginHandle;
    CAMERA_INFO b = Camera("10.0.0.1", 1);
    net.OnNextCall("StartRealPlay", [&] {
        // The library's own thread, as a real loss would come.
        std::thread([&] { net.callback(login, "10.0.0.1", 0, net.user); }).join();
    });
    net.ClearCalls();
    EXPECT_EQ(sm.StartVideo(b), 0);
    EXPECT_EQ(b.lPlayHandle, ZV_STATUS_PLAY_FAILED);
    EXPECT_EQ(b.nConnectState, 0);
    EXPECT_EQ(sm.GetConnectState(b), 0);
    EXPECT_EQ(sm.PlayCount(), 0u);
    EXPECT_EQ(sm.LoginCount(), 0u);
    EXPECT_EQ(net.Calls(), (Calls{"StartRealPlay 101 1 4660 -> 502", "StopRealPlay 502 -> 1"}));

    // Starting the camera again logs in afresh, and its one stop ends that play.
    ASSERT_EQ(sm.StartVideo(b), 1);
    EXPECT_EQ(sm.PlayCount(), 1u);
    net.ClearCalls();
    EXPECT_EQ(sm.StopVideo(b), 1);
    EXPECT_EQ(net.Calls(), (Calls{"StopRealPlay 503 -> 1"}));
    EXPECT_EQ(sm.PlayCount(), 0u);
}

// A library that reports a loss synchronously, from inside the very call that
// found it: the entry must not be used after the notice freed it (ASan).
TEST_F(SessionTest, LossReportedFromInsideStopOrSoundCallsFreesNothingTwice) {
    CAMERA_INFO a = Camera("10.0.0.1", 0);
    CAMERA_INFO b = Camera("10.0.0.1", 1);
    ASSERT_EQ(sm.StartVideo(a), 1);
    ASSERT_EQ(sm.StartVideo(b), 1);
    auto lose = [&] { net.callback(a.lLoginHandle, "10.0.0.1", 0, net.user); };

    net.OnNextCall("StopRealPlay", lose);
    EXPECT_EQ(sm.StopVideo(a), 1) << "the library stopped it";
    EXPECT_EQ(a.nConnectState, 0);
    EXPECT_EQ(a.lPlayHandle, ZV_STATUS_PLAY_FAILED);
    EXPECT_EQ(sm.PlayCount(), 0u) << "the notice took b's entry too";
    EXPECT_EQ(sm.LoginCount(), 0u);

    CAMERA_INFO c = Camera("10.0.0.2", 0);
    ASSERT_EQ(sm.StartVideo(c), 1);
    c.nAudioState = 1;
    net.OnNextCall("OpenSound", [&] { net.callback(c.lLoginHandle, "10.0.0.2", 0, net.user); });
    EXPECT_EQ(sm.SetAudio(c), 1);
    EXPECT_EQ(sm.PlayCount(), 0u);

    CAMERA_INFO d = Camera("10.0.0.3", 0);
    ASSERT_EQ(sm.StartVideo(d), 1);
    net.Script("StopRealPlay", {0});
    net.OnNextCall("StopRealPlay", [&] { net.callback(d.lLoginHandle, "10.0.0.3", 0, net.user); });
    EXPECT_EQ(sm.StopVideo(d), 0) << "refused by the library";
    EXPECT_EQ(sm.GetConnectState(d), 0) << "but the notice ended the play";
}

// Some library builds give no address with a loss: the handle alone decides.
TEST_F(SessionTest, LossWithoutAnAddressMatchesOnTheHandleAlone) {
    CAMERA_INFO a = Camera("10.0.0.1", 0);
    CAMERA_INFO b = Camera("10.0.0.2", 0);
    ASSERT_EQ(sm.StartVideo(a), 1);
    ASSERT_EQ(sm.StartVideo(b), 1);
    net.callback(a.lLoginHandle, nullptr, 0, net.user);
    EXPECT_EQ(sm.GetConnectState(a), 0);
    EXPECT_EQ(sm.GetConnectState(b), 1);
    EXPECT_EQ(sm.LoginCount(), 1u);
    ASSERT_EQ(sm.StartVideo(a), 1);
    EXPECT_EQ(net.Count("Login 10.0.0.1"), 2) << "the dead login is not reused";
}

// --- Teardown ----------------------------------------------------------------

TEST_F(SessionTest, TeardownStopsEveryPlayBeforeLoggingOutThenCleansUp) {
    CAMERA_INFO a = Camera("10.0.0.1", 0);
    CAMERA_INFO b = Camera("10.0.0.2", 0);
    CAMERA_INFO c = Camera("10.0.0.1", 1);
    for (CAMERA_INFO* cam : {&a, &b, &c}) ASSERT_EQ(sm.StartVideo(*cam), 1);
    net.Script("StopRealPlay", {0});  // results are ignored
    net.ClearCalls();
    sm.Teardown();
    EXPECT_EQ(net.Calls(), (Calls{"StopRealPlay 501 -> 0", "StopRealPlay 502 -> 1",
                                  "StopRealPlay 503 -> 1", "Logout 101", "Logout 102",
                                  "Cleanup"}));
    EXPECT_EQ(sm.PlayCount(), 0u);
    EXPECT_EQ(sm.LoginCount(), 0u);
    net.ClearCalls();
    sm.Teardown();
    EXPECT_TRUE(net.Calls().empty()) << "a second teardown has nothing left to do";
}

TEST(SessionTeardown, NoCleanupWithoutASuccessfulInit) {
    FakeNetLibrary net;
    {
        CSessionManager sm(net);
        net.Script("Init", {0});
        CAMERA_INFO a = Camera("10.0.0.1");
        EXPECT_EQ(sm.StartVideo(a), 0);
    }
    EXPECT_EQ(net.Count("Cleanup"), 0);
    FakeNetLibrary net2;
    {
        CSessionManager sm(net2);  // the destructor tears down
        CAMERA_INFO a = Camera("10.0.0.1");
        EXPECT_EQ(sm.StartVideo(a), 1);
    }
    EXPECT_EQ(net2.Calls().back(), "Cleanup");
}

}  // namespace
}  // namespace zv
