#include "Sdp.h"

#include <cctype>
#include <cstdlib>

namespace zv::onvif {

namespace {
std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}
bool ToInt(const std::string& s, int& out) {
    if (s.empty() || s.size() > 9) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    out = std::atoi(s.c_str());
    return true;
}
}  // namespace

bool ParseSdp(const std::string& text, Sdp& out) {
    out = Sdp{};
    if (text.size() > 65536) return false;
    bool version = false;
    size_t at = 0;
    while (at < text.size()) {
        size_t nl = text.find('\n', at);
        if (nl == std::string::npos) nl = text.size();
        std::string line = text.substr(at, nl - at);
        at = nl + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > 4096) return false;
        if (line.size() < 2 || line[1] != '=') continue;
        const char kind = line[0];
        const std::string value = line.substr(2);
        if (kind == 'v') version = true;
        if (kind == 'm') {
            if (out.media.size() >= 16) return false;
            SdpMedia m;
            // "video 0 RTP/AVP 96 97"
            size_t a = value.find(' ');
            m.type = value.substr(0, a);
            size_t b = a == std::string::npos ? a : value.find(' ', a + 1);
            size_t c = b == std::string::npos ? b : value.find(' ', b + 1);
            if (b != std::string::npos) m.transport = value.substr(b + 1, c == std::string::npos ? c : c - b - 1);
            if (c != std::string::npos) {
                const size_t d = value.find(' ', c + 1);
                int pt = -1;
                if (ToInt(value.substr(c + 1, d == std::string::npos ? d : d - c - 1), pt) && pt < 128)
                    m.payloadType = pt;
            }
            // Static types we read: 26 is JPEG at 90 kHz.
            if (m.payloadType == 26) {
                m.encoding = "JPEG";
                m.clockRate = 90000;
            }
            out.media.push_back(std::move(m));
            continue;
        }
        if (kind != 'a') continue;
        const size_t colon = value.find(':');
        const std::string attr = value.substr(0, colon);
        const std::string arg = colon == std::string::npos ? std::string() : value.substr(colon + 1);
        if (attr == "control") {
            if (out.media.empty()) out.control = arg;
            else out.media.back().control = arg;
            continue;
        }
        if (out.media.empty()) continue;
        SdpMedia& m = out.media.back();
        const size_t sp = arg.find(' ');
        int pt = -1;
        if (sp == std::string::npos || !ToInt(arg.substr(0, sp), pt) || pt != m.payloadType) continue;
        const std::string rest = arg.substr(sp + 1);
        if (attr == "rtpmap") {
            // "96 H264/90000"
            const size_t slash = rest.find('/');
            m.encoding = Upper(rest.substr(0, slash));
            if (slash != std::string::npos) {
                const size_t end = rest.find('/', slash + 1);
                ToInt(rest.substr(slash + 1, end == std::string::npos ? end : end - slash - 1), m.clockRate);
            }
        } else if (attr == "fmtp") {
            m.fmtp = rest;
        }
    }
    return version;
}

std::string ResolveControl(const std::string& base, const std::string& control) {
    if (control.empty() || control == "*") return base;
    if (control.find("://") != std::string::npos) return control;
    if (!base.empty() && base.back() == '/') return base + control;
    return base + "/" + control;
}

std::string FmtpParameter(const std::string& fmtp, const std::string& name) {
    size_t at = 0;
    while (at < fmtp.size()) {
        size_t semi = fmtp.find(';', at);
        if (semi == std::string::npos) semi = fmtp.size();
        std::string item = fmtp.substr(at, semi - at);
        at = semi + 1;
        const size_t a = item.find_first_not_of(" \t");
        if (a == std::string::npos) continue;
        item = item.substr(a);
        const size_t eq = item.find('=');
        if (eq == std::string::npos) continue;
        std::string key = item.substr(0, eq);
        while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
        if (key == name) {
            std::string v = item.substr(eq + 1);
            while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.pop_back();
            return v;
        }
    }
    return {};
}

}  // namespace zv::onvif
