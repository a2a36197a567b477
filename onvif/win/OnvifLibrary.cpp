// The web-service build of the network library: the same exports, ordinals
// and stdcall signatures as the device-protocol build, over a camera's web
// services (login, PTZ, colour) and its RTSP stream (live pictures). One
// watch thread per login notices a device that stops answering; two
// threads per play receive and draw, the drawing one drawing only the
// newest picture so that a slow window drops frames rather than lags.
// Streams are JPEG, or H.264 where the system has a decoder.
#define ZV_BUILDING_NETLIB
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "H264Depacketizer.h"
#include "JpegDepacketizer.h"
#include "OnvifDevice.h"
#include "Rtp.h"
#include "RtspClient.h"
#include "Socket.h"
#include "VideoOutput.h"
#include "VortanetApi.h"
#include "MfH264Decoder.h"
#include "Sdp.h"
#include "VortanetStats.h"
#include "WicJpegDecoder.h"
#include "Worker.h"

namespace vn::onvif {

using namespace zv::onvif;

namespace {

constexpr int kDeviceBlockCommand = 1;
constexpr int kChannelRecordsCommand = 3;
constexpr int kStreamOpenMs = 4000;
constexpr DWORD kWatchPeriodMs = 1000;  // a lost device is reported within about three of these
constexpr int kPingTimeoutMs = 1000;
constexpr int kMissesForLoss = 2;
constexpr DWORD kReopenPauseMs = 1000;
// H.264 pictures depend on the ones before: they wait in order, and a
// drawer this far behind skips to the next key frame.
constexpr size_t kMaxWaitingUnits = 25;

class CLibrary;

// Spaces pictures that were decoded together by the stream's frame time:
// the smallest step between the 90 kHz times of recent units once sorted
// (decode order jumps back and forth with B-frames), 40 ms until known.
// Never waits for a drawer that is behind, so that it catches up.
class CFramePacer {
public:
    static constexpr size_t kBehind = 8;  // units waiting at once

    void Note(uint32_t rtpTime) {
        m_times[m_next++ % kTimes] = rtpTime;
        m_count = std::min(m_count + 1, kTimes);
    }
    // Pictures are due one frame time apart on a schedule of their own, so
    // that a wait that oversleeps does not slow the stream down; a drawer
    // more than a frame late starts the schedule again from now.
    void WaitTurn(size_t waiting, const std::atomic<bool>& stop) {
        using Clock = std::chrono::steady_clock;
        const auto frame = std::chrono::milliseconds(FrameMs());
        const auto now = Clock::now();
        if (!m_started || waiting > kBehind || now > m_due + frame) {
            m_due = now;
            m_started = true;
        }
        while (!stop) {
            const auto left = m_due - Clock::now();
            if (left <= Clock::duration::zero()) break;
            Sleep(static_cast<DWORD>(std::min<int64_t>(
                10, std::max<int64_t>(1, std::chrono::duration_cast<std::chrono::milliseconds>(left).count()))));
        }
        m_due += frame;
    }

private:
    static constexpr size_t kTimes = 16;

    int64_t FrameMs() const {
        uint32_t t[kTimes];
        std::copy(m_times, m_times + m_count, t);
        std::sort(t, t + m_count);  // a wrap of the 32-bit clock costs one odd step
        uint32_t step = 0;
        for (size_t i = 1; i < m_count; ++i) {
            const uint32_t d = t[i] - t[i - 1];
            if (d > 0 && d < 90 * 200 && (step == 0 || d < step)) step = d;
        }
        return step ? std::max<int64_t>(10, step / 90) : 40;
    }

    uint32_t m_times[kTimes] = {};
    size_t m_next = 0, m_count = 0;
    bool m_started = false;
    std::chrono::steady_clock::time_point m_due;
};

// One login: the device and the thread that watches it.
struct Login {
    int32_t handle = 0;
    std::string address;
    uint16_t port = 0;
    std::unique_ptr<OnvifDevice> device;
    HANDLE wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);  // check now, or stop
    std::atomic<bool> stop{false};
    CWorker watch;  // last: ended first

    // Calls in progress fail soon and the watch ends.
    void Stop() {
        stop = true;
        if (device) device->Abort();
        if (wake) SetEvent(wake);
    }
    ~Login() {
        Stop();
        watch.Wait(3000);
        if (wake) CloseHandle(wake);
    }
};
using LoginPtr = std::shared_ptr<Login>;

// One live play: the stream's receiver, the newest whole picture waiting,
// and the drawer.
struct Play {
    int32_t handle = 0;
    int32_t login = 0;
    Url uri;
    std::string user, password;
    std::unique_ptr<RtspClient> rtsp;
    bool spropSet = false;  // the stream's parameter sets given to the depacketizer
    std::mutex rtspMutex;  // rtsp's replacement against Abort from another thread
    CVideoOutput output;
    std::atomic<bool> stop{false};

    Codec codec = Codec::Jpeg;

    // What the receiver hands the drawer: the newest whole JPEG picture
    // (one slot, replaced), or H.264 access units in order.
    struct Unit {
        std::vector<uint8_t> data;
        uint32_t no = 0;
        uint64_t stamp = 0;
        bool key = false;
        uint32_t rtpTime = 0;  // 90 kHz, decode order
    };
    std::mutex mailMutex;
    std::condition_variable mailChanged;
    std::vector<Unit> mail;

    CWorker receiver, drawer;  // last: ended first

    explicit Play(HWND wnd, Codec c) : output(wnd), codec(c) {}
    void Stop() {
        stop = true;
        {
            std::lock_guard<std::mutex> lock(rtspMutex);
            if (rtsp) rtsp->Abort();
        }
        std::lock_guard<std::mutex> lock(mailMutex);
        mailChanged.notify_all();
    }
    ~Play() {
        Stop();
        receiver.Wait(3000);
        drawer.Wait(3000);
    }
};
using PlayPtr = std::shared_ptr<Play>;

class CLibrary {
public:
    ~CLibrary() { Cleanup(); }

    int32_t Init(VN_DISCONNECT_CALLBACK callback, uintptr_t user) {
        if (!zv::net::Startup()) return 0;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_callback = callback;
        m_user = user;
        return 1;
    }

    void Cleanup() {
        std::vector<LoginPtr> logins;
        std::vector<PlayPtr> plays;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_callback = nullptr;  // no notice once the host has let go of us
            for (auto& l : m_logins) logins.push_back(std::move(l.second));
            for (auto& p : m_plays) plays.push_back(std::move(p.second));
            logins.insert(logins.end(), m_finishedLogins.begin(), m_finishedLogins.end());
            plays.insert(plays.end(), m_finishedPlays.begin(), m_finishedPlays.end());
            m_logins.clear();
            m_plays.clear();
            m_finishedLogins.clear();
            m_finishedPlays.clear();
        }
        // Everything is told to stop first, then waited for: the waits overlap.
        for (auto& p : plays) p->Stop();
        for (auto& l : logins) l->Stop();
        plays.clear();
        logins.clear();
    }

    int32_t LoginTo(const char* address, const char* user, const char* password, unsigned char* info,
                    int* error) {
        Reap();
        if (!address || !user || !password) {
            if (error) *error = LOGIN_PROTOCOL;
            return 0;
        }
        LoginError why = LOGIN_NETWORK;
        auto login = std::make_shared<Login>();
        login->device = OnvifDevice::Login(address, user, password, &why);
        if (error) *error = why;
        if (!login->device || !login->wake) return 0;
        if (info) login->device->LoginInfo(info);
        login->address = address;
        login->port = login->device->DeviceUrl().port;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            login->handle = ++m_nextHandle;
            m_logins[login->handle] = login;
        }
        Login* raw = login.get();
        if (!login->watch.Start([this, raw] { Watch(*raw); })) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_logins.erase(raw->handle);
            return 0;
        }
        return raw->handle;
    }

    int32_t Logout(int32_t handle) {
        LoginPtr login;
        std::vector<PlayPtr> plays;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            auto it = m_logins.find(handle);
            if (it == m_logins.end()) return 0;
            login = std::move(it->second);
            m_logins.erase(it);
            TakePlaysOf(handle, plays);
        }
        plays.clear();  // stopped and waited for, outside the lock
        login.reset();
        return 1;
    }

    int32_t StartRealPlay(int32_t loginHandle, int32_t channel, HWND wnd) {
        Reap();
        LoginPtr login = LoginOf(loginHandle);
        if (!login || channel < 0) return 0;
        StreamChoice choice;
        if (!login->device->Stream(channel, CMfH264Decoder::Available(), choice) ||
            (choice.codec != Codec::Jpeg && choice.codec != Codec::H264))
            return 0;
        auto play = std::make_shared<Play>(wnd, choice.codec);
        play->login = loginHandle;
        play->uri = choice.uri;
        play->user = login->device->User();
        play->password = login->device->Password();
        // Opened here, so that a stream that cannot be played fails the call.
        play->rtsp = std::make_unique<RtspClient>(play->user, play->password);
        if (play->rtsp->Open(play->uri, kStreamOpenMs) != RtspClient::Result::Ok) return 0;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_logins.count(loginHandle)) return 0;  // lost meanwhile
            play->handle = ++m_nextHandle;
        }
        Play* raw = play.get();
        if (!play->drawer.Start([raw] { Draw(*raw); }) || !play->receiver.Start([this, raw] { Receive(*raw); }))
            return 0;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_logins.count(loginHandle)) {
            m_finishedPlays.push_back(play);
            play->Stop();
            return 0;
        }
        m_plays[play->handle] = play;
        return play->handle;
    }

    int32_t StopRealPlay(int32_t handle) {
        PlayPtr play;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            auto it = m_plays.find(handle);
            if (it == m_plays.end()) return 0;
            play = std::move(it->second);
            m_plays.erase(it);
        }
        play.reset();  // the receiver tears the stream down on its way out
        return 1;
    }

    int32_t PtzControl(int32_t login, int32_t channel, uint32_t code, uint8_t param2, int32_t stop) {
        LoginPtr l = LoginOf(login);
        return l && l->device->Ptz(channel, code, param2, stop != 0) ? 1 : 0;
    }

    int32_t GetDevConfig(int32_t login, int32_t command, int32_t channel, void* buffer, int32_t size,
                         int32_t* returned) {
        if (returned) *returned = 0;
        LoginPtr l = LoginOf(login);
        if (!l || !buffer || size <= 0) return 0;
        std::vector<uint8_t> data;
        if (command == kDeviceBlockCommand) {
            data.resize(kDeviceBlockSize);
            l->device->DeviceBlock(data.data());
        } else if (command != kChannelRecordsCommand || !l->device->ReadRecords(channel, data)) {
            return 0;
        }
        if (data.size() > size_t(size)) return 0;
        std::memcpy(buffer, data.data(), data.size());
        if (returned) *returned = static_cast<int32_t>(data.size());
        return 1;
    }

    int32_t SetDevConfig(int32_t login, int32_t command, int32_t channel, const void* buffer, int32_t size) {
        LoginPtr l = LoginOf(login);
        if (!l || !buffer || size <= 0 || command != kChannelRecordsCommand) return 0;
        return l->device->WriteRecords(channel, static_cast<const uint8_t*>(buffer), size_t(size)) ? 1 : 0;
    }

    int GetPlayStats(int32_t handle, VN_PLAY_STATS* out) {
        if (!out || out->cbSize != sizeof(VN_PLAY_STATS)) return 0;
        PlayPtr play;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            auto it = m_plays.find(handle);
            if (it == m_plays.end()) return 0;
            play = it->second;
        }
        *out = play->output.Stats();
        return 1;
    }

private:
    LoginPtr LoginOf(int32_t handle) {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_logins.find(handle);
        return it == m_logins.end() ? nullptr : it->second;
    }

    void TakePlaysOf(int32_t login, std::vector<PlayPtr>& out) {  // with m_mutex held
        for (auto it = m_plays.begin(); it != m_plays.end();) {
            if (it->second->login == login) {
                out.push_back(std::move(it->second));
                it = m_plays.erase(it);
            } else {
                ++it;
            }
        }
    }

    // Objects whose threads ended themselves (a loss) are destroyed on a
    // host's call, never on their own threads.
    void Reap() {
        std::vector<LoginPtr> logins;  // destroyed after the lock is released
        std::vector<PlayPtr> plays;
        std::lock_guard<std::mutex> lock(m_mutex);
        Split(m_finishedLogins, logins, [](Login& l) { return l.watch.Finished(); });
        Split(m_finishedPlays, plays, [](Play& p) { return p.receiver.Finished() && p.drawer.Finished(); });
    }

    template <class T, class Finished>
    static void Split(std::vector<T>& from, std::vector<T>& to, Finished finished) {
        for (auto it = from.begin(); it != from.end();) {
            if (finished(**it)) {
                to.push_back(std::move(*it));
                it = from.erase(it);
            } else {
                ++it;
            }
        }
    }

    // The watch thread of a login: a cheap call every period, or at once
    // when a play's stream broke; two misses in a row are a loss.
    void Watch(Login& login) {
        int misses = 0;
        while (!login.stop) {
            WaitForSingleObject(login.wake, misses ? 300 : kWatchPeriodMs);
            if (login.stop) return;
            misses = login.device->Ping(kPingTimeoutMs) ? 0 : misses + 1;
            if (misses >= kMissesForLoss && !login.stop) {
                OnLost(login.handle);
                return;
            }
        }
    }

    void OnLost(int32_t handle) {
        VN_DISCONNECT_CALLBACK callback = nullptr;
        uintptr_t user = 0;
        std::string address;
        uint16_t port = 0;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            auto it = m_logins.find(handle);
            if (it == m_logins.end()) return;
            LoginPtr login = std::move(it->second);
            m_logins.erase(it);
            login->Stop();
            address = login->address;
            port = login->port;
            std::vector<PlayPtr> plays;
            TakePlaysOf(handle, plays);
            for (auto& p : plays) {
                p->Stop();
                m_finishedPlays.push_back(std::move(p));
            }
            m_finishedLogins.push_back(std::move(login));
            callback = m_callback;
            user = m_user;
        }
        // Without our lock: the host takes its own lock in the notice.
        if (callback) callback(handle, address.c_str(), port, user);
    }

    void WakeWatch(int32_t handle) {
        if (LoginPtr l = LoginOf(handle)) SetEvent(l->wake);
    }

    // The receiving thread of a play: packets in order, whole pictures (or
    // access units) to the drawer; a broken stream asks the watch to look
    // at the device and is opened again while the play lasts.
    void Receive(Play& play) {
        RtpReorder reorder(0);  // over TCP a gap is a loss at once
        JpegDepacketizer jpeg;
        H264Depacketizer h264;
        std::vector<H264Depacketizer::AccessUnit> units;
        uint32_t completed = 0;
        auto dropped = [&] { return uint32_t(jpeg.FramesDropped() + h264.FramesDropped()); };
        auto deliver = [&](const RtpPacket& pkt, uint32_t lost) {
            if (play.codec == Codec::Jpeg) {
                JpegDepacketizer::Frame frame;
                if (jpeg.Push(pkt, lost, frame)) Post(play, std::move(frame.jpeg), ++completed + dropped(), false, 0);
                return;
            }
            units.clear();
            h264.Push(pkt, lost, units);
            for (auto& u : units) Post(play, std::move(u.data), ++completed + dropped(), u.keyFrame, u.timestamp);
        };
        while (!play.stop) {
            if (!play.rtsp) {
                auto fresh = std::make_unique<RtspClient>(play.user, play.password);
                {
                    std::lock_guard<std::mutex> lock(play.rtspMutex);
                    if (play.stop) break;
                    play.rtsp = std::move(fresh);
                }
                if (play.rtsp->Open(play.uri, kStreamOpenMs) != RtspClient::Result::Ok) {
                    for (DWORD waited = 0; waited < kReopenPauseMs && !play.stop; waited += 50) Sleep(50);
                    ResetStream(play);
                    continue;
                }
                reorder.Reset();
            }
            if (!play.spropSet && play.codec == Codec::H264) {
                h264.SetParameterSets(FmtpParameter(play.rtsp->Track().fmtp, "sprop-parameter-sets"));
                play.spropSet = true;
            }
            const uint8_t* data = nullptr;
            size_t size = 0;
            switch (play.rtsp->Receive(200, data, size)) {
            case RtspClient::Event::Packet:
                reorder.Push(data, size, deliver);
                break;
            case RtspClient::Event::Idle:
                break;
            case RtspClient::Event::Closed:
                if (play.stop) break;
                WakeWatch(play.login);
                ResetStream(play);
                play.spropSet = false;
                break;
            }
        }
        std::lock_guard<std::mutex> lock(play.rtspMutex);
        if (play.rtsp) play.rtsp->Close(500);  // TEARDOWN, briefly waited for
    }

    static void ResetStream(Play& play) {
        std::lock_guard<std::mutex> lock(play.rtspMutex);
        play.rtsp.reset();
    }

    static void Post(Play& play, std::vector<uint8_t>&& data, uint32_t no, bool key, uint32_t rtpTime) {
        std::lock_guard<std::mutex> lock(play.mailMutex);
        if (play.codec == Codec::Jpeg) {
            play.mail.clear();  // an undrawn picture is replaced: a drop
        } else if (play.mail.size() >= kMaxWaitingUnits) {
            if (!key) return;  // behind: nothing until the next key frame
            play.mail.clear();
        }
        play.mail.push_back(Play::Unit{std::move(data), no, UnixMicros(), key, rtpTime});
        play.mailChanged.notify_one();
    }

    // The drawing thread of a play. JPEG: the newest picture. H.264: every
    // unit is decoded (each needs the ones before) and its picture drawn,
    // spaced by the stream's frame time when several came at once (a stream
    // with B-frames arrives in groups).
    static void Draw(Play& play) {
        CWicJpegDecoder jpeg;
        std::unique_ptr<CMfH264Decoder> h264;
        if (play.codec == Codec::H264) h264 = std::make_unique<CMfH264Decoder>();
        std::vector<Play::Unit> units;
        std::vector<uint8_t> bgr;
        CFramePacer pacer;
        while (!play.stop) {
            {
                std::unique_lock<std::mutex> lock(play.mailMutex);
                play.mailChanged.wait(lock, [&] { return play.stop || !play.mail.empty(); });
                if (play.stop) break;
                units.swap(play.mail);
                play.mail.clear();
            }
            if (play.codec == Codec::Jpeg) {
                int w = 0, h = 0, stride = 0;
                const Play::Unit& u = units.back();
                if (jpeg.Decode(u.data.data(), u.data.size(), bgr, w, h, stride))
                    play.output.Present(bgr.data(), w, h, stride, u.no, u.stamp);
            } else {
                for (const auto& u : units) {
                    pacer.Note(u.rtpTime);
                    h264->Decode(u.data.data(), u.data.size());
                    for (const auto& nv12 : h264->Pictures()) {
                        if (play.stop) break;
                        const int w = h264->Width(), h = h264->Height();
                        Nv12ToBgr(nv12.data(), w, h, bgr);
                        pacer.WaitTurn(units.size(), play.stop);
                        play.output.Present(bgr.data(), w, h, (w * 3 + 3) & ~3, u.no, u.stamp);
                    }
                }
            }
            units.clear();
        }
    }

    std::mutex m_mutex;
    VN_DISCONNECT_CALLBACK m_callback = nullptr;
    uintptr_t m_user = 0;
    int32_t m_nextHandle = 0;
    std::map<int32_t, LoginPtr> m_logins;
    std::map<int32_t, PlayPtr> m_plays;
    std::vector<LoginPtr> m_finishedLogins;
    std::vector<PlayPtr> m_finishedPlays;
};

// Made at load and ended by DllMain on FreeLibrary only: at process exit
// the system has already ended our threads, which may have held our locks.
alignas(CLibrary) unsigned char g_libraryStorage[sizeof(CLibrary)];
CLibrary* g_pLibrary = nullptr;

}  // namespace
}  // namespace vn::onvif

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD dwReason, LPVOID pReserved) {
    using vn::onvif::g_pLibrary;
    if (dwReason == DLL_PROCESS_ATTACH) {
        g_pLibrary = new (vn::onvif::g_libraryStorage) vn::onvif::CLibrary;
    } else if (dwReason == DLL_PROCESS_DETACH && g_pLibrary) {
        if (pReserved == nullptr) g_pLibrary->~CLibrary();
        g_pLibrary = nullptr;
    }
    return TRUE;
}

#define g_library (*vn::onvif::g_pLibrary)

int32_t WINAPI NetInit(VN_DISCONNECT_CALLBACK pfnDisconnect, uintptr_t dwUser) {
    try { return g_library.Init(pfnDisconnect, dwUser); } catch (...) { return 0; }
}
int32_t WINAPI NetCleanup() {
    try { g_library.Cleanup(); } catch (...) {}
    return 1;
}
// The port is not used: the address says where the device's services are.
int32_t WINAPI NetLogin(const char* pszAddress, uint16_t, const char* pszUser, const char* pszPassword,
                        unsigned char* pDeviceInfo, int* pError) {
    try { return g_library.LoginTo(pszAddress, pszUser, pszPassword, pDeviceInfo, pError); } catch (...) { return 0; }
}
int32_t WINAPI NetLogout(int32_t lLoginHandle) {
    try { return g_library.Logout(lLoginHandle); } catch (...) { return 0; }
}
int32_t WINAPI NetStartRealPlay(int32_t lLoginHandle, int32_t nChannel, HWND hWnd) {
    try { return g_library.StartRealPlay(lLoginHandle, nChannel, hWnd); } catch (...) { return 0; }
}
int32_t WINAPI NetStopRealPlay(int32_t lPlayHandle) {
    try { return g_library.StopRealPlay(lPlayHandle); } catch (...) { return 0; }
}
// Cameras' web services have no sound path this library plays: unsupported.
int32_t WINAPI NetOpenSound(int32_t) { return 0; }
int32_t WINAPI NetCloseSound() { return 1; }
int32_t WINAPI NetPtzControl(int32_t lLoginHandle, int32_t nChannel, uint32_t dwCode, uint8_t, uint8_t param2,
                             uint8_t, int32_t bStop) {
    try { return g_library.PtzControl(lLoginHandle, nChannel, dwCode, param2, bStop); } catch (...) { return 0; }
}
int32_t WINAPI NetGetDevConfig(int32_t lLoginHandle, int32_t nCommand, int32_t nChannel, void* pBuffer,
                               int32_t nBufferSize, int32_t* pReturned, int32_t) {
    try { return g_library.GetDevConfig(lLoginHandle, nCommand, nChannel, pBuffer, nBufferSize, pReturned); } catch (...) { return 0; }
}
int32_t WINAPI NetSetDevConfig(int32_t lLoginHandle, int32_t nCommand, int32_t nChannel, void* pBuffer,
                               int32_t nBufferSize, int32_t) {
    try { return g_library.SetDevConfig(lLoginHandle, nCommand, nChannel, pBuffer, nBufferSize); } catch (...) { return 0; }
}
extern "C" int __cdecl NetGetPlayStats(int32_t lPlayHandle, VN_PLAY_STATS* out) {
    try { return g_library.GetPlayStats(lPlayHandle, out); } catch (...) { return 0; }
}
