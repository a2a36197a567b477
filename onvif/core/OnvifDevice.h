// One login to a device through its web services: the login's calls (the
// device's clock, where its services are, its video sources and profiles),
// and what the library's exports ask of it afterwards: PTZ, focus, colour,
// the stream of a channel, and a cheap call that tells whether it still
// answers. Channel i is the device's i-th video source. Every request goes
// to the host the user named (resolved once, at the login): addresses in
// the device's answers give only ports and paths. Every call ends by its
// deadline, its requests sharing it. Thread-safe: calls from several
// threads wait for each other on the one connection (within their
// deadlines), except Ping, which has a connection of its own.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ColorMap.h"
#include "DeadlineMutex.h"
#include "DeviceFacts.h"
#include "OnvifMessages.h"
#include "SoapClient.h"
#include "Url.h"
#include "Wire.h"

namespace zv::onvif {

// The blocks' layout and the login's outcomes, as in the other build.
using proto::kChannelCountOffset;
using proto::kChannelRecordSize;
using proto::kColorOffset;
using proto::kDeviceBlockSize;
using proto::LoginError;
using proto::LOGIN_OK;
using proto::LOGIN_BAD_PASSWORD;
using proto::LOGIN_REFUSED;
using proto::LOGIN_NETWORK;
using proto::LOGIN_PROTOCOL;
constexpr int kLoginInfoSize = static_cast<int>(proto::kDeviceInfoSize);
constexpr uint8_t kDefaultHue = 255;  // what a device's records start with in the other build

enum class Codec { None, Jpeg, H264 };

struct StreamChoice {
    Url uri;         // its host the user's
    std::string ip;  // where that host was resolved to
    Codec codec = Codec::None;
    std::string profileToken;
};

struct DeviceTimeouts {
    int callMs = 3000;   // one web-service call of the login
    int loginMs = 8000;  // the whole login, the name's look-up included
};

class OnvifDevice {
public:
    using Timeouts = DeviceTimeouts;

    // Logs in; null with *error set on failure.
    static std::unique_ptr<OnvifDevice> Login(const std::string& address, const std::string& user,
                                              const std::string& password, LoginError* error,
                                              const Timeouts& timeouts = DeviceTimeouts{});
    ~OnvifDevice();

    int Channels() const { return static_cast<int>(m_channels.size()); }
    const Url& DeviceUrl() const { return m_deviceUrl; }
    const DeviceInformation& Information() const { return m_info; }

    // The blocks the exports hand out.
    void LoginInfo(uint8_t out[kLoginInfoSize]) const;
    void DeviceBlock(uint8_t out[kDeviceBlockSize]) const;
    // deadlineMs below: on the monotonic clock (Clock.h), for the whole call.

    // Channel records (340 bytes each) for one channel or all (-1); false
    // for a channel the device lacks or when the device does not answer.
    bool ReadRecords(int channel, std::vector<uint8_t>& out, int64_t deadlineMs);
    bool WriteRecords(int channel, const uint8_t* data, size_t size, int64_t deadlineMs);

    // One PTZ code (see PtzMapping.h); false when the device refused or
    // does not do it.
    bool Ptz(int channel, uint32_t code, uint8_t param2, bool stop, int64_t deadlineMs);

    // The stream of a channel: its first profile with a video encoder
    // (JPEG or H.264; H.264 only when the caller can decode it, JPEG
    // preferred otherwise).
    bool Stream(int channel, bool canDecodeH264, StreamChoice& out, int64_t deadlineMs);

    // A cheap call on a connection of its own; false if the device did not
    // answer within timeoutMs. Keeps the clock offset current.
    bool Ping(int timeoutMs);
    // Ends connections; calls in progress fail soon, later ones at once.
    void Abort();
    // The user's host as resolved at the login.
    const std::string& Ip() const { return m_ip; }

    const std::string& User() const { return m_user; }
    const std::string& Password() const { return m_password; }
    // Stop falls back to a zero-velocity move when the device faults it.
    int StopFallbacks() const { return m_stopFallbacks; }

private:
    struct Channel {
        std::string sourceToken;
        std::vector<MediaProfile> profiles;  // of this source, with an encoder
        std::string ptzProfile;              // first of this source with PTZ
        std::string ptzNode;
        bool spacesKnown = false;
        PtzSpaces spaces;
        bool rangesKnown = false;
        ColorMap colour;
        bool reported = false;
        uint8_t lastBytes[3] = {0, 0, 0};  // what the last read handed out
        bool focusMoving = false;
        std::array<uint8_t, kChannelRecordSize> record{};
    };

    OnvifDevice(const std::string& user, const std::string& password, const Timeouts& t);
    SoapClient::Outcome Call(const std::string& service, const std::string& body, SoapReply& reply,
                             int64_t deadline);
    bool ReadColor(Channel& ch, uint8_t bytes[3], int64_t deadline);
    bool WriteColor(Channel& ch, const uint8_t bytes[3], int64_t deadline);
    void EnsureSpaces(Channel& ch, int64_t deadline);
    void EnsureRanges(Channel& ch, int64_t deadline);
    uint8_t GetHue(int channel) const;
    void SetHue(int channel, uint8_t hue) const;

    const std::string m_user, m_password;
    const Timeouts m_timeouts;
    Url m_deviceUrl;
    std::string m_ip;
    std::atomic<bool> m_abort{false};
    ServiceAddresses m_services;
    DeviceInformation m_info;
    SoapClient m_client;
    SoapClient m_pingClient;
    DeadlineMutex m_mutex;  // the channels' cached state
    std::vector<Channel> m_channels;
    int m_stopFallbacks = 0;
};

}  // namespace zv::onvif
