// The PTZ vocabulary under random input: the joystick step for any area and
// cursor, param2 for any speed, and the command set driven by random host
// commands, button holds and releases. Every library call is checked against
// what the command set was asked for.
#include <cstdint>
#include <map>

#include "FuzzCheck.h"
#include "Input.h"
#include "PtzCommandSet.h"

namespace zv::fuzz {
namespace {

// Only PtzControl may be called; it records the call and answers as told.
class PtzOnlyLibrary final : public INetLibrary {
public:
    struct Call {
        int32_t login, channel;
        uint32_t code;
        uint8_t p1, p2, p3;
        int32_t stop;
    };
    int32_t Init(DisconnectFn, uintptr_t) override { Fail("Init", __FILE__, __LINE__); }
    void Cleanup() override { Fail("Cleanup", __FILE__, __LINE__); }
    int32_t Login(const char*, uint16_t, const char*, const char*, unsigned char*, int*) override {
        Fail("Login", __FILE__, __LINE__);
    }
    void Logout(int32_t) override { Fail("Logout", __FILE__, __LINE__); }
    int32_t StartRealPlay(int32_t, int32_t, ZV_HWND) override { Fail("StartRealPlay", __FILE__, __LINE__); }
    int32_t StopRealPlay(int32_t) override { Fail("StopRealPlay", __FILE__, __LINE__); }
    int32_t OpenSound(int32_t) override { Fail("OpenSound", __FILE__, __LINE__); }
    int32_t CloseSound() override { Fail("CloseSound", __FILE__, __LINE__); }
    int32_t GetDevConfig(int32_t, int32_t, int32_t, void*, int32_t, int32_t*, int32_t) override {
        Fail("GetDevConfig", __FILE__, __LINE__);
    }
    void SetDevConfig(int32_t, int32_t, int32_t, void*, int32_t, int32_t) override {
        Fail("SetDevConfig", __FILE__, __LINE__);
    }
    int32_t PtzControl(int32_t login, int32_t channel, uint32_t code, uint8_t p1, uint8_t p2,
                       uint8_t p3, int32_t stop) override {
        ++calls;
        last = {login, channel, code, p1, p2, p3, stop};
        return result;
    }

    int calls = 0;
    Call last{};
    int32_t result = 1;
};

class CountingFeedback final : public IPtzFeedback {
public:
    void BeginWaitCursor() override {
        FUZZ_CHECK(depth == 0);  // never nested
        ++depth;
        ++begins;
    }
    void EndWaitCursor() override {
        FUZZ_CHECK(depth == 1);
        --depth;
    }
    void SpeedChanged() override { ++speedChanges; }
    int depth = 0, begins = 0, speedChanges = 0;
};

uint8_t ExpectedParam2(int32_t s) { return static_cast<uint8_t>(((s & 0xFF) + 1) / 8); }

// Any int, but often one near the interesting edges or a screen-sized one.
int Coordinate(Input& in) {
    switch (in.Range(0, 3)) {
    case 0: return in.Range(-64, 64);
    case 1: return in.Range(-5000, 5000);
    case 2: return in.Range(-(1 << 20), 1 << 20);
    default: return in.Int<int>();
    }
}

// v + d, kept inside the int range.
int Near(int v, int d) {
    const int64_t r = int64_t{v} + d;
    return static_cast<int>(r < INT32_MIN ? INT32_MIN : r > INT32_MAX ? INT32_MAX : r);
}

void CheckJoystick(Input& in) {
    JoystickArea area;
    area.left = Coordinate(in);
    area.top = Coordinate(in);
    area.right = in.Bool() ? Near(area.left, in.Range(-3, 300)) : Coordinate(in);
    area.bottom = Coordinate(in);
    const int x = in.Bool() ? Near(area.left, in.Range(-400, 400)) : Coordinate(in);
    const int y = in.Bool() ? Near(area.top, in.Range(-400, 400)) : Coordinate(in);

    const JoystickStep untouched{0xDEADBEEFu, -12345};
    JoystickStep step = untouched;
    const bool sent = ComputeJoystickStep(area, x, y, step);
    const int64_t width = int64_t{area.right} - area.left;
    FUZZ_CHECK(sent == (width >= 2));
    if (!sent) {
        FUZZ_CHECK(step.nAction == untouched.nAction && step.nSpeed == untouched.nSpeed);
        return;
    }
    FUZZ_CHECK(step.nAction <= PTZ_RIGHT_DOWN);
    FUZZ_CHECK(step.nSpeed >= 0 && step.nSpeed <= 64);
    // The direction is the side of each centre line the cursor is on.
    const int64_t half = width / 2;
    const int64_t dx = int64_t{x} - (int64_t{area.left} + half);
    const int64_t dy = int64_t{y} - (int64_t{area.top} + half);
    const bool left = dx < 0, right = dx > 0, up = dy < 0, down = dy > 0;
    switch (step.nAction) {
    case PTZ_STOP: FUZZ_CHECK(dx == 0 && dy == 0 && step.nSpeed == 32); break;
    case PTZ_LEFT: FUZZ_CHECK(left && dy == 0); break;
    case PTZ_RIGHT: FUZZ_CHECK(right && dy == 0); break;
    case PTZ_UP: FUZZ_CHECK(up && dx == 0); break;
    case PTZ_DOWN: FUZZ_CHECK(down && dx == 0); break;
    case PTZ_LEFT_UP: FUZZ_CHECK(left && up); break;
    case PTZ_LEFT_DOWN: FUZZ_CHECK(left && down); break;
    case PTZ_RIGHT_UP: FUZZ_CHECK(right && up); break;
    case PTZ_RIGHT_DOWN: FUZZ_CHECK(right && down); break;
    default: FUZZ_CHECK(!"a joystick step is a move or the stop");
    }
    // Twice as far out never means slower.
    const int64_t farX = int64_t{x} + dx, farY = int64_t{y} + dy;
    if (farX >= INT32_MIN && farX <= INT32_MAX && farY >= INT32_MIN && farY <= INT32_MAX) {
        JoystickStep far = untouched;
        FUZZ_CHECK(ComputeJoystickStep(area, static_cast<int>(farX), static_cast<int>(farY), far));
        FUZZ_CHECK(far.nAction == step.nAction && far.nSpeed >= step.nSpeed);
    }
}

// A press (its kind and action, as a row of the panel's button table gives
// them) or the release.
struct ButtonEvent {
    bool bRelease;
    PtzButtonKind kind;
    uint32_t nAction;
};

ButtonEvent PickButton(Input& in) {
    using K = PtzButtonKind;
    static constexpr ButtonEvent kEvents[] = {
        {true, K::None, PTZ_STOP},
        {false, K::Send, PTZ_UP}, {false, K::Send, PTZ_DOWN}, {false, K::Send, PTZ_LEFT},
        {false, K::Send, PTZ_RIGHT}, {false, K::Send, PTZ_ZOOM_IN}, {false, K::Send, PTZ_ZOOM_OUT},
        {false, K::Send, PTZ_FOCUS_FAR}, {false, K::Send, PTZ_FOCUS_NEAR},
        {false, K::Send, PTZ_IRIS_LARGER}, {false, K::Send, PTZ_IRIS_SMALLER},
        {false, K::SpeedDown, PTZ_STOP}, {false, K::SpeedUp, PTZ_STOP}, {false, K::SpeedAuto, PTZ_STOP},
        {false, K::BusyOnly, PTZ_STOP}, {false, K::None, PTZ_STOP}};
    if (in.Range(0, 7) == 0)
        return {false, static_cast<K>(in.Range(0, static_cast<int>(K::SpeedAuto))), in.Int<uint32_t>()};
    return in.Pick(kEvents);
}

int32_t Speed(Input& in) {
    return in.Bool() ? in.Range(-2, 70) : in.Int<int32_t>();
}

// One command through the command set, checked against what it must send.
void CheckCommand(CPtzCommandSet& ptz, PtzOnlyLibrary& net, std::map<uint32_t, uint32_t>& codes,
                  int32_t login, int32_t channel, uint32_t action, int32_t speed) {
    const int before = net.calls;
    const int busy = ptz.IsBusy();
    const int32_t panelSpeed = ptz.Speed();
    net.result = static_cast<int32_t>(action * 7 + 3);
    const int r = ptz.SendPtzCommand(action, speed);
    if (login == 0 || action > PTZ_RIGHT_DOWN) {
        FUZZ_CHECK(r == 0 && net.calls == before);
        FUZZ_CHECK(ptz.IsBusy() == busy);
        return;
    }
    FUZZ_CHECK(net.calls == before + 1 && r == net.result);
    FUZZ_CHECK(ptz.IsBusy() == 0);
    const PtzOnlyLibrary::Call& c = net.last;
    FUZZ_CHECK(c.login == login && c.channel == channel);
    FUZZ_CHECK(c.p2 == ExpectedParam2(speed > 0 ? speed : panelSpeed));
    FUZZ_CHECK(c.p3 == 0);
    FUZZ_CHECK(c.stop == (action == PTZ_STOP ? 1 : 0));
    const bool diagonal = action >= PTZ_LEFT_UP;
    FUZZ_CHECK(c.p1 == (diagonal ? static_cast<uint8_t>(panelSpeed) : 0));
    // One device code per action, the same every time; only the stop shares
    // the upward move's code (told apart by the stop flag).
    auto [it, fresh] = codes.emplace(action, c.code);
    FUZZ_CHECK(it->second == c.code);
    if (fresh)
        for (const auto& [a, code] : codes)
            FUZZ_CHECK(a == action || code != c.code ||
                       (a == PTZ_STOP && action == PTZ_UP) || (a == PTZ_UP && action == PTZ_STOP));
}

}  // namespace
}  // namespace zv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zv;
    using namespace zv::fuzz;
    zv::fuzz::Input in(data, size);

    const int32_t s = in.Int<int32_t>();
    FUZZ_CHECK(PtzParam2(s) == ExpectedParam2(s) && PtzParam2(s) <= 32);

    PtzOnlyLibrary net;
    CountingFeedback feedback;
    CPtzCommandSet ptz(net, feedback);
    std::map<uint32_t, uint32_t> codes;
    int32_t login = 0, channel = 0;
    while (in.Remaining() > 0) {
        switch (in.Range(0, 6)) {
        case 0:
            login = in.Bool() ? in.Range(0, 3) : in.Int<int32_t>();
            channel = in.Int<int32_t>();
            ptz.SetTarget(login, channel);
            FUZZ_CHECK(ptz.LoginHandle() == login);
            break;
        case 1: {
            // The host's command: any int, as DVR_SetDomeCMD passes it.
            const uint32_t action = in.Bool() ? in.Range<uint32_t>(0, 16)
                                                     : in.Int<uint32_t>();
            CheckCommand(ptz, net, codes, login, channel, action, Speed(in));
            break;
        }
        case 2:
        case 3: {
            const ButtonEvent e = PickButton(in);
            const int before = net.calls, begins = feedback.begins;
            const int changes = feedback.speedChanges;
            const int busy = ptz.IsBusy();
            const int32_t speed = ptz.Speed();
            if (e.bRelease) ptz.OnButtonRelease();
            else ptz.OnButtonPress(e.kind, e.nAction);
            FUZZ_CHECK(feedback.depth == 0);
            if (!e.bRelease && (busy || e.kind == PtzButtonKind::None)) {
                // A press while busy is ignored altogether, as is one of a
                // button without a PTZ effect.
                FUZZ_CHECK(net.calls == before && feedback.begins == begins);
                FUZZ_CHECK(ptz.Speed() == speed);
                break;
            }
            FUZZ_CHECK(feedback.begins == begins + 1);
            FUZZ_CHECK(net.calls - before <= 1);
            if (e.bRelease && login != 0) {
                // A release always reaches the device as a stop.
                FUZZ_CHECK(net.calls == before + 1 && net.last.stop == 1 && net.last.login == login);
            }
            FUZZ_CHECK(ptz.IsBusy() == (net.calls == before ? 1 : 0));
            int32_t want = speed;
            const PtzButtonKind kind = e.bRelease ? PtzButtonKind::None : e.kind;
            if (kind == PtzButtonKind::SpeedDown) want = speed > 1 ? speed - 1 : 1;
            if (kind == PtzButtonKind::SpeedUp) want = speed < 63 ? speed + 1 : 63;
            if (kind == PtzButtonKind::SpeedAuto) want = 30;
            FUZZ_CHECK(ptz.Speed() == want);
            const bool speedButton = kind == PtzButtonKind::SpeedDown || kind == PtzButtonKind::SpeedUp ||
                                     kind == PtzButtonKind::SpeedAuto;
            FUZZ_CHECK(feedback.speedChanges == changes + (speedButton ? 1 : 0));
            if (kind == PtzButtonKind::BusyOnly) FUZZ_CHECK(net.calls == before);
            if (speedButton && login != 0 && e.nAction == PTZ_STOP) FUZZ_CHECK(net.last.stop == 1);
            break;
        }
        case 4: {
            const int before = net.calls, busy = ptz.IsBusy(), begins = feedback.begins;
            ptz.OnBusyOnlyClick();
            FUZZ_CHECK(net.calls == before && ptz.IsBusy() == 1);
            FUZZ_CHECK(feedback.begins == begins + (busy ? 0 : 1) && feedback.depth == 0);
            break;
        }
        default: CheckJoystick(in); break;
        }
        FUZZ_CHECK(ptz.Speed() >= CPtzCommandSet::kMinSpeed && ptz.Speed() <= CPtzCommandSet::kMaxSpeed);
    }
    return 0;
}
