// One picture as RTP/JPEG payloads (RFC 2435): the 8-byte JPEG header in
// every packet, the restart-marker header when the scan has restart markers
// (the interval then reaches the receiver, which writes its DRI), and the
// quantisation tables in the first packet (Q = 255: tables sent in band).
// The RTP header (sequence number, time stamp, source) belongs to each
// receiver and is put in front when the frame is sent to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "JpegCodec.h"

namespace zv::devsim {

struct RtpJpegFrame {
    std::vector<uint8_t> payload;  // every packet's payload, back to back
    std::vector<size_t> ends;      // end offset of each packet's payload
    size_t Packets() const { return ends.size(); }
};

class RtpJpeg {
public:
    static constexpr uint8_t kPayloadType = 26;
    static constexpr size_t kRtpHeaderSize = 12;
    static constexpr size_t kDefaultMaxPayload = 1400;

    // false if the picture is too large for the format (2040 x 2040).
    static bool Packetize(const std::vector<uint8_t>& jpeg, const JpegParts& parts,
                          size_t maxPayload, RtpJpegFrame& out);
    static void Header(uint8_t out[kRtpHeaderSize], bool marker, uint16_t seq, uint32_t timestamp,
                       uint32_t ssrc);
};

}  // namespace zv::devsim
