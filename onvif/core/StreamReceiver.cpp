#include "StreamReceiver.h"

#include <chrono>
#include <new>

#include "Clock.h"
#include "H264Depacketizer.h"
#include "JpegDepacketizer.h"
#include "Rtp.h"
#include "Sdp.h"

namespace zv::onvif {

namespace {

uint64_t UnixMicrosNow() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count());
}

}  // namespace

StreamReceiver::StreamReceiver(Config config, UnitQueue& queue) : m_config(std::move(config)), m_queue(queue) {}

StreamReceiver::~StreamReceiver() = default;

void StreamReceiver::Stop() {
    m_stop = true;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_rtsp) m_rtsp->Abort();
}

std::unique_ptr<RtspClient> StreamReceiver::TakeClient() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::move(m_rtsp);
}

bool StreamReceiver::Replace(std::unique_ptr<RtspClient> fresh) {
    std::unique_ptr<RtspClient> old;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stop) return false;
        old = std::move(m_rtsp);
        m_rtsp = std::move(fresh);
    }
    return true;  // `old` closes here, outside the lock
}

RtspClient::Result StreamReceiver::Open(int64_t deadlineMs, std::string* error) {
    if (!Replace(std::make_unique<RtspClient>(m_config.user, m_config.password))) return RtspClient::Result::Network;
    return m_rtsp->Open(m_config.uri, m_config.ip, deadlineMs, error);
}

StreamReceiver::End StreamReceiver::Run(const std::function<void()>& broken) {
    RtpReorder reorder(0);  // over TCP a gap is a loss at once
    JpegDepacketizer jpeg;
    H264Depacketizer h264;
    std::vector<H264Depacketizer::AccessUnit> units;
    uint32_t completed = 0;
    bool spropSet = false;
    End end = End::Stopped;
    int64_t lastPacket = NowMs();
    auto dropped = [&] { return uint32_t(jpeg.FramesDropped() + h264.FramesDropped()); };
    auto post = [&](std::vector<uint8_t>&& data, bool key, uint32_t rtpTime) {
        MediaUnit u;
        u.data = std::move(data);
        u.no = ++completed + dropped();
        u.stampUs = UnixMicrosNow();
        u.key = key;
        u.rtpTime = rtpTime;
        m_queue.Post(std::move(u));
    };
    uint32_t unreadable = 0;  // packets no memory was found for: a loss to the depacketizer
    auto deliver = [&](const RtpPacket& pkt, uint32_t lost) {
        lost += unreadable;
        unreadable = 0;
        if (!m_config.h264) {
            JpegDepacketizer::Frame frame;
            if (jpeg.Push(pkt, lost, frame)) post(std::move(frame.jpeg), true, frame.timestamp);
            return;
        }
        units.clear();
        h264.Push(pkt, lost, units);
        for (auto& u : units) post(std::move(u.data), u.keyFrame, u.timestamp);
    };
    RtspClient* rtsp = m_rtsp.get();  // replaced on this thread only
    while (!m_stop) {
        if (!rtsp) {
            broken();
            if (!Replace(std::make_unique<RtspClient>(m_config.user, m_config.password))) break;
            rtsp = m_rtsp.get();
            if (rtsp->Open(m_config.uri, m_config.ip, NowMs() + m_config.openMs) != RtspClient::Result::Ok) {
                if (!m_stop) end = End::Lost;
                break;
            }
            ++m_reopens;
            reorder.Reset();
            spropSet = false;
            lastPacket = NowMs();
        }
        if (!spropSet && m_config.h264) {
            h264.SetParameterSets(FmtpParameter(rtsp->Track().fmtp, "sprop-parameter-sets"));
            spropSet = true;
        }
        const uint8_t* data = nullptr;
        size_t size = 0;
        const RtspClient::Event ev = rtsp->Receive(200, data, size);
        if (ev == RtspClient::Event::Packet) {
            lastPacket = NowMs();
            try {
                reorder.Push(data, size, deliver);
            } catch (const std::bad_alloc&) {
                // No memory for this picture: it is lost, the play goes on.
                reorder.Reset();
                unreadable = 1;
            }
            continue;
        }
        if (m_stop) break;
        if (ev == RtspClient::Event::Closed || NowMs() - lastPacket > m_config.silenceMs) {
            TakeClient();  // closed here, on this thread
            rtsp = nullptr;
        }
    }
    if (std::unique_ptr<RtspClient> last = TakeClient()) last->Close(500);  // TEARDOWN, briefly waited for
    return end;
}

}  // namespace zv::onvif
