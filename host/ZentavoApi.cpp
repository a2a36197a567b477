#include "ZentavoApi.h"

#include <cstring>

namespace {

template <class Fn>
bool Resolve(HMODULE dll, const char* name, Fn& fn, std::wstring& error) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
    if (!fn) error = L"Zentavo.dll has no export " + std::wstring(name, name + strlen(name));
    return fn != nullptr;
}

}  // namespace

bool ZentavoApi::Load(const wchar_t* path, std::wstring& error) {
    dll = LoadLibraryW(path);
    if (!dll) {
        error = std::wstring(L"cannot load ") + path + L" (error " + std::to_wstring(GetLastError()) +
                L"); Zentavo.dll and vortanet.dll belong beside the exe";
        return false;
    }
    const bool ok = Resolve(dll, "DVR_StartVideo", StartVideo, error) &&
                    Resolve(dll, "DVR_StopVideo", StopVideo, error) &&
                    Resolve(dll, "DVR_AudioSet", AudioSet, error) &&
                    Resolve(dll, "DVR_GetAudioState", GetAudioState, error) &&
                    Resolve(dll, "DVR_GetConnectState", GetConnectState, error) &&
                    Resolve(dll, "DVR_ShowCamera", ShowCamera, error) &&
                    Resolve(dll, "DVR_InitCamera", InitCamera, error) &&
                    Resolve(dll, "DVR_FreeCamera", FreeCamera, error) &&
                    Resolve(dll, "DVR_CloseCamera", CloseCamera, error) &&
                    Resolve(dll, "DVR_SetDomeCMD", SetDomeCMD, error) &&
                    Resolve(dll, "DVR_IsExistDome", IsExistDome, error) &&
                    Resolve(dll, "DVR_ParamSet", ParamSet, error);
    if (!ok) Unload();
    return ok;
}

void ZentavoApi::Unload() {
    if (dll) FreeLibrary(dll);
    *this = ZentavoApi{};
}

const wchar_t* DescribeStartFailure(int32_t code) {
    switch (code) {
    case ZV_STATUS_NETINIT_FAILED: return L"the network library could not be initialised (-5)";
    case ZV_STATUS_LOGIN_FAILED: return L"login failed: device unreachable or wrong user/password (-4)";
    case ZV_STATUS_PLAY_FAILED: return L"the live play could not be started (-1)";
    default: return L"failed";
    }
}
