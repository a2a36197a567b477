// Nothing grows with use: 10,000 live-play start/stop cycles and 1,000
// show/close cycles of each panel leave this process's private bytes, GDI
// objects, windows and threads where they were after a warm-up.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <vector>

#include "ModuleUnderTest.h"
#include "ProcessCounts.h"
#include "TestSupport.h"

namespace {

using zvtest::CountNow;
using zvtest::ProcessCounts;

// Allocators keep some freed memory; a leak of even 64 bytes a cycle shows
// far above this over the runs below.
constexpr size_t kPrivateBytesSlack = 512 * 1024;

class Leaks : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m.Load());
        host = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 0, 0, 352, 288, nullptr, nullptr,
                               nullptr, nullptr);
        cam = Camera("127.0.0.2", 1, host);
        ClearLog();
    }
    // Empties the test library's call log (which grows by design and is not
    // ours) and gives it a 4-channel device again, so that the colour panel
    // reads and writes for real.
    void ClearLog() {
        m.Reset();
        std::vector<unsigned char> device(212, 0), records(4 * 340, 0x40);
        device[181] = 4;
        m.SetConfig(1, device.data(), 212);
        m.SetConfig(3, records.data(), static_cast<int32_t>(records.size()));
    }
    void TearDown() override {
        FreeLibrary(m.dll);
        FreeLibrary(m.net);
        DestroyWindow(host);
    }
    // Runs `cycles` of `cycle` after `warmUp` of them and compares the counts.
    template <class Cycle>
    void ExpectFlat(const char* what, int warmUp, int cycles, Cycle cycle) {
        for (int i = 0; i < warmUp; ++i) cycle(i);
        PumpMessages();
        ClearLog();
        const ProcessCounts before = CountNow();
        const DWORD start = GetTickCount();
        for (int i = 0; i < cycles; ++i) {
            cycle(i);
            if (i % 10 == 9) ClearLog();  // the log stays within its warm-up size
        }
        PumpMessages();
        ClearLog();
        const ProcessCounts after = CountNow();
        const DWORD took = GetTickCount() - start;
        std::printf("  %s: %d cycles in %lu ms; private bytes %zu -> %zu, GDI %ld -> %ld, windows %d -> %d, "
                    "threads %d -> %d\n",
                    what, cycles, static_cast<unsigned long>(took), before.privateBytes, after.privateBytes,
                    before.gdi, after.gdi, before.windows, after.windows, before.threads, after.threads);
        EXPECT_LE(after.privateBytes, before.privateBytes + kPrivateBytesSlack) << what;
        if (before.gdi >= 0) {
            EXPECT_LE(after.gdi, before.gdi) << what;
        }
        EXPECT_EQ(after.windows, before.windows) << what;
        EXPECT_EQ(after.threads, before.threads) << what;
    }

    Module m;
    HWND host = nullptr;
    CAMERA_INFO cam{};
};

TEST_F(Leaks, StartAndStopTenThousandTimes) {
    ExpectFlat("start/stop", 200, 10000, [&](int) {
        ASSERT_EQ(m.StartVideo(&cam), 1);
        ASSERT_EQ(m.StopVideo(&cam), 1);
    });
}

TEST_F(Leaks, ShowAndCloseTheDomePanelAThousandTimes) {
    ASSERT_EQ(m.StartVideo(&cam), 1);  // the login the panels share
    ExpectFlat("dome panel", 20, 1000, [&](int i) {
        ASSERT_EQ(m.ShowCamera(&cam, 1, 400, 0), 1);
        if (i % 10 == 0) m.SetDomeCMD(0, PTZ_STOP, 0);
        ASSERT_EQ(m.FreeCamera(0), 1);
    });
}

TEST_F(Leaks, ShowAndCloseTheColorPanelAThousandTimes) {
    ASSERT_EQ(m.StartVideo(&cam), 1);
    ExpectFlat("colour panel", 20, 1000, [&](int) {
        ASSERT_EQ(m.ParamSet(&cam, 1, 400, 0), 1);
        ASSERT_EQ(m.ParamSet(&cam, 0, 400, 0), 1);  // replaces it, leaves none
    });
}

}  // namespace
