// The Windows build's stand-in for OnvifFace.cpp: no JPEG library there, so
// the face refuses to start, and says why.
#include "OnvifFace.h"

namespace zv::devsim {

namespace {

class NoFace : public OnvifFace {
public:
    bool Start(std::string* error) override {
        if (error)
            *error = "--onvif-port: the web services and RTSP are in the native devsim only "
                     "(this build has no JPEG encoder)";
        return false;
    }
    void Stop() override {}
    int Drop() override { return 0; }
    uint16_t HttpPort() const override { return 0; }
    uint16_t RtspPort() const override { return 0; }
};

}  // namespace

std::unique_ptr<OnvifFace> OnvifFace::Create(Device&) { return std::make_unique<NoFace>(); }

}  // namespace zv::devsim
