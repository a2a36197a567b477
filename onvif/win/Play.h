// One live play in a host's window: the stream's receiver (StreamReceiver)
// and a drawer (Drawer.h), each on a thread of its own that holds the
// play, with the queue between them. Stop only tells both to end: once it
// has returned nothing more is drawn into the window, and the threads
// finish on their own (the last one frees the play).
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "LoginRegistry.h"
#include "StreamReceiver.h"
#include "UnitQueue.h"
#include "VideoOutput.h"

namespace zv::onvif {

class CPlay : public zv::onvif::LoginRegistry::Play {
public:
    CPlay(HWND wnd, const zv::onvif::StreamReceiver::Config& config);

    // The first open of the stream: a stream that cannot be played fails the start.
    bool Open(int64_t deadlineMs);
    // The threads. `broken`: a stream broke (worth a look at the device);
    // `lost`: it could not be opened again.
    bool Start(const std::shared_ptr<CPlay>& self, std::function<void()> broken, std::function<void()> lost);
    void Stop() override;

    bool CopyStats(VN_PLAY_STATS* out) const { return m_output.CopyStats(out); }
    // A picture into the window, unless stopped: on the drawer's thread.
    void Present(const uint8_t* bgr, int w, int h, uint32_t no, uint64_t stampUs);
    bool Stopped() const { return m_stop; }
    const std::atomic<bool>& StopFlag() const { return m_stop; }
    zv::onvif::UnitQueue& Queue() { return m_queue; }
    bool H264() const { return m_h264; }

private:
    const bool m_h264;
    vn::CVideoOutput m_output;
    zv::onvif::UnitQueue m_queue;
    zv::onvif::StreamReceiver m_receiver;
    std::atomic<bool> m_stop{false};
    std::mutex m_drawMutex;  // a picture being drawn, against Stop
    bool m_closed = false;
};

}  // namespace zv::onvif
