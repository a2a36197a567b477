#include "Worker.h"

#include <objbase.h>

namespace vn::onvif {

CWorker::~CWorker() {
    Wait(3000);
    if (m_thread) CloseHandle(m_thread);
    if (m_done) CloseHandle(m_done);
}

bool CWorker::Start(std::function<void()> work) {
    if (m_thread) return false;
    m_work = std::move(work);
    m_done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HMODULE self = nullptr;
    if (!m_done || !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                       reinterpret_cast<LPCWSTR>(&CWorker::ThreadMain), &self))
        return false;
    m_thread = CreateThread(nullptr, 0, &CWorker::ThreadMain, this, 0, nullptr);
    if (!m_thread) {
        FreeLibrary(self);
        return false;
    }
    return true;
}

DWORD WINAPI CWorker::ThreadMain(void* p) {
    auto* self = static_cast<CWorker*>(p);
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&CWorker::ThreadMain), &module);
    // The system's imaging codecs live in the apartment; leaving it may
    // unload them, which waits for the loader lock: after the done signal.
    const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    try {
        self->m_work();
    } catch (...) {
    }
    SetEvent(self->m_done);  // `self` may be gone from here on
    if (com) CoUninitialize();
    FreeLibraryAndExitThread(module, 0);
}

bool CWorker::Wait(DWORD ms) {
    if (!m_thread) return true;
    // The thread may already be gone without its signal (process exit ends
    // threads first): either object ends the wait.
    HANDLE both[2] = {m_done, m_thread};
    return WaitForMultipleObjects(2, both, FALSE, ms) != WAIT_TIMEOUT;
}

bool CWorker::Finished() const {
    return !m_thread || WaitForSingleObject(m_done, 0) == WAIT_OBJECT_0 ||
           WaitForSingleObject(m_thread, 0) == WAIT_OBJECT_0;
}

}  // namespace vn::onvif
