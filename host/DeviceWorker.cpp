#include "DeviceWorker.h"

#include <chrono>

DeviceWorker::DeviceWorker(const ZentavoApi& api, HWND window, UINT message)
    : m_api(api), m_window(window), m_message(message) {
    m_worker = std::thread(&DeviceWorker::WorkLoop, this);
    m_poller = std::thread(&DeviceWorker::PollLoop, this);
}

DeviceWorker::~DeviceWorker() { Stop(); }

void DeviceWorker::Post(int tile, Op op, unsigned generation, const CAMERA_INFO& camera) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stop) return;
        m_jobs.push_back({tile, op, generation, camera});
    }
    m_wake.notify_all();
}

int DeviceWorker::Pending() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_jobs.size()) + m_busy;
}

void DeviceWorker::SetPolled(std::vector<Polled> polled) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_polled = std::move(polled);
}

void DeviceWorker::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        m_jobs.clear();
    }
    m_wake.notify_all();
    if (m_worker.joinable()) m_worker.join();
    if (m_poller.joinable()) m_poller.join();
}

void DeviceWorker::Deliver(const Job& job, int result, DWORD elapsedMs) {
    auto* r = new Result{job.tile, job.op, job.generation, result, job.camera, elapsedMs};
    if (!PostMessageW(m_window, m_message, 0, reinterpret_cast<LPARAM>(r))) delete r;
}

void DeviceWorker::WorkLoop() {
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [&] { return m_stop || !m_jobs.empty(); });
            if (m_stop) return;
            job = m_jobs.front();
            m_jobs.pop_front();
            ++m_busy;
        }
        const DWORD start = GetTickCount();
        int result = 0;
        switch (job.op) {
        case Op::Start: result = m_api.StartVideo(&job.camera); break;
        case Op::Stop: result = m_api.StopVideo(&job.camera); break;
        case Op::AudioOn:
        case Op::AudioOff:
            job.camera.nAudioState = job.op == Op::AudioOn ? 1 : 0;
            result = m_api.AudioSet(&job.camera);
            break;
        case Op::Poll: break;
        }
        Deliver(job, result, GetTickCount() - start);
        std::lock_guard<std::mutex> lock(m_mutex);
        --m_busy;
    }
}

void DeviceWorker::PollLoop() {
    for (;;) {
        std::vector<Polled> polled;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_wake.wait_for(lock, std::chrono::milliseconds(500), [&] { return m_stop; })) return;
            polled = m_polled;
        }
        for (Polled& p : polled) {
            const DWORD start = GetTickCount();
            const int state = m_api.GetConnectState(&p.camera);
            Deliver({p.tile, Op::Poll, p.generation, p.camera}, state, GetTickCount() - start);
        }
    }
}
