// Control interface of the test build of the network library: every call is
// recorded with its arguments, results can be scripted per function, and the
// disconnect callback can be fired from a thread of the library's own.
#pragma once

#include <cstdint>

enum TestNetFn : int32_t {
    TN_INIT, TN_CLEANUP, TN_LOGIN, TN_LOGOUT, TN_START_REAL_PLAY, TN_STOP_REAL_PLAY,
    TN_OPEN_SOUND, TN_CLOSE_SOUND, TN_PTZ_CONTROL, TN_GET_DEV_CONFIG, TN_SET_DEV_CONFIG,
    TN_FN_COUNT
};

struct TestNetCall {
    int32_t fn;           // TestNetFn
    int32_t args[7];      // integer arguments in order (strings and buffers left out)
    char text[3][132];    // NetLogin: address, user, password
    int32_t result;
    uint32_t tick;        // GetTickCount() when the call came
};

using PFN_TestNet_Reset = void(__cdecl*)();
// Queues one result for the next call of fn; unqueued calls use the defaults
// (init 1, login 1000+n, play 5000+n, others 1, config 0).
using PFN_TestNet_Script = void(__cdecl*)(int32_t fn, int32_t result);
using PFN_TestNet_CallCount = int32_t(__cdecl*)();
using PFN_TestNet_GetCall = int32_t(__cdecl*)(int32_t index, TestNetCall* out);
// The block NetGetDevConfig hands out for a command (1: device block, 3:
// channel records): copied into the caller's buffer up to its size, with the
// size copied as the returned size. A command with a block answers 1 unless a
// result is scripted; without one, 0. size 0 forgets the block.
using PFN_TestNet_SetConfig = void(__cdecl*)(int32_t command, const void* data, int32_t size);
// The bytes of the last NetSetDevConfig (at most `size` of them into out);
// returns how many it wrote, 0 when there was none since the reset.
using PFN_TestNet_LastSetConfig = int32_t(__cdecl*)(void* out, int32_t size);
// Calls the registered disconnect callback on a new thread and waits for it;
// from then on NetPtzControl on that login fails, as a real library's would.
// Returns 0 when no callback was registered.
using PFN_TestNet_FireDisconnect = int32_t(__cdecl*)(int32_t login, const char* address);
