// Threads of the library that nobody waits for. Each owns what it works on
// (shared ownership), so stopping one only asks it to end: no caller ever
// waits for a camera, and no object is freed while a thread still uses it.
// The DLL puts in a starter whose threads keep the module loaded until
// they are gone; natively a std::thread is detached.
#pragma once

#include <cstddef>
#include <functional>

namespace zv::onvif {

using ThreadStarter = bool (*)(std::function<void()> work);

// Runs `work` on a new thread; false when none could be started (nothing
// ran). The work's captures are released on that thread when it ends.
bool StartDetached(std::function<void()> work);
// Replaces how threads are made (before any is started).
void SetThreadStarter(ThreadStarter starter);
// Threads started here that have not ended yet.
size_t LiveThreads();
// Whether the calling thread is one of them.
bool OnLibraryThread();

}  // namespace zv::onvif
