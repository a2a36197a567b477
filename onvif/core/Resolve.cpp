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

#include <cstdint>

#include "Socket.h"

namespace zv::onvif {

bool ResolveIPv4(const std::string& host, std::string& dotted) {
    uint8_t quad[4];
    if (net::ParseIPv4(host, quad)) {
        dotted = host;
        return true;
    }
    if (host.empty() || host.size() > 253 || !net::Startup()) return false;
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

}  // namespace zv::onvif
