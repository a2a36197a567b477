// The network library's exports, the same in both of its builds: each a
// call on the build's library object behind an exception firewall (the
// host is C and stdcall; nothing may unwind into it).
#define ZV_BUILDING_NETLIB
#include "LibraryExports.h"

namespace {

vn::ILibrary* g_pLibrary = nullptr;

}  // namespace

// At process exit (pReserved set) the system has already ended our threads,
// which may have held our locks: that path must neither wait nor close
// anything, so the library is left as it is. FreeLibrary reaches the
// destructor only once the last of our threads has left.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD dwReason, LPVOID pReserved) {
    if (dwReason == DLL_PROCESS_ATTACH) {
        try {
            g_pLibrary = vn::MakeLibrary();
        } catch (...) {
            return FALSE;
        }
    } else if (dwReason == DLL_PROCESS_DETACH && g_pLibrary) {
        if (pReserved == nullptr) g_pLibrary->~ILibrary();
        g_pLibrary = nullptr;
    }
    return TRUE;
}

namespace {

// Every export runs between a successful DLL_PROCESS_ATTACH and the detach.
vn::ILibrary& Library() { return *g_pLibrary; }

}  // namespace

int32_t WINAPI NetInit(VN_DISCONNECT_CALLBACK pfnDisconnect, uintptr_t dwUser) {
    try { return Library().Init(pfnDisconnect, dwUser); } catch (...) { return 0; }
}
int32_t WINAPI NetCleanup() {
    try { Library().Cleanup(); } catch (...) {}
    return 1;
}
int32_t WINAPI NetLogin(const char* pszAddress, uint16_t wPort, const char* pszUser,
                        const char* pszPassword, unsigned char* pDeviceInfo, int* pError) {
    try { return Library().Login(pszAddress, wPort, pszUser, pszPassword, pDeviceInfo, pError); } catch (...) { return 0; }
}
int32_t WINAPI NetLogout(int32_t lLoginHandle) {
    try { return Library().Logout(lLoginHandle); } catch (...) { return 0; }
}
int32_t WINAPI NetStartRealPlay(int32_t lLoginHandle, int32_t nChannel, HWND hWnd) {
    try { return Library().StartRealPlay(lLoginHandle, nChannel, hWnd); } catch (...) { return 0; }
}
int32_t WINAPI NetStopRealPlay(int32_t lPlayHandle) {
    try { return Library().StopRealPlay(lPlayHandle); } catch (...) { return 0; }
}
int32_t WINAPI NetOpenSound(int32_t lPlayHandle) {
    try { return Library().OpenSound(lPlayHandle); } catch (...) { return 0; }
}
int32_t WINAPI NetCloseSound() {
    try { return Library().CloseSound(); } catch (...) { return 0; }
}
int32_t WINAPI NetPtzControl(int32_t lLoginHandle, int32_t nChannel, uint32_t dwCode,
                             uint8_t param1, uint8_t param2, uint8_t param3, int32_t bStop) {
    try { return Library().PtzControl(lLoginHandle, nChannel, dwCode, param1, param2, param3, bStop); } catch (...) { return 0; }
}
int32_t WINAPI NetGetDevConfig(int32_t lLoginHandle, int32_t nCommand, int32_t nChannel,
                               void* pBuffer, int32_t nBufferSize, int32_t* pReturned,
                               int32_t nWaitMs) {
    try { return Library().GetDevConfig(lLoginHandle, nCommand, nChannel, pBuffer, nBufferSize, pReturned, nWaitMs); } catch (...) { return 0; }
}
int32_t WINAPI NetSetDevConfig(int32_t lLoginHandle, int32_t nCommand, int32_t nChannel,
                               void* pBuffer, int32_t nBufferSize, int32_t nWaitMs) {
    try { return Library().SetDevConfig(lLoginHandle, nCommand, nChannel, pBuffer, nBufferSize, nWaitMs); } catch (...) { return 0; }
}
extern "C" int __cdecl NetGetPlayStats(int32_t lPlayHandle, VN_PLAY_STATS* out) {
    try { return Library().GetPlayStats(lPlayHandle, out); } catch (...) { return 0; }
}
