// The session description an RTSP server answers DESCRIBE with: the video
// tracks it offers, their payload formats and control URLs. Bounded.
#pragma once

#include <string>
#include <vector>

namespace zv::onvif {

struct SdpMedia {
    std::string type;       // "video", "audio", ...
    std::string transport;  // "RTP/AVP"
    int payloadType = -1;   // the first format listed
    std::string encoding;   // upper case, from rtpmap ("JPEG", "H264"), or implied by a static type
    int clockRate = 0;
    std::string fmtp;       // the format parameters of payloadType
    std::string control;    // as written
};

struct Sdp {
    std::string control;  // session level
    std::vector<SdpMedia> media;
};

// false for a text that is not a description (no v= line) or breaks the
// bounds (64 KiB, 4 KiB lines, 16 media sections).
bool ParseSdp(const std::string& text, Sdp& out);

// A track's control URL: absolute as written, "*" or empty for the base
// itself, otherwise relative to the base (Content-Base, or the request URL).
std::string ResolveControl(const std::string& base, const std::string& control);

// A parameter of an fmtp line ("packetization-mode=1;sprop-parameter-sets=...").
std::string FmtpParameter(const std::string& fmtp, const std::string& name);

}  // namespace zv::onvif
