#include "HttpMessage.h"

#include <cctype>
#include <cstring>

namespace zv::onvif {

namespace {

std::string Trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
    return s.substr(a, b - a);
}

bool ParseSize(const std::string& digits, int base, size_t limit, size_t& out) {
    if (digits.empty() || digits.size() > 16) return false;
    size_t v = 0;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        v = v * static_cast<size_t>(base) + static_cast<size_t>(d);
        if (v > limit) return false;
    }
    out = v;
    return true;
}

}  // namespace

bool EqualsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string BuildRequest(const std::string& method, const std::string& target,
                         const std::string& version, const HeaderList& headers,
                         const std::string& body) {
    std::string out;
    out.reserve(256 + body.size());
    out += method + ' ' + target + ' ' + version + "\r\n";
    for (const auto& [name, value] : headers) out += name + ": " + value + "\r\n";
    if (!body.empty()) out += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    out += "\r\n";
    out += body;
    return out;
}

const std::string* Response::Header(const std::string& name) const {
    for (const auto& h : headers)
        if (EqualsNoCase(h.first, name)) return &h.second;
    return nullptr;
}

std::vector<std::string> Response::Headers(const std::string& name) const {
    std::vector<std::string> out;
    for (const auto& h : headers)
        if (EqualsNoCase(h.first, name)) out.push_back(h.second);
    return out;
}

bool Response::KeepAlive() const {
    const std::string* c = Header("Connection");
    if (version == "HTTP/1.0") return c && EqualsNoCase(Trim(*c), "keep-alive");
    if (!c) return true;
    // A list: "close" anywhere in it ends the connection.
    std::string v;
    for (char ch : *c) v += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return v.find("close") == std::string::npos;
}

ResponseParser::Status ResponseParser::Fail(const std::string& why) {
    if (!m_failed) m_error = why;
    m_failed = true;
    return Status::Error;
}

bool ResponseParser::Feed(const void* data, size_t n) {
    if (m_failed) return false;
    // One message at most: a head, a body, and a chunk line's worth besides.
    const size_t bound = m_lim.maxHeadBytes + m_lim.maxBody + 2 * m_lim.maxLine + 65540;
    if (Buffered() + n > bound) {
        Fail("more bytes than one message may hold");
        return false;
    }
    Compact();
    m_buf.append(static_cast<const char*>(data), n);
    return true;
}

void ResponseParser::Finish() { m_closed = true; }

void ResponseParser::Compact() {
    if (m_pos > 0 && (m_pos >= 65536 || m_pos * 2 >= m_buf.size())) {
        m_buf.erase(0, m_pos);
        m_pos = 0;
    }
}

bool ResponseParser::TakeLine(std::string& line, size_t maxLen, bool& tooLong) {
    tooLong = false;
    const size_t nl = m_buf.find('\n', m_pos);
    if (nl == std::string::npos) {
        tooLong = Buffered() > maxLen;
        return false;
    }
    size_t end = nl;
    if (end > m_pos && m_buf[end - 1] == '\r') --end;
    if (end - m_pos > maxLen) {
        tooLong = true;
        return false;
    }
    line.assign(m_buf, m_pos, end - m_pos);
    m_pos = nl + 1;
    return true;
}

ResponseParser::Status ResponseParser::ParseHead() {
    // The whole head first: nothing is taken until its blank line is here.
    size_t scan = m_pos, lines = 0;
    for (;;) {
        const size_t nl = m_buf.find('\n', scan);
        if (nl == std::string::npos) {
            if (Buffered() > m_lim.maxHeadBytes) return Fail("response head too long");
            return Status::NeedMore;
        }
        if (nl + 1 - m_pos > m_lim.maxHeadBytes) return Fail("response head too long");
        const size_t len = nl - scan - (nl > scan && m_buf[nl - 1] == '\r' ? 1 : 0);
        if (len > m_lim.maxLine && lines == 0) return Fail("status line too long");
        scan = nl + 1;
        if (len == 0 && lines > 0) break;
        if (len == 0 && lines == 0) return Fail("empty status line");
        if (++lines > m_lim.maxHeaders + 1) return Fail("too many headers");
    }
    m_cur = Response{};
    bool tooLong = false;
    std::string line;
    TakeLine(line, m_lim.maxHeadBytes, tooLong);
    // "HTTP/1.1 200 OK"
    const size_t sp1 = line.find(' ');
    if (sp1 == std::string::npos) return Fail("malformed status line");
    m_cur.version = line.substr(0, sp1);
    const char* want = m_dialect == Dialect::Rtsp ? "RTSP/1." : "HTTP/1.";
    if (m_cur.version.size() != 8 || m_cur.version.compare(0, 7, want) != 0 ||
        !std::isdigit(static_cast<unsigned char>(m_cur.version[7])))
        return Fail("not a " + std::string(want) + "x response");
    const std::string code = line.substr(sp1 + 1, 3);
    size_t status = 0;
    if (code.size() != 3 || !ParseSize(code, 10, 999, status) || status < 100)
        return Fail("bad status code");
    if (line.size() > sp1 + 4 && line[sp1 + 4] != ' ') return Fail("bad status code");
    m_cur.status = static_cast<int>(status);
    m_cur.reason = line.size() > sp1 + 5 ? line.substr(sp1 + 5) : std::string();
    for (;;) {
        TakeLine(line, m_lim.maxHeadBytes, tooLong);
        if (line.empty()) break;
        if (line[0] == ' ' || line[0] == '\t') {
            // An obsolete folded line continues the previous header.
            if (m_cur.headers.empty()) return Fail("folded first header");
            m_cur.headers.back().second += ' ' + Trim(line);
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0) return Fail("malformed header");
        const std::string name = line.substr(0, colon);
        for (char c : name)
            if (c == ' ' || c == '\t') return Fail("space in a header name");
        m_cur.headers.emplace_back(name, Trim(line.substr(colon + 1)));
    }
    // How the body is delimited.
    const std::string* te = m_cur.Header("Transfer-Encoding");
    const std::string* cl = m_cur.Header("Content-Length");
    const bool noBody = m_noBody || (m_cur.status >= 100 && m_cur.status < 200) ||
                        m_cur.status == 204 || m_cur.status == 304;
    if (noBody) {
        m_phase = Phase::Head;
        return Status::Response;
    }
    if (te && m_dialect == Dialect::Http) {
        if (!EqualsNoCase(Trim(*te), "chunked")) return Fail("transfer coding not understood");
        m_phase = Phase::ChunkSize;
        return Status::NeedMore;
    }
    if (cl) {
        for (const auto& v : m_cur.Headers("Content-Length"))
            if (Trim(v) != Trim(*cl)) return Fail("conflicting Content-Length");
        size_t n = 0;
        if (!ParseSize(Trim(*cl), 10, m_lim.maxBody, n)) return Fail("bad or too large Content-Length");
        m_left = n;
        m_phase = n ? Phase::Body : Phase::Head;
        return n ? Status::NeedMore : Status::Response;
    }
    // RTSP: no length, no body. HTTP: the body runs until the close.
    if (m_dialect == Dialect::Rtsp) {
        m_phase = Phase::Head;
        return Status::Response;
    }
    m_phase = Phase::UntilClose;
    return Status::NeedMore;
}

ResponseParser::Status ResponseParser::Next(Response& out) {
    if (m_failed) return Status::Error;
    for (;;) {
        switch (m_phase) {
        case Phase::Head: {
            if (Buffered() == 0) return Status::NeedMore;
            if (m_dialect == Dialect::Rtsp && m_buf[m_pos] == '$') {
                if (Buffered() < 4) return Status::NeedMore;
                const size_t len = (static_cast<uint8_t>(m_buf[m_pos + 2]) << 8) |
                                   static_cast<uint8_t>(m_buf[m_pos + 3]);
                if (Buffered() < 4 + len) return Status::NeedMore;
                m_channel = static_cast<uint8_t>(m_buf[m_pos + 1]);
                m_packet.assign(m_buf, m_pos + 4, len);
                m_pos += 4 + len;
                return Status::Interleaved;
            }
            // Blank lines between messages are tolerated.
            if (m_buf[m_pos] == '\r' || m_buf[m_pos] == '\n') {
                ++m_pos;
                continue;
            }
            const Status st = ParseHead();
            if (st == Status::Error) return st;
            if (st == Status::Response) {
                m_noBody = false;
                // Interim answers (100 Continue) are passed over.
                if (m_dialect == Dialect::Http && m_cur.status < 200) continue;
                out = std::move(m_cur);
                return Status::Response;
            }
            if (m_phase == Phase::Head) return Status::NeedMore;  // head not complete
            continue;
        }
        case Phase::Body: {
            const size_t n = std::min(m_left, Buffered());
            m_cur.body.append(m_buf, m_pos, n);
            m_pos += n;
            m_left -= n;
            if (m_left) return Status::NeedMore;
            m_phase = Phase::Head;
            m_noBody = false;
            out = std::move(m_cur);
            return Status::Response;
        }
        case Phase::UntilClose: {
            if (m_cur.body.size() + Buffered() > m_lim.maxBody) return Fail("body too large");
            m_cur.body.append(m_buf, m_pos, Buffered());
            m_pos = m_buf.size();
            if (!m_closed) return Status::NeedMore;
            m_phase = Phase::Head;
            out = std::move(m_cur);
            return Status::Response;
        }
        case Phase::ChunkSize: {
            std::string line;
            bool tooLong = false;
            if (!TakeLine(line, 256, tooLong)) return tooLong ? Fail("chunk-size line too long") : Status::NeedMore;
            const std::string size = Trim(line.substr(0, line.find(';')));
            size_t n = 0;
            if (!ParseSize(size, 16, m_lim.maxBody, n)) return Fail("bad chunk size");
            if (m_cur.body.size() + n > m_lim.maxBody) return Fail("body too large");
            m_left = n;
            m_trailerBytes = 0;
            m_phase = n ? Phase::ChunkData : Phase::Trailers;
            continue;
        }
        case Phase::ChunkData: {
            const size_t n = std::min(m_left, Buffered());
            m_cur.body.append(m_buf, m_pos, n);
            m_pos += n;
            m_left -= n;
            if (m_left) return Status::NeedMore;
            m_phase = Phase::ChunkDataEnd;
            continue;
        }
        case Phase::ChunkDataEnd: {
            std::string line;
            bool tooLong = false;
            if (!TakeLine(line, 2, tooLong)) return tooLong ? Fail("chunk not ended by CRLF") : Status::NeedMore;
            if (!line.empty()) return Fail("chunk not ended by CRLF");
            m_phase = Phase::ChunkSize;
            continue;
        }
        case Phase::Trailers: {
            std::string line;
            bool tooLong = false;
            if (!TakeLine(line, m_lim.maxLine, tooLong)) return tooLong ? Fail("trailer too long") : Status::NeedMore;
            m_trailerBytes += line.size() + 2;
            if (m_trailerBytes > m_lim.maxHeadBytes) return Fail("trailers too long");
            if (!line.empty()) continue;  // trailers are not kept
            m_phase = Phase::Head;
            m_noBody = false;
            out = std::move(m_cur);
            return Status::Response;
        }
        }
    }
}

}  // namespace zv::onvif
