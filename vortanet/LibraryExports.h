// What each build of the network library (device protocol, web services)
// supplies behind the one set of exports in LibraryExports.cpp: its library
// object, made in place when the DLL loads.
#pragma once

#include <windows.h>

#include <cstdint>
#include <new>

#include "VortanetApi.h"
#include "VortanetStats.h"

namespace vn {

// The exports' calls, one for one; none of them may let an exception out
// (the exports catch, but only to turn it into a failure).
class ILibrary {
public:
    virtual ~ILibrary() = default;
    virtual int32_t Init(VN_DISCONNECT_CALLBACK callback, uintptr_t user) = 0;
    virtual void Cleanup() = 0;
    virtual int32_t Login(const char* address, uint16_t port, const char* user, const char* password,
                          unsigned char* info, int* error) = 0;
    virtual int32_t Logout(int32_t login) = 0;
    virtual int32_t StartRealPlay(int32_t login, int32_t channel, HWND hWnd) = 0;
    virtual int32_t StopRealPlay(int32_t play) = 0;
    virtual int32_t OpenSound(int32_t play) = 0;
    virtual int32_t CloseSound() = 0;
    virtual int32_t PtzControl(int32_t login, int32_t channel, uint32_t code, uint8_t p1, uint8_t p2,
                               uint8_t p3, int32_t stop) = 0;
    virtual int32_t GetDevConfig(int32_t login, int32_t command, int32_t channel, void* buffer,
                                 int32_t size, int32_t* returned, int32_t waitMs) = 0;
    virtual int32_t SetDevConfig(int32_t login, int32_t command, int32_t channel, void* buffer,
                                 int32_t size, int32_t waitMs) = 0;
    virtual int GetPlayStats(int32_t play, VN_PLAY_STATS* out) = 0;
};

// Defined by each build: its library, made at DLL_PROCESS_ATTACH (with
// MakeInPlace) and ended by DllMain on FreeLibrary only.
ILibrary* MakeLibrary();

// Static storage rather than the heap: nothing to free at process exit,
// where the destructor must not run (see DllMain).
template <class T>
ILibrary* MakeInPlace() {
    alignas(T) static unsigned char storage[sizeof(T)];
    return new (storage) T;
}

}  // namespace vn
