// A host that returns from main while another of its threads is inside the
// module. By then the system has ended that thread, wherever it was; the
// process must end all the same.
//   zv_exit_probe login ADDR EVENT   one thread is in DVR_StartVideo (a slow login)
//   zv_exit_probe poll ADDR EVENT    a live play, and two threads polling its state
// EVENT (a named event) is set just before main returns, so that the caller
// can time the exit alone.
#include <windows.h>

#include <cstring>

#include "zentavo.h"

namespace {

using PFN_Camera = int(__cdecl*)(CAMERA_INFO*);
PFN_Camera g_startVideo;
PFN_Camera g_getConnectState;
CAMERA_INFO g_camera;
volatile LONG g_entered;

DWORD WINAPI StartThread(LPVOID) {
    CAMERA_INFO camera = g_camera;
    InterlockedIncrement(&g_entered);
    g_startVideo(&camera);
    return 0;
}

DWORD WINAPI PollThread(LPVOID) {
    InterlockedIncrement(&g_entered);
    for (;;) g_getConnectState(&g_camera);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    HMODULE dll = LoadLibraryA("Zentavo.dll");
    if (!dll) return 3;
    g_startVideo = reinterpret_cast<PFN_Camera>(reinterpret_cast<void*>(GetProcAddress(dll, MAKEINTRESOURCEA(11))));
    g_getConnectState = reinterpret_cast<PFN_Camera>(reinterpret_cast<void*>(GetProcAddress(dll, MAKEINTRESOURCEA(5))));
    std::memset(&g_camera, 0, sizeof g_camera);
    std::strcpy(g_camera.szDeviceAddress, argv[2]);
    std::strcpy(g_camera.szUserName, "admin");
    std::strcpy(g_camera.szPassword, "admin");
    g_camera.hVideoWnd = ZV_HwndToRecord(
        CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 176, 144, nullptr, nullptr, nullptr, nullptr));
    if (std::strcmp(argv[1], "login") == 0) {
        CloseHandle(CreateThread(nullptr, 0, StartThread, nullptr, 0, nullptr));
        while (g_entered == 0) Sleep(1);
        Sleep(300);  // well inside the device's delayed login
    } else {
        if (g_startVideo(&g_camera) != 1) return 4;
        for (int i = 0; i < 2; ++i) CloseHandle(CreateThread(nullptr, 0, PollThread, nullptr, 0, nullptr));
        while (g_entered < 2) Sleep(1);
        Sleep(20);
    }
    if (HANDLE exiting = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[3])) SetEvent(exiting);
    return 0;  // no stop, no unload: the process simply ends
}
