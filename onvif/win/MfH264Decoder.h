// H.264 access units decoded by the system's media decoder (a Media
// Foundation transform) into NV12, and from there into top-down 24-bit BGR
// for the window. Fed one whole access unit at a time with an access-unit
// delimiter after it, so that the decoder hands out each picture without
// waiting for the next one. One per thread, on a thread that has entered the
// COM apartment.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

struct IMFTransform;

namespace vn::onvif {

class CMfH264Decoder {
public:
    CMfH264Decoder();
    ~CMfH264Decoder();
    CMfH264Decoder(const CMfH264Decoder&) = delete;
    CMfH264Decoder& operator=(const CMfH264Decoder&) = delete;

    // Whether this system has a decoder at all (probed once per process).
    static bool Available();
    bool Ready() const { return m_mft != nullptr; }

    // One access unit in Annex B form. Returns how many pictures came out
    // (a stream with B-frames gives none for some units and two for
    // others), in display order in Pictures(): NV12, Width() x Height(),
    // rows of Width() bytes. They stay until the next call.
    size_t Decode(const uint8_t* au, size_t size);
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    const std::vector<std::vector<uint8_t>>& Pictures() const { return m_pictures; }

private:
    bool SetOutputType();
    bool Drain();

    IMFTransform* m_mft = nullptr;
    bool m_started = false;  // MFStartup succeeded
    int m_width = 0, m_height = 0;
    int m_stride = 0, m_alignedHeight = 0;  // of the decoder's buffers
    int64_t m_time = 0;
    std::vector<std::vector<uint8_t>> m_pictures;
};

// Converts NV12 (BT.601, studio range) to top-down BGR rows padded to four bytes.
void Nv12ToBgr(const uint8_t* nv12, int width, int height, std::vector<uint8_t>& bgr);

// An Annex B stream cut into access units at its access-unit delimiters.
std::vector<std::vector<uint8_t>> SplitAtDelimiters(const uint8_t* data, size_t size);

}  // namespace vn::onvif
