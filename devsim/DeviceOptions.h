// What one simulated device is made of, as set on the command line.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace zv::devsim {

struct User {
    std::string name;
    std::string password;
};

struct DeviceOptions {
    std::string address = "127.0.0.2";
    uint16_t port = 37777;  // 0 picks a free port (tests)
    int channels = 4;
    std::vector<User> users{{"admin", "admin"}};
    int width = 352;
    int height = 288;
    int loginTimeoutMs = 5000;  // from connect to a successful login
    int idleTimeoutMs = 15000;  // silence from a client before it is dropped
    int sendTimeoutMs = 10000;  // a client that takes no data this long is dropped
    int maxSessions = 32;
    int maxPlaysPerSession = 32;
    // The web services and RTSP face: < 0 off; 0 picks a free port (tests).
    // The RTSP port is only used while the web services are on.
    int onvifPort = -1;
    int rtspPort = 0;
    int jpegQuality = 75;
    // Channels (0-based) whose web-service profile names an H.264 stream
    // served elsewhere (a real encoder's RTSP server) instead of ours.
    std::map<int, std::string> h264Streams;
};

// Faults injected through the control interface.
enum class Hostile { Off, Garbage, BadMagic, BadVersion, Oversize, Truncate, BadPayload };

const char* ToString(Hostile h);
bool ParseHostile(const std::string& text, Hostile& out);

// Faults of the web services face.
struct OnvifFaults {
    bool refuse = false;      // every credential is refused
    int delayMs = 0;          // each answer comes this much later
    bool drop = false;        // each request's connection is closed unanswered
    bool malformed = false;   // answers are cut-off XML
    bool noStop = false;      // PTZ Stop answers a fault
    bool noTimeout = false;   // ContinuousMove with a Timeout answers a fault
    int skewSeconds = 0;      // the device's clock is off by this much
    // A hung camera: connections are taken and requests read, never answered
    // (web services and RTSP alike), and no RTP is sent.
    bool frozen = false;
    // Streams that go quiet (no RTP, requests unanswered) while the web
    // services go on: every RTSP connection, or those numbered below
    // rtspSilentBelow (the ones open when it was switched on).
    bool rtspSilentAll = false;
    uint64_t rtspSilentBelow = 0;
    bool basicOnly = false;        // 401 offering Basic only, to anything without Basic credentials
    std::string foreignHost;       // answers name this host in place of the device's own
    std::string sessionTimeout;    // SETUP's "timeout=" as written (empty: the usual 60)
    int xmlnsBindings = 0;         // answers carry this many namespace bindings in scope
    uint32_t seqRestarts = 0;      // each step makes playing streams' RTP numbers jump back
};

struct Faults {
    bool refuseLogin = false;
    int loginDelayMs = 0;
    int configStallMs = 0;  // < 0: configuration replies are never sent
    int configShortBy = 0;  // configuration replies lose this many bytes
    Hostile hostile = Hostile::Off;
    OnvifFaults onvif;
};

}  // namespace zv::devsim
