// H.264 access units decoded by the system's media decoder (a Media
// Foundation transform) into NV12 pictures that each carry their own size:
// a camera whose resolution changes mid-stream has pictures of both sizes
// come out of one call. Fed one whole access unit at a time with an
// access-unit delimiter after it, so that the decoder hands out each
// picture without waiting for the next one. Pictures over the size cap
// (Nv12.h) are dropped and counted. New sequence parameters (another size)
// get a fresh decoder from their unit on, as does a decoder that fails. One per thread, on a thread that has
// entered the COM apartment.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "Nv12.h"

struct IMFTransform;

namespace zv::onvif {

class CMfH264Decoder {
public:
    CMfH264Decoder();
    ~CMfH264Decoder();
    CMfH264Decoder(const CMfH264Decoder&) = delete;
    CMfH264Decoder& operator=(const CMfH264Decoder&) = delete;

    // Whether this system has a decoder at all (probed once per process).
    static bool Available();
    bool Ready() const { return m_mft != nullptr; }

    using PictureFn = std::function<void(const zv::onvif::Nv12Picture&)>;
    // One access unit in Annex B form. Each picture that comes out (a
    // stream with B-frames gives none for some units and two for others)
    // goes to `picture` at once, in display order; the picture is valid
    // during the call only. Returns how many came out.
    size_t Decode(const uint8_t* au, size_t size, const PictureFn& picture);
    // The size of the pictures coming out now.
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Pictures over the size cap or not matching their buffers.
    uint64_t Dropped() const { return m_dropped; }
    // Times a fresh decoder took over (new parameters, or a failure).
    uint64_t Restarts() const { return m_restarts; }

private:
    bool Open();
    // false when the decoder failed on the unit.
    bool Feed(const uint8_t* au, size_t size, const PictureFn& picture, size_t& count);
    bool SetOutputType();
    bool Drain(const PictureFn& picture, size_t& count);

    IMFTransform* m_mft = nullptr;
    bool m_started = false;  // MFStartup succeeded
    int m_width = 0, m_height = 0;
    int m_stride = 0, m_alignedHeight = 0;  // of the decoder's buffers
    int64_t m_time = 0;
    uint64_t m_dropped = 0, m_restarts = 0;
    std::vector<uint8_t> m_sps;  // the last sequence parameters seen
    zv::onvif::Nv12Picture m_picture;  // reused: one picture's memory at a time
};

// An Annex B stream cut into access units at its access-unit delimiters.
std::vector<std::vector<uint8_t>> SplitAtDelimiters(const uint8_t* data, size_t size);

}  // namespace zv::onvif
