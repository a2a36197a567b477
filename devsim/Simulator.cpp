#include "Simulator.h"

#include <chrono>
#include <cstdio>
#include <sstream>

namespace zv::devsim {

namespace {

bool ParseInt(const std::string& s, int lo, int hi, int& out) {
    if (s.empty() || s.size() > 10) return false;
    size_t i = 0;
    bool neg = false;
    if (s[0] == '-') {
        neg = true;
        i = 1;
    }
    if (i == s.size()) return false;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
    }
    if (neg) v = -v;
    if (v < lo || v > hi) return false;
    out = static_cast<int>(v);
    return true;
}

bool ParseOnOff(const std::string& s, bool& out) {
    if (s == "on" || s == "1")
        out = true;
    else if (s == "off" || s == "0")
        out = false;
    else
        return false;
    return true;
}

std::string Fixed(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    return buf;
}

}  // namespace

Simulator::Simulator(SimulatorOptions options) : m_opt(std::move(options)) {
    for (const auto& d : m_opt.devices) m_devices.push_back(std::make_unique<Device>(d));
}

Simulator::~Simulator() { Stop(); }

bool Simulator::Start(std::string* error) {
    for (auto& d : m_devices)
        if (!d->Start(error)) return false;
    for (const auto& cmd : m_opt.startupCommands) {
        const std::string reply = Execute(cmd);
        if (reply.rfind("OK", 0) != 0) {
            if (error) *error = "start-up command '" + cmd + "': " + reply;
            return false;
        }
    }
    if (m_opt.controlPort >= 0) {
        if (!m_control.Start(
                m_opt.controlAddress, static_cast<uint16_t>(m_opt.controlPort),
                [this](const std::string& line) { return Execute(line); }, error))
            return false;
    }
    return true;
}

void Simulator::Stop() {
    m_control.Stop();
    for (auto& d : m_devices) d->Stop();
}

bool Simulator::WaitForQuit(int timeoutMs) {
    std::unique_lock<std::mutex> lk(m_quitMu);
    return m_quitCv.wait_for(lk, std::chrono::milliseconds(timeoutMs),
                             [this] { return m_quit.load(); });
}

Device* Simulator::FindDevice(const std::string& address) {
    for (auto& d : m_devices)
        if (d->Address() == address || d->Address() + ":" + std::to_string(d->Port()) == address)
            return d.get();
    return nullptr;
}

std::string Simulator::Help() const {
    return "OK commands: ping | devices | state ADDR CH | counters ADDR | stages ADDR [reset] | faults ADDR | "
           "drop ADDR | refuse-login ADDR on|off | delay-login ADDR MS | "
           "stall-config ADDR MS|forever|off | short-config ADDR BYTES | "
           "hostile ADDR off|garbage|bad-magic|bad-version|oversize|truncate|bad-payload | "
           "restart ADDR [DOWN_MS] | "
           "onvif-refuse ADDR on|off | onvif-delay ADDR MS | onvif-drop ADDR on|off | "
           "onvif-malformed ADDR on|off | onvif-no-stop ADDR on|off | "
           "onvif-no-timeout ADDR on|off | onvif-skew ADDR SECONDS | onvif-freeze ADDR on|off | "
           "rtsp-silent ADDR current|all|off | onvif-basic-only ADDR on|off | "
           "onvif-foreign-host ADDR HOST|off | rtsp-session-timeout ADDR DIGITS|off | "
           "onvif-xmlns ADDR N | rtsp-seq-restart ADDR | quit";
}

std::string Simulator::Execute(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string t; in >> t;) w.push_back(t);
    if (w.empty()) return "ERR empty command";
    const std::string& cmd = w[0];

    if (cmd == "help") return Help();
    if (cmd == "ping") return "OK pong";
    if (cmd == "quit") {
        {
            std::lock_guard<std::mutex> lk(m_quitMu);
            m_quit = true;
        }
        m_quitCv.notify_all();
        return "OK bye";
    }
    if (cmd == "devices") {
        std::string r = "OK";
        for (auto& d : m_devices) r += " " + d->Address() + ":" + std::to_string(d->Port());
        return r;
    }

    if (w.size() < 2) return "ERR " + cmd + ": device address missing (try help)";
    Device* dev = FindDevice(w[1]);
    if (!dev) return "ERR no device " + w[1];
    auto arg = [&](size_t i) -> std::string { return i < w.size() ? w[i] : std::string(); };
    Faults f = dev->GetFaults();

    if (cmd == "state") {
        int ch = 0;
        if (!ParseInt(arg(2), 0, dev->Channels() - 1, ch)) return "ERR state: bad channel";
        const ChannelReport r = dev->Report(ch);
        std::string s =
            "OK pan=" + Fixed(r.position.pan) + " tilt=" + Fixed(r.position.tilt) +
            " zoom=" + Fixed(r.position.zoom) + " focus=" + Fixed(r.position.focus) +
            " iris=" + Fixed(r.position.iris) + " moving=" + (r.motion.Any() ? "1" : "0") +
            " pan_rate=" + Fixed(r.motion.pan) + " tilt_rate=" + Fixed(r.motion.tilt) +
            " zoom_rate=" + Fixed(r.motion.zoom) + " focus_rate=" + Fixed(r.motion.focus) +
            " iris_rate=" + Fixed(r.motion.iris) + " last_code=" + std::to_string(r.lastCode) +
            " ptz=" + std::to_string(r.ptzCommands) + " blur=" + std::to_string(r.blurRadius) +
            " exposure=" + Fixed(r.exposure) +
            " brightness=" + std::to_string(r.colour.brightness) +
            " contrast=" + std::to_string(r.colour.contrast) +
            " saturation=" + std::to_string(r.colour.saturation) +
            " hue=" + std::to_string(r.colour.hue) + " frames=" + std::to_string(r.frames) +
            " plays=" + std::to_string(r.plays);
        return s;
    }
    if (cmd == "counters") {
        Counters& c = dev->Stats();
        auto kv = [](const char* k, const std::atomic<uint64_t>& v) {
            return std::string(" ") + k + "=" + std::to_string(v.load());
        };
        return "OK sessions=" + std::to_string(dev->SessionCount()) +
               kv("sessions_accepted", c.sessionsAccepted) +
               kv("sessions_rejected", c.sessionsRejected) + kv("logins", c.logins) +
               kv("login_failures", c.loginFailures) + kv("logins_refused", c.loginsRefused) +
               kv("requests", c.requests) + kv("ptz", c.ptzCommands) +
               kv("config_gets", c.configGets) + kv("config_sets", c.configSets) +
               kv("plays_started", c.playsStarted) + kv("frames_rendered", c.framesRendered) +
               kv("frames_sent", c.framesSent) + kv("frames_dropped", c.framesDropped) +
               kv("audio_sent", c.audioSent) + kv("audio_dropped", c.audioDropped) +
               kv("reply_cap_hits", c.replyCapHits) +
               kv("malformed", c.malformed) + kv("hostile_sent", c.hostileSent) +
               kv("drops", c.drops) + kv("restarts", c.restarts) +
               kv("http_requests", c.httpRequests) + kv("http_rejected", c.httpRejected) +
               kv("http_bad", c.httpBad) + kv("soap_faults", c.soapFaults) +
               kv("soap_auth_failures", c.soapAuthFailures) +
               kv("soap_replays", c.soapReplays) + kv("snapshots", c.snapshots) +
               kv("snapshot_auth_failures", c.snapshotAuthFailures) +
               kv("rtsp_requests", c.rtspRequests) +
               kv("rtsp_auth_failures", c.rtspAuthFailures) + kv("rtsp_plays", c.rtspPlays) +
               kv("rtp_frames_sent", c.rtpFramesSent) +
               kv("rtp_frames_dropped", c.rtpFramesDropped) +
               kv("rtsp_connections", c.rtspConnections) + kv("http_basic_seen", c.httpBasicSeen) +
               kv("rtsp_basic_seen", c.rtspBasicSeen);
    }
    if (cmd == "stages") {
        // Render to send of the video frames since the last reset.
        StageHistogram& h = dev->Stats().renderToSend;
        const std::string r = "OK frames=" + std::to_string(h.Count()) +
                              " render_send_p50_us=" + std::to_string(h.Quantile(0.50)) +
                              " render_send_p95_us=" + std::to_string(h.Quantile(0.95));
        if (arg(2) == "reset") h.Reset();
        else if (!arg(2).empty()) return "ERR stages: reset or nothing";
        return r;
    }
    if (cmd == "faults") {
        return "OK refuse_login=" + std::string(f.refuseLogin ? "1" : "0") +
               " login_delay=" + std::to_string(f.loginDelayMs) +
               " config_stall=" + std::to_string(f.configStallMs) +
               " config_short=" + std::to_string(f.configShortBy) +
               " hostile=" + ToString(f.hostile) +
               " onvif_refuse=" + (f.onvif.refuse ? "1" : "0") +
               " onvif_delay=" + std::to_string(f.onvif.delayMs) +
               " onvif_drop=" + (f.onvif.drop ? "1" : "0") +
               " onvif_malformed=" + (f.onvif.malformed ? "1" : "0") +
               " onvif_no_stop=" + (f.onvif.noStop ? "1" : "0") +
               " onvif_no_timeout=" + (f.onvif.noTimeout ? "1" : "0") +
               " onvif_skew=" + std::to_string(f.onvif.skewSeconds) +
               " onvif_frozen=" + (f.onvif.frozen ? "1" : "0") +
               " rtsp_silent=" + (f.onvif.rtspSilentAll ? "all" : f.onvif.rtspSilentBelow ? "current" : "off") +
               " onvif_basic_only=" + (f.onvif.basicOnly ? "1" : "0") +
               " onvif_foreign_host=" + (f.onvif.foreignHost.empty() ? "off" : f.onvif.foreignHost) +
               " rtsp_session_timeout=" + (f.onvif.sessionTimeout.empty() ? "off" : f.onvif.sessionTimeout) +
               " onvif_xmlns=" + std::to_string(f.onvif.xmlnsBindings) +
               " rtsp_seq_restarts=" + std::to_string(f.onvif.seqRestarts);
    }
    if (cmd == "drop") return "OK dropped=" + std::to_string(dev->DropSessions());
    if (cmd == "refuse-login") {
        if (!ParseOnOff(arg(2), f.refuseLogin)) return "ERR refuse-login: on or off";
    } else if (cmd == "delay-login") {
        if (!ParseInt(arg(2), 0, 600000, f.loginDelayMs)) return "ERR delay-login: 0..600000 ms";
    } else if (cmd == "stall-config") {
        if (arg(2) == "forever")
            f.configStallMs = -1;
        else if (arg(2) == "off")
            f.configStallMs = 0;
        else if (!ParseInt(arg(2), 0, 600000, f.configStallMs))
            return "ERR stall-config: MS, forever or off";
    } else if (cmd == "short-config") {
        if (!ParseInt(arg(2), 0, 65536, f.configShortBy)) return "ERR short-config: 0..65536 bytes";
    } else if (cmd == "hostile") {
        if (!ParseHostile(arg(2), f.hostile)) return "ERR hostile: unknown mode";
    } else if (cmd == "onvif-refuse") {
        if (!ParseOnOff(arg(2), f.onvif.refuse)) return "ERR onvif-refuse: on or off";
    } else if (cmd == "onvif-delay") {
        if (!ParseInt(arg(2), 0, 600000, f.onvif.delayMs)) return "ERR onvif-delay: 0..600000 ms";
    } else if (cmd == "onvif-drop") {
        if (!ParseOnOff(arg(2), f.onvif.drop)) return "ERR onvif-drop: on or off";
    } else if (cmd == "onvif-malformed") {
        if (!ParseOnOff(arg(2), f.onvif.malformed)) return "ERR onvif-malformed: on or off";
    } else if (cmd == "onvif-no-stop") {
        if (!ParseOnOff(arg(2), f.onvif.noStop)) return "ERR onvif-no-stop: on or off";
    } else if (cmd == "onvif-no-timeout") {
        if (!ParseOnOff(arg(2), f.onvif.noTimeout)) return "ERR onvif-no-timeout: on or off";
    } else if (cmd == "onvif-skew") {
        if (!ParseInt(arg(2), -864000, 864000, f.onvif.skewSeconds))
            return "ERR onvif-skew: -864000..864000 s";
    } else if (cmd == "onvif-freeze") {
        if (!ParseOnOff(arg(2), f.onvif.frozen)) return "ERR onvif-freeze: on or off";
    } else if (cmd == "rtsp-silent") {
        if (arg(2) == "all") {
            f.onvif.rtspSilentAll = true;
        } else if (arg(2) == "current") {
            f.onvif.rtspSilentAll = false;
            f.onvif.rtspSilentBelow = dev->Stats().rtspConnections.load() + 1;
        } else if (arg(2) == "off") {
            f.onvif.rtspSilentAll = false;
            f.onvif.rtspSilentBelow = 0;
        } else {
            return "ERR rtsp-silent: current, all or off";
        }
    } else if (cmd == "onvif-basic-only") {
        if (!ParseOnOff(arg(2), f.onvif.basicOnly)) return "ERR onvif-basic-only: on or off";
    } else if (cmd == "onvif-foreign-host") {
        const std::string h = arg(2);
        if (h.empty() || h.size() > 64 || h.find_first_of("/@ <>&\"'") != std::string::npos)
            return "ERR onvif-foreign-host: a host name or address, or off";
        f.onvif.foreignHost = h == "off" ? std::string() : h;
    } else if (cmd == "rtsp-session-timeout") {
        const std::string t = arg(2);
        if (t == "off") {
            f.onvif.sessionTimeout.clear();
        } else if (t.empty() || t.size() > 30 || t.find_first_not_of("0123456789") != std::string::npos) {
            return "ERR rtsp-session-timeout: up to 30 digits, or off";
        } else {
            f.onvif.sessionTimeout = t;
        }
    } else if (cmd == "onvif-xmlns") {
        if (!ParseInt(arg(2), 0, 20000, f.onvif.xmlnsBindings)) return "ERR onvif-xmlns: 0..20000";
    } else if (cmd == "rtsp-seq-restart") {
        ++f.onvif.seqRestarts;
    } else if (cmd == "restart") {
        int downMs = 500;
        if (w.size() > 2 && !ParseInt(arg(2), 0, 60000, downMs)) return "ERR restart: 0..60000 ms";
        std::string err;
        if (!dev->Restart(downMs, &err)) return "ERR restart: " + err;
        return "OK restarted";
    } else {
        return "ERR unknown command " + cmd + " (try help)";
    }
    dev->SetFaults(f);
    return "OK";
}

}  // namespace zv::devsim
