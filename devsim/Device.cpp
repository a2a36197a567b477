#include "Device.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "OnvifFace.h"
#include "Session.h"

namespace zv::devsim {

using namespace proto;

namespace {

constexpr auto kTick = std::chrono::milliseconds(20);  // audio every tick, video every other
constexpr int kAudioRate = 8000;
constexpr int kAudioSamples = kAudioRate / 50;  // 20 ms

void PutText(std::vector<uint8_t>& block, size_t offset, size_t field, const std::string& text) {
    std::memcpy(block.data() + offset, text.data(), std::min(field - 1, text.size()));
}

}  // namespace

const char* ToString(Hostile h) {
    switch (h) {
    case Hostile::Off: return "off";
    case Hostile::Garbage: return "garbage";
    case Hostile::BadMagic: return "bad-magic";
    case Hostile::BadVersion: return "bad-version";
    case Hostile::Oversize: return "oversize";
    case Hostile::Truncate: return "truncate";
    case Hostile::BadPayload: return "bad-payload";
    }
    return "?";
}

bool ParseHostile(const std::string& text, Hostile& out) {
    for (Hostile h : {Hostile::Off, Hostile::Garbage, Hostile::BadMagic, Hostile::BadVersion,
                      Hostile::Oversize, Hostile::Truncate, Hostile::BadPayload}) {
        if (text == ToString(h)) {
            out = h;
            return true;
        }
    }
    return false;
}

Device::Device(DeviceOptions options)
    : m_opt(std::move(options)), m_epoch(std::chrono::steady_clock::now()) {
    m_cameras.resize(static_cast<size_t>(m_opt.channels));
    m_channelFrames.assign(static_cast<size_t>(m_opt.channels), 0);
    m_ptzCounts.assign(static_cast<size_t>(m_opt.channels), 0);
    InitBlocks();
    if (m_opt.onvifPort >= 0) m_face = OnvifFace::Create(*this);
}

Device::~Device() {
    Stop();
    m_face.reset();
}

void Device::InitBlocks() {
    m_deviceBlock.assign(kDeviceBlockSize, 0);
    PutText(m_deviceBlock, 0, 32, "DEVSIM " + m_opt.address);
    PutText(m_deviceBlock, 32, 16, "DS-" + m_opt.address);
    PutText(m_deviceBlock, 48, 16, "1.0.0");
    m_deviceBlock[kChannelCountOffset] = static_cast<uint8_t>(m_opt.channels);
    m_channelBlock.assign(kChannelRecordSize * static_cast<size_t>(m_opt.channels), 0);
    for (int ch = 0; ch < m_opt.channels; ++ch) {
        const size_t base = kChannelRecordSize * static_cast<size_t>(ch);
        PutText(m_channelBlock, base, 32, "CAM " + std::to_string(ch + 1));
        const ColorBytes c;
        m_channelBlock[base + kColorOffset] = c.brightness;
        m_channelBlock[base + kColorOffset + 1] = c.contrast;
        m_channelBlock[base + kColorOffset + 2] = c.saturation;
        m_channelBlock[base + kColorOffset + 3] = c.hue;
    }
}

double Device::Now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_epoch).count();
}

bool Device::Start(std::string* error) {
    std::lock_guard<std::mutex> lc(m_lifecycle);
    if (m_running.load()) return true;
    if (!net::IsLoopbackIPv4(m_opt.address)) {
        if (error) *error = "refusing " + m_opt.address + ": only 127.0.0.0/8 addresses";
        return false;
    }
    net::Startup();
    // Draw the world now rather than on the first frame, which would
    // otherwise come late.
    Panorama::Shared();
    m_listener = net::Socket::Listen(m_opt.address, m_port ? m_port.load() : m_opt.port, error);
    if (!m_listener.Valid()) return false;
    m_port = m_listener.LocalPort();
    m_running = true;
    m_acceptThread = std::thread(&Device::AcceptLoop, this);
    m_streamThread = std::thread(&Device::StreamLoop, this);
    if (m_face && !m_face->Start(error)) {
        m_running = false;
        m_acceptThread.join();
        m_streamThread.join();
        m_listener.Close();
        return false;
    }
    return true;
}

void Device::Stop() {
    std::lock_guard<std::mutex> lc(m_lifecycle);
    // The face first: its streams watch the stream thread's pictures.
    if (m_face) m_face->Stop();
    m_running = false;
    if (m_acceptThread.joinable()) m_acceptThread.join();
    if (m_streamThread.joinable()) m_streamThread.join();
    ReapFinished(true);
    m_listener.Close();
}

bool Device::Restart(int downMs, std::string* error) {
    Stop();
    m_stats.restarts++;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::max(0, downMs)));
    return Start(error);
}

int Device::DropSessions() {
    int n = 0;
    {
        std::lock_guard<std::mutex> lk(m_mu);
        for (auto& s : m_sessions) {
            if (s->Finished()) continue;
            s->Abort();
            ++n;
        }
    }
    if (m_face) n += m_face->Drop();
    m_stats.drops += static_cast<uint64_t>(n);
    return n;
}

void Device::ReapFinished(bool all) {
    std::vector<std::shared_ptr<Session>> done;
    {
        std::lock_guard<std::mutex> lk(m_mu);
        for (auto it = m_sessions.begin(); it != m_sessions.end();) {
            if (all || (*it)->Finished()) {
                done.push_back(std::move(*it));
                it = m_sessions.erase(it);
            } else {
                ++it;
            }
        }
    }
    // Joined outside the lock: a session's last act takes it.
    for (auto& s : done) s->Abort();
    for (auto& s : done) s->Join();
}

void Device::AcceptLoop() {
    while (m_running.load()) {
        if (m_listener.WaitReadable(100) == net::Socket::Wait::Ready) {
            std::string peer;
            net::Socket sock = m_listener.Accept(&peer);
            if (sock.Valid()) {
                // Every write leaves at once. Otherwise a small one (a reply,
                // a frame's head) waits for the acknowledgement of the last
                // frame's tail, which a client may delay by tens of ms.
                sock.SetNoDelay();
                std::lock_guard<std::mutex> lk(m_mu);
                if (static_cast<int>(m_sessions.size()) >= m_opt.maxSessions) {
                    m_stats.sessionsRejected++;
                    ErrorMsg e;
                    e.code = kErrLimit;
                    e.text = "too many sessions";
                    const auto frame = Encode(e, 0);
                    sock.SendAll(frame.data(), frame.size(), 100, nullptr);
                } else {
                    m_stats.sessionsAccepted++;
                    auto s =
                        std::make_shared<Session>(*this, std::move(sock), peer, m_nextSessionId++);
                    m_sessions.push_back(s);
                    s->Start();
                }
            }
        }
        ReapFinished(false);
    }
}

int Device::SessionCount() const {
    std::lock_guard<std::mutex> lk(m_mu);
    int n = 0;
    for (const auto& s : m_sessions) n += s->Finished() ? 0 : 1;
    return n;
}

size_t Device::LargestReplyQueue() const {
    std::lock_guard<std::mutex> lk(m_mu);
    size_t most = 0;
    for (const auto& s : m_sessions) most = std::max(most, s->ReplyBytes());
    return most;
}

Faults Device::GetFaults() const {
    std::lock_guard<std::mutex> lk(m_mu);
    return m_faults;
}

void Device::SetFaults(const Faults& f) {
    std::lock_guard<std::mutex> lk(m_mu);
    m_faults = f;
    m_hostile = static_cast<int>(f.hostile);
    m_skewSeconds = f.onvif.skewSeconds;
}

ColorBytes Device::ColorOf(int channel) const {
    const size_t base = kChannelRecordSize * static_cast<size_t>(channel) + kColorOffset;
    ColorBytes c;
    c.brightness = m_channelBlock[base];
    c.contrast = m_channelBlock[base + 1];
    c.saturation = m_channelBlock[base + 2];
    c.hue = m_channelBlock[base + 3];
    return c;
}

ChannelReport Device::Report(int channel) {
    std::lock_guard<std::mutex> lk(m_mu);
    ChannelReport r;
    if (channel < 0 || channel >= m_opt.channels) return r;
    Camera& cam = m_cameras[static_cast<size_t>(channel)];
    cam.Advance(Now());
    r.position = cam.Position();
    r.motion = cam.Motion();
    r.lastCode = cam.LastCode();
    r.ptzCommands = m_ptzCounts[static_cast<size_t>(channel)];
    r.blurRadius = cam.BlurRadius();
    r.exposure = cam.Exposure();
    r.colour = ColorOf(channel);
    r.frames = m_channelFrames[static_cast<size_t>(channel)];
    for (const auto& [id, p] : m_plays) r.plays += p.channel == channel ? 1 : 0;
    return r;
}

// --- requests from sessions ------------------------------------------------------

const User* Device::FindUser(const std::string& name) const {
    for (const auto& u : m_opt.users)
        if (u.name == name) return &u;
    return nullptr;
}

DeviceInfo Device::MakeDeviceInfo() const {
    DeviceInfo info{};
    const std::string serial = "DS-" + m_opt.address;
    std::memcpy(info.data(), serial.data(), std::min<size_t>(15, serial.size()));
    info[16] = static_cast<uint8_t>(m_opt.channels);
    info[17] = 1;  // first channel number as shown to people
    info[21] = 1;  // device type: simulated recorder
    info[22] = kVersion;
    const std::string name = "DEVSIM " + m_opt.address;
    std::memcpy(info.data() + 24, name.data(), std::min<size_t>(31, name.size()));
    return info;
}

uint32_t Device::StartPlay(Session& s, uint32_t channel, PixelFormat format, uint32_t& playId) {
    std::lock_guard<std::mutex> lk(m_mu);
    if (channel >= static_cast<uint32_t>(m_opt.channels)) return kBadChannel;
    int mine = 0;
    for (const auto& [id, p] : m_plays) mine += p.owner == &s ? 1 : 0;
    if (mine >= m_opt.maxPlaysPerSession) return kLimit;
    Play p;
    p.id = m_nextPlayId++;
    if (m_nextPlayId == 0) m_nextPlayId = 1;
    p.channel = static_cast<int>(channel);
    p.format = format == PixelFormat::Any ? PixelFormat::Rgb24 : format;
    p.session = s.weak_from_this();
    p.owner = &s;
    m_plays.emplace(p.id, p);
    s.AddPlay(p.id);
    m_stats.playsStarted++;
    playId = p.id;
    return kOk;
}

uint32_t Device::StopPlay(Session& s, uint32_t playId) {
    std::lock_guard<std::mutex> lk(m_mu);
    auto it = m_plays.find(playId);
    if (it == m_plays.end() || it->second.owner != &s) return kBadPlay;
    m_plays.erase(it);
    s.RemovePlay(playId);
    return kOk;
}

uint32_t Device::SetAudio(Session& s, uint32_t playId, bool on) {
    std::lock_guard<std::mutex> lk(m_mu);
    if (!on && playId == 0) {
        for (auto& [id, p] : m_plays) {
            if (p.owner != &s) continue;
            p.audio = false;
            s.SetAudio(id, false);
        }
        return kOk;
    }
    auto it = m_plays.find(playId);
    if (it == m_plays.end() || it->second.owner != &s) return kBadPlay;
    it->second.audio = on;
    s.SetAudio(playId, on);
    return kOk;
}

uint32_t Device::Ptz(const proto::Ptz& cmd) {
    std::lock_guard<std::mutex> lk(m_mu);
    if (cmd.channel >= static_cast<uint32_t>(m_opt.channels)) return kBadChannel;
    m_stats.ptzCommands++;
    m_ptzCounts[cmd.channel]++;
    Camera& cam = m_cameras[cmd.channel];
    return cam.Command(cmd.code, cmd.param1, cmd.param2, cmd.stop, Now()) ? kOk : kBadCommand;
}

ConfigData Device::ConfigGet(const proto::ConfigGet& req) {
    std::lock_guard<std::mutex> lk(m_mu);
    m_stats.configGets++;
    ConfigData d;
    d.command = req.command;
    d.channel = req.channel;
    const std::vector<uint8_t>* block = nullptr;
    size_t offset = 0, size = 0;
    if (req.command == kCfgDevice) {
        if (req.channel != 0 && req.channel != -1) {
            d.status = kBadChannel;
            return d;
        }
        block = &m_deviceBlock;
        size = m_deviceBlock.size();
    } else if (req.command == kCfgChannel) {
        if (req.channel == -1) {
            block = &m_channelBlock;
            size = m_channelBlock.size();
        } else if (req.channel >= 0 && req.channel < m_opt.channels) {
            block = &m_channelBlock;
            offset = kChannelRecordSize * static_cast<size_t>(req.channel);
            size = kChannelRecordSize;
        } else {
            d.status = kBadChannel;
            return d;
        }
    } else {
        d.status = kBadCommand;
        return d;
    }
    d.totalSize = static_cast<uint32_t>(size);
    if (req.maxLength < size) {
        d.status = kBufferTooSmall;
        return d;
    }
    d.data.assign(block->begin() + static_cast<std::ptrdiff_t>(offset),
                  block->begin() + static_cast<std::ptrdiff_t>(offset + size));
    return d;
}

uint32_t Device::ConfigSet(const proto::ConfigSet& req) {
    std::lock_guard<std::mutex> lk(m_mu);
    m_stats.configSets++;
    if (req.command == kCfgDevice) return kReadOnly;
    if (req.command != kCfgChannel) return kBadCommand;
    if (req.channel == -1) {
        if (req.data.size() != m_channelBlock.size()) return kBadSize;
        m_channelBlock = req.data;
        return kOk;
    }
    if (req.channel < 0 || req.channel >= m_opt.channels) return kBadChannel;
    if (req.data.size() != kChannelRecordSize) return kBadSize;
    std::copy(req.data.begin(), req.data.end(),
              m_channelBlock.begin() + static_cast<std::ptrdiff_t>(
                                           kChannelRecordSize * static_cast<size_t>(req.channel)));
    return kOk;
}

void Device::SessionEnded(Session& s) {
    std::lock_guard<std::mutex> lk(m_mu);
    for (auto it = m_plays.begin(); it != m_plays.end();) {
        if (it->second.owner == &s)
            it = m_plays.erase(it);
        else
            ++it;
    }
}

// --- the web services and RTSP face ---------------------------------------------

uint16_t Device::OnvifPort() const { return m_face ? m_face->HttpPort() : 0; }
uint16_t Device::RtspPort() const { return m_face ? m_face->RtspPort() : 0; }

double Device::WallClock() const {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
               .count() +
           m_skewSeconds.load();
}

uint64_t Device::Watch(int channel, PictureWatcher w) {
    if (channel < 0 || channel >= m_opt.channels || !w) return 0;
    std::lock_guard<std::mutex> lk(m_watchMu);
    const uint64_t id = m_nextWatchId++;
    m_watchers.emplace(id, Watcher{channel, std::move(w)});
    return id;
}

void Device::Unwatch(uint64_t id) {
    PictureWatcher gone;  // released outside the lock
    std::lock_guard<std::mutex> lk(m_watchMu);
    auto it = m_watchers.find(id);
    if (it == m_watchers.end()) return;
    gone = std::move(it->second.fn);
    m_watchers.erase(it);
}

ViewSettings Device::ViewOfLocked(int channel, double t) {
    Camera& cam = m_cameras[static_cast<size_t>(channel)];
    cam.Advance(t);
    const PtzPosition& pos = cam.Position();
    ViewSettings v;
    v.pan = pos.pan;
    v.tilt = pos.tilt;
    v.zoom = pos.zoom;
    v.blurRadius = cam.BlurRadius();
    v.exposure = cam.Exposure();
    v.colour = ColorOf(channel);
    return v;
}

bool Device::Snapshot(int channel, Image& out) {
    if (channel < 0 || channel >= m_opt.channels) return false;
    ViewSettings view;
    uint32_t frameNo = 0;
    {
        std::lock_guard<std::mutex> lk(m_mu);
        view = ViewOfLocked(channel, Now());
        frameNo = m_channelFrames[static_cast<size_t>(channel)];
    }
    out = Image(m_opt.width, m_opt.height);
    ViewRenderer::Render(Panorama::Shared(), view, out);
    OverlayInfo ov;
    ov.address = m_opt.address;
    ov.channel = channel;
    ov.timestampUs = WallMicros();
    ov.frameNo = frameNo;
    ov.pan = view.pan;
    ov.tilt = view.tilt;
    ov.zoom = view.zoom;
    ViewRenderer::DrawOverlay(out, ov);
    return true;
}

bool Device::PtzDrive(int channel, bool panTilt, double pan, double tilt, bool zoom,
                      double zoomVelocity, double timeoutSeconds) {
    std::lock_guard<std::mutex> lk(m_mu);
    if (channel < 0 || channel >= m_opt.channels) return false;
    m_stats.ptzCommands++;
    m_ptzCounts[static_cast<size_t>(channel)]++;
    const double now = Now();
    m_cameras[static_cast<size_t>(channel)].Drive(panTilt, pan, tilt, zoom, zoomVelocity,
                                                  timeoutSeconds > 0 ? now + timeoutSeconds : 0,
                                                  now);
    return true;
}

bool Device::PtzHalt(int channel, bool panTilt, bool zoom, bool focus) {
    std::lock_guard<std::mutex> lk(m_mu);
    if (channel < 0 || channel >= m_opt.channels) return false;
    m_stats.ptzCommands++;
    m_ptzCounts[static_cast<size_t>(channel)]++;
    m_cameras[static_cast<size_t>(channel)].Halt(panTilt, zoom, focus, Now());
    return true;
}

bool Device::FocusDrive(int channel, double velocity) {
    std::lock_guard<std::mutex> lk(m_mu);
    if (channel < 0 || channel >= m_opt.channels) return false;
    m_stats.ptzCommands++;
    m_ptzCounts[static_cast<size_t>(channel)]++;
    m_cameras[static_cast<size_t>(channel)].DriveFocus(velocity, Now());
    return true;
}

bool Device::Color(int channel, ColorBytes& out) const {
    std::lock_guard<std::mutex> lk(m_mu);
    if (channel < 0 || channel >= m_opt.channels) return false;
    out = ColorOf(channel);
    return true;
}

bool Device::SetColor(int channel, const ColorBytes& c) {
    std::lock_guard<std::mutex> lk(m_mu);
    if (channel < 0 || channel >= m_opt.channels) return false;
    const size_t base = kChannelRecordSize * static_cast<size_t>(channel) + kColorOffset;
    m_channelBlock[base] = c.brightness;
    m_channelBlock[base + 1] = c.contrast;
    m_channelBlock[base + 2] = c.saturation;
    m_channelBlock[base + 3] = c.hue;
    return true;
}

// --- live stream ------------------------------------------------------------------

void Device::StreamLoop() {
    struct Job {
        uint32_t playId;
        int channel;
        PixelFormat format;
        std::weak_ptr<Session> session;
        bool audio;
        uint32_t audioNo;
        bool video;
    };
    struct ChannelJob {
        ViewSettings view;
        uint32_t frameNo = 0;
        bool rgb24 = false, rgb565 = false;
    };
    const Panorama& world = Panorama::Shared();
    // The last scene of each channel, before its overlay: a camera standing
    // still costs a copy and the overlay instead of a whole render.
    struct Scene {
        bool valid = false;
        ViewSettings view;
        Image picture;
    };
    std::vector<Scene> scenes(static_cast<size_t>(m_opt.channels));
    for (auto& sc : scenes) sc.picture = Image(m_opt.width, m_opt.height);
    Image img(m_opt.width, m_opt.height);
    // The channels take turns over the 40 ms between pictures, each group in
    // its own slot, so that a channel's frame leaves after its own render
    // rather than after the renders of every channel before it. Audio goes
    // every 20 ms: on the first and the middle slot.
    using Steady = std::chrono::steady_clock;
    const int slots = std::max(2, (std::min(m_opt.channels, 16) + 1) / 2 * 2);
    const Steady::duration period = 2 * kTick;
    const Steady::duration slotLen = period / slots;
    Steady::time_point periodStart = Steady::now();
    int slot = 0;
    std::vector<Job> jobs;
    std::map<int, ChannelJob> channels;
    while (m_running.load()) {
        const auto due = periodStart + slotLen * slot;
        std::this_thread::sleep_until(due);
        const auto now = Steady::now();
        // A stalled machine skips slots rather than bursting to catch up.
        if (now - due > 10 * kTick) periodStart = now - slotLen * slot;
        const int current = slot;
        if (++slot == slots) {
            slot = 0;
            periodStart += period;
        }
        const bool audioTick = current == 0 || current == slots / 2;
        auto ours = [&](int ch) { return ch % slots == current; };

        jobs.clear();
        channels.clear();
        std::set<int> watched;
        {
            std::lock_guard<std::mutex> lk(m_watchMu);
            for (const auto& [id, w] : m_watchers)
                if (ours(w.channel)) watched.insert(w.channel);
        }
        double t = 0;
        {
            std::lock_guard<std::mutex> lk(m_mu);
            t = Now();
            for (auto& [id, p] : m_plays) {
                const bool video = ours(p.channel);
                const bool audio = audioTick && p.audio;
                if (!video && !audio) continue;
                jobs.push_back({id, p.channel, p.format, p.session, audio, p.audioNo, video});
                if (audio) p.audioNo++;
                if (!video) continue;
                auto [it, fresh] = channels.try_emplace(p.channel);
                ChannelJob& cj = it->second;
                if (fresh) {
                    cj.view = ViewOfLocked(p.channel, t);
                    cj.frameNo = m_channelFrames[static_cast<size_t>(p.channel)]++;
                }
                (p.format == PixelFormat::Rgb565 ? cj.rgb565 : cj.rgb24) = true;
            }
            for (int ch : watched) {
                auto [it, fresh] = channels.try_emplace(ch);
                if (!fresh) continue;
                it->second.view = ViewOfLocked(ch, t);
                it->second.frameNo = m_channelFrames[static_cast<size_t>(ch)]++;
            }
        }
        if (jobs.empty() && channels.empty()) continue;

        // Render each watched channel once, shared by all its plays, and
        // queue its frames before the next channel is rendered. A frame
        // carries the time its render began until its session sends it.
        for (auto& [ch, cj] : channels) {
            const uint64_t rendered = WallMicros();
            Scene& sc = scenes[static_cast<size_t>(ch)];
            if (!sc.valid || !(sc.view == cj.view)) {
                ViewRenderer::Render(world, cj.view, sc.picture);
                sc.view = cj.view;
                sc.valid = true;
            }
            img.rgb = sc.picture.rgb;
            OverlayInfo ov;
            ov.address = m_opt.address;
            ov.channel = ch;
            ov.timestampUs = rendered;
            ov.frameNo = cj.frameNo;
            ov.pan = cj.view.pan;
            ov.tilt = cj.view.tilt;
            ov.zoom = cj.view.zoom;
            ViewRenderer::DrawOverlay(img, ov);
            m_stats.framesRendered++;
            if (watched.count(ch)) {
                std::lock_guard<std::mutex> lk(m_watchMu);
                for (auto& [id, w] : m_watchers)
                    if (w.channel == ch) w.fn(img, cj.frameNo, t);
            }
            Session::Body rgb24, rgb565;
            if (cj.rgb24) rgb24 = std::make_shared<const std::vector<uint8_t>>(img.rgb);
            if (cj.rgb565) {
                auto v = std::make_shared<std::vector<uint8_t>>();
                ViewRenderer::ToRgb565(img, *v);
                rgb565 = std::move(v);
            }
            for (const Job& j : jobs) {
                if (!j.video || j.channel != ch) continue;
                auto session = j.session.lock();
                if (!session) continue;
                VideoFrameInfo info;
                info.playId = j.playId;
                info.channel = static_cast<uint32_t>(j.channel);
                info.frameNo = cj.frameNo;
                info.timestampUs = rendered;
                info.width = static_cast<uint16_t>(m_opt.width);
                info.height = static_cast<uint16_t>(m_opt.height);
                info.format = j.format;
                if (session->PushMedia(j.playId, EncodeVideoHead(info),
                                       j.format == PixelFormat::Rgb565 ? rgb565 : rgb24) ==
                    Session::Push::Dropped)
                    m_stats.framesDropped++;
            }
        }

        const uint64_t wall = WallMicros();
        for (const Job& j : jobs) {
            if (!j.audio) continue;
            auto session = j.session.lock();
            if (!session) continue;
            AudioPacket a;
            a.playId = j.playId;
            a.packetNo = j.audioNo;
            a.timestampUs = wall;
            a.sampleRate = kAudioRate;
            a.samples.resize(kAudioSamples);
            // A steady tone per channel (440 Hz up in steps), phase-continuous.
            const double freq = 440.0 + 110.0 * j.channel;
            for (int k = 0; k < kAudioSamples; ++k) {
                const double n = static_cast<double>(j.audioNo) * kAudioSamples + k;
                a.samples[static_cast<size_t>(k)] = static_cast<int16_t>(
                    8000.0 * std::sin(2.0 * 3.14159265358979323846 * freq * n / kAudioRate));
            }
            if (session->PushMedia(j.playId, Encode(a, 0), nullptr) == Session::Push::Dropped)
                m_stats.audioDropped++;
        }
    }
}

}  // namespace zv::devsim
