// HTTP and RTSP messages as the client sees them: requests written whole
// (so that each goes out in one send), and a bounded parser that cuts the
// device's byte stream into responses and, on an RTSP connection, the
// interleaved binary packets between them. Bytes in, messages out, no
// sockets: it can be fed anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zv::onvif {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

bool EqualsNoCase(const std::string& a, const std::string& b);

// "METHOD target VERSION\r\nName: value\r\n...\r\n\r\nbody", with a
// Content-Length whenever there is a body.
std::string BuildRequest(const std::string& method, const std::string& target,
                         const std::string& version, const HeaderList& headers,
                         const std::string& body);

struct Response {
    std::string version;  // "HTTP/1.1" or "RTSP/1.0"
    int status = 0;
    std::string reason;
    HeaderList headers;
    std::string body;

    // First header of that name (any case), or null.
    const std::string* Header(const std::string& name) const;
    // Every header of that name, in order (several challenges, say).
    std::vector<std::string> Headers(const std::string& name) const;
    // Whether the server keeps the connection open after this response.
    bool KeepAlive() const;
};

class ResponseParser {
public:
    enum class Dialect { Http, Rtsp };
    enum class Status { NeedMore, Response, Interleaved, Error };

    struct Limits {
        size_t maxLine = 2048;          // status line, chunk-size line
        size_t maxHeadBytes = 16384;    // status line and headers together
        size_t maxHeaders = 100;
        size_t maxBody = 2 * 1024 * 1024;  // after de-chunking
    };

    explicit ResponseParser(Dialect dialect) : ResponseParser(dialect, Limits{}) {}
    ResponseParser(Dialect dialect, Limits limits) : m_dialect(dialect), m_lim(limits) {}

    // Appends bytes; false (and the error state) when more is held than one
    // maximal message: take messages out with Next before feeding again.
    bool Feed(const void* data, size_t n);
    // The peer closed: a body delimited by the close is complete now.
    void Finish();
    // The next response, an interleaved packet (channel and bytes in
    // InterleavedChannel()/InterleavedData()), NeedMore, or Error.
    Status Next(Response& out);
    // The response to a HEAD has no body whatever its headers say.
    void ExpectNoBody() { m_noBody = true; }

    int InterleavedChannel() const { return m_channel; }
    const std::string& InterleavedData() const { return m_packet; }
    const std::string& ErrorText() const { return m_error; }
    size_t Buffered() const { return m_buf.size() - m_pos; }
    // A response has started but not finished.
    bool InMessage() const { return Buffered() > 0 || m_phase != Phase::Head; }

private:
    enum class Phase { Head, Body, UntilClose, ChunkSize, ChunkData, ChunkDataEnd, Trailers };

    Status Fail(const std::string& why);
    Status ParseHead();
    bool TakeLine(std::string& line, size_t maxLen, bool& tooLong);
    void Compact();

    const Dialect m_dialect;
    const Limits m_lim;
    std::string m_buf;
    size_t m_pos = 0;
    Phase m_phase = Phase::Head;
    Response m_cur;
    size_t m_left = 0;
    size_t m_trailerBytes = 0;
    bool m_closed = false;
    bool m_noBody = false;
    bool m_failed = false;
    std::string m_error;
    int m_channel = -1;
    std::string m_packet;
};

}  // namespace zv::onvif
