#include "ModuleThread.h"

#include <windows.h>
#include <objbase.h>

#include <memory>
#include <new>

namespace zv::onvif {

namespace {

struct Start {
    std::function<void()> work;
    HMODULE module;
};

DWORD WINAPI ThreadMain(void* p) {
    std::unique_ptr<Start> start(static_cast<Start*>(p));
    const HMODULE module = start->module;
    const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    try {
        start->work();
    } catch (...) {
    }
    start.reset();  // what the work held goes while the apartment is still ours
    if (com) CoUninitialize();
    FreeLibraryAndExitThread(module, 0);
}

}  // namespace

bool StartModuleThread(std::function<void()> work) {
    HMODULE self = nullptr;  // a reference of the thread's own
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&ThreadMain), &self))
        return false;
    auto* start = new (std::nothrow) Start{std::move(work), self};
    HANDLE thread = start ? CreateThread(nullptr, 0, &ThreadMain, start, 0, nullptr) : nullptr;
    if (!thread) {
        delete start;
        FreeLibrary(self);
        return false;
    }
    CloseHandle(thread);
    return true;
}

}  // namespace zv::onvif
