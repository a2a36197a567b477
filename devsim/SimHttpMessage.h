// Requests and responses of the two text faces, HTTP/1.1 (web services and
// snapshots) and RTSP/1.0 (streams): the same message grammar, told apart by
// the version token.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace zv::devsim {

struct HttpRequest {
    std::string method;
    std::string target;   // as sent: absolute path (and query) or absolute URL
    std::string version;  // "HTTP/1.0", "HTTP/1.1" or "RTSP/1.0"
    std::vector<std::pair<std::string, std::string>> headers;  // names as sent
    std::string body;

    // First header of that name (any case), or null.
    const std::string* Header(const std::string& name) const;
    // The path of the target without query, also for an absolute URL.
    std::string Path() const;
    // Value of one query parameter, or empty.
    std::string Query(const std::string& key) const;
    bool KeepAlive() const;
};

struct HttpResponse {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    bool close = false;  // the connection ends after this response

    void Set(const std::string& name, const std::string& value);
    // Status line, headers (with Content-Length) and body; version is
    // "HTTP/1.1" or "RTSP/1.0".
    std::string Serialize(const std::string& version) const;
};

const char* ReasonPhrase(int status);
bool EqualsNoCase(const std::string& a, const std::string& b);
std::string Trim(const std::string& s);

}  // namespace zv::devsim
