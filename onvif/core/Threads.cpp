#include "Threads.h"

#include <atomic>
#include <memory>
#include <thread>

namespace zv::onvif {

namespace {

std::atomic<size_t> g_live{0};
thread_local bool t_ours = false;

bool StartStdThread(std::function<void()> work) {
    try {
        std::thread(std::move(work)).detach();
        return true;
    } catch (...) {
        return false;
    }
}

std::atomic<ThreadStarter> g_starter{&StartStdThread};

}  // namespace

bool StartDetached(std::function<void()> work) {
    ++g_live;
    auto body = std::make_shared<std::function<void()>>(std::move(work));
    const bool started = g_starter.load()([body] {
        t_ours = true;
        try {
            (*body)();
        } catch (...) {
        }
        *body = nullptr;  // captures go here, on this thread
        --g_live;
    });
    if (!started) {
        *body = nullptr;
        --g_live;
    }
    return started;
}

void SetThreadStarter(ThreadStarter starter) { g_starter = starter ? starter : &StartStdThread; }

size_t LiveThreads() { return g_live.load(); }

bool OnLibraryThread() { return t_ours; }

}  // namespace zv::onvif
