// fuzz_rtp: the web-service build's picture path around the decoder. A run
// of RTP packets (sizes and bytes from the input, sequence numbers and time
// stamps partly steered so that frames form) through the reorder buffer
// into the JPEG or the H.264 depacketizer and the play's queue; then a
// decoded picture of any size and buffer into the window's format.
//
// Invariants: every JPEG handed on starts with SOI, ends with EOI, and
// carries a frame header with the size of its packets; every access unit
// starts with a start code and keeps to the size bound; a window of 0
// delivers each packet at once; the queue never holds more than its
// budget; a picture is converted exactly when its size is allowed and its
// buffer holds it, and never read past.
#include <cstdint>
#include <vector>

#include "FuzzCheck.h"
#include "H264Depacketizer.h"
#include "Input.h"
#include "JpegDepacketizer.h"
#include "Nv12.h"
#include "Rtp.h"
#include "UnitQueue.h"

namespace zv::fuzz {
namespace {

using namespace zv::onvif;

void Run(Input& in) {
    const bool h264 = in.Bool();
    const size_t window = in.Bool() ? 0 : in.Range<size_t>(1, RtpReorder::kWindow);
    RtpReorder reorder(window);
    constexpr size_t kBudget = 64 * 1024;
    UnitQueue queue(h264 ? UnitQueue::Order::Every : UnitQueue::Order::NewestOnly, kBudget, 4);
    std::vector<MediaUnit> taken;
    auto post = [&](const std::vector<uint8_t>& data, bool key) {
        MediaUnit u;
        u.data = data;
        u.key = key;
        queue.Post(std::move(u));
        FUZZ_CHECK(queue.BytesHeld() <= kBudget);
        if (data.size() % 3 == 0 && queue.BytesHeld() > 0) queue.Take(taken);  // the drawer now and then
    };
    JpegDepacketizer jpeg;
    H264Depacketizer avc;
    if (h264 && in.Bool()) avc.SetParameterSets(in.Text(64));
    uint16_t seq = in.Int<uint16_t>();
    uint32_t ts = in.Int<uint32_t>();
    size_t delivered = 0;
    auto deliver = [&](const RtpPacket& p, uint32_t lost) {
        ++delivered;
        FUZZ_CHECK(p.payload != nullptr || p.size == 0);
        if (h264) {
            std::vector<H264Depacketizer::AccessUnit> units;
            avc.Push(p, lost, units);
            FUZZ_CHECK(units.size() <= 2);
            for (const auto& u : units) {
                FUZZ_CHECK(u.data.size() >= 5 && u.data[0] == 0 && u.data[1] == 0 && u.data[2] == 0 && u.data[3] == 1);
                FUZZ_CHECK(u.data.size() <= H264Depacketizer::kMaxAccessUnitBytes + 8192);
                post(u.data, u.keyFrame);
            }
        } else {
            JpegDepacketizer::Frame f;
            if (jpeg.Push(p, lost, f)) {
                const auto& j = f.jpeg;
                FUZZ_CHECK(j.size() >= 4 && j[0] == 0xFF && j[1] == 0xD8);
                FUZZ_CHECK(j[j.size() - 2] == 0xFF && j[j.size() - 1] == 0xD9);
                FUZZ_CHECK(f.width >= 8 && f.width <= 2040 && f.height >= 8 && f.height <= 2040);
                FUZZ_CHECK(j.size() <= JpegDepacketizer::kMaxFrameBytes + 4096);
                post(j, true);
            }
        }
    };
    for (int packets = in.Range(1, 64); packets > 0 && in.Remaining(); --packets) {
        std::vector<uint8_t> p(12);
        // Mostly well-formed headers with the next sequence number, so that
        // the payload readers are what gets explored.
        const uint8_t shape = in.Range<uint8_t>(0, 7);
        const bool marker = in.Bool();
        if (shape == 0) seq = in.Int<uint16_t>();
        if (shape == 1) ts += 3600;
        p[0] = shape == 2 ? in.Int<uint8_t>() : 0x80;
        p[1] = static_cast<uint8_t>((marker ? 0x80 : 0) | (h264 ? 96 : 26));
        p[2] = static_cast<uint8_t>(seq >> 8);
        p[3] = static_cast<uint8_t>(seq);
        for (int i = 0; i < 4; ++i) p[4 + i] = static_cast<uint8_t>(ts >> (24 - 8 * i));
        p[8] = 0x12;
        const std::vector<uint8_t> payload = in.Bytes(in.Range<size_t>(0, 1500));
        p.insert(p.end(), payload.begin(), payload.end());
        const size_t before = delivered;
        reorder.Push(p.data(), p.size(), deliver);
        if (window == 0 && shape != 2) FUZZ_CHECK(delivered <= before + 1);
        seq = static_cast<uint16_t>(seq + (shape == 3 ? 2 : 1));
        if (marker) ts += 3600;
    }
    reorder.Flush(deliver);
}

// A decoded picture's size as a decoder may report it, and a buffer of any length.
void Picture(Input& in) {
    const int sides[] = {0, 1, 2, 3, 4096, 4097, -1, 2160};
    const int w = in.Bool() ? in.Range(0, 80) : in.Pick(sides);
    const int h = in.Bool() ? in.Range(0, 80) : in.Range(0, 3);
    const size_t need = Nv12Bytes(w, h);
    FUZZ_CHECK(need == 0 || need >= size_t(w) * size_t(h) * 3 / 2);
    Nv12Picture p;
    p.width = w;
    p.height = h;
    const long length = long(need ? need : 64) + in.Range(-64, 64);
    p.data.assign(size_t(length < 0 ? 0 : length), 0x80);
    p.data.shrink_to_fit();  // exact: a read past it is caught
    std::vector<uint8_t> bgr;
    const bool converted = Nv12ToBgr(p, bgr);
    FUZZ_CHECK(converted == (PictureSizeAllowed(w, h) && p.data.size() >= need));
    if (converted) FUZZ_CHECK(bgr.size() == ((size_t(w) * 3 + 3) & ~size_t(3)) * size_t(h));
}

}  // namespace
}  // namespace zv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zv::fuzz::Input in(data, size);
    zv::fuzz::Run(in);
    zv::fuzz::Picture(in);
    return 0;
}
