// The IPv4 socket address both platform socket files build. Include after
// the platform's socket headers (sockaddr_in and htons come from them).
#pragma once

#include <cstring>
#include <string>

#include "Socket.h"

namespace zv::net {

inline bool MakeAddress(const std::string& ip, uint16_t port, sockaddr_in& sa, std::string* error) {
    uint8_t a[4];
    if (!ParseIPv4(ip, a)) {
        if (error) *error = "not an IPv4 address: " + ip;
        return false;
    }
    std::memset(&sa, 0, sizeof sa);
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    std::memcpy(&sa.sin_addr, a, 4);
    return true;
}

}  // namespace zv::net
