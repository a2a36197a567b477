// RTP/JPEG payloads (RFC 2435) back into whole baseline JPEG files a
// decoder takes: the main header read from every packet, the restart-marker
// header (its interval becomes the file's DRI), quantisation tables in band
// (Q 128..255, kept per Q when a later frame says they were sent before) or
// computed from Q 1..99, and the standard Huffman tables. Packets are taken
// in sequence order; a frame with a lost or misplaced fragment is dropped,
// never handed on half made.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "Rtp.h"

namespace zv::onvif {

class JpegDepacketizer {
public:
    static constexpr size_t kMaxFrameBytes = 8 * 1024 * 1024;

    struct Frame {
        std::vector<uint8_t> jpeg;
        uint32_t timestamp = 0;
        int width = 0, height = 0;
    };

    // One packet in sequence order, with the count lost just before it.
    // True when it completed a frame (in `out`).
    bool Push(const RtpPacket& pkt, uint32_t lostBefore, Frame& out);

    uint64_t FramesDropped() const { return m_dropped; }

    // The tables RFC 2435 derives from Q 1..99, in zig-zag order (64 luma,
    // then 64 chroma).
    static std::array<uint8_t, 128> TablesForQ(int q);

private:
    void Abandon();
    bool Finish(Frame& out);

    bool m_active = false;    // a frame is being gathered
    bool m_damaged = false;   // ... and something of it was lost
    uint32_t m_ts = 0;
    uint8_t m_type = 0, m_q = 0;
    int m_width = 0, m_height = 0;
    uint16_t m_dri = 0;
    std::vector<uint8_t> m_tables;  // as in the first packet (or derived)
    uint8_t m_precision = 0;
    std::vector<uint8_t> m_scan;
    std::map<uint8_t, std::vector<uint8_t>> m_knownTables;  // by Q, for "sent before"
    std::vector<uint8_t> m_knownPrecision = std::vector<uint8_t>(256);
    uint64_t m_dropped = 0;
    bool m_orphan = false;  // packets of a picture without its start were seen
    uint32_t m_orphanTs = 0;
};

}  // namespace zv::onvif
