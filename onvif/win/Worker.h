// A thread of the library's own that can be waited for from inside the
// loader lock: it signals an event when its work is done (a thread's own
// exit needs the loader lock, which a host unloading us may hold), and it
// holds a reference on this module until it has left it, so that code of
// ours is never unmapped under it.
#pragma once

#include <windows.h>

#include <functional>

namespace vn::onvif {

class CWorker {
public:
    CWorker() = default;
    ~CWorker();
    CWorker(const CWorker&) = delete;
    CWorker& operator=(const CWorker&) = delete;

    bool Start(std::function<void()> work);
    // Waits at most ms for the work to end; true when it has.
    bool Wait(DWORD ms);
    bool Finished() const;
    bool Started() const { return m_thread != nullptr; }

private:
    static DWORD WINAPI ThreadMain(void* self);

    std::function<void()> m_work;
    HANDLE m_thread = nullptr;
    HANDLE m_done = nullptr;
};

}  // namespace vn::onvif
