// The device network library's interface as vortanet.dll exports it:
// stdcall functions, bound by ordinal (see vortanet.def). Every build of the
// library implements it, and Zentavo's binding imports it.
#pragma once

#include <windows.h>

#include <cstdint>

// Called when a device connection is lost, on a thread of the library's:
// (login handle, device address, an ignored value, the user value given to
// NetInit).
typedef void(WINAPI* VN_DISCONNECT_CALLBACK)(int32_t lLoginHandle, const char* pszAddress,
                                             int32_t nIgnored, uintptr_t dwUser);

#ifdef ZV_BUILDING_NETLIB
#define ZV_NETAPI extern "C"  // exported through the library's own .def
#else
#define ZV_NETAPI extern "C" __declspec(dllimport)
#endif

ZV_NETAPI int32_t WINAPI NetInit(VN_DISCONNECT_CALLBACK pfnDisconnect, uintptr_t dwUser);
ZV_NETAPI int32_t WINAPI NetCleanup();
ZV_NETAPI int32_t WINAPI NetLogin(const char* pszAddress, uint16_t wPort, const char* pszUser,
                                  const char* pszPassword, unsigned char* pDeviceInfo, int* pError);
ZV_NETAPI int32_t WINAPI NetLogout(int32_t lLoginHandle);
ZV_NETAPI int32_t WINAPI NetStartRealPlay(int32_t lLoginHandle, int32_t nChannel, HWND hWnd);
ZV_NETAPI int32_t WINAPI NetStopRealPlay(int32_t lPlayHandle);
ZV_NETAPI int32_t WINAPI NetOpenSound(int32_t lPlayHandle);
ZV_NETAPI int32_t WINAPI NetCloseSound();
ZV_NETAPI int32_t WINAPI NetPtzControl(int32_t lLoginHandle, int32_t nChannel, uint32_t dwCode,
                                       uint8_t param1, uint8_t param2, uint8_t param3,
                                       int32_t bStop);
ZV_NETAPI int32_t WINAPI NetGetDevConfig(int32_t lLoginHandle, int32_t nCommand, int32_t nChannel,
                                         void* pBuffer, int32_t nBufferSize, int32_t* pReturned,
                                         int32_t nWaitMs);
ZV_NETAPI int32_t WINAPI NetSetDevConfig(int32_t lLoginHandle, int32_t nCommand, int32_t nChannel,
                                         void* pBuffer, int32_t nBufferSize, int32_t nWaitMs);
