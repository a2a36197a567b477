// Host threads start, stop and query while a library thread fires disconnect
// notices. Run under TSan for races; the end state must agree with a model.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "CameraRecord.h"
#include "FakeNetLibrary.h"
#include "SessionManager.h"

namespace zv {
namespace {

constexpr int kHostThreads = 4;
constexpr int kDevices = 3;
constexpr auto kRunTime = std::chrono::milliseconds(1500);

CAMERA_INFO StressCamera(int thread, int device, int channel) {
    char address[32];
    std::snprintf(address, sizeof address, "127.0.0.%d", 2 + device);
    // Each thread owns its cameras: the window tells them apart.
    return test::CameraRecord(address, channel, static_cast<ZV_HWND>(0x1000 + thread), "admin", "");
}

TEST(SessionStress, ConcurrentHostsAndDisconnectsAgreeWithAModel) {
    test::FakeNetLibrary net;
    CSessionManager sm(net);
    std::atomic<bool> stop{false};
    std::atomic<long> operations{0};

    // Per thread: the cameras it believes are playing. A disconnect may remove
    // them behind its back, so the model is checked against "at most" and
    // then exactly after the final reconciliation below.
    std::vector<std::vector<CAMERA_INFO>> playing(kHostThreads);

    std::vector<std::thread> hosts;
    for (int t = 0; t < kHostThreads; ++t) {
        hosts.emplace_back([&, t] {
            std::mt19937 rng(1234 + t);
            while (!stop.load(std::memory_order_relaxed)) {
                CAMERA_INFO c = StressCamera(t, rng() % kDevices, rng() % 4);
                switch (rng() % 4) {
                    case 0:
                        if (sm.StartVideo(c) == 1) playing[t].push_back(c);
                        break;
                    case 1:
                        sm.StopVideo(c);
                        break;
                    case 2:
                        sm.GetConnectState(c);
                        break;
                    default:
                        c.nAudioState = rng() % 2;
                        sm.SetAudio(c);
                        break;
                }
                operations.fetch_add(1, std::memory_order_relaxed);
            }
        });
    }
    std::atomic<long> disconnects{0};
    std::thread library([&] {
        std::mt19937 rng(99);
        while (!stop.load(std::memory_order_relaxed)) {
            if (DisconnectFn callback = net.Callback()) {
                // Handles are handed out from 101 upwards; fire at recent ones.
                const int32_t handle = 101 + static_cast<int32_t>(rng() % 40);
                char address[32];
                std::snprintf(address, sizeof address, "127.0.0.%d", 2 + int(rng() % kDevices));
                callback(handle, address, 0, net.User());
                disconnects.fetch_add(1, std::memory_order_relaxed);
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });

    std::this_thread::sleep_for(kRunTime);
    stop = true;
    for (auto& h : hosts) h.join();
    library.join();
    EXPECT_GT(operations.load(), 1000);
    EXPECT_GT(disconnects.load(), 10);

    // Model: a play is live iff it was started and not yet stopped or
    // disconnected. Stop every camera each thread believes playing until the
    // manager has none left: the number of successful stops plus the plays
    // removed by disconnects must equal the successful starts.
    const size_t live = sm.PlayCount();
    size_t stopped = 0;
    for (int t = 0; t < kHostThreads; ++t)
        for (CAMERA_INFO& c : playing[t]) stopped += sm.StopVideo(c);
    EXPECT_EQ(stopped, live) << "every tracked play belongs to a camera some host started";
    EXPECT_EQ(sm.PlayCount(), 0u);

    // At most one login per device and user survives, and teardown logs out
    // exactly those.
    const size_t logins = sm.LoginCount();
    EXPECT_LE(logins, static_cast<size_t>(kDevices));
    net.ClearCalls();
    sm.Teardown();
    EXPECT_EQ(net.Count("StopRealPlay"), 0);
    EXPECT_EQ(net.Count("Logout"), static_cast<int>(logins));
    EXPECT_EQ(net.Count("Cleanup"), 1);
}

}  // namespace
}  // namespace zv
