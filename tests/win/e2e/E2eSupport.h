// Shared by the end-to-end tests: devsim.exe under control, a message pump,
// plain camera windows and pixel reads from the screen.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "zentavo.h"

namespace e2e {

// The two simulated devices: 127.0.0.12 and 127.0.0.13, or the two addresses
// in ZV_E2E_DEVICES ("A B"), so that two checkouts can run side by side.
extern const char* const kDeviceA;
extern const char* const kDeviceB;

using PFN_Camera = int(__cdecl*)(CAMERA_INFO*);
using PFN_Panel = int(__cdecl*)(CAMERA_INFO*, int, int, int);
using PFN_SetDomeCMD = int(__cdecl*)(int, int, int);
using PFN_Int = int(__cdecl*)(int);

template <class T>
T Proc(HMODULE m, const char* nameOrOrdinal) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(m, nameOrOrdinal)));
}

// Runs the host's message loop for a while: the library draws from its own
// threads, but windows still need their messages.
void Pump(DWORD ms);

// Polls cond, pumping messages, for at most ms; returns the time it took or -1.
template <class Cond>
long WaitFor(DWORD ms, Cond cond) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        if (cond()) return long(GetTickCount() - start);
        Pump(20);
    }
    return cond() ? long(GetTickCount() - start) : -1;
}

// devsim.exe beside the test, with its control port.
class CDevsim {
public:
    bool Start();
    void Stop();
    // One control command and its reply line.
    std::string Command(const std::string& text);
    // A numeric field ("key=value") of a control reply.
    double Field(const std::string& command, const std::string& key);

private:
    PROCESS_INFORMATION m_pi{};
    uint16_t m_port = 0;
};

// The test program's one devsim.exe (devices kDeviceA and kDeviceB, four
// channels each, users admin:admin and guest:guest), started on first use;
// null if it did not come up.
CDevsim* SharedDevsim();

// A plain 352 x 288 top-level window at (x, y) for a live picture.
HWND CameraWindow(int x, int y);

// The window's pixels as the screen shows them (every other pixel).
std::vector<COLORREF> Grab(HWND wnd, RECT part);
int Differing(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b);
double MeanLevel(const std::vector<COLORREF>& px);

CAMERA_INFO Camera(const char* address, int channel, HWND wnd, const char* user = "admin",
                   const char* password = "admin");

// Real input through the system's queue, as a user's mouse gives it.
void MouseTo(POINT pt);
void MouseButton(bool down);
POINT CentreOf(HWND hWnd);
// The text of a dialog's control.
std::string EditText(HWND dialog, int id);

}  // namespace e2e
