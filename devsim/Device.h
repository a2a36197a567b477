// One simulated device on one loopback address: its listening socket, its
// client sessions, the channels' domes and configuration blocks, the live
// stream clock, the injected faults and the counters the tests read.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Camera.h"
#include "DeviceFacts.h"
#include "DeviceOptions.h"
#include "Messages.h"
#include "Socket.h"
#include "StageTimes.h"
#include "ViewRenderer.h"

namespace zv::devsim {

class Session;
class OnvifFace;

using proto::kCfgChannel;
using proto::kCfgDevice;
using proto::kChannelCountOffset;
using proto::kChannelRecordSize;
using proto::kColorOffset;  // brightness, contrast, saturation, hue
using proto::kDeviceBlockSize;

struct Counters {
    std::atomic<uint64_t> sessionsAccepted{0};
    std::atomic<uint64_t> sessionsRejected{0};
    std::atomic<uint64_t> logins{0};
    std::atomic<uint64_t> loginFailures{0};
    std::atomic<uint64_t> loginsRefused{0};
    std::atomic<uint64_t> requests{0};
    std::atomic<uint64_t> ptzCommands{0};
    std::atomic<uint64_t> configGets{0};
    std::atomic<uint64_t> configSets{0};
    std::atomic<uint64_t> playsStarted{0};
    std::atomic<uint64_t> framesRendered{0};
    std::atomic<uint64_t> framesSent{0};
    std::atomic<uint64_t> framesDropped{0};
    std::atomic<uint64_t> audioSent{0};
    std::atomic<uint64_t> audioDropped{0};
    std::atomic<uint64_t> replyCapHits{0};  // times a session stopped reading at the reply cap
    std::atomic<uint64_t> malformed{0};
    std::atomic<uint64_t> hostileSent{0};
    std::atomic<uint64_t> drops{0};
    std::atomic<uint64_t> restarts{0};
    // The web services and RTSP face.
    std::atomic<uint64_t> httpRequests{0};
    std::atomic<uint64_t> httpRejected{0};   // connections over the cap
    std::atomic<uint64_t> httpBad{0};        // requests the parser refused
    std::atomic<uint64_t> soapFaults{0};
    std::atomic<uint64_t> soapAuthFailures{0};
    std::atomic<uint64_t> soapReplays{0};
    std::atomic<uint64_t> snapshots{0};
    std::atomic<uint64_t> snapshotAuthFailures{0};
    std::atomic<uint64_t> rtspRequests{0};
    std::atomic<uint64_t> rtspAuthFailures{0};
    std::atomic<uint64_t> rtspPlays{0};
    std::atomic<uint64_t> rtpFramesSent{0};
    std::atomic<uint64_t> rtpFramesDropped{0};
    std::atomic<uint64_t> rtspConnections{0};  // accepted so far; numbers each connection
    std::atomic<uint64_t> httpBasicSeen{0};    // web-service requests that carried Basic credentials
    std::atomic<uint64_t> rtspBasicSeen{0};
    StageHistogram renderToSend;  // video frames: render to socket, µs
};

struct ChannelReport {
    PtzPosition position;
    PtzMotion motion;
    uint32_t lastCode = 0;
    uint64_t ptzCommands = 0;
    int blurRadius = 0;
    double exposure = 1;
    ColorBytes colour;
    uint32_t frames = 0;
    int plays = 0;
};

class Device {
public:
    explicit Device(DeviceOptions options);
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    bool Start(std::string* error);
    // Ends every session and thread; the configuration and domes remain.
    void Stop();
    // Drops every connection, stays away for downMs, then listens again.
    bool Restart(int downMs, std::string* error);
    // Closes every client connection at once, without a message.
    int DropSessions();

    const std::string& Address() const { return m_opt.address; }
    uint16_t Port() const { return m_port.load(); }
    int Channels() const { return m_opt.channels; }
    const DeviceOptions& Options() const { return m_opt; }

    Faults GetFaults() const;
    void SetFaults(const Faults& f);
    Hostile HostileMode() const { return static_cast<Hostile>(m_hostile.load()); }

    ChannelReport Report(int channel);
    int SessionCount() const;
    // Bytes of replies waiting in the session that has the most (tests).
    size_t LargestReplyQueue() const;
    Counters& Stats() { return m_stats; }

    // --- called by sessions -------------------------------------------------
    const User* FindUser(const std::string& name) const;
    proto::DeviceInfo MakeDeviceInfo() const;
    uint32_t StartPlay(Session& s, uint32_t channel, proto::PixelFormat format, uint32_t& playId);
    uint32_t StopPlay(Session& s, uint32_t playId);
    uint32_t SetAudio(Session& s, uint32_t playId, bool on);
    uint32_t Ptz(const proto::Ptz& cmd);
    proto::ConfigData ConfigGet(const proto::ConfigGet& req);
    uint32_t ConfigSet(const proto::ConfigSet& req);
    // Forgets the session's plays when it ends.
    void SessionEnded(Session& s);

    // --- called by the web services and RTSP face ------------------------------
    // A channel's pictures as they are made (overlay included), the frame
    // number and the device's time of the tick in seconds.
    using PictureWatcher = std::function<void(const Image& picture, uint32_t frameNo, double t)>;
    // Calls w on the stream thread with every new picture of the channel
    // until Unwatch; w must not call Watch or Unwatch. 0 for a bad channel.
    uint64_t Watch(int channel, PictureWatcher w);
    // Once it returns the watcher is not running and never runs again.
    void Unwatch(uint64_t id);
    // The channel's picture as it is now, overlay included.
    bool Snapshot(int channel, Image& out);
    // Velocity drive of the dome (Camera::Drive); timeout <= 0: none.
    bool PtzDrive(int channel, bool panTilt, double pan, double tilt, bool zoom,
                  double zoomVelocity, double timeoutSeconds);
    bool PtzHalt(int channel, bool panTilt, bool zoom, bool focus);
    bool FocusDrive(int channel, double velocity);
    // The channel's colour bytes: the same four bytes as its configuration
    // record, so both faces see one setting.
    bool Color(int channel, ColorBytes& out) const;
    bool SetColor(int channel, const ColorBytes& c);
    // The device's clock, seconds since 1970 UTC, with the skew fault.
    double WallClock() const;
    // Seconds since the device was made, on the steady clock: the time the
    // domes move in and pictures are stamped with.
    double Now() const;
    uint16_t OnvifPort() const;
    uint16_t RtspPort() const;

private:
    struct Play {
        uint32_t id;
        int channel;
        proto::PixelFormat format;
        std::weak_ptr<Session> session;
        Session* owner;
        bool audio = false;
        uint32_t audioNo = 0;
    };

    void AcceptLoop();
    void StreamLoop();
    void ReapFinished(bool all);
    ColorBytes ColorOf(int channel) const;
    // The view of a channel now; m_mu held.
    ViewSettings ViewOfLocked(int channel, double t);
    void InitBlocks();

    const DeviceOptions m_opt;
    const std::chrono::steady_clock::time_point m_epoch;
    std::atomic<uint16_t> m_port{0};  // kept across restarts

    // Used by the accept thread, or by Start/Stop while that is not running.
    net::Socket m_listener;
    mutable std::mutex m_mu;  // guards everything below up to m_hostile
    std::vector<std::shared_ptr<Session>> m_sessions;
    std::vector<Camera> m_cameras;
    std::vector<uint32_t> m_channelFrames;
    std::vector<uint64_t> m_ptzCounts;
    std::vector<uint8_t> m_deviceBlock;
    std::vector<uint8_t> m_channelBlock;
    std::map<uint32_t, Play> m_plays;
    uint32_t m_nextPlayId = 1;
    uint64_t m_nextSessionId = 1;
    Faults m_faults;

    std::atomic<int> m_hostile{0};
    std::atomic<bool> m_running{false};
    std::thread m_acceptThread;
    std::thread m_streamThread;
    std::mutex m_lifecycle;  // serialises Start/Stop/Restart
    Counters m_stats;

    struct Watcher {
        int channel;
        PictureWatcher fn;
    };
    // Held while watchers run, so Unwatch waits for a running one; never
    // held together with m_mu.
    std::mutex m_watchMu;
    std::map<uint64_t, Watcher> m_watchers;
    uint64_t m_nextWatchId = 1;
    std::atomic<int> m_skewSeconds{0};

    std::unique_ptr<OnvifFace> m_face;  // null while the face is off
};

}  // namespace zv::devsim
