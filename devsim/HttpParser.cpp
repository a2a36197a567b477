#include "HttpParser.h"

#include <algorithm>
#include <cstring>

namespace zv::devsim {

namespace {

// What one read of the servers' loops may add beyond a maximal request.
constexpr size_t kReadSlack = 64 * 1024;

bool IsTokenChar(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return std::strchr("!#$%&'*+-.^_`|~", c) != nullptr && c != '\0';
}

bool IsToken(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!IsTokenChar(c)) return false;
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

HttpParser::Status HttpParser::Fail(int status, const std::string& text) {
    m_errorStatus = status;
    m_errorText = text;
    return Status::Error;
}

bool HttpParser::Feed(const void* data, size_t n) {
    if (m_errorStatus != 0) return false;
    Compact();
    if (Buffered() + n > m_lim.maxHeaderBytes + m_lim.maxBody + kReadSlack) {
        Fail(413, "too much input buffered");
        return false;
    }
    m_buf.append(static_cast<const char*>(data), n);
    return true;
}

void HttpParser::Compact() {
    if (m_pos == 0) return;
    if (m_pos == m_buf.size()) {
        m_buf.clear();
        m_pos = 0;
    } else if (m_pos > 16 * 1024) {
        m_buf.erase(0, m_pos);
        m_pos = 0;
    }
}

bool HttpParser::TakeLine(std::string& line, size_t maxLen, bool& tooLong) {
    tooLong = false;
    const size_t avail = Buffered();
    const size_t scan = std::min(avail, maxLen + 2);
    const void* nl = std::memchr(m_buf.data() + m_pos, '\n', scan);
    if (!nl) {
        tooLong = avail > maxLen + 1;
        return false;
    }
    const size_t end = static_cast<size_t>(static_cast<const char*>(nl) - m_buf.data());
    size_t len = end - m_pos;
    if (len > 0 && m_buf[end - 1] == '\r') --len;
    line.assign(m_buf, m_pos, len);
    m_pos = end + 1;
    return true;
}

HttpParser::Status HttpParser::Next(HttpRequest& out) {
    if (m_errorStatus != 0) return Status::Error;
    for (;;) {
        switch (m_phase) {
        case Phase::Head: {
            // Empty lines between requests are allowed and ignored.
            while (m_pos < m_buf.size() && (m_buf[m_pos] == '\r' || m_buf[m_pos] == '\n')) ++m_pos;
            if (m_pos == m_buf.size()) return Status::NeedMore;
            if (m_dialect == Dialect::Rtsp && m_buf[m_pos] == '$') {
                if (Buffered() < 4) return Status::NeedMore;
                const auto* b = reinterpret_cast<const uint8_t*>(m_buf.data() + m_pos);
                const size_t len = static_cast<size_t>(b[2]) << 8 | b[3];
                if (Buffered() < 4 + len) return Status::NeedMore;
                m_lastChannel = b[1];
                m_pos += 4 + len;
                return Status::Interleaved;
            }
            const Status s = ParseHead();
            if (s != Status::Request) return s;  // NeedMore, Error, or go on with a body
            if (m_phase == Phase::Head) {
                out = std::move(m_cur);
                m_cur = HttpRequest{};
                return Status::Request;
            }
            break;
        }
        case Phase::Body: {
            const size_t take = std::min(m_bodyLeft, Buffered());
            m_cur.body.append(m_buf, m_pos, take);
            m_pos += take;
            m_bodyLeft -= take;
            if (m_bodyLeft > 0) return Status::NeedMore;
            m_phase = Phase::Head;
            out = std::move(m_cur);
            m_cur = HttpRequest{};
            return Status::Request;
        }
        case Phase::ChunkSize: {
            std::string line;
            bool tooLong = false;
            if (!TakeLine(line, 64, tooLong))
                return tooLong ? Fail(400, "chunk-size line too long") : Status::NeedMore;
            size_t i = 0, size = 0;
            for (; i < line.size() && HexDigit(line[i]) >= 0; ++i) {
                if (i >= 8) return Fail(400, "chunk size too long");
                size = size * 16 + static_cast<size_t>(HexDigit(line[i]));
            }
            if (i == 0) return Fail(400, "bad chunk size");
            if (i < line.size() && line[i] != ';' && line[i] != ' ' && line[i] != '\t')
                return Fail(400, "bad chunk size");
            if (size == 0) {
                m_phase = Phase::Trailers;
                m_trailerBytes = 0;
                break;
            }
            if (m_cur.body.size() + size > m_lim.maxBody) return Fail(413, "body too large");
            m_bodyLeft = size;
            m_phase = Phase::ChunkData;
            break;
        }
        case Phase::ChunkData: {
            const size_t take = std::min(m_bodyLeft, Buffered());
            m_cur.body.append(m_buf, m_pos, take);
            m_pos += take;
            m_bodyLeft -= take;
            if (m_bodyLeft > 0) return Status::NeedMore;
            m_phase = Phase::ChunkDataEnd;
            break;
        }
        case Phase::ChunkDataEnd: {
            if (Buffered() < 1) return Status::NeedMore;
            if (m_buf[m_pos] == '\n') {
                ++m_pos;
            } else if (m_buf[m_pos] == '\r') {
                if (Buffered() < 2) return Status::NeedMore;
                if (m_buf[m_pos + 1] != '\n') return Fail(400, "chunk not ended by CRLF");
                m_pos += 2;
            } else {
                return Fail(400, "chunk not ended by CRLF");
            }
            m_phase = Phase::ChunkSize;
            break;
        }
        case Phase::Trailers: {
            std::string line;
            bool tooLong = false;
            if (!TakeLine(line, m_lim.maxLine, tooLong))
                return tooLong ? Fail(431, "trailer too long") : Status::NeedMore;
            if (line.empty()) {
                m_phase = Phase::Head;
                out = std::move(m_cur);
                m_cur = HttpRequest{};
                return Status::Request;
            }
            m_trailerBytes += line.size();
            if (m_trailerBytes > m_lim.maxHeaderBytes) return Fail(431, "trailers too large");
            break;
        }
        }
    }
}

HttpParser::Status HttpParser::ParseHead() {
    // The head ends at the first empty line.
    const size_t avail = Buffered();
    const size_t scan = std::min(avail, m_lim.maxHeaderBytes + 4);
    const char* start = m_buf.data() + m_pos;
    size_t end = std::string::npos, bodyAt = 0;
    for (size_t i = 0; i < scan; ++i) {
        if (start[i] != '\n') continue;
        if (i + 1 < scan && start[i + 1] == '\n') {
            end = i;
            bodyAt = i + 2;
            break;
        }
        if (i + 2 < scan && start[i + 1] == '\r' && start[i + 2] == '\n') {
            end = i;
            bodyAt = i + 3;
            break;
        }
    }
    if (end == std::string::npos) {
        if (avail > m_lim.maxHeaderBytes) return Fail(431, "request head too large");
        return Status::NeedMore;
    }
    if (end > m_lim.maxHeaderBytes) return Fail(431, "request head too large");
    const std::string head(start, end);
    m_pos += bodyAt;

    HttpRequest req;
    size_t lineStart = 0;
    bool first = true;
    std::string contentLength;
    bool chunked = false, sawTransferEncoding = false;
    while (lineStart <= head.size()) {
        size_t nl = head.find('\n', lineStart);
        if (nl == std::string::npos) nl = head.size();
        std::string line = head.substr(lineStart, nl - lineStart);
        lineStart = nl + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (first) {
            first = false;
            if (line.size() > m_lim.maxLine) return Fail(414, "request line too long");
            const size_t s1 = line.find(' ');
            const size_t s2 = s1 == std::string::npos ? s1 : line.find(' ', s1 + 1);
            if (s2 == std::string::npos || line.find(' ', s2 + 1) != std::string::npos)
                return Fail(400, "bad request line");
            req.method = line.substr(0, s1);
            req.target = line.substr(s1 + 1, s2 - s1 - 1);
            req.version = line.substr(s2 + 1);
            if (!IsToken(req.method) || req.method.size() > 32) return Fail(400, "bad method");
            if (req.target.empty()) return Fail(400, "empty target");
            for (unsigned char c : req.target)
                if (c <= 0x20 || c == 0x7F) return Fail(400, "bad target");
            const char* want = m_dialect == Dialect::Rtsp ? "RTSP/" : "HTTP/";
            if (req.version.rfind(want, 0) != 0) return Fail(400, "bad version");
            const bool known = m_dialect == Dialect::Rtsp
                                   ? req.version == "RTSP/1.0"
                                   : (req.version == "HTTP/1.1" || req.version == "HTTP/1.0");
            if (!known) return Fail(505, "version not supported");
            continue;
        }
        if (line.empty()) continue;
        if (line[0] == ' ' || line[0] == '\t') return Fail(400, "folded header");
        const size_t colon = line.find(':');
        if (colon == std::string::npos) return Fail(400, "header without colon");
        std::string name = line.substr(0, colon);
        if (!IsToken(name)) return Fail(400, "bad header name");
        std::string value = Trim(line.substr(colon + 1));
        for (unsigned char c : value)
            if ((c < 0x20 && c != '\t') || c == 0x7F) return Fail(400, "control byte in header");
        if (req.headers.size() >= m_lim.maxHeaders) return Fail(431, "too many headers");
        if (EqualsNoCase(name, "Content-Length")) {
            if (!contentLength.empty() && contentLength != value)
                return Fail(400, "conflicting Content-Length");
            if (value.empty() || value.size() > 10 ||
                value.find_first_not_of("0123456789") != std::string::npos)
                return Fail(400, "bad Content-Length");
            contentLength = value;
        } else if (EqualsNoCase(name, "Transfer-Encoding")) {
            if (sawTransferEncoding) return Fail(400, "repeated Transfer-Encoding");
            sawTransferEncoding = true;
            if (m_dialect != Dialect::Http || !EqualsNoCase(value, "chunked"))
                return Fail(501, "transfer coding not supported");
            chunked = true;
        }
        req.headers.emplace_back(std::move(name), std::move(value));
    }
    if (chunked && !contentLength.empty())
        return Fail(400, "both Content-Length and Transfer-Encoding");

    m_cur = std::move(req);
    if (chunked) {
        m_phase = Phase::ChunkSize;
        return Status::Request;
    }
    const unsigned long long len = contentLength.empty() ? 0 : std::stoull(contentLength);
    if (len > m_lim.maxBody) return Fail(413, "body too large");
    if (len > 0) {
        m_bodyLeft = static_cast<size_t>(len);
        m_phase = Phase::Body;
    }
    return Status::Request;
}

}  // namespace zv::devsim
