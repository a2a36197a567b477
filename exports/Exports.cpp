// The twelve flat exports: switch to the module's resources, forward to the
// session manager, and let nothing escape into the host.
#include <windows.h>

#include <new>
#include <type_traits>

#include "PanelFactory.h"
#include "PanelImages.h"
#include "ResourceContext.h"
#include "SessionManager.h"
#include "VortanetLibrary.h"
#include "zentavo.h"

namespace {

zv::CVortanetLibrary g_netLibrary;
zv::CPanelFactory g_panelFactory(g_netLibrary);

// The session manager is made at load and torn down by DllMain itself rather
// than by the runtime's static destructors: when the process exits, the system
// has already ended every other thread, wherever it was (holding the session
// lock, or the library's), so that path must not wait for anything.
alignas(zv::CSessionManager) unsigned char g_managerStorage[sizeof(zv::CSessionManager)];
zv::CSessionManager* g_pSessionManager = nullptr;

template <class Fn>
int Forward(int nOnException, Fn&& fn) {
    try {
        ui::CResourceScope scope;
        return fn(*g_pSessionManager);
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

// The header's pointer types are what a host resolves these into.
#define ZV_SAME_TYPE(name) static_assert(std::is_same_v<decltype(&name), PFN_##name>, #name)
ZV_SAME_TYPE(DVR_AudioSet);
ZV_SAME_TYPE(DVR_CloseCamera);
ZV_SAME_TYPE(DVR_FreeCamera);
ZV_SAME_TYPE(DVR_GetAudioState);
ZV_SAME_TYPE(DVR_GetConnectState);
ZV_SAME_TYPE(DVR_InitCamera);
ZV_SAME_TYPE(DVR_IsExistDome);
ZV_SAME_TYPE(DVR_ParamSet);
ZV_SAME_TYPE(DVR_SetDomeCMD);
ZV_SAME_TYPE(DVR_ShowCamera);
ZV_SAME_TYPE(DVR_StartVideo);
ZV_SAME_TYPE(DVR_StopVideo);
#undef ZV_SAME_TYPE

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID pReserved) {
    if (dwReason == DLL_PROCESS_ATTACH) {
        ui::SetModuleInstance(hInstance);
        g_pSessionManager = new (g_managerStorage) zv::CSessionManager(g_netLibrary, &g_panelFactory);
    } else if (dwReason == DLL_PROCESS_DETACH && g_pSessionManager) {
        // FreeLibrary (no reserved pointer): the full teardown. Process exit:
        // nothing at all; the system closes the sockets and the windows.
        if (pReserved == nullptr) {
            g_pSessionManager->~CSessionManager();
            zv::FreeSharedPanelImages();  // after the last panel
        }
        g_pSessionManager = nullptr;
    }
    return TRUE;
}
