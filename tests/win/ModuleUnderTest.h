// Zentavo.dll as a host loads it, next to the test build of the network
// library: exports resolved by ordinal, the library's control functions by
// name. Shared by the Wine tests that drive the module.
#pragma once

#include <windows.h>

#include <cstring>
#include <vector>

#include "CameraRecord.h"
#include "TestNet.h"
#include "zentavo.h"

using PFN_Camera = int(__cdecl*)(CAMERA_INFO*);
using PFN_Int = int(__cdecl*)(int);
using PFN_Panel = int(__cdecl*)(CAMERA_INFO*, int, int, int);
using PFN_InitCamera = int(__cdecl*)(HWND, int);
using PFN_SetDomeCMD = int(__cdecl*)(int, int, int);

// The module and the test library's control functions.
struct Module {
    HMODULE dll = nullptr;
    HMODULE net = nullptr;
    PFN_Camera AudioSet, GetAudioState, GetConnectState, StartVideo, StopVideo;
    PFN_Int CloseCamera, FreeCamera, IsExistDome;
    PFN_Panel ParamSet, ShowCamera;
    PFN_InitCamera InitCamera;
    PFN_SetDomeCMD SetDomeCMD;
    PFN_TestNet_Reset Reset;
    PFN_TestNet_Script Script;
    PFN_TestNet_CallCount CallCount;
    PFN_TestNet_GetCall GetCall;
    PFN_TestNet_FireDisconnect FireDisconnect;
    PFN_TestNet_SetConfig SetConfig;
    PFN_TestNet_LastSetConfig LastSetConfig;

    template <class T>
    static T Ordinal(HMODULE m, int n) {
        return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(m, MAKEINTRESOURCEA(n))));
    }
    template <class T>
    static T Named(HMODULE m, const char* name) {
        return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(m, name)));
    }

    bool Load() {
        // Our own reference to the test library keeps its call log readable
        // after Zentavo.dll is unloaded; Zentavo's import binds to this module.
        net = LoadLibraryA("vortanet.dll");
        dll = LoadLibraryA("Zentavo.dll");
        if (!net || !dll) return false;
        AudioSet = Ordinal<PFN_Camera>(dll, 1);
        CloseCamera = Ordinal<PFN_Int>(dll, 2);
        FreeCamera = Ordinal<PFN_Int>(dll, 3);
        GetAudioState = Ordinal<PFN_Camera>(dll, 4);
        GetConnectState = Ordinal<PFN_Camera>(dll, 5);
        InitCamera = Ordinal<PFN_InitCamera>(dll, 6);
        IsExistDome = Ordinal<PFN_Int>(dll, 7);
        ParamSet = Ordinal<PFN_Panel>(dll, 8);
        SetDomeCMD = Ordinal<PFN_SetDomeCMD>(dll, 9);
        ShowCamera = Ordinal<PFN_Panel>(dll, 10);
        StartVideo = Ordinal<PFN_Camera>(dll, 11);
        StopVideo = Ordinal<PFN_Camera>(dll, 12);
        Reset = Named<PFN_TestNet_Reset>(net, "TestNet_Reset");
        Script = Named<PFN_TestNet_Script>(net, "TestNet_Script");
        CallCount = Named<PFN_TestNet_CallCount>(net, "TestNet_CallCount");
        GetCall = Named<PFN_TestNet_GetCall>(net, "TestNet_GetCall");
        FireDisconnect = Named<PFN_TestNet_FireDisconnect>(net, "TestNet_FireDisconnect");
        SetConfig = Named<PFN_TestNet_SetConfig>(net, "TestNet_SetConfig");
        LastSetConfig = Named<PFN_TestNet_LastSetConfig>(net, "TestNet_LastSetConfig");
        return AudioSet && CloseCamera && FreeCamera && GetAudioState && GetConnectState &&
               InitCamera && IsExistDome && ParamSet && SetDomeCMD && ShowCamera && StartVideo &&
               StopVideo && Reset && Script && CallCount && GetCall && FireDisconnect && SetConfig &&
               LastSetConfig;
    }

    // The calls of one function only.
    std::vector<TestNetCall> Calls(int32_t fn) const {
        std::vector<TestNetCall> all = Calls(), some;
        for (const auto& c : all)
            if (c.fn == fn) some.push_back(c);
        return some;
    }
    std::vector<TestNetCall> Calls() const {
        std::vector<TestNetCall> calls(CallCount());
        for (size_t i = 0; i < calls.size(); ++i) GetCall(static_cast<int32_t>(i), &calls[i]);
        return calls;
    }
};

inline CAMERA_INFO Camera(const char* address, int channel, HWND wnd, const char* user = "admin") {
    return zv::test::CameraRecord(address, channel, wnd, user, "secret");
}

inline std::vector<int32_t> Fns(const std::vector<TestNetCall>& calls) {
    std::vector<int32_t> fns;
    for (const auto& c : calls) fns.push_back(c.fn);
    return fns;
}

