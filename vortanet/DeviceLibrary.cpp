// The stand-in device network library (device-protocol build): the calls
// of its exports over real TCP sessions to devices (one per login), the
// registry of logins and plays, and the disconnect notice to the host.
#define ZV_BUILDING_NETLIB
#include <windows.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "DeviceSession.h"
#include "LibraryExports.h"
#include "SoundOutput.h"
#include "VideoOutput.h"

namespace vn {

namespace proto = zv::proto;

namespace {

struct Play {
    int32_t handle;
    int32_t login;
    uint32_t playId;
    std::unique_ptr<CVideoOutput> output;
};

// Sessions are shared: a caller in the middle of a request keeps its session
// alive while a loss or a logout takes it out of the registry.
using SessionPtr = std::shared_ptr<CDeviceSession>;

struct LoginEntry {
    std::string address;
    SessionPtr session;
};

class CLibrary final : public ISessionListener, public ILibrary {
public:
    int32_t Init(VN_DISCONNECT_CALLBACK callback, uintptr_t user) override {
        if (!zv::net::Startup()) return 0;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_callback = callback;
        m_user = user;
        return 1;
    }

    void Cleanup() override {
        std::vector<SessionPtr> sessions;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_callback = nullptr;  // no notice once the host has let go of us
            for (auto& l : m_logins) sessions.push_back(std::move(l.second.session));
            for (auto& s : m_finished) sessions.push_back(std::move(s));
            m_logins.clear();
            m_finished.clear();
            m_plays.clear();
            m_soundPlay = 0;
        }
        // Outside the lock: a receive thread may be waiting for it to report a loss.
        for (auto& s : sessions) s->Stop();
        sessions.clear();
        m_sound.Close();
    }

    int32_t Login(const char* address, uint16_t port, const char* user, const char* password,
                  unsigned char* deviceInfo, int* error) override {
        ReapFinished();
        LoginError why = LOGIN_NETWORK;
        proto::DeviceInfo info{};
        if (!address || !user || !password) {
            if (error) *error = LOGIN_PROTOCOL;
            return 0;
        }
        SessionPtr session = CDeviceSession::Login(address, port, user, password, &info, &why);
        if (error) *error = why;
        if (!session) return 0;
        if (deviceInfo) std::memcpy(deviceInfo, info.data(), info.size());
        int32_t handle;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            handle = ++m_nextHandle;
            m_logins[handle] = LoginEntry{address, nullptr};
        }
        if (!session->Start(handle, this)) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_logins.erase(handle);
            return 0;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_logins.find(handle);
        if (it == m_logins.end()) {  // lost before we got here: keep it for reaping
            m_finished.push_back(std::move(session));
            return 0;
        }
        it->second.session = std::move(session);
        return handle;
    }

    int32_t Logout(int32_t handle) override {
        SessionPtr session;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            auto it = m_logins.find(handle);
            if (it == m_logins.end()) return 0;
            session = std::move(it->second.session);
            m_logins.erase(it);
            DropPlaysOf(handle);
        }
        if (session) session->Stop();
        return 1;
    }

    int32_t StartRealPlay(int32_t login, int32_t channel, HWND hWnd) override {
        SessionPtr session = SessionOf(login);
        if (!session || channel < 0) return 0;
        proto::PlayStart start;
        start.channel = static_cast<uint32_t>(channel);
        start.format = proto::PixelFormat::Rgb24;
        proto::Frame reply;
        proto::Result result;
        if (!session->Request(start, proto::MsgType::Result, REQUEST_TIMEOUT_MS, &reply) ||
            proto::Decode(reply, result) != proto::DecodeError::None || result.status != proto::kOk)
            return 0;
        auto play = std::make_shared<Play>(Play{0, login, result.value, std::make_unique<CVideoOutput>(hWnd)});
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_logins.count(login)) return 0;  // lost meanwhile
        play->handle = ++m_nextHandle;
        m_plays[play->handle] = play;
        return play->handle;
    }

    int32_t StopRealPlay(int32_t handle) override {
        std::shared_ptr<Play> play = FindPlay(handle);
        if (!play) return 0;
        SessionPtr session = SessionOf(play->login);
        if (session && !session->Lost()) {
            proto::PlayStop stop;
            stop.playId = play->playId;
            proto::Frame reply;
            proto::Result result;
            if (!session->Request(stop, proto::MsgType::Result, REQUEST_TIMEOUT_MS, &reply) ||
                proto::Decode(reply, result) != proto::DecodeError::None)
                return 0;  // the play may still run: keep it
        }
        // Stopped, or its device is gone and with it the play.
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_soundPlay == handle) m_soundPlay = 0;
        m_plays.erase(handle);
        return 1;
    }

    int32_t OpenSound(int32_t handle) override {
        std::shared_ptr<Play> play = FindPlay(handle);
        SessionPtr session = play ? SessionOf(play->login) : nullptr;
        if (!session) return 0;
        proto::AudioOpen open;
        open.playId = play->playId;
        if (!Simple(session, open)) return 0;
        int32_t previous;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            previous = m_soundPlay;
            m_soundPlay = handle;
        }
        if (previous && previous != handle) CloseSoundOf(previous);
        return 1;
    }

    int32_t CloseSound() override {
        int32_t current;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            current = m_soundPlay;
            m_soundPlay = 0;
        }
        if (current) CloseSoundOf(current);
        m_sound.Close();
        return 1;
    }

    int32_t PtzControl(int32_t login, int32_t channel, uint32_t code, uint8_t p1, uint8_t p2,
                       uint8_t p3, int32_t stop) override {
        SessionPtr session = SessionOf(login);
        if (!session || channel < 0) return 0;
        proto::Ptz ptz;
        ptz.channel = static_cast<uint32_t>(channel);
        ptz.code = code;
        ptz.param1 = p1;
        ptz.param2 = p2;
        ptz.param3 = p3;
        ptz.stop = stop != 0;
        return Simple(session, ptz) ? 1 : 0;
    }

    int32_t GetDevConfig(int32_t login, int32_t command, int32_t channel, void* buffer, int32_t size,
                         int32_t* returned, int32_t waitMs) override {
        if (returned) *returned = 0;
        SessionPtr session = SessionOf(login);
        if (!session || !buffer || size <= 0 || uint32_t(size) > proto::kMaxConfigBytes) return 0;
        proto::ConfigGet get;
        get.command = static_cast<uint32_t>(command);
        get.channel = channel;
        get.maxLength = static_cast<uint32_t>(size);
        proto::Frame reply;
        proto::ConfigData data;
        if (!session->Request(get, proto::MsgType::ConfigData, ClampWait(waitMs), &reply) ||
            proto::Decode(reply, data) != proto::DecodeError::None || data.status != proto::kOk ||
            data.data.size() > size_t(size))
            return 0;
        std::memcpy(buffer, data.data.data(), data.data.size());
        if (returned) *returned = static_cast<int32_t>(data.data.size());
        return 1;
    }

    int32_t SetDevConfig(int32_t login, int32_t command, int32_t channel, void* buffer, int32_t size,
                         int32_t waitMs) override {
        SessionPtr session = SessionOf(login);
        if (!session || !buffer || size <= 0 || uint32_t(size) > proto::kMaxConfigBytes) return 0;
        proto::ConfigSet set;
        set.command = static_cast<uint32_t>(command);
        set.channel = channel;
        set.data.assign(static_cast<uint8_t*>(buffer), static_cast<uint8_t*>(buffer) + size);
        proto::Frame reply;
        proto::Result result;
        return session->Request(set, proto::MsgType::Result, ClampWait(waitMs), &reply) &&
               proto::Decode(reply, result) == proto::DecodeError::None &&
               result.status == proto::kOk;
    }

    int GetPlayStats(int32_t handle, VN_PLAY_STATS* out) override {
        std::shared_ptr<Play> play = FindPlay(handle);
        return play && play->output->CopyStats(out) ? 1 : 0;
    }

    // ISessionListener, on a session's receive thread.
    void OnVideo(int32_t login, const proto::VideoFrame& frame, uint64_t receivedUs) override {
        if (std::shared_ptr<Play> play = FindPlay(login, frame.info.playId)) play->output->Draw(frame, receivedUs);
    }
    void OnAudio(int32_t login, const proto::AudioPacket& packet) override {
        std::shared_ptr<Play> play = FindPlay(login, packet.playId);
        if (!play) return;
        play->output->CountAudio();
        bool current;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            current = m_soundPlay == play->handle;
        }
        if (current) m_sound.Play(packet);
    }
    void OnLost(int32_t login) override {
        VN_DISCONNECT_CALLBACK callback = nullptr;
        uintptr_t user = 0;
        std::string address;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            auto it = m_logins.find(login);
            if (it == m_logins.end()) return;
            address = it->second.address;
            // The session object is running this very call: it is kept, and
            // ended by the next login or the cleanup, once its thread is done.
            if (it->second.session) m_finished.push_back(std::move(it->second.session));
            m_logins.erase(it);
            DropPlaysOf(login);
            callback = m_callback;
            user = m_user;
        }
        // Without our lock: the host takes its own lock in the notice.
        if (callback) callback(login, address.c_str(), proto::kDevicePort, user);
    }

private:
    template <class M>
    static bool Simple(const SessionPtr& session, const M& m) {
        proto::Frame reply;
        proto::Result result;
        return session->Request(m, proto::MsgType::Result, REQUEST_TIMEOUT_MS, &reply) &&
               proto::Decode(reply, result) == proto::DecodeError::None &&
               result.status == proto::kOk;
    }

    // The caller's wait, kept to a sane range.
    static int ClampWait(int32_t waitMs) { return waitMs <= 0 ? 1 : (waitMs > 60000 ? 60000 : waitMs); }

    SessionPtr SessionOf(int32_t login) {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_logins.find(login);
        return it == m_logins.end() ? nullptr : it->second.session;
    }

    std::shared_ptr<Play> FindPlay(int32_t handle) {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_plays.find(handle);
        return it == m_plays.end() ? nullptr : it->second;
    }

    std::shared_ptr<Play> FindPlay(int32_t login, uint32_t playId) {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto& p : m_plays)
            if (p.second->login == login && p.second->playId == playId) return p.second;
        return nullptr;
    }

    void DropPlaysOf(int32_t login) {  // with m_mutex held
        for (auto it = m_plays.begin(); it != m_plays.end();) {
            if (it->second->login == login) {
                if (m_soundPlay == it->first) m_soundPlay = 0;
                it = m_plays.erase(it);
            } else {
                ++it;
            }
        }
    }

    void CloseSoundOf(int32_t handle) {
        std::shared_ptr<Play> play = FindPlay(handle);
        SessionPtr session = play ? SessionOf(play->login) : nullptr;
        if (!session) return;
        proto::AudioClose close;
        close.playId = play->playId;
        Simple(session, close);
    }

    void ReapFinished() {
        std::vector<SessionPtr> done;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (auto it = m_finished.begin(); it != m_finished.end();) {
                if ((*it)->Finished()) {
                    done.push_back(std::move(*it));
                    it = m_finished.erase(it);
                } else {
                    ++it;
                }
            }
        }
    }

    std::mutex m_mutex;
    VN_DISCONNECT_CALLBACK m_callback = nullptr;
    uintptr_t m_user = 0;
    int32_t m_nextHandle = 0;
    std::map<int32_t, LoginEntry> m_logins;
    std::vector<SessionPtr> m_finished;
    std::map<int32_t, std::shared_ptr<Play>> m_plays;
    int32_t m_soundPlay = 0;
    CSoundOutput m_sound;
};

}  // namespace

ILibrary* MakeLibrary() { return MakeInPlace<CLibrary>(); }

}  // namespace vn
