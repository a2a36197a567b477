// The library's logins and plays by handle, and each login's watch: a
// thread that makes a cheap call every period (or at once when woken by a
// play whose stream broke); two misses in a row, or a play that cannot
// open its stream again, are a loss, told through the notice. Everything a
// watch uses it shares with the registry, so logging out, stopping a play
// or cleaning up only tells threads to end and returns: nothing here waits
// for a camera, and nothing a thread still uses is freed under it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "OnvifDevice.h"

namespace zv::onvif {

struct WatchTiming {
    int periodMs = 1000;       // between checks of a device that answers
    int retryMs = 300;         // after a miss
    int pingMs = 1000;         // one check's bound
    int missesForLoss = 2;
    int noticeWaitMs = 2000;   // Cleanup's wait for a notice in progress
};

class LoginRegistry {
public:
    // A play of a login: told to stop when its login goes.
    class Play {
    public:
        virtual ~Play() = default;
        virtual void Stop() = 0;
    };
    // A lost login: its handle, the address it was made with, and its port.
    using Notice = std::function<void(int32_t login, const std::string& address, uint16_t port)>;
    using Timing = WatchTiming;

    explicit LoginRegistry(Timing timing = WatchTiming{});
    ~LoginRegistry();  // Cleanup
    LoginRegistry(const LoginRegistry&) = delete;
    LoginRegistry& operator=(const LoginRegistry&) = delete;

    void SetNotice(Notice notice);

    // Starts the login's watch; its handle, or 0 when no thread started.
    int32_t Add(std::shared_ptr<OnvifDevice> device, const std::string& address);
    std::shared_ptr<OnvifDevice> Device(int32_t login) const;
    // Logout: the watch and the login's plays are told to stop.
    bool Remove(int32_t login);

    // A play's handle, or 0 when its login has gone meanwhile.
    int32_t AddPlay(int32_t login, std::shared_ptr<Play> play);
    std::shared_ptr<Play> FindPlay(int32_t play) const;
    bool RemovePlay(int32_t play);  // told to stop

    // A play's stream broke: the watch looks at the device now.
    void Wake(int32_t login);
    // A play's stream cannot be opened again: the login is lost.
    void ReportLost(int32_t login);

    // Everything told to stop. No notice starts after this; one in progress
    // on another thread is waited for (at most noticeWaitMs) so that the
    // host's callback has returned before the host lets go of us.
    void Cleanup();

    size_t Logins() const;
    size_t Plays() const;

private:
    struct Shared;
    struct Entry;
    static void Watch(const std::shared_ptr<Shared>& shared, const std::shared_ptr<Entry>& entry);
    static void Lost(const std::shared_ptr<Shared>& shared, int32_t login);
    static void StopEntry(Entry& entry);

    std::shared_ptr<Shared> m_shared;
};

}  // namespace zv::onvif
