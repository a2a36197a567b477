// What the demo's tour may read of the sample host: where its controls are on
// the screen and what it believes about each tile. The tour asks for it with
// SendMessage (so the host fills it on its UI thread) and drives the host
// with real input only.
#pragma once

#include <windows.h>

#include "zentavo.h"

constexpr UINT WM_APP_TOUR_SNAPSHOT = WM_APP + 50;

struct HostSnapshot {
    struct TileView {
        bool playing = false;
        bool lost = false;
        bool audioOn = false;
        CAMERA_INFO camera{};
        RECT video{}, start{}, stop{}, audio{};  // screen coordinates
    };
    HWND main = nullptr;
    RECT domeButton{}, colourButton{};
    int selected = 0;
    int pendingCalls = 0;
    TileView tiles[4];
};
