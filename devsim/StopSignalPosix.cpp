#include <signal.h>

#include <atomic>

#include "StopSignal.h"

namespace zv::devsim {

namespace {
// The signal may land on any of devsim's threads, not only the one that
// polls: a lock-free atomic is safe in the handler and between threads.
std::atomic<int> g_stop{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler must not lock");
void OnSignal(int) { g_stop.store(1); }
}  // namespace

void InstallStopSignals() {
    struct sigaction sa = {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

bool StopSignalled() { return g_stop.load() != 0; }

}  // namespace zv::devsim
