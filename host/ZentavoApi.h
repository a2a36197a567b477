// Zentavo.dll loaded at run time and its twelve exports resolved by name.
// A host that links the module directly can use the declarations of
// zentavo.h instead; loading it this way lets the host say clearly what is
// missing and keeps the module out of the host's start-up.
#pragma once

#include <windows.h>

#include <string>

#include "zentavo.h"

struct ZentavoApi {
    HMODULE dll = nullptr;

    decltype(&DVR_StartVideo) StartVideo = nullptr;
    decltype(&DVR_StopVideo) StopVideo = nullptr;
    decltype(&DVR_AudioSet) AudioSet = nullptr;
    decltype(&DVR_GetAudioState) GetAudioState = nullptr;
    decltype(&DVR_GetConnectState) GetConnectState = nullptr;
    decltype(&DVR_ShowCamera) ShowCamera = nullptr;
    decltype(&DVR_InitCamera) InitCamera = nullptr;
    decltype(&DVR_FreeCamera) FreeCamera = nullptr;
    decltype(&DVR_CloseCamera) CloseCamera = nullptr;
    decltype(&DVR_SetDomeCMD) SetDomeCMD = nullptr;
    decltype(&DVR_IsExistDome) IsExistDome = nullptr;
    decltype(&DVR_ParamSet) ParamSet = nullptr;

    // Loads the module from `path` (by default the one beside the exe);
    // false with `error` set when the file or an export is missing.
    bool Load(const wchar_t* path, std::wstring& error);
    // Unloading stops every live play, logs out and closes both panels.
    void Unload();
};

// The status code a failed DVR_StartVideo leaves in lPlayHandle, in words.
const wchar_t* DescribeStartFailure(int32_t code);
