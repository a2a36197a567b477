#include "Drawer.h"

#include <windows.h>

#include <memory>
#include <new>
#include <vector>

#include "Clock.h"
#include "FramePacer.h"
#include "MfH264Decoder.h"
#include "Nv12.h"
#include "Play.h"
#include "WicJpegDecoder.h"

namespace zv::onvif {

namespace {

void SleepMs(int ms) { Sleep(static_cast<DWORD>(ms)); }

}  // namespace

void DrawPictures(CPlay& play) {
    CWicJpegDecoder jpeg;
    std::unique_ptr<CMfH264Decoder> h264;
    if (play.H264()) h264 = std::make_unique<CMfH264Decoder>();
    std::vector<zv::onvif::MediaUnit> units;
    std::vector<uint8_t> bgr;
    zv::onvif::FramePacer pacer(&zv::onvif::NowMs, &SleepMs);
    while (play.Queue().Take(units)) {
        try {
            if (!h264) {
                int w = 0, h = 0, stride = 0;
                const auto& u = units.back();
                if (jpeg.Decode(u.data.data(), u.data.size(), bgr, w, h, stride) && stride == ((w * 3 + 3) & ~3))
                    play.Present(bgr.data(), w, h, u.no, u.stampUs);
                continue;
            }
            for (const auto& u : units) {
                if (play.Stopped()) break;
                pacer.Note(u.rtpTime);
                h264->Decode(u.data.data(), u.data.size(), [&](const zv::onvif::Nv12Picture& picture) {
                    if (play.Stopped() || !zv::onvif::Nv12ToBgr(picture, bgr)) return;
                    pacer.WaitTurn(units.size(), play.StopFlag());
                    play.Present(bgr.data(), picture.width, picture.height, u.no, u.stampUs);
                });
            }
        } catch (const std::bad_alloc&) {
            // No memory for this picture: it is lost, the play goes on.
        }
    }
}

}  // namespace zv::onvif
