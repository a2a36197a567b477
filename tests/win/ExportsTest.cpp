// The built Zentavo.dll as a host uses it: loaded with LoadLibrary, exports
// resolved by ordinal, driven against the test build of the network library.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "ModuleUnderTest.h"

namespace {

const char* const kExportNames[12] = {
    "DVR_AudioSet",   "DVR_CloseCamera", "DVR_FreeCamera", "DVR_GetAudioState",
    "DVR_GetConnectState", "DVR_InitCamera", "DVR_IsExistDome", "DVR_ParamSet",
    "DVR_SetDomeCMD", "DVR_ShowCamera", "DVR_StartVideo", "DVR_StopVideo"};

TEST(Exports, OrdinalsFollowTheAlphabeticalNames) {
    HMODULE dll = LoadLibraryA("Zentavo.dll");
    ASSERT_NE(dll, nullptr);
    for (int i = 0; i < 12; ++i) {
        FARPROC byName = GetProcAddress(dll, kExportNames[i]);
        ASSERT_NE(byName, nullptr) << kExportNames[i];
        EXPECT_EQ(byName, GetProcAddress(dll, MAKEINTRESOURCEA(i + 1))) << kExportNames[i];
    }
    EXPECT_EQ(GetProcAddress(dll, MAKEINTRESOURCEA(13)), nullptr);
    FreeLibrary(dll);
}

TEST(Exports, NullRecordsAreRefusedAndPanelCallsWithoutAPanelTouchNothing) {
    Module m;
    ASSERT_TRUE(m.Load());
    m.Reset();
    EXPECT_EQ(m.AudioSet(nullptr), 0);
    EXPECT_EQ(m.GetAudioState(nullptr), 0);
    EXPECT_EQ(m.GetConnectState(nullptr), 0);
    EXPECT_EQ(m.StartVideo(nullptr), 0);
    EXPECT_EQ(m.StopVideo(nullptr), 0);
    EXPECT_EQ(m.ParamSet(nullptr, 1, 0, 0), 0);
    EXPECT_EQ(m.ShowCamera(nullptr, 1, 0, 0), 0);
    EXPECT_EQ(m.FreeCamera(0), 1);
    EXPECT_EQ(m.CloseCamera(0), 1);
    EXPECT_EQ(m.SetDomeCMD(0, 2, 0), 0);
    EXPECT_EQ(m.IsExistDome(0), 0);
    EXPECT_EQ(m.CallCount(), 0);
    FreeLibrary(m.dll);
    FreeLibrary(m.net);
}

// start -> audio -> disconnect -> start -> unload, checking what reached the library.
TEST(Exports, LiveVideoScenarioAgainstTheTestLibrary) {
    Module m;
    ASSERT_TRUE(m.Load());
    m.Reset();
    HWND wnd1 = reinterpret_cast<HWND>(0x111), wnd2 = reinterpret_cast<HWND>(0x222);
    CAMERA_INFO a = Camera("127.0.0.2", 0, wnd1);
    CAMERA_INFO b = Camera("127.0.0.2", 1, wnd2);
    CAMERA_INFO c = Camera("127.0.0.3", 0, wnd1);
    const CAMERA_INFO hostA = a;

    // A failed init is reported as -5 and retried at the next start.
    m.Script(TN_INIT, 0);
    EXPECT_EQ(m.StartVideo(&a), 0);
    EXPECT_EQ(a.lPlayHandle, ZV_STATUS_NETINIT_FAILED);

    ASSERT_EQ(m.StartVideo(&a), 1);
    ASSERT_EQ(m.StartVideo(&b), 1);
    ASSERT_EQ(m.StartVideo(&c), 1);
    EXPECT_EQ(a.nConnectState, 1);
    EXPECT_EQ(a.lLoginHandle, b.lLoginHandle);
    EXPECT_NE(a.lLoginHandle, c.lLoginHandle);
    EXPECT_EQ(m.GetConnectState(&a), 1);

    a.nAudioState = 1;
    EXPECT_EQ(m.AudioSet(&a), 1);
    EXPECT_EQ(m.GetAudioState(&a), 1);
    a.nAudioState = 0;
    EXPECT_EQ(m.AudioSet(&a), 1);

    // The library loses device 127.0.0.2 on a thread of its own.
    ASSERT_EQ(m.FireDisconnect(a.lLoginHandle, "127.0.0.2"), 1);
    EXPECT_EQ(m.GetConnectState(&a), 0);
    EXPECT_EQ(m.GetConnectState(&b), 0);
    EXPECT_EQ(m.GetConnectState(&c), 1);

    // A new start logs in afresh.
    ASSERT_EQ(m.StartVideo(&a), 1);
    EXPECT_EQ(m.GetConnectState(&a), 1);
    EXPECT_EQ(std::memcmp(a.abHostArea, hostA.abHostArea, 192), 0);

    std::vector<TestNetCall> calls = m.Calls();
    const std::vector<int32_t> expected = {
        TN_INIT, TN_INIT,
        TN_LOGIN, TN_START_REAL_PLAY, TN_START_REAL_PLAY,
        TN_LOGIN, TN_START_REAL_PLAY,
        TN_OPEN_SOUND, TN_CLOSE_SOUND,
        TN_LOGIN, TN_START_REAL_PLAY};
    ASSERT_EQ(Fns(calls), expected);
    const TestNetCall& login = calls[2];
    EXPECT_STREQ(login.text[0], "127.0.0.2");
    EXPECT_STREQ(login.text[1], "admin");
    EXPECT_STREQ(login.text[2], "secret");
    EXPECT_EQ(login.args[0], 37777);
    EXPECT_EQ(login.args[1], 1) << "device-information block passed";
    EXPECT_EQ(login.args[2], 0) << "error out value preset to 0";
    EXPECT_EQ(calls[3].args[0], login.result);
    EXPECT_EQ(calls[3].args[1], 0);
    EXPECT_EQ(calls[3].args[2], 0x111);
    EXPECT_EQ(calls[7].args[0], calls[3].result) << "sound opened on the stored play handle";

    // Unload: every remaining play stopped, then every login logged out, then cleanup.
    const int before = m.CallCount();
    ASSERT_TRUE(FreeLibrary(m.dll));
    EXPECT_EQ(GetModuleHandleA("Zentavo.dll"), nullptr);
    calls = m.Calls();
    std::vector<int32_t> tail;
    for (size_t i = before; i < calls.size(); ++i) tail.push_back(calls[i].fn);
    // Plays left: c and the restarted a; logins: 127.0.0.3 and the fresh 127.0.0.2.
    EXPECT_EQ(tail, (std::vector<int32_t>{TN_STOP_REAL_PLAY, TN_STOP_REAL_PLAY, TN_LOGOUT,
                                          TN_LOGOUT, TN_CLEANUP}));
    FreeLibrary(m.net);
}

}  // namespace
