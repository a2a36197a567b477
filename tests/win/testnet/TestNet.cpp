#define ZV_BUILDING_NETLIB
#include "TestNet.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "VortanetApi.h"

namespace {

std::mutex g_mutex;
std::vector<TestNetCall> g_calls;
std::deque<int32_t> g_script[TN_FN_COUNT];
VN_DISCONNECT_CALLBACK g_callback = nullptr;
uintptr_t g_user = 0;
int32_t g_nextLogin = 1000;
int32_t g_nextPlay = 5000;
std::map<int32_t, std::vector<uint8_t>> g_configs;  // by command
std::vector<uint8_t> g_lastSet;
std::set<int32_t> g_lostLogins;  // logins whose loss was reported: they work no more

int32_t DefaultResult(int32_t fn) {
    switch (fn) {
        case TN_LOGIN: return ++g_nextLogin;
        case TN_START_REAL_PLAY: return ++g_nextPlay;
        case TN_GET_DEV_CONFIG: return 0;
        default: return 1;
    }
}

void CopyText(char (&dst)[132], const char* src) {
    std::memset(dst, 0, sizeof dst);
    if (src) std::strncpy(dst, src, sizeof dst - 1);
}

// One call: its arguments and its result (scripted, or the default; always 0
// when bFail).
int32_t Record(int32_t fn, std::initializer_list<int32_t> args, const char* t0 = nullptr,
               const char* t1 = nullptr, const char* t2 = nullptr, bool bFail = false) {
    std::lock_guard<std::mutex> lock(g_mutex);
    TestNetCall call{};
    call.fn = fn;
    call.tick = GetTickCount();
    int i = 0;
    for (int32_t a : args) call.args[i++] = a;
    CopyText(call.text[0], t0);
    CopyText(call.text[1], t1);
    CopyText(call.text[2], t2);
    if (bFail) {
        call.result = 0;
    } else if (!g_script[fn].empty()) {
        call.result = g_script[fn].front();
        g_script[fn].pop_front();
    } else if (fn == TN_GET_DEV_CONFIG) {
        call.result = g_configs.count(call.args[1]) ? 1 : 0;
    } else {
        call.result = DefaultResult(fn);
    }
    g_calls.push_back(call);
    return call.result;
}

}  // namespace

extern "C" {

void __cdecl TestNet_Reset() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_calls.clear();
    for (auto& q : g_script) q.clear();
    g_nextLogin = 1000;
    g_nextPlay = 5000;
    g_configs.clear();
    g_lastSet.clear();
    g_lostLogins.clear();
}

void __cdecl TestNet_SetConfig(int32_t command, const void* data, int32_t size) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (size <= 0 || !data) {
        g_configs.erase(command);
        return;
    }
    const auto* p = static_cast<const uint8_t*>(data);
    g_configs[command].assign(p, p + size);
}

int32_t __cdecl TestNet_LastSetConfig(void* out, int32_t size) {
    std::lock_guard<std::mutex> lock(g_mutex);
    const int32_t n = std::min<int32_t>(size, static_cast<int32_t>(g_lastSet.size()));
    if (out && n > 0) std::memcpy(out, g_lastSet.data(), n);
    return n;
}

void __cdecl TestNet_Script(int32_t fn, int32_t result) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (fn >= 0 && fn < TN_FN_COUNT) g_script[fn].push_back(result);
}

int32_t __cdecl TestNet_CallCount() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return static_cast<int32_t>(g_calls.size());
}

int32_t __cdecl TestNet_GetCall(int32_t index, TestNetCall* out) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (index < 0 || index >= static_cast<int32_t>(g_calls.size()) || !out) return 0;
    *out = g_calls[index];
    return 1;
}

int32_t __cdecl TestNet_FireDisconnect(int32_t login, const char* address) {
    VN_DISCONNECT_CALLBACK callback;
    uintptr_t user;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        callback = g_callback;
        user = g_user;
    }
    if (!callback) return 0;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_lostLogins.insert(login);
    }
    std::string text(address ? address : "");
    std::thread t([=] { callback(login, text.c_str(), 37777, user); });
    t.join();
    return 1;
}

}  // extern "C"

int32_t WINAPI NetInit(VN_DISCONNECT_CALLBACK pfnDisconnect, uintptr_t dwUser) {
    int32_t r = Record(TN_INIT, {static_cast<int32_t>(dwUser != 0)});
    if (r) {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_callback = pfnDisconnect;
        g_user = dwUser;
    }
    return r;
}

int32_t WINAPI NetCleanup() {
    int32_t r = Record(TN_CLEANUP, {});
    std::lock_guard<std::mutex> lock(g_mutex);
    g_callback = nullptr;
    g_user = 0;
    return r;
}

int32_t WINAPI NetLogin(const char* pszAddress, uint16_t wPort, const char* pszUser,
                        const char* pszPassword, unsigned char* pDeviceInfo, int* pError) {
    return Record(TN_LOGIN, {wPort, pDeviceInfo != nullptr, pError ? *pError : -1}, pszAddress,
                  pszUser, pszPassword);
}

int32_t WINAPI NetLogout(int32_t lLoginHandle) { return Record(TN_LOGOUT, {lLoginHandle}); }

int32_t WINAPI NetStartRealPlay(int32_t lLoginHandle, int32_t nChannel, HWND hWnd) {
    return Record(TN_START_REAL_PLAY,
                  {lLoginHandle, nChannel, static_cast<int32_t>(reinterpret_cast<uintptr_t>(hWnd))});
}

int32_t WINAPI NetStopRealPlay(int32_t lPlayHandle) {
    return Record(TN_STOP_REAL_PLAY, {lPlayHandle});
}

int32_t WINAPI NetOpenSound(int32_t lPlayHandle) { return Record(TN_OPEN_SOUND, {lPlayHandle}); }

int32_t WINAPI NetCloseSound() { return Record(TN_CLOSE_SOUND, {}); }

int32_t WINAPI NetPtzControl(int32_t lLoginHandle, int32_t nChannel, uint32_t dwCode,
                             uint8_t param1, uint8_t param2, uint8_t param3, int32_t bStop) {
    bool lost;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        lost = g_lostLogins.count(lLoginHandle) != 0;
    }
    // Like a real library, a lost login refuses.
    return Record(TN_PTZ_CONTROL, {lLoginHandle, nChannel, static_cast<int32_t>(dwCode), param1,
                                   param2, param3, bStop}, nullptr, nullptr, nullptr, lost);
}

int32_t WINAPI NetGetDevConfig(int32_t lLoginHandle, int32_t nCommand, int32_t nChannel,
                               void* pBuffer, int32_t nBufferSize, int32_t* pReturned, int32_t nWaitMs) {
    if (pReturned) *pReturned = 0;
    const int32_t r = Record(TN_GET_DEV_CONFIG, {lLoginHandle, nCommand, nChannel, nBufferSize, nWaitMs});
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_configs.find(nCommand);
    if (r && it != g_configs.end() && pBuffer && nBufferSize > 0) {
        const int32_t n = std::min<int32_t>(nBufferSize, static_cast<int32_t>(it->second.size()));
        std::memcpy(pBuffer, it->second.data(), n);
        if (pReturned) *pReturned = n;
    }
    return r;
}

int32_t WINAPI NetSetDevConfig(int32_t lLoginHandle, int32_t nCommand, int32_t nChannel, void* pBuffer,
                               int32_t nBufferSize, int32_t nWaitMs) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        const auto* p = static_cast<const uint8_t*>(pBuffer);
        if (p && nBufferSize > 0) g_lastSet.assign(p, p + nBufferSize);
        else g_lastSet.clear();
    }
    return Record(TN_SET_DEV_CONFIG, {lLoginHandle, nCommand, nChannel, nBufferSize, nWaitMs});
}
