#include "Play.h"

#include "Drawer.h"
#include "Threads.h"

namespace zv::onvif {

CPlay::CPlay(HWND wnd, const StreamReceiver::Config& config)
    : m_h264(config.h264), m_output(wnd),
      m_queue(config.h264 ? UnitQueue::Order::Every : UnitQueue::Order::NewestOnly), m_receiver(config, m_queue) {}

bool CPlay::Open(int64_t deadlineMs) { return m_receiver.Open(deadlineMs) == zv::onvif::RtspClient::Result::Ok; }

bool CPlay::Start(const std::shared_ptr<CPlay>& self, std::function<void()> broken, std::function<void()> lost) {
    if (!zv::onvif::StartDetached([self] { DrawPictures(*self); })) return false;
    if (zv::onvif::StartDetached([self, broken, lost] {
            if (self->m_receiver.Run(broken) == StreamReceiver::End::Lost) lost();
            self->m_queue.Stop();  // nothing more comes: the drawer ends too
        }))
        return true;
    Stop();
    return false;
}

void CPlay::Stop() {
    m_stop = true;
    m_receiver.Stop();
    m_queue.Stop();
    std::lock_guard<std::mutex> lock(m_drawMutex);  // at most one picture's drawing
    m_closed = true;
}

void CPlay::Present(const uint8_t* bgr, int w, int h, uint32_t no, uint64_t stampUs) {
    std::lock_guard<std::mutex> lock(m_drawMutex);
    if (!m_closed) m_output.Present(bgr, w, h, (w * 3 + 3) & ~3, no, stampUs);
}

}  // namespace zv::onvif
