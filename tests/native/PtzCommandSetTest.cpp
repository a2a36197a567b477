// The PTZ command set: what each action sends, the speed and busy rules of
// the hold buttons, and the joystick's steering.
#include <gtest/gtest.h>

#include <climits>

#include "FakeNetLibrary.h"
#include "DomeButtonTable.h"
#include "PtzCommandSet.h"

namespace zv {
namespace {

using test::FakeNetLibrary;
using Calls = std::vector<std::string>;

// The panel's row for a button.
const DomeButton& Row(int id) {
    for (const DomeButton& b : kDomeButtons)
        if (b.id == id) return b;
    ADD_FAILURE() << "no row for " << id;
    return kDomeButtons[0];
}

class RecordingFeedback : public IPtzFeedback {
public:
    explicit RecordingFeedback(FakeNetLibrary& log) : m_log(log) {}
    void BeginWaitCursor() override { m_log.Note("wait"); }
    void EndWaitCursor() override { m_log.Note("arrow"); }
    void SpeedChanged() override { m_log.Note("speed text"); }

private:
    FakeNetLibrary& m_log;
};

class PtzTest : public ::testing::Test {
protected:
    PtzTest() { ptz.SetTarget(700, 3); }
    // The calls logged since the last look.
    Calls Sent() {
        Calls c = net.Calls();
        net.ClearCalls();
        return c;
    }
    FakeNetLibrary net;
    RecordingFeedback feedback{net};
    CPtzCommandSet ptz{net, feedback};
    // A press of a button of the panel, as its table describes it.
    void Press(int id) {
        const DomeButton& b = Row(id);
        ptz.OnButtonPress(b.kind, b.nAction);
    }
};

// "PtzControl login channel code param1 param2 param3 stop"
std::string Ptz(int code, int p1, int p2, int stop) {
    return "PtzControl 700 3 " + std::to_string(code) + " " + std::to_string(p1) + " " +
           std::to_string(p2) + " 0 " + std::to_string(stop);
}

TEST_F(PtzTest, EveryActionAtTheDefaultSpeed) {
    const int codes[15] = {0, 2, 0, 3, 1, 5, 4, 7, 6, 9, 8, 0x20, 0x22, 0x21, 0x23};
    for (uint32_t a = 0; a < 15; ++a) {
        EXPECT_EQ(ptz.SendPtzCommand(a, 0), 1) << a;
        const int p1 = a >= 11 ? 32 : 0;
        EXPECT_EQ(Sent(), (Calls{Ptz(codes[a], p1, 4, a == 0)})) << "action " << a;
    }
    for (uint32_t bad : {15u, 0xFFFFFFFFu, 100u}) {
        EXPECT_EQ(ptz.SendPtzCommand(bad, 0), 0) << bad;
    }
    EXPECT_TRUE(Sent().empty()) << "nothing for an action above 14";
    net.Script("PtzControl", {0});
    EXPECT_EQ(ptz.SendPtzCommand(PTZ_UP, 0), 0) << "the library's result passes through";
}

// The dome runs from a move that reached it until a stop does: a lost stop
// leaves it running, a lost move starts nothing.
TEST_F(PtzTest, AMoveThatGotThroughRunsUntilAStopGetsThrough) {
    const struct {
        uint32_t action;
        bool bReaches;
        bool bMoving;
    } steps[] = {{PTZ_RIGHT, true, true},    {PTZ_STOP, false, true}, {PTZ_STOP, true, false},
                 {PTZ_LEFT, false, false},   {PTZ_ZOOM_IN, true, true}, {PTZ_STOP, true, false}};
    EXPECT_FALSE(ptz.IsMoving());
    for (const auto& step : steps) {
        if (!step.bReaches) net.Script("PtzControl", {0});
        ptz.SendPtzCommand(step.action, 0);
        EXPECT_EQ(ptz.IsMoving(), step.bMoving) << "action " << step.action;
    }
}

TEST_F(PtzTest, Param2IsComputedOnTheLowByteOfTheSpeed) {
    const std::pair<int32_t, int> cases[] = {{1, 0}, {7, 1}, {30, 3}, {32, 4}, {63, 8},
                                             {64, 8}, {0x120, 4}, {255, 32}};
    for (auto [speed, param2] : cases) {
        ptz.SendPtzCommand(PTZ_LEFT, speed);
        EXPECT_EQ(Sent(), (Calls{Ptz(2, 0, param2, 0)})) << "speed " << speed;
    }
    // Zero or negative: the panel's speed. Diagonals carry the panel's speed
    // in param1 whatever speed the call gives.
    ptz.SendPtzCommand(PTZ_RIGHT_DOWN, -5);
    EXPECT_EQ(Sent(), (Calls{Ptz(0x23, 32, 4, 0)}));
    ptz.SendPtzCommand(PTZ_LEFT_UP, 63);
    EXPECT_EQ(Sent(), (Calls{Ptz(0x20, 32, 8, 0)}));
}

TEST_F(PtzTest, HeldButtonsSendTheirActionAndTheReleaseStops) {
    // Each button as the panel's table has it.
    const std::pair<int, int> buttons[] = {
        {IDC_DOME_UP, 0}, {IDC_DOME_DOWN, 1}, {IDC_DOME_LEFT, 2}, {IDC_DOME_RIGHT, 3},
        {IDC_DOME_ZOOM_IN, 5}, {IDC_DOME_ZOOM_OUT, 4}, {IDC_DOME_FOCUS_FAR, 7},
        {IDC_DOME_FOCUS_NEAR, 6}, {IDC_DOME_IRIS_LARGER, 9}, {IDC_DOME_IRIS_SMALLER, 8}};
    for (auto [id, code] : buttons) {
        const DomeButton& b = Row(id);
        EXPECT_TRUE(b.bSendsHold) << id;
        ptz.OnButtonPress(b.kind, b.nAction);
        ptz.OnButtonPress(b.kind, b.nAction);  // the 250 ms repeat
        ptz.OnButtonRelease();
        EXPECT_EQ(Sent(), (Calls{"wait", Ptz(code, 0, 4, 0), "arrow", "wait", Ptz(code, 0, 4, 0), "arrow",
                                 "wait", Ptz(0, 0, 4, 1), "arrow"}))
            << "button " << id;
    }
}

TEST_F(PtzTest, SpeedButtonsStepWithinBoundsAndEachStepStops) {
    for (int i = 0; i < 30; ++i) Press(IDC_DOME_SPEED_DOWN);
    EXPECT_EQ(ptz.Speed(), 2);
    Sent();
    Press(IDC_DOME_SPEED_DOWN);
    EXPECT_EQ(ptz.Speed(), 1);
    EXPECT_EQ(Sent(), (Calls{"wait", "speed text", Ptz(0, 0, 0, 1), "arrow"}));
    Press(IDC_DOME_SPEED_DOWN);
    EXPECT_EQ(ptz.Speed(), 1);

    for (int i = 0; i < 61; ++i) Press(IDC_DOME_SPEED_UP);
    EXPECT_EQ(ptz.Speed(), 62);
    Press(IDC_DOME_SPEED_UP);
    Press(IDC_DOME_SPEED_UP);
    EXPECT_EQ(ptz.Speed(), 63);
    Sent();
    Press(IDC_DOME_SPEED_AUTO);
    EXPECT_EQ(ptz.Speed(), 30);
    EXPECT_EQ(Sent(), (Calls{"wait", "speed text", Ptz(0, 0, 3, 1), "arrow"}));
    ptz.SendPtzCommand(PTZ_RIGHT_UP, 0);
    EXPECT_EQ(Sent(), (Calls{Ptz(0x21, 30, 3, 0)})) << "the new speed everywhere";
}

TEST_F(PtzTest, BusyMarkIgnoresPressesUntilAStopClearsIt) {
    ptz.OnBusyOnlyClick();  // e.g. "auto focus": marks busy, sends nothing
    EXPECT_EQ(Sent(), (Calls{"wait", "arrow"}));
    EXPECT_EQ(ptz.IsBusy(), 1);
    ptz.OnBusyOnlyClick();
    Press(IDC_DOME_UP);
    EXPECT_TRUE(Sent().empty()) << "a second click and a press are ignored";
    ptz.OnButtonRelease();
    EXPECT_EQ(Sent(), (Calls{"wait", Ptz(0, 0, 4, 1), "arrow"})) << "the release still stops";
    EXPECT_EQ(ptz.IsBusy(), 0);

    // "Setting" marks busy and sends nothing; the host's command clears it.
    Press(IDC_DOME_SETTING);
    EXPECT_EQ(ptz.IsBusy(), 1);
    EXPECT_EQ(Sent(), (Calls{"wait", "arrow"}));
    ptz.SendPtzCommand(PTZ_STOP, 0);
    EXPECT_EQ(ptz.IsBusy(), 0);
    Sent();
    Press(IDC_DOME_ZOOM_AUTO);
    EXPECT_EQ(ptz.IsBusy(), 0) << "a button without a PTZ effect";
    EXPECT_TRUE(Sent().empty());
}

TEST_F(PtzTest, WithoutALoginNothingIsSentAndTheBusyMarkStays) {
    ptz.SetTarget(0, 3);
    EXPECT_EQ(ptz.SendPtzCommand(PTZ_UP, 0), 0);
    Press(IDC_DOME_UP);
    EXPECT_EQ(ptz.IsBusy(), 1);
    Press(IDC_DOME_DOWN);
    ptz.OnButtonRelease();
    EXPECT_EQ(ptz.IsBusy(), 1);
    EXPECT_EQ(Sent(), (Calls{"wait", "arrow", "wait", "arrow"})) << "no library call at all";
}

// The device was lost mid-move and has been logged in anew meanwhile: the
// command goes once more on the new login, which stays the target.
class Renewal : public IPtzLoginRenewal {
public:
    int32_t RenewLogin() override { return ++asked, handle; }
    int32_t handle = 0;
    int asked = 0;
};

TEST(PtzLoginRenewal, AFailedCommandGoesOnceMoreOnTheRenewedLogin) {
    FakeNetLibrary net;
    RecordingFeedback feedback(net);
    Renewal renewal;
    CPtzCommandSet ptz(net, feedback, &renewal);
    ptz.SetTarget(700, 3);
    net.Script("PtzControl", {0});
    renewal.handle = 900;
    EXPECT_EQ(ptz.SendPtzCommand(PTZ_UP, 0), 1);
    EXPECT_EQ(net.Calls(), (Calls{"PtzControl 700 3 0 0 4 0 0", "PtzControl 900 3 0 0 4 0 0"}));
    EXPECT_EQ(ptz.LoginHandle(), 900);
    net.ClearCalls();
    EXPECT_EQ(ptz.SendPtzCommand(PTZ_STOP, 0), 1);
    EXPECT_EQ(net.Calls(), (Calls{"PtzControl 900 3 0 0 4 0 1"}));
    EXPECT_EQ(renewal.asked, 1) << "asked only after a failure";

    // Nothing new in the pool (or the same login): no second try.
    net.ClearCalls();
    net.Script("PtzControl", {0});
    EXPECT_EQ(ptz.SendPtzCommand(PTZ_DOWN, 0), 0);
    EXPECT_EQ(net.Calls().size(), 1u);
}

TEST(PtzLoginRenewal, AStopThatFailsIsOwedUntilACommandGetsThrough) {
    FakeNetLibrary net;
    RecordingFeedback feedback(net);
    CPtzCommandSet ptz(net, feedback);
    ptz.SetTarget(700, 0);
    ptz.SendPtzCommand(PTZ_LEFT, 0);
    net.Script("PtzControl", {0, 0});
    EXPECT_EQ(ptz.SendPtzCommand(PTZ_STOP, 0), 0);
    EXPECT_TRUE(ptz.StopOwed());
    EXPECT_EQ(ptz.SendPtzCommand(PTZ_UP, 0), 0) << "a failed move leaves the stop owed";
    EXPECT_TRUE(ptz.StopOwed());
    EXPECT_EQ(ptz.SendPtzCommand(PTZ_STOP, 0), 1);
    EXPECT_FALSE(ptz.StopOwed());
    net.Script("PtzControl", {0});
    ptz.SendPtzCommand(PTZ_STOP, 0);
    EXPECT_EQ(ptz.SendPtzCommand(PTZ_RIGHT, 0), 1);
    EXPECT_FALSE(ptz.StopOwed()) << "the device follows us again; its release will stop it";
}

// A 52 x 52 area at (100, 200): half-width 26, centre (126, 226).
TEST(JoystickStep, DirectionFromTheCentreLinesAndSpeedFromTheDistance) {
    const JoystickArea area{100, 200, 152, 252};
    struct Case {
        int x, y;
        uint32_t action;
        int32_t speed;
    };
    const Case cases[] = {
        {100, 226, PTZ_LEFT, 32},        // on the horizontal centre line: 32 wins
        {151, 226, PTZ_RIGHT, 32},
        {126, 200, PTZ_UP, 32},          // on the vertical centre line
        {126, 251, PTZ_DOWN, 32},
        {100, 200, PTZ_LEFT_UP, 1},      // 26 / 26
        {125, 225, PTZ_LEFT_UP, 0},      // one pixel off: 0, the panel's speed
        {151, 201, PTZ_RIGHT_UP, 0},
        {101, 251, PTZ_LEFT_DOWN, 0},
        {151, 251, PTZ_RIGHT_DOWN, 0},
        {126, 226, PTZ_STOP, 32},        // the very centre
    };
    for (const Case& c : cases) {
        JoystickStep step{};
        ASSERT_TRUE(ComputeJoystickStep(area, c.x, c.y, step));
        EXPECT_EQ(step.nAction, c.action) << c.x << "," << c.y;
        EXPECT_EQ(step.nSpeed, c.speed) << c.x << "," << c.y;
    }
}

TEST(JoystickStep, SpeedIsCappedAt64AndNarrowAreasSendNothing) {
    JoystickStep step{};
    // A 4-pixel area (half 2): 200 px off is 100 half-widths, capped.
    ASSERT_TRUE(ComputeJoystickStep({0, 0, 4, 4}, 202, 3, step));
    EXPECT_EQ(step.nAction, PTZ_RIGHT_DOWN);
    EXPECT_EQ(step.nSpeed, 64);
    ASSERT_TRUE(ComputeJoystickStep({0, 0, 2, 2}, 1, 1, step));
    EXPECT_EQ(step.nAction, PTZ_STOP);
    EXPECT_FALSE(ComputeJoystickStep({0, 0, 1, 1}, 0, 0, step)) << "1 pixel: half-width 0";
    EXPECT_FALSE(ComputeJoystickStep({5, 5, 5, 5}, 5, 5, step)) << "0 pixels";
    EXPECT_FALSE(ComputeJoystickStep({9, 0, 5, 4}, 5, 1, step)) << "inverted";
}

// Found by fuzzing: an area (or a cursor) far apart overflowed the int
// arithmetic of the width and of the offsets from the centre.
TEST(JoystickStep, CoordinatesAcrossTheWholeIntRange) {
    const JoystickArea wide{-2147482385, 0, 2147482257, 0};
    JoystickStep step{};
    ASSERT_TRUE(ComputeJoystickStep(wide, 0, 5, step));
    EXPECT_EQ(step.nAction, PTZ_RIGHT_UP);  // the centre is at (-64, 2147482321)
    EXPECT_EQ(step.nSpeed, 0);
    ASSERT_TRUE(ComputeJoystickStep(wide, INT_MIN, INT_MAX, step));
    EXPECT_EQ(step.nAction, PTZ_LEFT_DOWN);
    EXPECT_EQ(step.nSpeed, 1);
    const JoystickArea small{INT_MAX - 4, INT_MAX - 4, INT_MAX, INT_MAX};
    ASSERT_TRUE(ComputeJoystickStep(small, INT_MIN, INT_MIN, step));
    EXPECT_EQ(step.nAction, PTZ_LEFT_UP);
    EXPECT_EQ(step.nSpeed, 64);
    EXPECT_FALSE(ComputeJoystickStep({INT_MAX, 0, INT_MIN, 0}, 0, 0, step)) << "inverted";
}

}  // namespace
}  // namespace zv
