#include <windows.h>

#include <atomic>

#include "StopSignal.h"

namespace zv::devsim {

namespace {
std::atomic<bool> g_stop{false};

BOOL WINAPI OnConsoleEvent(DWORD type) {
    switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_SHUTDOWN_EVENT: g_stop = true; return TRUE;
    default: return FALSE;
    }
}
}  // namespace

void InstallStopSignals() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

bool StopSignalled() { return g_stop.load(); }

}  // namespace zv::devsim
