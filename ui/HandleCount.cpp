#include "HandleCount.h"

#include <atomic>

namespace ui {

namespace {
// Relaxed atomics: one add per handle is cheap enough to leave counting on
// in the shipped module, so the tests measure the code that ships.
std::atomic<long> g_gdi{0};
std::atomic<long> g_user{0};
}  // namespace

HandleCounts CurrentHandleCounts() {
    return {g_gdi.load(std::memory_order_relaxed), g_user.load(std::memory_order_relaxed)};
}

void CountGdiHandle(int delta) { g_gdi.fetch_add(delta, std::memory_order_relaxed); }

void CountUserHandle(int delta) { g_user.fetch_add(delta, std::memory_order_relaxed); }

}  // namespace ui
