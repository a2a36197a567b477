#include "VortanetLibrary.h"

#include <type_traits>

#include "VortanetApi.h"

namespace zv {

static_assert(std::is_same<DisconnectFn, VN_DISCONNECT_CALLBACK>::value,
              "the session manager's notice must be the library's callback");

int32_t CVortanetLibrary::Init(DisconnectFn pfnDisconnect, uintptr_t dwUser) {
    return ::NetInit(pfnDisconnect, dwUser);
}

void CVortanetLibrary::Cleanup() { ::NetCleanup(); }

int32_t CVortanetLibrary::Login(const char* pszAddress, uint16_t wPort, const char* pszUser,
                                const char* pszPassword, unsigned char* pDeviceInfo, int* pError) {
    return ::NetLogin(pszAddress, wPort, pszUser, pszPassword, pDeviceInfo, pError);
}

void CVortanetLibrary::Logout(int32_t lLoginHandle) { ::NetLogout(lLoginHandle); }

int32_t CVortanetLibrary::StartRealPlay(int32_t lLoginHandle, int32_t nChannel, ZV_HWND hWnd) {
    return ::NetStartRealPlay(lLoginHandle, nChannel, hWnd);
}

int32_t CVortanetLibrary::StopRealPlay(int32_t lPlayHandle) { return ::NetStopRealPlay(lPlayHandle); }

int32_t CVortanetLibrary::OpenSound(int32_t lPlayHandle) { return ::NetOpenSound(lPlayHandle); }

int32_t CVortanetLibrary::CloseSound() { return ::NetCloseSound(); }

int32_t CVortanetLibrary::PtzControl(int32_t lLoginHandle, int32_t nChannel, uint32_t dwCode,
                                     uint8_t param1, uint8_t param2, uint8_t param3,
                                     int32_t bStop) {
    return ::NetPtzControl(lLoginHandle, nChannel, dwCode, param1, param2, param3, bStop);
}

int32_t CVortanetLibrary::GetDevConfig(int32_t lLoginHandle, int32_t nCommand, int32_t nChannel,
                                       void* pBuffer, int32_t nBufferSize, int32_t* pReturned,
                                       int32_t nWaitMs) {
    return ::NetGetDevConfig(lLoginHandle, nCommand, nChannel, pBuffer, nBufferSize, pReturned,
                             nWaitMs);
}

void CVortanetLibrary::SetDevConfig(int32_t lLoginHandle, int32_t nCommand, int32_t nChannel,
                                    void* pBuffer, int32_t nBufferSize, int32_t nWaitMs) {
    ::NetSetDevConfig(lLoginHandle, nCommand, nChannel, pBuffer, nBufferSize, nWaitMs);
}

}  // namespace zv
