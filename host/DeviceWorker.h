// Runs the calls that may wait on a device away from the UI thread.
//
// A start that logs in to a slow or unreachable device takes seconds, and the
// module holds its one lock meanwhile (also across stops and sound calls), so
// a UI thread that made such a call, or even asked for a connection state at
// the wrong moment, would freeze. Here one worker thread makes the start,
// stop and audio calls in the order they were asked for, a second thread
// polls DVR_GetConnectState, and each answer comes back to the window as a
// posted message.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "ZentavoApi.h"

class DeviceWorker {
public:
    enum class Op { Start, Stop, AudioOn, AudioOff, Poll };

    // What one call did. The receiver of the posted message owns it.
    struct Result {
        int tile;
        Op op;
        unsigned generation;  // the tile's generation when the call was asked for
        int result;           // the export's result
        CAMERA_INFO camera;   // the record after the call
        DWORD elapsedMs;
    };

    // Results go to `window` as `message` with the Result* in lParam.
    DeviceWorker(const ZentavoApi& api, HWND window, UINT message);
    ~DeviceWorker();
    DeviceWorker(const DeviceWorker&) = delete;
    DeviceWorker& operator=(const DeviceWorker&) = delete;

    void Post(int tile, Op op, unsigned generation, const CAMERA_INFO& camera);
    // Calls asked for and not answered yet.
    int Pending() const;

    // The records whose connection state is polled every 500 ms (each answer
    // is a Poll result); replaces the previous set.
    struct Polled {
        int tile;
        unsigned generation;
        CAMERA_INFO camera;
    };
    void SetPolled(std::vector<Polled> polled);

    // Waits for the calls in progress and ends both threads.
    void Stop();

private:
    struct Job {
        int tile;
        Op op;
        unsigned generation;
        CAMERA_INFO camera;
    };
    void WorkLoop();
    void PollLoop();
    void Deliver(const Job& job, int result, DWORD elapsedMs);

    const ZentavoApi& m_api;
    HWND m_window;
    UINT m_message;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    int m_busy = 0;
    std::vector<Polled> m_polled;
    bool m_stop = false;
    std::thread m_worker;
    std::thread m_poller;
};
