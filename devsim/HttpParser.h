// Cuts a byte stream from one client into requests: bytes in, requests or
// an error out, no sockets, so it can be fed hostile input directly. Every
// part is bounded (request line, header block, header count, body, chunk
// lines); a request that breaks a bound is an error with the status to
// answer, after which the connection must end. The RTSP dialect also passes
// over the client's interleaved binary frames ('$', channel, 16-bit length).
// Its own, not the network library's, on purpose: see Xml.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "SimHttpMessage.h"

namespace zv::devsim {

class HttpParser {
public:
    enum class Dialect { Http, Rtsp };
    enum class Status { NeedMore, Request, Interleaved, Error };

    struct Limits {
        size_t maxLine = 2048;         // request line, chunk-size line
        size_t maxHeaderBytes = 8192;  // request line and headers together
        size_t maxHeaders = 64;
        size_t maxBody = 64 * 1024;  // after de-chunking
    };

    explicit HttpParser(Dialect dialect) : HttpParser(dialect, Limits{}) {}
    HttpParser(Dialect dialect, Limits limits) : m_dialect(dialect), m_lim(limits) {}

    // Appends bytes. false (and the error state) when more is buffered than
    // one maximal request: the caller must take requests out with Next
    // before it feeds again.
    bool Feed(const void* data, size_t n);
    // The next request, an interleaved frame passed over (its channel in
    // LastChannel()), NeedMore, or Error (ErrorStatus() says which answer).
    Status Next(HttpRequest& out);

    int ErrorStatus() const { return m_errorStatus; }
    const std::string& ErrorText() const { return m_errorText; }
    int LastChannel() const { return m_lastChannel; }
    // Bytes held: buffered input not yet returned as a request.
    size_t Buffered() const { return m_buf.size() - m_pos; }
    // True while a request has started but not completed (a client that
    // stops in the middle is timed out, an idle one is not).
    bool InRequest() const { return Buffered() > 0 || m_phase != Phase::Head; }

private:
    enum class Phase { Head, Body, ChunkSize, ChunkData, ChunkDataEnd, Trailers };

    Status Fail(int status, const std::string& text);
    // Parses a complete head into m_cur: Request with m_phase saying whether
    // a body follows, NeedMore, or Error.
    Status ParseHead();
    // One line from m_pos (CRLF or LF ended), without the ending; false if
    // none complete yet.
    bool TakeLine(std::string& line, size_t maxLen, bool& tooLong);
    void Compact();

    const Dialect m_dialect;
    const Limits m_lim;
    std::string m_buf;
    size_t m_pos = 0;
    Phase m_phase = Phase::Head;
    HttpRequest m_cur;
    size_t m_bodyLeft = 0;  // Content-Length or chunk bytes still to come
    size_t m_trailerBytes = 0;
    int m_errorStatus = 0;
    std::string m_errorText;
    int m_lastChannel = -1;
};

}  // namespace zv::devsim
