#include "LoginRegistry.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

#include "Threads.h"

namespace zv::onvif {

struct LoginRegistry::Entry {
    int32_t handle = 0;
    std::string address;
    uint16_t port = 0;
    std::shared_ptr<OnvifDevice> device;
    std::mutex mutex;
    std::condition_variable changed;
    bool stop = false, woken = false;
};

struct LoginRegistry::Shared {
    explicit Shared(Timing t) : timing(t) {}
    const Timing timing;
    mutable std::mutex mutex;
    std::condition_variable noticeDone;
    Notice notice;
    int noticesRunning = 0;
    int32_t nextHandle = 0;
    std::map<int32_t, std::shared_ptr<Entry>> logins;
    struct PlayEntry {
        int32_t login = 0;
        std::shared_ptr<Play> play;
    };
    std::map<int32_t, PlayEntry> plays;

    // With `mutex` held.
    std::vector<std::shared_ptr<Play>> TakePlaysOf(int32_t login) {
        std::vector<std::shared_ptr<Play>> out;
        for (auto it = plays.begin(); it != plays.end();) {
            if (it->second.login == login) {
                out.push_back(std::move(it->second.play));
                it = plays.erase(it);
            } else {
                ++it;
            }
        }
        return out;
    }
};

LoginRegistry::LoginRegistry(Timing timing) : m_shared(std::make_shared<Shared>(timing)) {}

LoginRegistry::~LoginRegistry() { Cleanup(); }

void LoginRegistry::SetNotice(Notice notice) {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->notice = std::move(notice);
}

void LoginRegistry::StopEntry(Entry& e) {
    {
        std::lock_guard<std::mutex> lock(e.mutex);
        e.stop = true;
        e.changed.notify_all();
    }
    e.device->Abort();  // a check in progress ends soon
}

int32_t LoginRegistry::Add(std::shared_ptr<OnvifDevice> device, const std::string& address) {
    auto entry = std::make_shared<Entry>();
    entry->address = address;
    entry->port = device->DeviceUrl().port;
    entry->device = std::move(device);
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        entry->handle = ++m_shared->nextHandle;
        m_shared->logins[entry->handle] = entry;
    }
    std::shared_ptr<Shared> shared = m_shared;
    if (StartDetached([shared, entry] { Watch(shared, entry); })) return entry->handle;
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->logins.erase(entry->handle);
    return 0;
}

std::shared_ptr<OnvifDevice> LoginRegistry::Device(int32_t login) const {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    auto it = m_shared->logins.find(login);
    return it == m_shared->logins.end() ? nullptr : it->second->device;
}

bool LoginRegistry::Remove(int32_t login) {
    std::shared_ptr<Entry> entry;
    std::vector<std::shared_ptr<Play>> plays;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        auto it = m_shared->logins.find(login);
        if (it == m_shared->logins.end()) return false;
        entry = std::move(it->second);
        m_shared->logins.erase(it);
        plays = m_shared->TakePlaysOf(login);
    }
    for (auto& p : plays) p->Stop();
    StopEntry(*entry);
    return true;
}

int32_t LoginRegistry::AddPlay(int32_t login, std::shared_ptr<Play> play) {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    if (!m_shared->logins.count(login)) return 0;
    const int32_t handle = ++m_shared->nextHandle;
    m_shared->plays[handle] = Shared::PlayEntry{login, std::move(play)};
    return handle;
}

std::shared_ptr<LoginRegistry::Play> LoginRegistry::FindPlay(int32_t play) const {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    auto it = m_shared->plays.find(play);
    return it == m_shared->plays.end() ? nullptr : it->second.play;
}

bool LoginRegistry::RemovePlay(int32_t play) {
    std::shared_ptr<Play> p;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        auto it = m_shared->plays.find(play);
        if (it == m_shared->plays.end()) return false;
        p = std::move(it->second.play);
        m_shared->plays.erase(it);
    }
    p->Stop();
    return true;
}

void LoginRegistry::Wake(int32_t login) {
    std::shared_ptr<Entry> entry;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        auto it = m_shared->logins.find(login);
        if (it == m_shared->logins.end()) return;
        entry = it->second;
    }
    std::lock_guard<std::mutex> lock(entry->mutex);
    entry->woken = true;
    entry->changed.notify_all();
}

void LoginRegistry::ReportLost(int32_t login) { Lost(m_shared, login); }

void LoginRegistry::Lost(const std::shared_ptr<Shared>& shared, int32_t login) {
    std::shared_ptr<Entry> entry;
    std::vector<std::shared_ptr<Play>> plays;
    Notice notice;
    {
        std::lock_guard<std::mutex> lock(shared->mutex);
        auto it = shared->logins.find(login);
        if (it == shared->logins.end()) return;  // logged out, or already lost
        entry = std::move(it->second);
        shared->logins.erase(it);
        plays = shared->TakePlaysOf(login);
        notice = shared->notice;
        if (notice) ++shared->noticesRunning;
    }
    for (auto& p : plays) p->Stop();
    StopEntry(*entry);
    if (!notice) return;
    // Without our lock: the host takes its own in the notice.
    try {
        notice(login, entry->address, entry->port);
    } catch (...) {
    }
    std::lock_guard<std::mutex> lock(shared->mutex);
    --shared->noticesRunning;
    shared->noticeDone.notify_all();
}

void LoginRegistry::Watch(const std::shared_ptr<Shared>& shared, const std::shared_ptr<Entry>& entry) {
    const Timing& t = shared->timing;
    int misses = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(entry->mutex);
            entry->changed.wait_for(lock, std::chrono::milliseconds(misses ? t.retryMs : t.periodMs),
                                    [&] { return entry->stop || entry->woken; });
            if (entry->stop) return;
            entry->woken = false;
        }
        misses = entry->device->Ping(t.pingMs) ? 0 : misses + 1;
        if (misses >= t.missesForLoss) {
            Lost(shared, entry->handle);
            return;
        }
    }
}

void LoginRegistry::Cleanup() {
    std::map<int32_t, std::shared_ptr<Entry>> logins;
    std::map<int32_t, Shared::PlayEntry> plays;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->notice = nullptr;  // no notice once the host has let go of us
        logins.swap(m_shared->logins);
        plays.swap(m_shared->plays);
    }
    for (auto& [handle, p] : plays) p.play->Stop();
    for (auto& [handle, e] : logins) StopEntry(*e);
    if (OnLibraryThread()) return;  // a notice on this very thread
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    m_shared->noticeDone.wait_for(lock, std::chrono::milliseconds(m_shared->timing.noticeWaitMs),
                                  [&] { return m_shared->noticesRunning == 0; });
}

size_t LoginRegistry::Logins() const {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->logins.size();
}

size_t LoginRegistry::Plays() const {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->plays.size();
}

}  // namespace zv::onvif
