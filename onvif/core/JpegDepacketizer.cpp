#include "JpegDepacketizer.h"

#include <cstring>

namespace zv::onvif {

namespace {

// Tables K.1 and K.2 in natural order.
const uint8_t kLumaQ[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                            14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                            18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                            49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
const uint8_t kChromaQ[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                              24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                              99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                              99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};
// Natural index of each zig-zag position.
const uint8_t kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                             12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                             35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                             58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Annex K.3: the typical Huffman tables.
const uint8_t kDcLumaBits[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
const uint8_t kDcChromaBits[16] = {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
const uint8_t kDcValues[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
const uint8_t kAcLumaBits[16] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
const uint8_t kAcLumaValues[162] = {
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07,
    0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0,
    0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28,
    0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49,
    0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69,
    0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89,
    0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7,
    0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5,
    0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2,
    0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8,
    0xf9, 0xfa};
const uint8_t kAcChromaBits[16] = {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77};
const uint8_t kAcChromaValues[162] = {
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71,
    0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33, 0x52, 0xf0,
    0x15, 0x62, 0x72, 0xd1, 0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18, 0x19, 0x1a, 0x26,
    0x27, 0x28, 0x29, 0x2a, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48,
    0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68,
    0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87,
    0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5,
    0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3,
    0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda,
    0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8,
    0xf9, 0xfa};

void Put16(std::vector<uint8_t>& o, size_t v) {
    o.push_back(static_cast<uint8_t>(v >> 8));
    o.push_back(static_cast<uint8_t>(v));
}

void Huffman(std::vector<uint8_t>& o, uint8_t classId, const uint8_t bits[16], const uint8_t* values,
             size_t n) {
    o.push_back(0xFF);
    o.push_back(0xC4);
    Put16(o, 2 + 1 + 16 + n);
    o.push_back(classId);
    o.insert(o.end(), bits, bits + 16);
    o.insert(o.end(), values, values + n);
}

}  // namespace

std::array<uint8_t, 128> JpegDepacketizer::TablesForQ(int q) {
    const int factor = q < 1 ? 1 : (q > 99 ? 99 : q);
    const int scale = factor < 50 ? 5000 / factor : 200 - factor * 2;
    std::array<uint8_t, 128> t{};
    for (int i = 0; i < 64; ++i) {
        int lq = (kLumaQ[kZigzag[i]] * scale + 50) / 100;
        int cq = (kChromaQ[kZigzag[i]] * scale + 50) / 100;
        t[i] = static_cast<uint8_t>(lq < 1 ? 1 : (lq > 255 ? 255 : lq));
        t[64 + i] = static_cast<uint8_t>(cq < 1 ? 1 : (cq > 255 ? 255 : cq));
    }
    return t;
}

void JpegDepacketizer::Abandon() {
    if (m_active) ++m_dropped;
    m_active = false;
    m_damaged = false;
    m_scan.clear();
}

bool JpegDepacketizer::Push(const RtpPacket& pkt, uint32_t lostBefore, Frame& out) {
    if (lostBefore && m_active) m_damaged = true;
    // A packet of the next picture while one is unfinished: that one lost its end.
    if (m_active && pkt.timestamp != m_ts) Abandon();
    const uint8_t* p = pkt.payload;
    size_t n = pkt.size;
    if (n < 8) {
        if (m_active) m_damaged = true;
        return false;
    }
    const uint32_t offset = uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    const uint8_t type = p[4], q = p[5];
    const int width = p[6] * 8, height = p[7] * 8;
    p += 8;
    n -= 8;
    uint16_t dri = 0;
    if (type >= 64 && type <= 127) {
        if (n < 4) return false;
        dri = static_cast<uint16_t>(p[0] << 8 | p[1]);
        p += 4;
        n -= 4;
    }
    if (offset == 0) {
        // A new picture starts here; whatever was gathered did not end.
        if (m_active) Abandon();
        if ((type & 63) > 1 || width == 0 || height == 0 || q == 0 || (q >= 100 && q < 128)) {
            ++m_dropped;  // a type or size this library cannot rebuild
            return false;
        }
        m_tables.clear();
        m_precision = 0;
        if (q >= 128) {
            if (n < 4) return false;
            const uint8_t precision = p[1];
            const size_t length = size_t(p[2]) << 8 | p[3];
            p += 4;
            n -= 4;
            if (length > n) return false;
            if (length == 0) {
                auto it = m_knownTables.find(q);
                if (it == m_knownTables.end()) {
                    ++m_dropped;  // tables promised earlier that never came
                    return false;
                }
                m_tables = it->second;
                m_precision = m_knownPrecision[q];
            } else {
                const size_t first = (precision & 1) ? 128 : 64, second = (precision & 2) ? 128 : 64;
                if (length != first + second && length != first) {
                    ++m_dropped;
                    return false;
                }
                m_tables.assign(p, p + length);
                if (length == first) {  // one table for all components
                    m_tables.insert(m_tables.end(), p, p + length);
                    m_precision = static_cast<uint8_t>((precision & 1) ? 3 : 0);
                } else {
                    m_precision = precision & 3;
                }
                if (q < 255) {
                    m_knownTables[q] = m_tables;
                    m_knownPrecision[q] = m_precision;
                }
                p += length;
                n -= length;
            }
        } else {
            const auto t = TablesForQ(q);
            m_tables.assign(t.begin(), t.end());
        }
        m_active = true;
        m_damaged = false;
        m_ts = pkt.timestamp;
        m_type = type;
        m_q = q;
        m_width = width;
        m_height = height;
        m_dri = dri;
        m_scan.clear();
    } else if (!m_active) {
        // The middle of a picture whose start was lost: counted once.
        if (!m_orphan || m_orphanTs != pkt.timestamp) ++m_dropped;
        m_orphan = true;
        m_orphanTs = pkt.timestamp;
        return false;
    } else if (type != m_type || q != m_q || width != m_width || height != m_height ||
               offset != m_scan.size()) {
        m_damaged = true;
    }
    if (m_damaged) {
        if (pkt.marker) Abandon();
        return false;
    }
    if (m_scan.size() + n > kMaxFrameBytes) {
        Abandon();
        return false;
    }
    m_scan.insert(m_scan.end(), p, p + n);
    if (!pkt.marker) return false;
    return Finish(out);
}

bool JpegDepacketizer::Finish(Frame& out) {
    std::vector<uint8_t>& o = out.jpeg;
    o.clear();
    o.reserve(m_scan.size() + 700);
    o.push_back(0xFF);
    o.push_back(0xD8);
    // Quantisation tables: 0 luma, 1 chroma (16-bit ones need the extended frame).
    size_t at = 0;
    for (int t = 0; t < 2; ++t) {
        const bool wide = (m_precision >> t) & 1;
        const size_t len = wide ? 128 : 64;
        o.push_back(0xFF);
        o.push_back(0xDB);
        Put16(o, 2 + 1 + len);
        o.push_back(static_cast<uint8_t>((wide ? 0x10 : 0) | t));
        o.insert(o.end(), m_tables.begin() + static_cast<std::ptrdiff_t>(at),
                 m_tables.begin() + static_cast<std::ptrdiff_t>(at + len));
        at += len;
    }
    if (m_dri) {
        o.push_back(0xFF);
        o.push_back(0xDD);
        Put16(o, 4);
        Put16(o, m_dri);
    }
    o.push_back(0xFF);
    o.push_back(m_precision ? 0xC1 : 0xC0);
    Put16(o, 17);
    o.push_back(8);
    Put16(o, static_cast<size_t>(m_height));
    Put16(o, static_cast<size_t>(m_width));
    o.push_back(3);
    o.push_back(1);
    o.push_back((m_type & 63) == 0 ? 0x21 : 0x22);  // 4:2:2 or 4:2:0
    o.push_back(0);
    for (uint8_t c = 2; c <= 3; ++c) {
        o.push_back(c);
        o.push_back(0x11);
        o.push_back(1);
    }
    Huffman(o, 0x00, kDcLumaBits, kDcValues, 12);
    Huffman(o, 0x10, kAcLumaBits, kAcLumaValues, 162);
    Huffman(o, 0x01, kDcChromaBits, kDcValues, 12);
    Huffman(o, 0x11, kAcChromaBits, kAcChromaValues, 162);
    const uint8_t sos[] = {0xFF, 0xDA, 0, 12, 3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0};
    o.insert(o.end(), sos, sos + sizeof sos);
    o.insert(o.end(), m_scan.begin(), m_scan.end());
    if (m_scan.size() < 2 || m_scan[m_scan.size() - 2] != 0xFF || m_scan.back() != 0xD9) {
        o.push_back(0xFF);
        o.push_back(0xD9);
    }
    out.timestamp = m_ts;
    out.width = m_width;
    out.height = m_height;
    m_active = false;
    m_scan.clear();
    return true;
}

}  // namespace zv::onvif
