// The session manager's ownership of the two panels, with fake panels whose
// calls land in the same log as the network library's.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "CameraRecord.h"
#include "FakeNetLibrary.h"
#include "FakePanels.h"
#include "SessionManager.h"

namespace zv {
namespace {

using test::FakeNetLibrary;
using test::FakePanelFactory;
using Calls = std::vector<std::string>;

CAMERA_INFO Camera(const char* address, int channel = 0, ZV_HWND wnd = 77) {
    return test::CameraRecord(address, channel, wnd, "admin", "pw");
}

class PanelTest : public ::testing::Test {
protected:
    FakeNetLibrary net;
    FakePanelFactory panels{net};
    CSessionManager sm{net, &panels};
};

TEST_F(PanelTest, NothingAnswersBeforeAPanelExists) {
    EXPECT_EQ(sm.SendDomeCommand(2), 0);
    EXPECT_EQ(sm.IsDomePresent(), 0);
    EXPECT_EQ(sm.FreeDomePanel(), 1);
    EXPECT_EQ(sm.CloseDomePanel(), 1);
    EXPECT_TRUE(net.Calls().empty());
}

TEST_F(PanelTest, DomePanelSharesTheVideoLoginAndIsReplacedByEveryShow) {
    CAMERA_INFO cam = Camera("10.0.0.1", 3);
    ASSERT_EQ(sm.StartVideo(cam), 1);
    net.ClearCalls();
    EXPECT_EQ(sm.ShowDomePanel(cam, 1, 10, 20), 1);
    EXPECT_EQ(net.Calls(), (Calls{"dome#1 made, parent 77", "dome#1 placement 1 10 20", "dome#1 create",
                                  "dome#1 login 101 channel 3", "dome#1 show 10 20"}));
    EXPECT_EQ(sm.IsDomePresent(), 1);
    EXPECT_EQ(sm.SendDomeCommand(2), 1);
    EXPECT_EQ(net.Calls().back(), "dome#1 ptz 2 0") << "the host's command at the panel's speed";

    // Only the low 8 bits of show count: 0x100 hides.
    net.ClearCalls();
    EXPECT_EQ(sm.ShowDomePanel(cam, 0x100, 5, 6), 1);
    EXPECT_EQ(net.Calls(), (Calls{"dome#1 destroy", "dome#1 deleted", "dome#2 made, parent 77",
                                  "dome#2 placement 0 5 6", "dome#2 create", "dome#2 login 101 channel 3",
                                  "dome#2 hide"}));
    EXPECT_EQ(net.Count("Login"), 0);
}

TEST_F(PanelTest, NegativeCoordinatesKeepThePlaceThePanelChoseItself) {
    CAMERA_INFO cam = Camera("10.0.0.1");
    EXPECT_EQ(sm.ShowDomePanel(cam, 1, -1, 20), 1);
    EXPECT_EQ(net.Calls().back(), "dome#1 show in place");
    EXPECT_EQ(sm.ShowColorPanel(cam, 1, 30, -5), 1);
    EXPECT_EQ(net.Calls().back(), "colour#1 show in place");
    EXPECT_EQ(sm.ShowDomePanel(cam, 1, 0, 0), 1);
    EXPECT_EQ(net.Calls().back(), "dome#2 show 0 0");
}

TEST_F(PanelTest, DomePanelWithoutLoginStaysHiddenAndSendsNothing) {
    CAMERA_INFO cam = Camera("10.0.0.1");
    net.Script("Login", {0});
    EXPECT_EQ(sm.ShowDomePanel(cam, 1, 0, 0), 1);
    EXPECT_EQ(net.Calls(), (Calls{"dome#1 made, parent 77", "dome#1 placement 1 0 0", "dome#1 create",
                                  "Login 10.0.0.1 37777 admin pw -> 0"}));
    EXPECT_EQ(sm.IsDomePresent(), 1);
    EXPECT_EQ(sm.SendDomeCommand(2), 0);
}

TEST_F(PanelTest, PanelThatCannotBeMadeOrCreatedShowsItsMessageAndAnswers0) {
    CAMERA_INFO cam = Camera("10.0.0.1");
    panels.bFailConstruct = true;
    EXPECT_EQ(sm.ShowDomePanel(cam, 1, 0, 0), 0);
    EXPECT_EQ(sm.ShowColorPanel(cam, 1, 0, 0), 0);
    EXPECT_EQ(net.Count("message not-initialised"), 2);
    EXPECT_EQ(sm.IsDomePresent(), 0);

    panels.bFailConstruct = false;
    panels.bFailCreate = true;
    net.ClearCalls();
    EXPECT_EQ(sm.ShowDomePanel(cam, 1, 0, 0), 0);
    EXPECT_EQ(net.Calls().back(), "message create-failed");
    EXPECT_EQ(net.Count("Login"), 0) << "no login for a panel without a window";
    EXPECT_EQ(sm.IsDomePresent(), 1) << "the object stays";
    EXPECT_EQ(sm.ShowColorPanel(cam, 1, 0, 0), 0);
    EXPECT_EQ(net.Calls().back(), "message create-failed");

    // The next good show replaces what was left.
    panels.bFailCreate = false;
    net.ClearCalls();
    EXPECT_EQ(sm.ShowDomePanel(cam, 1, 0, 0), 1);
    EXPECT_EQ(net.Calls().front(), "dome#1 deleted") << "no window left to destroy";

    panels.bThrowOnConstruct = true;
    EXPECT_EQ(sm.ShowDomePanel(cam, 1, 0, 0), 0);
    EXPECT_EQ(sm.ShowColorPanel(cam, 1, 0, 0), 0);
    EXPECT_EQ(sm.InitDomePanel(5), 0);
}

TEST_F(PanelTest, InitKeepsAnExistingPanelAndMakesAHiddenOneWithoutLogin) {
    EXPECT_EQ(sm.InitDomePanel(9), 1);
    EXPECT_EQ(net.Calls(), (Calls{"dome#1 made, parent 9", "dome#1 create"}));
    EXPECT_EQ(sm.IsDomePresent(), 1);
    EXPECT_EQ(sm.SendDomeCommand(2), 0) << "no login";
    EXPECT_EQ(sm.InitDomePanel(9), 1);
    EXPECT_EQ(net.Count("dome#2"), 0);

    CAMERA_INFO cam = Camera("10.0.0.1");
    ASSERT_EQ(sm.ShowDomePanel(cam, 1, 0, 0), 1);  // replaces the one Init made
    EXPECT_EQ(net.Count("dome#1 deleted"), 1);
    EXPECT_EQ(sm.InitDomePanel(9), 1);
    EXPECT_EQ(net.Count("dome#3"), 0) << "keeps the shown panel";

    EXPECT_EQ(sm.FreeDomePanel(), 1);
    panels.bFailCreate = true;
    EXPECT_EQ(sm.InitDomePanel(9), 0);
    EXPECT_EQ(net.Count("message"), 0) << "Init shows no message";
}

TEST_F(PanelTest, FreeAndCloseDestroyThePanelAndAbsorbFailures) {
    CAMERA_INFO cam = Camera("10.0.0.1");
    ASSERT_EQ(sm.ShowDomePanel(cam, 1, 0, 0), 1);
    net.ClearCalls();
    EXPECT_EQ(sm.FreeDomePanel(), 1);
    EXPECT_EQ(net.Calls(), (Calls{"dome#1 destroy", "dome#1 deleted"}));
    EXPECT_EQ(sm.IsDomePresent(), 0);

    panels.bThrowOnDestroy = true;
    ASSERT_EQ(sm.ShowDomePanel(cam, 1, 0, 0), 1);
    EXPECT_EQ(sm.CloseDomePanel(), 1);
    EXPECT_EQ(sm.IsDomePresent(), 0);
    EXPECT_EQ(net.Count("dome#2 deleted"), 1);
}

TEST_F(PanelTest, ColorPanelGetsItsMembersBeforeItsWindowAndShowZeroLeavesNone) {
    CAMERA_INFO cam = Camera("10.0.0.2", 1, 55);
    EXPECT_EQ(sm.ShowColorPanel(cam, 1, 30, 40), 1);
    EXPECT_EQ(net.Calls(), (Calls{"Login 10.0.0.2 37777 admin pw -> 101", "colour#1 made, parent 55",
                                  "colour#1 login 101 channel 1", "colour#1 placement 1 30 40",
                                  "colour#1 create", "colour#1 show 30 40"}));
    net.ClearCalls();
    EXPECT_EQ(sm.ShowColorPanel(cam, 0, 30, 40), 1);
    EXPECT_EQ(net.Calls(), (Calls{"colour#1 destroy", "colour#1 deleted", "colour#2 made, parent 55",
                                  "colour#2 login 101 channel 1", "colour#2 placement 0 30 40",
                                  "colour#2 create", "colour#2 destroy", "colour#2 deleted"}));
}

TEST_F(PanelTest, ColorPanelWithoutLoginIsNeverMade) {
    CAMERA_INFO cam = Camera("10.0.0.2");
    net.Script("Login", {0});
    EXPECT_EQ(sm.ShowColorPanel(cam, 1, 0, 0), 1);
    EXPECT_EQ(net.Calls(), (Calls{"Login 10.0.0.2 37777 admin pw -> 0"}));
}

TEST_F(PanelTest, PanelsFindTheirCameraLoginInThePoolWithoutWaiting) {
    CAMERA_INFO cam = Camera("10.0.0.1");
    ASSERT_EQ(sm.ShowDomePanel(cam, 1, 0, 0), 1);
    ILoginSource* source = panels.lastDome->source;
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->PooledLogin(cam), 101);
    CAMERA_INFO other = Camera("10.0.0.2");
    EXPECT_EQ(source->PooledLogin(other), 0) << "never logs in";
    EXPECT_EQ(net.Count("Login 10.0.0.2"), 0);

    // While another thread is inside a login (holding the lock), a panel's
    // question is answered at once, with 0.
    std::atomic<bool> inLogin{false}, release{false};
    net.OnNextCall("Login", [&] {
        inLogin = true;
        while (!release) std::this_thread::yield();
    });
    std::thread starter([&] {
        CAMERA_INFO slow = Camera("10.0.0.3");
        sm.StartVideo(slow);
    });
    while (!inLogin) std::this_thread::yield();
    EXPECT_EQ(source->PooledLogin(cam), 0);
    release = true;
    starter.join();
    EXPECT_EQ(source->PooledLogin(cam), 101);
}

// A stop the dome panel could not get through (its device was lost) is not
// lost with the panel: it goes out once the device has a login again, once.
TEST_F(PanelTest, AStopOwedByAGonePanelGoesOutWhenItsDeviceIsLoggedInAgain) {
    CAMERA_INFO cam = Camera("10.0.0.1", 2);
    ASSERT_EQ(sm.StartVideo(cam), 1);
    ASSERT_EQ(sm.ShowDomePanel(cam, 1, 0, 0), 1);
    net.Callback()(cam.lLoginHandle, "10.0.0.1", 0, net.User());  // lost mid-move
    panels.lastDome->bStopOwed = true;
    CAMERA_INFO other = Camera("10.0.0.9");
    ASSERT_EQ(sm.ShowDomePanel(other, 1, 0, 0), 1);  // replaced while the device is away
    net.Script("Login", {0});
    EXPECT_EQ(sm.StartVideo(cam), 0);
    EXPECT_EQ(net.Count("PtzControl"), 0) << "no login to send it on";

    net.ClearCalls();
    ASSERT_EQ(sm.StartVideo(cam), 1);  // the device is back
    const std::string login = std::to_string(cam.lLoginHandle);
    const Calls calls = net.Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0].rfind("Login 10.0.0.1", 0), 0u);
    EXPECT_EQ(calls[1], "PtzControl " + login + " 2 0 0 5 0 1") << "a stop on channel 2, before the play";
    EXPECT_EQ(calls[2].rfind("StartRealPlay", 0), 0u);
    ASSERT_EQ(sm.StopVideo(cam), 1);
    ASSERT_EQ(sm.StartVideo(cam), 1);
    EXPECT_EQ(net.Count("PtzControl"), 1) << "owed no longer";
}

// With the device's login pooled the stop goes when the panel does; one the
// device still refuses is sent again before the logout at unload.
TEST_F(PanelTest, AnOwedStopIsTriedWhenThePanelGoesAndAgainBeforeTheLogoutAtUnload) {
    CAMERA_INFO cam = Camera("10.0.0.1", 1);
    ASSERT_EQ(sm.StartVideo(cam), 1);
    ASSERT_EQ(sm.ShowDomePanel(cam, 1, 0, 0), 1);
    panels.lastDome->bStopOwed = true;
    net.Script("PtzControl", {0});
    net.ClearCalls();
    ASSERT_EQ(sm.FreeDomePanel(), 1);
    const std::string stop = "PtzControl " + std::to_string(cam.lLoginHandle) + " 1 0 0 5 0 1";
    EXPECT_EQ(net.Calls(), (Calls{"dome#1 destroy", stop, "dome#1 deleted"}));

    net.ClearCalls();
    sm.Teardown();
    const Calls calls = net.Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0], stop);
    EXPECT_EQ(calls[1].rfind("StopRealPlay", 0), 0u);
}

// A control held at unload must still reach the device: the panels go
// before the plays, the logins and the library.
TEST_F(PanelTest, TeardownDestroysThePanelsBeforeTheLibraryGoes) {
    CAMERA_INFO cam = Camera("10.0.0.1");
    ASSERT_EQ(sm.StartVideo(cam), 1);
    ASSERT_EQ(sm.ShowDomePanel(cam, 1, 0, 0), 1);
    ASSERT_EQ(sm.ShowColorPanel(cam, 1, 0, 0), 1);
    net.ClearCalls();
    sm.Teardown();
    EXPECT_EQ(net.Calls(), (Calls{"dome#1 destroy", "dome#1 deleted", "colour#1 destroy",
                                  "colour#1 deleted", "StopRealPlay 501 -> 1", "Logout 101", "Cleanup"}));
    EXPECT_EQ(sm.IsDomePresent(), 0);
}

}  // namespace
}  // namespace zv
