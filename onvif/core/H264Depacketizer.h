// RTP/H.264 payloads (RFC 6184, non-interleaved mode: single NAL units,
// STAP-A and FU-A) back into access units in Annex B form, each whole: the
// NAL units of one time stamp, ended by the marker bit or the next time
// stamp. The parameter sets from the session description are put before
// the first key frame (and any that comes without its own). After a loss,
// pictures are dropped until the next key frame rather than decoded broken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Rtp.h"

namespace zv::onvif {

class H264Depacketizer {
public:
    // With the play's queue (24 MB) a play holds about 32 MB of stream at most;
    // a 4K key frame is a fraction of this.
    static constexpr size_t kMaxAccessUnitBytes = 4 * 1024 * 1024;
    static constexpr size_t kMaxNalUnits = 4096;

    struct AccessUnit {
        std::vector<uint8_t> data;  // Annex B: 00 00 00 01 before every NAL unit
        uint32_t timestamp = 0;
        bool keyFrame = false;  // holds an IDR slice
    };

    // sprop-parameter-sets from the SDP's fmtp ("base64,base64"); false if
    // it is malformed (it is then ignored).
    bool SetParameterSets(const std::string& sprop);

    // One packet in sequence order, with the count lost just before it.
    // Completed access units are appended to `out` (two when a new time
    // stamp ends one and the packet's marker ends the next); true if any.
    bool Push(const RtpPacket& pkt, uint32_t lostBefore, std::vector<AccessUnit>& out);

    uint64_t FramesDropped() const { return m_dropped; }

private:
    void AddNal(const uint8_t* p, size_t n);
    bool Complete(AccessUnit& out);
    void Damage();

    std::vector<uint8_t> m_sps, m_pps;  // from the description, Annex B
    std::vector<uint8_t> m_au;
    size_t m_nals = 0;
    bool m_active = false;
    bool m_hasIdr = false, m_hasSps = false, m_hasPps = false, m_hasSlice = false;
    uint32_t m_ts = 0;
    bool m_damaged = false;
    bool m_needKey = true;  // nothing decodable before a key frame
    std::vector<uint8_t> m_fu;  // a fragmented NAL unit being gathered
    bool m_inFu = false;
    uint64_t m_dropped = 0;
};

}  // namespace zv::onvif
