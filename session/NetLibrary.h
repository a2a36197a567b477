// Abstract view of the device network library, so that the session manager
// and the panels build and test without Windows. The Win32 binding to
// vortanet.dll (by ordinal) implements it; native tests use a fake.
#pragma once

#include <cstdint>

#include "Wire.h"
#include "zentavo.h"

namespace zv {

#ifdef _WIN32
#define ZV_STDCALL __stdcall
#else
#define ZV_STDCALL
#endif

// Called by the library when a device connection is lost, on a thread of its
// own: (login handle, device address, ignored value, user value given to Init).
using DisconnectFn = void(ZV_STDCALL*)(int32_t lLoginHandle, const char* pszAddress,
                                       int32_t nIgnored, uintptr_t dwUser);

// Every device login uses this port.
constexpr uint16_t DEFAULT_DEVICE_PORT = proto::kDevicePort;
// Every configuration call waits at most this long, in milliseconds.
constexpr int32_t CONFIG_WAIT_MS = 500;
// Size of the device-information block that a login fills.
constexpr int DEVICE_INFO_SIZE = static_cast<int>(proto::kDeviceInfoSize);

class INetLibrary {
public:
    virtual ~INetLibrary() = default;

    virtual int32_t Init(DisconnectFn pfnDisconnect, uintptr_t dwUser) = 0;
    virtual void Cleanup() = 0;
    virtual int32_t Login(const char* pszAddress, uint16_t wPort, const char* pszUser,
                          const char* pszPassword, unsigned char* pDeviceInfo, int* pError) = 0;
    virtual void Logout(int32_t lLoginHandle) = 0;
    virtual int32_t StartRealPlay(int32_t lLoginHandle, int32_t nChannel, ZV_HWND hWnd) = 0;
    virtual int32_t StopRealPlay(int32_t lPlayHandle) = 0;
    virtual int32_t OpenSound(int32_t lPlayHandle) = 0;
    virtual int32_t CloseSound() = 0;
    virtual int32_t PtzControl(int32_t lLoginHandle, int32_t nChannel, uint32_t dwCode,
                               uint8_t param1, uint8_t param2, uint8_t param3, int32_t bStop) = 0;
    virtual int32_t GetDevConfig(int32_t lLoginHandle, int32_t nCommand, int32_t nChannel,
                                 void* pBuffer, int32_t nBufferSize, int32_t* pReturned,
                                 int32_t nWaitMs) = 0;
    virtual void SetDevConfig(int32_t lLoginHandle, int32_t nCommand, int32_t nChannel,
                              void* pBuffer, int32_t nBufferSize, int32_t nWaitMs) = 0;
};

}  // namespace zv
