// Where a device and its services are: the login's address in any of the
// forms a host may give (a host, host:port, or the device service's URL),
// and the http/rtsp URLs the device hands back. Text only, no look-ups.
#pragma once

#include <cstdint>
#include <string>

namespace zv::onvif {

struct Url {
    std::string scheme;  // lower case: "http" or "rtsp"
    std::string user, password;  // from "user:password@", percent-decoded
    std::string host;            // without brackets
    uint16_t port = 0;           // the scheme's default when none is written
    bool portWritten = false;    // the text named the port
    std::string path;            // from the first '/', query included; "/" when empty

    // "host:port" as an HTTP Host header wants it (the port only when it is
    // not the scheme's default).
    std::string HostHeader() const;
    // The URL again, without user information.
    std::string ToString() const;
};

// Parses an absolute http:// or rtsp:// URL. Bounded: false for anything
// longer than 2 KiB, a bad port, an empty host or control characters.
bool ParseUrl(const std::string& text, Url& out);

// The login's address: "192.168.1.10" or "cam.local" (the device service at
// /onvif/device_service on port 80), "host:port" (same path on that port), or
// a full http URL (taken as it is). Surrounding white space is ignored.
bool ParseDeviceAddress(const std::string& text, Url& out);

// A URL the device gave, pinned to the device the user named: its path
// (and its port, when it writes one) kept, its host replaced by `user`'s.
// Credentials only ever go to that host; devices behind NAT or port
// forwarding answer with addresses of their own network, which this also
// mends. A URL of the same scheme without a port takes `user`'s port.
Url PinToHost(const Url& given, const Url& user);

}  // namespace zv::onvif
