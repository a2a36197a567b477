// The stops owed by panels gone: one per camera, sent only on a login of
// their own device and user, kept while the device does not take them.
#include <gtest/gtest.h>

#include <cstring>

#include "FakeNetLibrary.h"
#include "OwedStops.h"

namespace zv {
namespace {

CAMERA_INFO Cam(const char* address, const char* user, int32_t channel) {
    CAMERA_INFO c{};
    std::strncpy(c.szDeviceAddress, address, sizeof c.szDeviceAddress - 1);
    std::strncpy(c.szUserName, user, sizeof c.szUserName - 1);
    c.nChannel = channel;
    return c;
}

TEST(OwedStops, SentOnceOnTheirOwnDeviceAndKeptUntilTheyGetThrough) {
    test::FakeNetLibrary net;
    COwedStops owed(net);
    EXPECT_TRUE(owed.Empty());
    owed.Keep(Cam("10.0.0.1", "admin", 0), 16);
    owed.Keep(Cam("10.0.0.1", "admin", 0), 40);  // the same camera: the newer speed
    owed.Keep(Cam("10.0.0.1", "admin", 2), 8);
    owed.Keep(Cam("10.0.0.1", "guest", 0), 8);
    owed.Keep(Cam("10.0.0.2", "admin", 0), 8);

    // PtzControl login channel code p1 p2 p3 stop; param2 = (speed + 1) / 8.
    const struct {
        const char* address;
        const char* user;
        int32_t login;
        bool bDeviceTakesThem;
        std::vector<std::string> calls;
    } rounds[] = {
        {"10.0.0.9", "admin", 5, true, {}},
        {"10.0.0.1", "admin", 7, false, {"PtzControl 7 0 0 0 5 0 1", "PtzControl 7 2 0 0 1 0 1"}},
        {"10.0.0.1", "admin", 8, true, {"PtzControl 8 0 0 0 5 0 1", "PtzControl 8 2 0 0 1 0 1"}},
        {"10.0.0.1", "admin", 9, true, {}},
        {"10.0.0.1", "guest", 9, true, {"PtzControl 9 0 0 0 1 0 1"}},
    };
    for (const auto& r : rounds) {
        if (!r.bDeviceTakesThem) net.Script("PtzControl", {0, 0});
        owed.SendOn(r.address, r.user, r.login);
        EXPECT_EQ(net.Calls(), r.calls) << r.address << " " << r.user << " on " << r.login;
        net.ClearCalls();
    }
    EXPECT_FALSE(owed.Empty()) << "10.0.0.2's is still owed";
    owed.Clear();
    EXPECT_TRUE(owed.Empty());
}

}  // namespace
}  // namespace zv
