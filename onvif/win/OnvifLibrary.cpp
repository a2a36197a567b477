// The web-service build of the network library: the same exports, ordinals
// and stdcall signatures as the device-protocol build, over a camera's web
// services (login, PTZ, colour) and its RTSP stream (live pictures). The
// logins, their watch threads and the plays are in LoginRegistry; a play's
// receiving and drawing threads in Play.h. No export waits for a camera
// longer than its bound, and none waits for a thread: stopping, logging
// out and cleaning up only tell threads to end (they hold what they use).
#define ZV_BUILDING_NETLIB
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "Clock.h"
#include "LibraryExports.h"
#include "LoginRegistry.h"
#include "MfH264Decoder.h"
#include "ModuleThread.h"
#include "OnvifDevice.h"
#include "Play.h"
#include "Socket.h"
#include "Threads.h"

namespace zv::onvif {

namespace {

constexpr int kStartMs = 4000;  // a play's start: the stream's address, then the stream up to PLAY
constexpr int kPtzMs = 1000;    // a PTZ call has no wait of its own
constexpr int kDefaultWaitMs = 500;

// A configuration call's bound: its wait argument.
int64_t DeadlineFor(int32_t waitMs) {
    return NowMs() + (waitMs > 0 ? std::min<int32_t>(waitMs, 60000) : kDefaultWaitMs);
}

class CLibrary final : public vn::ILibrary {
public:
    CLibrary() { SetThreadStarter(&StartModuleThread); }
    ~CLibrary() override { Cleanup(); }

    int32_t Init(VN_DISCONNECT_CALLBACK callback, uintptr_t user) override {
        if (!zv::net::Startup()) return 0;
        m_registry.SetNotice([callback, user](int32_t login, const std::string& address, uint16_t port) {
            if (callback) callback(login, address.c_str(), port, user);
        });
        return 1;
    }

    // No notice once the host has let go of us.
    void Cleanup() override { m_registry.Cleanup(); }

    // The port is not used: the address says where the device's services are.
    int32_t Login(const char* address, uint16_t, const char* user, const char* password, unsigned char* info,
                  int* error) override {
        if (!address || !user || !password) {
            if (error) *error = LOGIN_PROTOCOL;
            return 0;
        }
        LoginError why = LOGIN_NETWORK;
        std::shared_ptr<OnvifDevice> device = OnvifDevice::Login(address, user, password, &why);
        if (error) *error = why;
        if (!device) return 0;
        if (info) device->LoginInfo(info);
        const int32_t handle = m_registry.Add(std::move(device), address);
        if (!handle && error) *error = LOGIN_NETWORK;  // no thread to watch it
        return handle;
    }

    int32_t Logout(int32_t login) override { return m_registry.Remove(login) ? 1 : 0; }

    int32_t StartRealPlay(int32_t login, int32_t channel, HWND wnd) override {
        const int64_t deadline = NowMs() + kStartMs;
        std::shared_ptr<OnvifDevice> device = m_registry.Device(login);
        StreamChoice choice;
        if (!device || channel < 0 || !device->Stream(channel, CMfH264Decoder::Available(), choice, deadline) ||
            (choice.codec != Codec::Jpeg && choice.codec != Codec::H264))
            return 0;
        StreamReceiver::Config config;
        config.uri = choice.uri;
        config.ip = choice.ip;
        config.user = device->User();
        config.password = device->Password();
        config.h264 = choice.codec == Codec::H264;
        auto play = std::make_shared<CPlay>(wnd, config);
        if (!play->Open(deadline)) return 0;
        const int32_t handle = m_registry.AddPlay(login, play);
        if (!handle) {  // lost meanwhile
            play->Stop();
            return 0;
        }
        LoginRegistry& registry = m_registry;  // lives until the last of our threads has gone
        if (!play->Start(play, [&registry, login] { registry.Wake(login); },
                         [&registry, login] { registry.ReportLost(login); })) {
            m_registry.RemovePlay(handle);
            return 0;
        }
        return handle;
    }

    int32_t StopRealPlay(int32_t play) override { return m_registry.RemovePlay(play) ? 1 : 0; }

    // Cameras' web services have no sound path this library plays: unsupported.
    int32_t OpenSound(int32_t) override { return 0; }
    int32_t CloseSound() override { return 1; }

    int32_t PtzControl(int32_t login, int32_t channel, uint32_t code, uint8_t, uint8_t param2, uint8_t,
                       int32_t stop) override {
        const int64_t deadline = NowMs() + kPtzMs;
        std::shared_ptr<OnvifDevice> device = m_registry.Device(login);
        return device && device->Ptz(channel, code, param2, stop != 0, deadline) ? 1 : 0;
    }

    int32_t GetDevConfig(int32_t login, int32_t command, int32_t channel, void* buffer, int32_t size,
                         int32_t* returned, int32_t waitMs) override {
        const int64_t deadline = DeadlineFor(waitMs);
        if (returned) *returned = 0;
        std::shared_ptr<OnvifDevice> device = m_registry.Device(login);
        if (!device || !buffer || size <= 0) return 0;
        std::vector<uint8_t> data;
        if (command == zv::proto::kCfgDevice) {
            data.resize(kDeviceBlockSize);
            device->DeviceBlock(data.data());
        } else if (command != zv::proto::kCfgChannel || !device->ReadRecords(channel, data, deadline)) {
            return 0;
        }
        if (data.size() > size_t(size)) return 0;
        std::memcpy(buffer, data.data(), data.size());
        if (returned) *returned = static_cast<int32_t>(data.size());
        return 1;
    }

    int32_t SetDevConfig(int32_t login, int32_t command, int32_t channel, void* buffer, int32_t size,
                         int32_t waitMs) override {
        const int64_t deadline = DeadlineFor(waitMs);
        std::shared_ptr<OnvifDevice> device = m_registry.Device(login);
        if (!device || !buffer || size <= 0 || command != zv::proto::kCfgChannel) return 0;
        return device->WriteRecords(channel, static_cast<const uint8_t*>(buffer), size_t(size), deadline) ? 1 : 0;
    }

    int GetPlayStats(int32_t handle, VN_PLAY_STATS* out) override {
        auto play = std::static_pointer_cast<CPlay>(m_registry.FindPlay(handle));
        return play && play->CopyStats(out) ? 1 : 0;
    }

private:
    LoginRegistry m_registry;
};

}  // namespace
}  // namespace zv::onvif

vn::ILibrary* vn::MakeLibrary() { return MakeInPlace<zv::onvif::CLibrary>(); }
