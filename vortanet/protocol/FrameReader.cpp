#include "FrameReader.h"

namespace zv::proto {

void FrameReader::Feed(const uint8_t* data, size_t n) {
    if (m_error != DecodeError::None || n == 0) return;
    // Drop consumed bytes before growing, so the buffer does not creep.
    if (m_start > 0 && (m_start == m_buf.size() || m_start >= m_buf.size() / 2)) {
        m_buf.erase(m_buf.begin(), m_buf.begin() + static_cast<std::ptrdiff_t>(m_start));
        m_start = 0;
    }
    m_buf.insert(m_buf.end(), data, data + n);
}

FrameReader::Status FrameReader::Next(Frame& out) {
    if (m_error != DecodeError::None) return Status::Error;
    const size_t avail = m_buf.size() - m_start;
    if (avail < kHeaderSize) return Status::NeedMore;
    FrameHeader h;
    const DecodeError e = ParseHeader(m_buf.data() + m_start, avail, h);
    if (e != DecodeError::None) {
        m_error = e;
        m_buf.clear();
        m_start = 0;
        return Status::Error;
    }
    if (avail - kHeaderSize < h.length) return Status::NeedMore;
    const uint8_t* p = m_buf.data() + m_start + kHeaderSize;
    out.header = h;
    out.payload.assign(p, p + h.length);
    m_start += kHeaderSize + h.length;
    if (m_start == m_buf.size()) {
        m_buf.clear();
        m_start = 0;
    }
    return Status::Frame;
}

}  // namespace zv::proto
