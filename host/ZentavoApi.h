// Zentavo.dll loaded at run time and its twelve exports resolved by name into
// the header's PFN_DVR_* types. A host that links the module's import library
// can call the declarations of zentavo.h instead; loading it this way lets
// the host say clearly what is missing and keeps the module out of the
// host's start-up.
#pragma once

#include <windows.h>

#include <string>

#include "zentavo.h"

struct ZentavoApi {
    HMODULE dll = nullptr;

    PFN_DVR_StartVideo StartVideo = nullptr;
    PFN_DVR_StopVideo StopVideo = nullptr;
    PFN_DVR_AudioSet AudioSet = nullptr;
    PFN_DVR_GetAudioState GetAudioState = nullptr;
    PFN_DVR_GetConnectState GetConnectState = nullptr;
    PFN_DVR_ShowCamera ShowCamera = nullptr;
    PFN_DVR_InitCamera InitCamera = nullptr;
    PFN_DVR_FreeCamera FreeCamera = nullptr;
    PFN_DVR_CloseCamera CloseCamera = nullptr;
    PFN_DVR_SetDomeCMD SetDomeCMD = nullptr;
    PFN_DVR_IsExistDome IsExistDome = nullptr;
    PFN_DVR_ParamSet ParamSet = nullptr;

    // Loads the module from `path` (by default the one beside the exe);
    // false with `error` set when the file or an export is missing.
    bool Load(const wchar_t* path, std::wstring& error);
    // Unloading stops every live play, logs out and closes both panels.
    void Unload();
};

// The status code a failed DVR_StartVideo leaves in lPlayHandle, in words.
const wchar_t* DescribeStartFailure(int32_t code);
