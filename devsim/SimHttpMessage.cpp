#include "SimHttpMessage.h"

#include <cctype>

namespace zv::devsim {

bool EqualsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n'))
        --e;
    return s.substr(b, e - b);
}

const std::string* HttpRequest::Header(const std::string& name) const {
    for (const auto& [k, v] : headers)
        if (EqualsNoCase(k, name)) return &v;
    return nullptr;
}

std::string HttpRequest::Path() const {
    std::string t = target;
    // An absolute URL (RTSP always sends one): drop scheme and authority.
    const size_t scheme = t.find("://");
    if (scheme != std::string::npos && scheme < t.find('/')) {
        const size_t slash = t.find('/', scheme + 3);
        t = slash == std::string::npos ? "/" : t.substr(slash);
    }
    const size_t q = t.find('?');
    return q == std::string::npos ? t : t.substr(0, q);
}

std::string HttpRequest::Query(const std::string& key) const {
    const size_t q = target.find('?');
    if (q == std::string::npos) return {};
    size_t at = q + 1;
    while (at <= target.size()) {
        size_t amp = target.find('&', at);
        if (amp == std::string::npos) amp = target.size();
        const std::string pair = target.substr(at, amp - at);
        const size_t eq = pair.find('=');
        if (pair.substr(0, eq) == key) return eq == std::string::npos ? "" : pair.substr(eq + 1);
        at = amp + 1;
    }
    return {};
}

bool HttpRequest::KeepAlive() const {
    const std::string* c = Header("Connection");
    if (c && EqualsNoCase(Trim(*c), "close")) return false;
    if (version == "HTTP/1.0") return c && EqualsNoCase(Trim(*c), "keep-alive");
    return true;
}

void HttpResponse::Set(const std::string& name, const std::string& value) {
    for (auto& [k, v] : headers)
        if (EqualsNoCase(k, name)) {
            v = value;
            return;
        }
    headers.emplace_back(name, value);
}

std::string HttpResponse::Serialize(const std::string& version) const {
    std::string out = version + " " + std::to_string(status) + " " + ReasonPhrase(status) + "\r\n";
    for (const auto& [k, v] : headers) out += k + ": " + v + "\r\n";
    // RTSP replies without a body carry no Content-Length, as servers usually do.
    if (!body.empty() || version.rfind("HTTP", 0) == 0)
        out += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    if (close && version.rfind("HTTP", 0) == 0) out += "Connection: close\r\n";
    out += "\r\n";
    out += body;
    return out;
}

const char* ReasonPhrase(int status) {
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 411: return "Length Required";
    case 413: return "Payload Too Large";
    case 414: return "URI Too Long";
    case 415: return "Unsupported Media Type";
    case 431: return "Request Header Fields Too Large";
    case 453: return "Not Enough Bandwidth";
    case 454: return "Session Not Found";
    case 455: return "Method Not Valid in This State";
    case 459: return "Aggregate Operation Not Allowed";
    case 461: return "Unsupported Transport";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 503: return "Service Unavailable";
    case 505: return "Version Not Supported";
    }
    return "Unknown";
}

}  // namespace zv::devsim
