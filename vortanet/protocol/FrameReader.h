// Cuts a TCP byte stream into frames. The header is checked as soon as its
// 16 bytes are in, so a bad or oversized frame is refused before its payload
// is buffered; after an error the reader stays failed (the session is
// dropped, there is no resynchronising on a stream).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Messages.h"

namespace zv::proto {

class FrameReader {
public:
    enum class Status { NeedMore, Frame, Error };

    // Appends received bytes. Callers feed what one receive returned and then
    // drain Next(), so the buffer stays within one frame plus one receive.
    void Feed(const uint8_t* data, size_t n);
    Status Next(Frame& out);
    DecodeError Error() const { return m_error; }
    // Bytes held that do not yet make a whole frame.
    size_t Buffered() const { return m_buf.size() - m_start; }

private:
    std::vector<uint8_t> m_buf;
    size_t m_start = 0;
    DecodeError m_error = DecodeError::None;
};

}  // namespace zv::proto
