#include "H264Depacketizer.h"

#include "Base64.h"

namespace zv::onvif {

namespace {
const uint8_t kStart[4] = {0, 0, 0, 1};
}

bool H264Depacketizer::SetParameterSets(const std::string& sprop) {
    std::vector<uint8_t> sps, pps;
    size_t at = 0;
    int count = 0;
    while (at <= sprop.size() && count < 8) {
        size_t comma = sprop.find(',', at);
        if (comma == std::string::npos) comma = sprop.size();
        std::vector<uint8_t> nal;
        if (!Base64Decode(sprop.substr(at, comma - at), nal, 4096) || nal.empty()) return false;
        const uint8_t type = nal[0] & 0x1F;
        std::vector<uint8_t>& into = type == 7 ? sps : (type == 8 ? pps : sps);
        if (type == 7 || type == 8) {
            into.insert(into.end(), kStart, kStart + 4);
            into.insert(into.end(), nal.begin(), nal.end());
        }
        at = comma + 1;
        ++count;
    }
    m_sps = std::move(sps);
    m_pps = std::move(pps);
    return true;
}

void H264Depacketizer::AddNal(const uint8_t* p, size_t n) {
    if (n == 0 || (p[0] & 0x80)) {  // forbidden bit: a corrupt unit
        m_damaged = true;
        return;
    }
    if (m_au.size() + n + 4 > kMaxAccessUnitBytes || m_nals >= kMaxNalUnits) {
        m_damaged = true;
        return;
    }
    const uint8_t type = p[0] & 0x1F;
    if (type == 5) m_hasIdr = true;
    if (type == 7) m_hasSps = true;
    if (type == 8) m_hasPps = true;
    if (type >= 1 && type <= 5) m_hasSlice = true;
    m_au.insert(m_au.end(), kStart, kStart + 4);
    m_au.insert(m_au.end(), p, p + n);
    ++m_nals;
}

void H264Depacketizer::Damage() {
    m_damaged = true;
    m_inFu = false;
    m_fu.clear();
}

bool H264Depacketizer::Complete(AccessUnit& out) {
    const bool ok = m_active && !m_damaged && m_hasSlice && !m_inFu;
    bool emitted = false;
    if (!ok) {
        if (m_active && (m_damaged || m_inFu || m_hasSlice)) {
            ++m_dropped;
            m_needKey = true;  // what follows refers to what was lost
        }
    } else if (m_needKey && !m_hasIdr) {
        ++m_dropped;
    } else {
        out.data.clear();
        out.timestamp = m_ts;
        out.keyFrame = m_hasIdr;
        // A key frame without its parameter sets gets those of the description.
        if (m_hasIdr && !m_hasSps) out.data.insert(out.data.end(), m_sps.begin(), m_sps.end());
        if (m_hasIdr && !m_hasPps) out.data.insert(out.data.end(), m_pps.begin(), m_pps.end());
        out.data.insert(out.data.end(), m_au.begin(), m_au.end());
        if (m_hasIdr) m_needKey = false;
        emitted = !(m_hasIdr && m_sps.empty() && !m_hasSps);
        if (!emitted) ++m_dropped;  // no parameter sets at all: nothing can decode it
    }
    m_active = false;
    m_au.clear();
    m_nals = 0;
    m_hasIdr = m_hasSps = m_hasPps = m_hasSlice = false;
    m_damaged = false;
    m_inFu = false;
    m_fu.clear();
    return emitted;
}

bool H264Depacketizer::Push(const RtpPacket& pkt, uint32_t lostBefore, std::vector<AccessUnit>& out) {
    const size_t before = out.size();
    AccessUnit unit;
    if (m_active && pkt.timestamp != m_ts && Complete(unit)) out.push_back(std::move(unit));
    if (!m_active) {
        m_active = true;
        m_ts = pkt.timestamp;
    }
    if (lostBefore) Damage();
    const uint8_t* p = pkt.payload;
    const size_t n = pkt.size;
    if (n == 0) {
        Damage();
    } else {
        const uint8_t type = p[0] & 0x1F;
        if (type >= 1 && type <= 23) {
            if (m_inFu) Damage();  // a fragment's end never came
            AddNal(p, n);
        } else if (type == 24) {  // STAP-A
            if (m_inFu) Damage();
            size_t at = 1;
            while (at < n) {
                if (at + 2 > n) {
                    Damage();
                    break;
                }
                const size_t len = size_t(p[at]) << 8 | p[at + 1];
                at += 2;
                if (len == 0 || at + len > n) {
                    Damage();
                    break;
                }
                AddNal(p + at, len);
                at += len;
            }
        } else if (type == 28) {  // FU-A
            if (n < 2) {
                Damage();
            } else {
                const bool start = p[1] & 0x80, end = p[1] & 0x40;
                if (start) {
                    if (m_inFu) Damage();
                    m_inFu = true;
                    m_fu.clear();
                    m_fu.push_back(static_cast<uint8_t>((p[0] & 0xE0) | (p[1] & 0x1F)));
                }
                if (!m_inFu) {
                    m_damaged = true;  // the middle of a unit whose start was lost
                } else if (m_fu.size() + n - 2 > kMaxAccessUnitBytes) {
                    Damage();
                } else {
                    m_fu.insert(m_fu.end(), p + 2, p + n);
                    if (end) {
                        AddNal(m_fu.data(), m_fu.size());
                        m_fu.clear();
                        m_inFu = false;
                    }
                }
            }
        } else {
            // STAP-B, MTAP and FU-B belong to the interleaved mode we do
            // not set up; anything else is not ours to read.
            m_damaged = true;
        }
    }
    if (pkt.marker && Complete(unit)) out.push_back(std::move(unit));
    return out.size() > before;
}

}  // namespace zv::onvif
