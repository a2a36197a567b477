// The library's threads in the DLL (the core's thread starter there): each
// holds a reference on this module until it has left it, so that code of
// ours is never unmapped under it however long a camera keeps it, and
// nobody waits for it (FreeLibrary runs under the loader lock, which a
// thread's own exit needs). Each runs in the COM apartment: the system's
// codecs live there.
#pragma once

#include <functional>

namespace zv::onvif {

bool StartModuleThread(std::function<void()> work);

}  // namespace zv::onvif
