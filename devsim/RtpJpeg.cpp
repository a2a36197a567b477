#include "RtpJpeg.h"

#include <algorithm>

namespace zv::devsim {

bool RtpJpeg::Packetize(const std::vector<uint8_t>& jpeg, const JpegParts& parts,
                        size_t maxPayload, RtpJpegFrame& out) {
    out = RtpJpegFrame{};
    const int w8 = (parts.width + 7) / 8, h8 = (parts.height + 7) / 8;
    if (w8 < 1 || h8 < 1 || w8 > 255 || h8 > 255 || parts.type < 0 || parts.qtables.size() != 128)
        return false;
    const bool restart = parts.restartInterval != 0;
    const uint8_t type = static_cast<uint8_t>(parts.type + (restart ? 64 : 0));
    const size_t fixed = 8 + (restart ? 4 : 0);
    const size_t tables = 4 + parts.qtables.size();
    if (maxPayload < fixed + tables + 1) return false;
    const uint8_t* scan = jpeg.data() + parts.scanOffset;
    size_t offset = 0;
    do {
        const bool first = offset == 0;
        const size_t room = maxPayload - fixed - (first ? tables : 0);
        const size_t n = std::min(room, parts.scanLength - offset);
        out.payload.push_back(0);  // first byte of the JPEG header: unused, 0
        out.payload.push_back(static_cast<uint8_t>(offset >> 16));
        out.payload.push_back(static_cast<uint8_t>(offset >> 8));
        out.payload.push_back(static_cast<uint8_t>(offset));
        out.payload.push_back(type);
        out.payload.push_back(255);  // Q: tables in band
        out.payload.push_back(static_cast<uint8_t>(w8));
        out.payload.push_back(static_cast<uint8_t>(h8));
        if (restart) {
            out.payload.push_back(static_cast<uint8_t>(parts.restartInterval >> 8));
            out.payload.push_back(static_cast<uint8_t>(parts.restartInterval));
            // F = L = 1, count 0x3FFF: fragments are not cut at restart intervals.
            out.payload.push_back(0xFF);
            out.payload.push_back(0xFF);
        }
        if (first) {
            out.payload.push_back(0);  // MBZ
            out.payload.push_back(0);  // precision: 8-bit tables
            out.payload.push_back(static_cast<uint8_t>(parts.qtables.size() >> 8));
            out.payload.push_back(static_cast<uint8_t>(parts.qtables.size()));
            out.payload.insert(out.payload.end(), parts.qtables.begin(), parts.qtables.end());
        }
        out.payload.insert(out.payload.end(), scan + offset, scan + offset + n);
        out.ends.push_back(out.payload.size());
        offset += n;
    } while (offset < parts.scanLength);
    return true;
}

void RtpJpeg::Header(uint8_t h[kRtpHeaderSize], bool marker, uint16_t seq, uint32_t ts,
                     uint32_t ssrc) {
    h[0] = 0x80;  // version 2, no padding, extension or contributors
    h[1] = static_cast<uint8_t>((marker ? 0x80 : 0) | kPayloadType);
    h[2] = static_cast<uint8_t>(seq >> 8);
    h[3] = static_cast<uint8_t>(seq);
    for (int i = 0; i < 4; ++i) {
        h[4 + i] = static_cast<uint8_t>(ts >> (24 - 8 * i));
        h[8 + i] = static_cast<uint8_t>(ssrc >> (24 - 8 * i));
    }
}

}  // namespace zv::devsim
