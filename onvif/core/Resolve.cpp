#include "Resolve.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "Clock.h"
#include "Socket.h"
#include "Threads.h"

namespace zv::onvif {

namespace {

bool SystemLookup(const std::string& host, std::string& dotted) {
    if (!net::Startup()) return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0 || !list) return false;
    bool ok = false;
    for (addrinfo* a = list; a && !ok; a = a->ai_next) {
        if (a->ai_family != AF_INET || !a->ai_addr) continue;
        const auto* sin = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
        const auto* b = reinterpret_cast<const uint8_t*>(&sin->sin_addr);
        dotted = std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
                 std::to_string(b[3]);
        ok = true;
    }
    freeaddrinfo(list);
    return ok;
}

std::atomic<NameLookup> g_lookup{&SystemLookup};

// What the look-up's thread and its caller share; whoever leaves last frees it.
struct Pending {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false, ok = false;
    std::string dotted;
};

}  // namespace

void SetNameLookup(NameLookup lookup) { g_lookup = lookup ? lookup : &SystemLookup; }

bool ResolveIPv4(const std::string& host, std::string& dotted, int64_t deadlineMs,
                 const std::atomic<bool>* abort) {
    uint8_t quad[4];
    if (net::ParseIPv4(host, quad)) {
        dotted = host;
        return true;
    }
    if (host.empty() || host.size() > 253) return false;
    auto pending = std::make_shared<Pending>();
    const NameLookup lookup = g_lookup.load();
    if (!StartDetached([pending, host, lookup] {
            std::string found;
            const bool ok = lookup(host, found);
            std::lock_guard<std::mutex> lock(pending->mutex);
            pending->finished = true;
            pending->ok = ok;
            pending->dotted = found;
            pending->done.notify_all();
        }))
        return false;
    std::unique_lock<std::mutex> lock(pending->mutex);
    for (;;) {
        if (pending->finished) {
            if (pending->ok) dotted = pending->dotted;
            return pending->ok;
        }
        const int64_t left = deadlineMs - NowMs();
        if (left <= 0 || (abort && abort->load())) return false;
        pending->done.wait_for(lock, std::chrono::milliseconds(std::min<int64_t>(left, 50)));
    }
}

}  // namespace zv::onvif
