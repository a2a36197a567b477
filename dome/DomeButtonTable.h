// The dome panel's 24 bitmap buttons: control id, normal, pressed and hover
// images (no disabled image), whether the button reports press-and-hold, its
// tooltip, and what its press asks of the PTZ command set. Control and bitmap
// ids share numbers (6065 is both), so both are named.
#pragma once

#include "PtzCommandSet.h"
#include "resource.h"

namespace zv {

struct DomeButton {
    int id, normal, pressed, hover;
    bool bSendsHold;       // false: acts on its click alone
    const wchar_t* tip;    // null: no tooltip
    PtzButtonKind kind;
    uint32_t nAction;      // sent after the kind's speed change, if it sends
};

constexpr DomeButton kDomeButtons[24] = {
    {IDC_DOME_UP, IDB_UP_NORMAL, IDB_UP_PRESSED, IDB_UP_HOVER, true, nullptr,
     PtzButtonKind::Send, PTZ_UP},
    {IDC_DOME_DOWN, IDB_DOWN_NORMAL, IDB_DOWN_PRESSED, IDB_DOWN_HOVER, true, nullptr,
     PtzButtonKind::Send, PTZ_DOWN},
    {IDC_DOME_LEFT, IDB_LEFT_NORMAL, IDB_LEFT_PRESSED, IDB_LEFT_HOVER, true, nullptr,
     PtzButtonKind::Send, PTZ_LEFT},
    {IDC_DOME_RIGHT, IDB_RIGHT_NORMAL, IDB_RIGHT_PRESSED, IDB_RIGHT_HOVER, true, nullptr,
     PtzButtonKind::Send, PTZ_RIGHT},
    {IDC_DOME_MORE, IDB_MORE_NORMAL, IDB_MORE_PRESSED, IDB_MORE_HOVER, false, L"Dome Control Commands",
     PtzButtonKind::None, PTZ_STOP},
    {IDC_DOME_SETTING, IDB_SETTING_NORMAL, IDB_SETTING_PRESSED, IDB_SETTING_HOVER, true, L"Setting",
     PtzButtonKind::BusyOnly, PTZ_STOP},
    {IDC_DOME_IRIS_LARGER, IDB_PLUS_NORMAL, IDB_PLUS_PRESSED, IDB_PLUS_HOVER, true, L"Iris Larger",
     PtzButtonKind::Send, PTZ_IRIS_LARGER},
    {IDC_DOME_IRIS_SMALLER, IDB_MINUS_NORMAL, IDB_MINUS_PRESSED, IDB_MINUS_HOVER, true, L"Iris Smaller",
     PtzButtonKind::Send, PTZ_IRIS_SMALLER},
    {IDC_DOME_IRIS_AUTO, IDB_AUTO_NORMAL, IDB_AUTO_PRESSED, IDB_AUTO_HOVER, false, L"Auto Adjust Iris",
     PtzButtonKind::BusyOnly, PTZ_STOP},
    {IDC_DOME_FOCUS_NEAR, IDB_PLUS_NORMAL, IDB_PLUS_PRESSED, IDB_PLUS_HOVER, true, L"Focus Near",
     PtzButtonKind::Send, PTZ_FOCUS_NEAR},
    {IDC_DOME_FOCUS_FAR, IDB_MINUS_NORMAL, IDB_MINUS_PRESSED, IDB_MINUS_HOVER, true, L"Focus Far",
     PtzButtonKind::Send, PTZ_FOCUS_FAR},
    {IDC_DOME_FOCUS_AUTO, IDB_AUTO_NORMAL, IDB_AUTO_PRESSED, IDB_AUTO_HOVER, false, L"Auto Adjust Focus",
     PtzButtonKind::BusyOnly, PTZ_STOP},
    {IDC_DOME_ZOOM_IN, IDB_PLUS_NORMAL, IDB_PLUS_PRESSED, IDB_PLUS_HOVER, true, L"Zoom In",
     PtzButtonKind::Send, PTZ_ZOOM_IN},
    {IDC_DOME_ZOOM_OUT, IDB_MINUS_NORMAL, IDB_MINUS_PRESSED, IDB_MINUS_HOVER, true, L"Zoom Out",
     PtzButtonKind::Send, PTZ_ZOOM_OUT},
    {IDC_DOME_ZOOM_AUTO, IDB_AUTO_NORMAL, IDB_AUTO_PRESSED, IDB_AUTO_HOVER, false, L"Auto Adjust Zoom",
     PtzButtonKind::None, PTZ_STOP},
    {IDC_DOME_SPEED_DOWN, IDB_PLUS_NORMAL, IDB_PLUS_PRESSED, IDB_PLUS_HOVER, true, L"Speed Down",
     PtzButtonKind::SpeedDown, PTZ_STOP},
    {IDC_DOME_SPEED_UP, IDB_MINUS_NORMAL, IDB_MINUS_PRESSED, IDB_MINUS_HOVER, true, L"Speed Up",
     PtzButtonKind::SpeedUp, PTZ_STOP},
    {IDC_DOME_SPEED_AUTO, IDB_AUTO_NORMAL, IDB_AUTO_PRESSED, IDB_AUTO_HOVER, true, L"Auto Adjust Speed",
     PtzButtonKind::SpeedAuto, PTZ_STOP},
    {IDC_DOME_REFRESH, IDB_REFRESH_NORMAL, IDB_REFRESH_PRESSED, IDB_REFRESH_HOVER, false, nullptr,
     PtzButtonKind::None, PTZ_STOP},
    {IDC_DOME_POSITION, IDB_POSITION_NORMAL, IDB_POSITION_PRESSED, IDB_POSITION_HOVER, false, nullptr,
     PtzButtonKind::None, PTZ_STOP},
    {IDC_DOME_SERIAL, IDB_SERIAL_NORMAL, IDB_SERIAL_PRESSED, IDB_SERIAL_HOVER, false, nullptr,
     PtzButtonKind::None, PTZ_STOP},
    {IDC_DOME_EXIT, IDB_EXIT_NORMAL, IDB_EXIT_PRESSED, IDB_EXIT_HOVER, false, nullptr,
     PtzButtonKind::None, PTZ_STOP},
    {IDC_DOME_AUTO_MOVE_BEGIN, IDB_AUTO_NORMAL, IDB_AUTO_PRESSED, IDB_AUTO_HOVER, false, L"Auto Move Begin",
     PtzButtonKind::BusyOnly, PTZ_STOP},
    {IDC_DOME_AUTO_MOVE_STOP, IDB_AUTO_STOP_NORMAL, IDB_AUTO_STOP_PRESSED, IDB_AUTO_STOP_HOVER, false, L"Auto Move Stop",
     PtzButtonKind::BusyOnly, PTZ_STOP},
};

}  // namespace zv
