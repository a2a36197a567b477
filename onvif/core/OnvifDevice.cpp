#include "OnvifDevice.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <map>

#include "Clock.h"
#include "PtzMapping.h"
#include "Resolve.h"

namespace zv::onvif {

namespace {


// Hue has no imaging setting: the library keeps it, per device and channel,
// for the process's life (a new login after a loss finds it again).
std::mutex g_hueMutex;
std::map<std::string, uint8_t> g_hues;
constexpr size_t kMaxHues = 4096;

void CopyText(uint8_t* dst, size_t room, const std::string& s) {
    std::memcpy(dst, s.data(), std::min(room - 1, s.size()));
}



}  // namespace

OnvifDevice::OnvifDevice(const std::string& user, const std::string& password, const Timeouts& t)
    : m_user(user), m_password(password), m_timeouts(t), m_client(user, password),
      m_pingClient(user, password) {}

OnvifDevice::~OnvifDevice() { Abort(); }

void OnvifDevice::Abort() {
    m_abort = true;
    m_client.Abort();
    m_pingClient.Abort();
}

SoapClient::Outcome OnvifDevice::Call(const std::string& service, const std::string& body, SoapReply& reply,
                                      int64_t deadline) {
    Url url;
    if (!ParseUrl(service, url) || url.scheme != "http") return SoapClient::Outcome::Malformed;
    return m_client.Call(PinToHost(url, m_deviceUrl), body, reply, deadline);
}

std::unique_ptr<OnvifDevice> OnvifDevice::Login(const std::string& address, const std::string& user,
                                                const std::string& password, LoginError* error,
                                                const Timeouts& timeouts) {
    *error = LOGIN_PROTOCOL;
    std::unique_ptr<OnvifDevice> dev(new OnvifDevice(user, password, timeouts));
    if (!ParseDeviceAddress(address, dev->m_deviceUrl)) return nullptr;
    const int64_t deadline = NowMs() + timeouts.loginMs;
    // Each request gets its own bound, and at most what is left of the login's.
    auto until = [&] { return std::min(NowMs() + timeouts.callMs, deadline); };
    SoapClient& c = dev->m_client;
    SoapReply reply;

    // The name once, within the login's time: every request of this login
    // goes to that address.
    if (!ResolveIPv4(dev->m_deviceUrl.host, dev->m_ip, deadline, &dev->m_abort)) {
        *error = LOGIN_NETWORK;
        return nullptr;
    }
    c.SetAddress(dev->m_ip);
    dev->m_pingClient.SetAddress(dev->m_ip);

    // The device's clock first: tokens are made on it.
    const double before = SoapClient::Now();
    SoapClient::Outcome o = c.Call(dev->m_deviceUrl, body::GetSystemDateAndTime(), reply, until(), false);
    if (o == SoapClient::Outcome::Network) {
        *error = LOGIN_NETWORK;
        return nullptr;
    }
    double deviceNow = 0;
    if (o == SoapClient::Outcome::Ok && ReadSystemDateAndTime(reply.element, deviceNow)) {
        const double after = SoapClient::Now();
        c.SetClockOffset(deviceNow + 0.5 - (before + after) / 2);  // whole seconds: take the middle
        dev->m_pingClient.SetClockOffset(c.ClockOffset());
    }

    // Where the services are.
    o = c.Call(dev->m_deviceUrl, body::GetCapabilities(), reply, until());
    if (o == SoapClient::Outcome::AuthFailed) {
        *error = LOGIN_BAD_PASSWORD;
        return nullptr;
    }
    if (o == SoapClient::Outcome::Network) {
        *error = LOGIN_NETWORK;
        return nullptr;
    }
    if (o == SoapClient::Outcome::Ok) ReadCapabilities(reply.element, dev->m_services);
    if (dev->m_services.media.empty()) {
        o = c.Call(dev->m_deviceUrl, body::GetServices(), reply, until());
        if (o == SoapClient::Outcome::AuthFailed) {
            *error = LOGIN_BAD_PASSWORD;
            return nullptr;
        }
        if (o == SoapClient::Outcome::Ok) ReadServices(reply.element, dev->m_services);
    }
    if (dev->m_services.media.empty()) return nullptr;  // no media service: nothing to show
    if (dev->m_services.device.empty()) dev->m_services.device = dev->m_deviceUrl.ToString();

    // Sources and profiles.
    std::vector<std::string> sources;
    o = dev->Call(dev->m_services.media, body::GetVideoSources(), reply, until());
    if (o == SoapClient::Outcome::AuthFailed) {
        *error = LOGIN_BAD_PASSWORD;
        return nullptr;
    }
    if (o == SoapClient::Outcome::Ok) sources = ReadVideoSources(reply.element);
    o = dev->Call(dev->m_services.media, body::GetProfiles(), reply, until());
    if (o != SoapClient::Outcome::Ok) {
        *error = o == SoapClient::Outcome::AuthFailed ? LOGIN_BAD_PASSWORD
                 : o == SoapClient::Outcome::Network  ? LOGIN_NETWORK
                                                      : LOGIN_PROTOCOL;
        return nullptr;
    }
    const std::vector<MediaProfile> profiles = ReadProfiles(reply.element);
    // Without a source list, the sources the profiles name, in their order.
    if (sources.empty())
        for (const auto& p : profiles)
            if (!p.sourceToken.empty() && std::find(sources.begin(), sources.end(), p.sourceToken) == sources.end() &&
                sources.size() < kMaxSources)
                sources.push_back(p.sourceToken);
    for (const std::string& s : sources) {
        Channel ch;
        ch.sourceToken = s;
        for (const auto& p : profiles) {
            if (p.sourceToken != s) continue;
            if (!p.encoding.empty()) ch.profiles.push_back(p);
            if (p.hasPtz && ch.ptzProfile.empty()) {
                ch.ptzProfile = p.token;
                ch.ptzNode = p.ptzNodeToken;
            }
        }
        const std::string name = ch.profiles.empty() ? s : ch.profiles[0].name;
        CopyText(ch.record.data(), 32, name);
        dev->m_channels.push_back(std::move(ch));
    }
    if (dev->m_channels.empty()) return nullptr;

    // Names for the device block; not every device answers.
    if (NowMs() < deadline &&
        dev->Call(dev->m_services.device, body::GetDeviceInformation(), reply, until()) == SoapClient::Outcome::Ok)
        ReadDeviceInformation(reply.element, dev->m_info);
    *error = LOGIN_OK;
    return dev;
}

void OnvifDevice::LoginInfo(uint8_t out[kLoginInfoSize]) const {
    std::memset(out, 0, kLoginInfoSize);
    CopyText(out, 16, m_info.serial);
    out[16] = static_cast<uint8_t>(std::min(Channels(), 255));
    out[17] = 1;  // first channel number as shown to people
    out[21] = 2;  // device type: a web-service camera
    CopyText(out + 24, 32, (m_info.manufacturer + " " + m_info.model).substr(0, 31));
}

void OnvifDevice::DeviceBlock(uint8_t out[kDeviceBlockSize]) const {
    std::memset(out, 0, kDeviceBlockSize);
    std::string name = m_info.manufacturer;
    if (!m_info.model.empty()) name += (name.empty() ? "" : " ") + m_info.model;
    CopyText(out, 32, name);
    CopyText(out + 32, 16, m_info.serial);
    CopyText(out + 48, 16, m_info.firmware);
    out[kChannelCountOffset] = static_cast<uint8_t>(std::min(Channels(), 255));
}

uint8_t OnvifDevice::GetHue(int channel) const {
    std::lock_guard<std::mutex> lock(g_hueMutex);
    auto it = g_hues.find(m_deviceUrl.ToString() + "#" + std::to_string(channel));
    return it == g_hues.end() ? kDefaultHue : it->second;
}

void OnvifDevice::SetHue(int channel, uint8_t hue) const {
    std::lock_guard<std::mutex> lock(g_hueMutex);
    const std::string key = m_deviceUrl.ToString() + "#" + std::to_string(channel);
    if (g_hues.size() >= kMaxHues && !g_hues.count(key)) g_hues.erase(g_hues.begin());
    g_hues[key] = hue;
}

// --- colour ---------------------------------------------------------------------

void OnvifDevice::EnsureRanges(Channel& ch, int64_t deadline) {
    if (ch.rangesKnown || m_services.imaging.empty()) return;
    SoapReply reply;
    ImagingRanges ranges;
    const SoapClient::Outcome o = Call(m_services.imaging, body::GetImagingOptions(ch.sourceToken), reply, deadline);
    if (o == SoapClient::Outcome::Network) return;  // asked again next time
    if (o == SoapClient::Outcome::Ok) ReadImagingOptions(reply.element, ranges);
    ch.colour.SetRanges(ranges);  // absent ones: 0..100
    ch.rangesKnown = true;
}

bool OnvifDevice::ReadColor(Channel& ch, uint8_t bytes[3], int64_t deadline) {
    if (m_services.imaging.empty()) return false;
    EnsureRanges(ch, deadline);
    SoapReply reply;
    if (Call(m_services.imaging, body::GetImagingSettings(ch.sourceToken), reply, deadline) !=
        SoapClient::Outcome::Ok)
        return false;
    ImagingLevels levels;
    ReadImagingSettings(reply.element, levels);
    for (int f = 0; f < 3; ++f)
        bytes[f] = levels.has[f] ? ch.colour.ToByte(f, levels.level[f]) : (ch.reported ? ch.lastBytes[f] : 127);
    std::memcpy(ch.lastBytes, bytes, 3);
    ch.reported = true;
    return true;
}

bool OnvifDevice::WriteColor(Channel& ch, const uint8_t bytes[3], int64_t deadline) {
    if (!ch.reported) {
        uint8_t current[3];
        if (!ReadColor(ch, current, deadline)) return false;
    }
    bool has[3] = {false, false, false};
    double levels[3] = {0, 0, 0};
    bool any = false;
    for (int f = 0; f < 3; ++f) {
        if (bytes[f] == ch.lastBytes[f]) continue;
        has[f] = any = true;
        levels[f] = ch.colour.ToLevel(f, bytes[f]);
    }
    if (!any) return true;
    SoapReply reply;
    if (Call(m_services.imaging, body::SetImagingSettings(ch.sourceToken, has, levels), reply, deadline) !=
        SoapClient::Outcome::Ok)
        return false;
    for (int f = 0; f < 3; ++f)
        if (has[f]) {
            ch.colour.Remember(f, bytes[f], levels[f]);
            ch.lastBytes[f] = bytes[f];
        }
    return true;
}

bool OnvifDevice::ReadRecords(int channel, std::vector<uint8_t>& out, int64_t deadline) {
    DeadlineLock lock(m_mutex, deadline);
    if (!lock.Owns()) return false;
    if (channel < -1 || channel >= Channels()) return false;
    const int first = channel < 0 ? 0 : channel, last = channel < 0 ? Channels() - 1 : channel;
    out.assign(static_cast<size_t>(last - first + 1) * kChannelRecordSize, 0);
    for (int i = first; i <= last; ++i) {
        Channel& ch = m_channels[static_cast<size_t>(i)];
        uint8_t bytes[3];
        if (!ReadColor(ch, bytes, deadline)) return false;
        uint8_t* rec = out.data() + static_cast<size_t>(i - first) * kChannelRecordSize;
        std::memcpy(rec, ch.record.data(), kChannelRecordSize);
        std::memcpy(rec + kColorOffset, bytes, 3);
        rec[kColorOffset + 3] = GetHue(i);
    }
    return true;
}

bool OnvifDevice::WriteRecords(int channel, const uint8_t* data, size_t size, int64_t deadline) {
    DeadlineLock lock(m_mutex, deadline);
    if (!lock.Owns()) return false;
    if (channel < -1 || channel >= Channels()) return false;
    const int first = channel < 0 ? 0 : channel, last = channel < 0 ? Channels() - 1 : channel;
    if (size != static_cast<size_t>(last - first + 1) * kChannelRecordSize) return false;
    bool ok = true;
    for (int i = first; i <= last; ++i) {
        Channel& ch = m_channels[static_cast<size_t>(i)];
        const uint8_t* rec = data + static_cast<size_t>(i - first) * kChannelRecordSize;
        // Only what changed goes to the device; the rest is kept here.
        if (!WriteColor(ch, rec + kColorOffset, deadline)) ok = false;
        SetHue(i, rec[kColorOffset + 3]);
        std::memcpy(ch.record.data(), rec, kChannelRecordSize);
    }
    return ok;
}

// --- PTZ --------------------------------------------------------------------------

void OnvifDevice::EnsureSpaces(Channel& ch, int64_t deadline) {
    if (ch.spacesKnown) return;
    ch.spaces = PtzSpaces{};
    SoapReply reply;
    SoapClient::Outcome o = SoapClient::Outcome::Fault;
    if (!ch.ptzNode.empty() && !m_services.ptz.empty()) {
        o = Call(m_services.ptz, body::GetNode(ch.ptzNode), reply, deadline);
        if (o == SoapClient::Outcome::Ok && ReadPtzNode(reply.element, ch.spaces)) {
            ch.spacesKnown = true;
            return;
        }
    }
    // A node we cannot read: the generic spaces, both groups (asked again
    // after one that did not answer).
    ch.spaces = PtzSpaces{};
    ch.spaces.panTilt = ch.spaces.hasZoom = true;
    ch.spacesKnown = o != SoapClient::Outcome::Network;
}

bool OnvifDevice::Ptz(int channel, uint32_t code, uint8_t param2, bool stop, int64_t deadline) {
    DeadlineLock lock(m_mutex, deadline);
    if (!lock.Owns()) return false;
    if (channel < 0 || channel >= Channels()) return false;
    Channel& ch = m_channels[static_cast<size_t>(channel)];
    SoapReply reply;
    const bool focusCode = code == kPtzFocusNear || code == kPtzFocusFar;
    if (stop) {
        // The release of any button is a stop: it ends a focus drive too.
        bool focusOk = false, focusStopped = false;
        if ((ch.focusMoving || focusCode) && !m_services.imaging.empty()) {
            focusStopped = true;
            focusOk = Call(m_services.imaging, body::FocusStop(ch.sourceToken), reply, deadline) ==
                      SoapClient::Outcome::Ok;
            if (focusOk) ch.focusMoving = false;
        }
        if (focusCode || ch.ptzProfile.empty() || m_services.ptz.empty()) return focusStopped && focusOk;
        const bool ok = !focusStopped || focusOk;
        EnsureSpaces(ch, deadline);
        const SoapClient::Outcome o = Call(m_services.ptz, body::PtzStop(ch.ptzProfile, true, true), reply, deadline);
        if (o == SoapClient::Outcome::Ok) return ok;
        if (o != SoapClient::Outcome::Fault) return false;
        // Some domes do not do Stop: a move at zero velocity stops them.
        ++m_stopFallbacks;
        return ok && Call(m_services.ptz,
                          body::ContinuousMove(ch.ptzProfile, ch.spaces.panTilt, 0, 0, ch.spaces.panTiltUri,
                                               ch.spaces.hasZoom, 0, ch.spaces.zoomUri),
                          reply, deadline) == SoapClient::Outcome::Ok;
    }
    if (focusCode) {
        if (m_services.imaging.empty()) return false;
        const PtzRequest r = MapPtzCode(code, param2, false, ch.spaces);
        const bool ok = Call(m_services.imaging, body::FocusMove(ch.sourceToken, r.focus), reply, deadline) ==
                        SoapClient::Outcome::Ok;
        if (ok) ch.focusMoving = true;
        return ok;
    }
    if (ch.ptzProfile.empty() || m_services.ptz.empty()) return false;
    EnsureSpaces(ch, deadline);
    const PtzRequest r = MapPtzCode(code, param2, false, ch.spaces);
    if (r.kind != PtzRequest::Kind::Move) return false;
    return Call(m_services.ptz,
                body::ContinuousMove(ch.ptzProfile, r.panTilt, r.x, r.y, ch.spaces.panTiltUri, r.zoom, r.z,
                                     ch.spaces.zoomUri),
                reply, deadline) == SoapClient::Outcome::Ok;
}

// --- streams and liveness -----------------------------------------------------------

bool OnvifDevice::Stream(int channel, bool canDecodeH264, StreamChoice& out, int64_t deadline) {
    std::string profile;
    Codec codec = Codec::None;
    {
        DeadlineLock lock(m_mutex, deadline);
        if (!lock.Owns()) return false;
        if (channel < 0 || channel >= Channels()) return false;
        const Channel& ch = m_channels[static_cast<size_t>(channel)];
        for (const auto& p : ch.profiles) {
            const Codec c = p.encoding == "JPEG" ? Codec::Jpeg : (p.encoding == "H264" ? Codec::H264 : Codec::None);
            if (c == Codec::None || (c == Codec::H264 && !canDecodeH264)) continue;
            profile = p.token;
            codec = c;
            break;
        }
    }
    if (codec == Codec::None) return false;
    SoapReply reply;
    if (Call(m_services.media, body::GetStreamUri(profile), reply, deadline) != SoapClient::Outcome::Ok) return false;
    Url uri;
    if (!ParseUrl(ReadMediaUri(reply.element), uri) || uri.scheme != "rtsp") return false;
    out.uri = PinToHost(uri, m_deviceUrl);
    out.ip = m_ip;
    out.codec = codec;
    out.profileToken = profile;
    return true;
}

bool OnvifDevice::Ping(int timeoutMs) {
    SoapReply reply;
    const double before = SoapClient::Now();
    const SoapClient::Outcome o =
        m_pingClient.Call(m_deviceUrl, body::GetSystemDateAndTime(), reply, NowMs() + timeoutMs, false);
    if (o == SoapClient::Outcome::Network) return false;
    double deviceNow = 0;
    if (o == SoapClient::Outcome::Ok && ReadSystemDateAndTime(reply.element, deviceNow)) {
        const double offset = deviceNow + 0.5 - (before + SoapClient::Now()) / 2;
        // Whole seconds on the device: follow only a real change.
        if (std::abs(offset - m_client.ClockOffset()) > 2) {
            m_client.SetClockOffset(offset);
            m_pingClient.SetClockOffset(offset);
        }
    }
    return true;
}

}  // namespace zv::onvif
