// INetLibrary over the real vortanet.dll, imported by ordinal.
#pragma once

#include "NetLibrary.h"

namespace zv {

class CVortanetLibrary final : public INetLibrary {
public:
    int32_t Init(DisconnectFn pfnDisconnect, uintptr_t dwUser) override;
    void Cleanup() override;
    int32_t Login(const char* pszAddress, uint16_t wPort, const char* pszUser,
                  const char* pszPassword, unsigned char* pDeviceInfo, int* pError) override;
    void Logout(int32_t lLoginHandle) override;
    int32_t StartRealPlay(int32_t lLoginHandle, int32_t nChannel, ZV_HWND hWnd) override;
    int32_t StopRealPlay(int32_t lPlayHandle) override;
    int32_t OpenSound(int32_t lPlayHandle) override;
    int32_t CloseSound() override;
    int32_t PtzControl(int32_t lLoginHandle, int32_t nChannel, uint32_t dwCode, uint8_t param1,
                       uint8_t param2, uint8_t param3, int32_t bStop) override;
    int32_t GetDevConfig(int32_t lLoginHandle, int32_t nCommand, int32_t nChannel, void* pBuffer,
                         int32_t nBufferSize, int32_t* pReturned, int32_t nWaitMs) override;
    void SetDevConfig(int32_t lLoginHandle, int32_t nCommand, int32_t nChannel, void* pBuffer,
                      int32_t nBufferSize, int32_t nWaitMs) override;
};

}  // namespace zv
