// The twelve flat exports: switch to the module's resources, forward to the
// session manager, and let nothing escape into the host.
#include <windows.h>

#include "ResourceContext.h"
#include "SessionManager.h"
#include "VortanetLibrary.h"
#include "zentavo.h"

namespace {

// Constructed at load, destroyed at unload in reverse order: the session
// manager's teardown still has the library binding.
zv::CVortanetLibrary g_netLibrary;
zv::CSessionManager g_sessionManager(g_netLibrary);

template <class Fn>
int Forward(int nOnException, Fn&& fn) {
    try {
        ui::CResourceScope scope;
        return fn(g_sessionManager);
    } catch (...) {
        return nOnException;
    }
}

}  // namespace

extern "C" {

int __cdecl DVR_AudioSet(CAMERA_INFO* pCamera) {
    if (!pCamera) return 0;
    return Forward(0, [&](zv::CSessionManager& sm) { return sm.SetAudio(*pCamera); });
}

int __cdecl DVR_CloseCamera(int) {
    return Forward(1, [](zv::CSessionManager& sm) { return sm.CloseDomePanel(); });
}

int __cdecl DVR_FreeCamera(int) {
    return Forward(1, [](zv::CSessionManager& sm) { return sm.FreeDomePanel(); });
}

int __cdecl DVR_GetAudioState(CAMERA_INFO* pCamera) {
    if (!pCamera) return 0;
    return Forward(0, [&](zv::CSessionManager& sm) { return sm.GetAudioState(*pCamera); });
}

int __cdecl DVR_GetConnectState(CAMERA_INFO* pCamera) {
    if (!pCamera) return 0;
    return Forward(0, [&](zv::CSessionManager& sm) { return sm.GetConnectState(*pCamera); });
}

int __cdecl DVR_InitCamera(HWND hParent, int) {
    return Forward(0, [&](zv::CSessionManager& sm) { return sm.InitDomePanel(hParent); });
}

int __cdecl DVR_IsExistDome(int) {
    return Forward(0, [](zv::CSessionManager& sm) { return sm.IsDomePresent(); });
}

int __cdecl DVR_ParamSet(CAMERA_INFO* pCamera, int nShow, int x, int y) {
    if (!pCamera) return 0;
    return Forward(0, [&](zv::CSessionManager& sm) { return sm.ShowColorPanel(*pCamera, nShow, x, y); });
}

int __cdecl DVR_SetDomeCMD(int, int nCommand, int) {
    return Forward(0, [&](zv::CSessionManager& sm) { return sm.SendDomeCommand(nCommand); });
}

int __cdecl DVR_ShowCamera(CAMERA_INFO* pCamera, int nShow, int x, int y) {
    if (!pCamera) return 0;
    return Forward(0, [&](zv::CSessionManager& sm) { return sm.ShowDomePanel(*pCamera, nShow, x, y); });
}

int __cdecl DVR_StartVideo(CAMERA_INFO* pCamera) {
    if (!pCamera) return 0;
    return Forward(0, [&](zv::CSessionManager& sm) { return sm.StartVideo(*pCamera); });
}

int __cdecl DVR_StopVideo(CAMERA_INFO* pCamera) {
    if (!pCamera) return 0;
    return Forward(0, [&](zv::CSessionManager& sm) { return sm.StopVideo(*pCamera); });
}

}  // extern "C"

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
    if (dwReason == DLL_PROCESS_ATTACH) ui::SetModuleInstance(hInstance);
    return TRUE;
}
