// Pictures as baseline JPEG for snapshots and RTP streams: encoded by the
// system's JPEG library (4:2:0, standard Huffman tables, 8-bit quantisers,
// optional restart markers), and split into the parts an RTP/JPEG payload
// carries (the quantisation tables and the entropy-coded scan).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Image.h"

namespace zv::devsim {

struct JpegParts {
    int width = 0, height = 0;
    int type = -1;                   // RTP/JPEG type: 0 for 4:2:2, 1 for 4:2:0
    uint16_t restartInterval = 0;    // MCUs, 0 without restart markers
    std::vector<uint8_t> qtables;    // 64 bytes each: luma, then chroma (zig-zag)
    size_t scanOffset = 0;           // the entropy-coded data, up to EOI
    size_t scanLength = 0;
};

class JpegCodec {
public:
    // quality 1..100; restartInterval in MCUs (0 for none). false with a
    // reason if the library failed.
    static bool Encode(const Image& img, int quality, int restartInterval,
                       std::vector<uint8_t>& out, std::string* error);
    // Splits one of our baseline frames; false for anything an RTP/JPEG
    // payload cannot carry as is (progressive, 12-bit, not three components
    // of the usual sampling, tables other than 0 and 1).
    static bool Split(const std::vector<uint8_t>& jpeg, JpegParts& out, std::string* error);
    // Decodes to RGB (tests, and the snapshot check); false on any error.
    static bool Decode(const uint8_t* data, size_t n, Image& out, std::string* error);
};

}  // namespace zv::devsim
