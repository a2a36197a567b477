// A host process ends promptly whatever its other threads were doing inside
// the module when main returned.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "E2eSupport.h"

namespace {

using namespace e2e;

// Runs zv_exit_probe once; the time from main's return to the process's
// end, or -1 when that took over 15 s (then it is killed). How long the probe
// took to get there is not counted: a loaded machine starts processes slowly.
long RunProbe(const std::string& mode, const char* address, DWORD* exitCode) {
    static int run = 0;
    const std::string event = "zv_exit_probe_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++run);
    HANDLE exiting = CreateEventA(nullptr, TRUE, FALSE, event.c_str());
    std::string line = "zv_exit_probe.exe " + mode + " " + address + " " + event;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!exiting || !CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::printf("  %s: the probe could not be started (error %lu)\n", mode.c_str(), GetLastError());
        if (exiting) CloseHandle(exiting);
        return -2;
    }
    HANDLE both[2] = {exiting, pi.hProcess};
    WaitForMultipleObjects(2, both, FALSE, 60000);  // main returning (or the probe failing early)
    const DWORD start = GetTickCount();
    CloseHandle(exiting);
    long took = -1;
    if (WaitForSingleObject(pi.hProcess, 15000) == WAIT_OBJECT_0) {
        took = long(GetTickCount() - start);
        GetExitCodeProcess(pi.hProcess, exitCode);
    } else {
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return took;
}

void ExpectPromptExits(const std::string& mode, const char* address, int runs) {
    long worst = 0;
    for (int i = 0; i < runs; ++i) {
        DWORD code = 0xFFFF;
        const long took = RunProbe(mode, address, &code);
        ASSERT_GE(took, 0) << mode << ": run " << i << " did not end within 15 s";
        EXPECT_EQ(code, 0u) << mode << ": run " << i;
        worst = std::max(worst, took);
    }
    EXPECT_LT(worst, 5000) << mode;
    std::printf("  %s: main returned -> process ended, worst of %d runs: %ld ms\n", mode.c_str(), runs, worst);
    ::testing::Test::RecordProperty(mode + "_worst_exit_ms", int(worst));
}

// The system closed the ended processes' sockets. Under Wine the Unix side of
// an ended process now and then lingers a few seconds with its descriptors.
void ExpectDeviceSeesEveryConnectionEnd(CDevsim& devsim) {
    const std::string counters = std::string("counters ") + kDeviceB;
    EXPECT_GE(WaitFor(12000, [&] { return devsim.Field(counters, "sessions") == 0; }), 0)
        << devsim.Command(counters);
}

TEST(ProcessExit, EndsWhileAThreadIsInsideASlowLogin) {
    CDevsim* devsim = SharedDevsim();
    ASSERT_NE(devsim, nullptr);
    ASSERT_EQ(devsim->Command(std::string("delay-login ") + kDeviceB + " 4000"), "OK");
    ExpectPromptExits("login", kDeviceB, 20);
    devsim->Command(std::string("delay-login ") + kDeviceB + " 0");
    ExpectDeviceSeesEveryConnectionEnd(*devsim);
}

TEST(ProcessExit, EndsWhileThreadsPollTheConnectionState) {
    CDevsim* devsim = SharedDevsim();
    ASSERT_NE(devsim, nullptr);
    ExpectPromptExits("poll", kDeviceB, 20);
    ExpectDeviceSeesEveryConnectionEnd(*devsim);
}

}  // namespace
