// What a leak check counts in the test process itself. Wine's
// GetGuiResources answers 0, so GDI objects come from the process's handle
// table and windows from enumeration.
#pragma once

#include <windows.h>

#include <cstddef>

namespace zvtest {

// Windows of this thread, children included.
int ThreadWindowCount();
// Live GDI objects of this process; -1 when the handle table is not laid out
// as expected (checked on a brush of our own).
long GdiObjectCount();
// Threads of this process.
int ThreadCount();
// Private bytes of this process (committed memory nobody else shares).
size_t PrivateBytes();

struct ProcessCounts {
    size_t privateBytes;
    long gdi;
    int windows;
    int threads;
};
ProcessCounts CountNow();

}  // namespace zvtest
