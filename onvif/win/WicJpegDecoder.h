// JPEG pictures decoded by the system's imaging codecs into top-down 24-bit
// BGR, the order the window takes. One per thread: made and used on a
// thread that has entered the COM apartment.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

struct IWICImagingFactory;

namespace zv::onvif {

class CWicJpegDecoder {
public:
    CWicJpegDecoder();
    ~CWicJpegDecoder();
    CWicJpegDecoder(const CWicJpegDecoder&) = delete;
    CWicJpegDecoder& operator=(const CWicJpegDecoder&) = delete;

    bool Ready() const { return m_factory != nullptr; }
    // false for anything the codec does not take; `bgr` then holds nothing usable.
    bool Decode(const uint8_t* jpeg, size_t size, std::vector<uint8_t>& bgr, int& width, int& height,
                int& stride);

private:
    IWICImagingFactory* m_factory = nullptr;
};

}  // namespace zv::onvif
