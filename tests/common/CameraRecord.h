// The camera record every test builds: address, channel, window, user and
// password, and a recognisable host area (which the module must hand back
// untouched).
#pragma once

#include <cstdio>
#include <cstring>

#include "zentavo.h"

namespace zv::test {

inline unsigned char HostAreaByte(int i) { return static_cast<unsigned char>(i * 7 + 3); }

inline CAMERA_INFO CameraRecord(const char* address, int channel, ZV_HWND window,
                                const char* user = "admin", const char* password = "admin") {
    CAMERA_INFO c;
    std::memset(&c, 0, sizeof c);
    for (int i = 0; i < 192; ++i) c.abHostArea[i] = HostAreaByte(i);
    std::snprintf(c.szDeviceAddress, sizeof c.szDeviceAddress, "%s", address);
    std::snprintf(c.szUserName, sizeof c.szUserName, "%s", user);
    std::snprintf(c.szPassword, sizeof c.szPassword, "%s", password);
    c.nChannel = channel;
    c.hVideoWnd = ZV_HwndToRecord(window);
    return c;
}

}  // namespace zv::test
