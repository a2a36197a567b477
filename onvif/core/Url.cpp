#include "Url.h"

#include <cctype>

namespace zv::onvif {

namespace {

constexpr size_t kMaxUrl = 2048;

uint16_t DefaultPort(const std::string& scheme) {
    if (scheme == "http") return 80;
    if (scheme == "rtsp") return 554;
    if (scheme == "https") return 443;
    return 0;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool PercentDecode(const std::string& in, std::string& out) {
    out.clear();
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '%') {
            out += in[i];
            continue;
        }
        if (i + 2 >= in.size()) return false;
        const int hi = HexValue(in[i + 1]), lo = HexValue(in[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

bool ParsePort(const std::string& digits, uint16_t& port) {
    if (digits.empty() || digits.size() > 5) return false;
    unsigned long v = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<unsigned long>(c - '0');
    }
    if (v == 0 || v > 65535) return false;
    port = static_cast<uint16_t>(v);
    return true;
}

std::string Trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
    return s.substr(a, b - a);
}

// host[:port] into out; handles "[v6]" and "[v6]:port".
bool ParseAuthority(const std::string& hostPort, Url& out) {
    std::string host = hostPort, port;
    if (!host.empty() && host[0] == '[') {
        const size_t close = host.find(']');
        if (close == std::string::npos) return false;
        const std::string rest = host.substr(close + 1);
        host = host.substr(1, close - 1);
        if (!rest.empty()) {
            if (rest[0] != ':') return false;
            port = rest.substr(1);
            if (port.empty()) return false;
        }
    } else {
        const size_t colon = host.rfind(':');
        if (colon != std::string::npos) {
            port = host.substr(colon + 1);
            host = host.substr(0, colon);
            if (port.empty()) return false;
        }
    }
    if (host.empty()) return false;
    // Colons only inside brackets: a bare one would print back as an IPv6
    // literal that no longer reads as this host and port.
    const bool bracketed = hostPort[0] == '[';
    for (char c : host)
        if (std::isspace(static_cast<unsigned char>(c)) || c == '/' || c == '@' || c == '?' || c == '#' ||
            c == '[' || c == ']' || (c == ':' && !bracketed))
            return false;
    if (!port.empty() && !ParsePort(port, out.port)) return false;
    out.portWritten = !port.empty();
    out.host = host;
    return true;
}

}  // namespace

std::string Url::HostHeader() const {
    const bool v6 = host.find(':') != std::string::npos;
    std::string h = v6 ? "[" + host + "]" : host;
    if (port != DefaultPort(scheme)) h += ":" + std::to_string(port);
    return h;
}

std::string Url::ToString() const { return scheme + "://" + HostHeader() + path; }

bool ParseUrl(const std::string& text, Url& out) {
    out = Url{};
    if (text.empty() || text.size() > kMaxUrl) return false;
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x21 || c == 0x7F) return false;
    const size_t sep = text.find("://");
    if (sep == std::string::npos || sep == 0) return false;
    for (size_t i = 0; i < sep; ++i)
        out.scheme += static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
    out.port = DefaultPort(out.scheme);
    if (out.port == 0) return false;
    const size_t start = sep + 3;
    size_t end = text.find_first_of("/?#", start);
    if (end == std::string::npos) end = text.size();
    std::string authority = text.substr(start, end - start);
    const size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        const std::string info = authority.substr(0, at);
        authority = authority.substr(at + 1);
        const size_t colon = info.find(':');
        if (!PercentDecode(info.substr(0, colon), out.user)) return false;
        if (colon != std::string::npos && !PercentDecode(info.substr(colon + 1), out.password))
            return false;
    }
    if (!ParseAuthority(authority, out)) return false;
    out.path = text.substr(end);
    const size_t hash = out.path.find('#');
    if (hash != std::string::npos) out.path.resize(hash);
    if (out.path.empty() || out.path[0] != '/') out.path = "/" + out.path;
    return true;
}

bool ParseDeviceAddress(const std::string& raw, Url& out) {
    const std::string text = Trim(raw);
    if (text.find("://") != std::string::npos) {
        if (!ParseUrl(text, out) || out.scheme != "http") return false;
        return true;
    }
    out = Url{};
    if (text.empty() || text.size() > 255 || text.find('/') != std::string::npos ||
        text.find('@') != std::string::npos)
        return false;
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x21 || c == 0x7F) return false;
    out.scheme = "http";
    out.port = 80;
    if (!ParseAuthority(text, out)) return false;
    out.path = "/onvif/device_service";
    return true;
}

Url PinToHost(const Url& given, const Url& user) {
    Url u = given;
    u.host = user.host;
    if (u.scheme.empty()) u.scheme = user.scheme;
    if (!u.portWritten && u.scheme == user.scheme) {
        u.port = user.port;
        u.portWritten = user.portWritten;
    }
    return u;
}

}  // namespace zv::onvif
