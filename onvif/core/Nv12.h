// Decoded pictures as the H.264 decoder hands them on: NV12 (a luma plane
// of width x height bytes, then one plane of interleaved U and V at half
// resolution, rounded up: (width + 1) / 2 pairs a row, (height + 1) / 2
// rows), each carrying its own size, and their conversion to the window's
// top-down 24-bit BGR. The picture-size cap of the library lives here too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zv::onvif {

// Larger pictures are dropped (counted), not decoded into memory: a 4K
// picture is the most a camera sends for live view.
constexpr int kMaxPictureSide = 4096;
constexpr int64_t kMaxPicturePixels = 4096 * 2160;

// Whether a picture of this size is drawn at all.
bool PictureSizeAllowed(int width, int height);

struct Nv12Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> data;  // Nv12Bytes(width, height)
};

// Bytes of an NV12 picture of that size; 0 for a size not allowed.
size_t Nv12Bytes(int width, int height);
// Bytes of one chroma row (U and V pairs).
inline size_t Nv12ChromaRow(int width) { return static_cast<size_t>(width + 1) & ~size_t(1); }

// BT.601 studio range to top-down BGR rows padded to four bytes. false
// (and `bgr` untouched) for a picture whose data does not match its size.
bool Nv12ToBgr(const Nv12Picture& picture, std::vector<uint8_t>& bgr);

}  // namespace zv::onvif
