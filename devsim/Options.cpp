#include "Options.h"

#include <cstdlib>

#include "Socket.h"

namespace zv::devsim {

namespace {

bool ToInt(const std::string& s, long lo, long hi, long& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (*end != '\0' || v < lo || v > hi) return false;
    out = v;
    return true;
}

}  // namespace

std::string Usage() {
    return "usage: devsim [options]\n"
           "  --device ADDR         simulate a device on ADDR (127.0.0.0/8 only); repeatable\n"
           "                        (default 127.0.0.2)\n"
           "  --port N              device port (default 37777; 0 = any free port)\n"
           "  --channels N          channels per device, 1..64 (default 4)\n"
           "  --user NAME:PASSWORD  an account; repeatable (default admin:admin)\n"
           "  --size WxH            picture size (default 352x288)\n"
           "  --control-port N      loopback control port (0 = any free port; default none)\n"
           "  --control-address A   control address (default 127.0.0.1)\n"
           "  --control \"COMMAND\"   run a control command at start-up; repeatable\n"
           "  --idle-timeout MS     drop a client silent this long (default 15000)\n"
           "  --login-timeout MS    drop a client not logged in this long after connect\n"
           "                        (default 5000)\n"
           "  --send-timeout MS     drop a client that takes no data this long while the\n"
           "                        device has some to send (default 10000)\n"
           "  --onvif-port N        web services (device, media, PTZ, imaging) and JPEG\n"
           "                        snapshots over HTTP on port N of each device, and RTSP\n"
           "                        streams (0 = any free port; default off; native build)\n"
           "  --rtsp-port N         RTSP port with --onvif-port (default 0 = any free port)\n"
           "  --jpeg-quality N      JPEG quality of snapshots and streams, 1..100 (default 75)\n"
           "  --h264-stream CH=URL  channel CH's profile is H.264 streamed from URL (an RTSP\n"
           "                        server of your own) instead of JPEG from devsim\n"
           "Control commands: send 'help' to the control port.\n";
}

bool ParseCommandLine(int argc, const char* const* argv, SimulatorOptions& opts, bool& help,
                      std::string* error) {
    help = false;
    DeviceOptions proto;
    std::vector<std::string> addresses;
    std::vector<User> users;
    auto fail = [&](const std::string& msg) {
        if (error) *error = msg;
        return false;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        long n = 0;
        if (a == "--help" || a == "-h") {
            help = true;
            return true;
        } else if (a == "--device") {
            if (!value(v)) return fail("--device needs an address");
            if (!net::IsLoopbackIPv4(v))
                return fail("refusing --device " + v + ": only 127.0.0.0/8 addresses");
            for (const auto& prev : addresses)
                if (prev == v) return fail("--device " + v + " given twice");
            addresses.push_back(v);
        } else if (a == "--port") {
            if (!value(v) || !ToInt(v, 0, 65535, n)) return fail("--port needs 0..65535");
            proto.port = static_cast<uint16_t>(n);
        } else if (a == "--channels") {
            if (!value(v) || !ToInt(v, 1, 64, n)) return fail("--channels needs 1..64");
            proto.channels = static_cast<int>(n);
        } else if (a == "--user") {
            if (!value(v)) return fail("--user needs NAME:PASSWORD");
            const size_t colon = v.find(':');
            if (colon == std::string::npos || colon == 0 || colon > 32)
                return fail("--user needs NAME:PASSWORD with a name of 1..32 characters");
            users.push_back({v.substr(0, colon), v.substr(colon + 1)});
        } else if (a == "--size") {
            long w = 0, h = 0;
            const size_t x = value(v) ? v.find('x') : std::string::npos;
            if (x == std::string::npos || !ToInt(v.substr(0, x), 16, 640, w) ||
                !ToInt(v.substr(x + 1), 16, 480, h))
                return fail("--size needs WxH within 16x16..640x480");
            proto.width = static_cast<int>(w);
            proto.height = static_cast<int>(h);
        } else if (a == "--control-port") {
            if (!value(v) || !ToInt(v, 0, 65535, n)) return fail("--control-port needs 0..65535");
            opts.controlPort = static_cast<int>(n);
        } else if (a == "--control-address") {
            if (!value(v) || !net::IsLoopbackIPv4(v))
                return fail("--control-address needs a 127.0.0.0/8 address");
            opts.controlAddress = v;
        } else if (a == "--control") {
            if (!value(v)) return fail("--control needs a command");
            opts.startupCommands.push_back(v);
        } else if (a == "--idle-timeout") {
            if (!value(v) || !ToInt(v, 100, 3600000, n)) return fail("--idle-timeout needs MS");
            proto.idleTimeoutMs = static_cast<int>(n);
        } else if (a == "--login-timeout") {
            if (!value(v) || !ToInt(v, 100, 3600000, n)) return fail("--login-timeout needs MS");
            proto.loginTimeoutMs = static_cast<int>(n);
        } else if (a == "--send-timeout") {
            if (!value(v) || !ToInt(v, 100, 3600000, n)) return fail("--send-timeout needs MS");
            proto.sendTimeoutMs = static_cast<int>(n);
        } else if (a == "--onvif-port") {
            if (!value(v) || !ToInt(v, 0, 65535, n)) return fail("--onvif-port needs 0..65535");
            proto.onvifPort = static_cast<int>(n);
        } else if (a == "--rtsp-port") {
            if (!value(v) || !ToInt(v, 0, 65535, n)) return fail("--rtsp-port needs 0..65535");
            proto.rtspPort = static_cast<int>(n);
        } else if (a == "--jpeg-quality") {
            if (!value(v) || !ToInt(v, 1, 100, n)) return fail("--jpeg-quality needs 1..100");
            proto.jpegQuality = static_cast<int>(n);
        } else if (a == "--h264-stream") {
            const size_t eq = value(v) ? v.find('=') : std::string::npos;
            if (eq == std::string::npos || !ToInt(v.substr(0, eq), 1, 64, n) ||
                v.compare(eq + 1, 7, "rtsp://") != 0)
                return fail("--h264-stream needs CH=rtsp://...");
            proto.h264Streams[static_cast<int>(n) - 1] = v.substr(eq + 1);
        } else {
            return fail("unknown option " + a);
        }
    }
    if (addresses.empty()) addresses.push_back("127.0.0.2");
    if (!users.empty()) proto.users = users;
    opts.devices.clear();
    for (const auto& addr : addresses) {
        DeviceOptions d = proto;
        d.address = addr;
        opts.devices.push_back(d);
    }
    return true;
}

}  // namespace zv::devsim
