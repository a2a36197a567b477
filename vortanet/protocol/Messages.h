// Frame header and the message catalogue of the device protocol, each
// message with a strict encoder and decoder. The layouts are documented in
// vortanet/PROTOCOL.md; keep the two in step.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "Wire.h"

namespace zv::proto {

struct FrameHeader {
    uint8_t version = kVersion;
    MsgType type = MsgType::Ping;
    uint16_t flags = 0;
    uint32_t seq = 0;
    uint32_t length = 0;
};

struct Frame {
    FrameHeader header;
    std::vector<uint8_t> payload;
};

struct PayloadBounds {
    uint32_t min;
    uint32_t max;
};

// Payload size range of a type; checked from the header alone.
PayloadBounds BoundsOf(MsgType t);

// Checks a header as received: magic, version, known type, zero flags, the
// type's payload bounds and the sequence rule. n must be at least
// kHeaderSize.
DecodeError ParseHeader(const uint8_t* p, size_t n, FrameHeader& out);
void WriteHeader(std::vector<uint8_t>& out, MsgType type, uint32_t seq, uint32_t length);

using Nonce = std::array<uint8_t, kNonceSize>;
using ChallengeBytes = std::array<uint8_t, kChallengeSize>;
using Proof = std::array<uint8_t, kProofSize>;
using DeviceInfo = std::array<uint8_t, kDeviceInfoSize>;

struct Hello {
    static constexpr MsgType kType = MsgType::Hello;
    uint16_t versionMin = kVersion;
    uint16_t versionMax = kVersion;
    Nonce nonce{};
    void Write(ByteWriter& w) const;
    bool Read(ByteReader& r);
};

struct Challenge {
    static constexpr MsgType kType = MsgType::Challenge;
    static constexpr uint8_t kHmacSha256 = 1;
    uint16_t version = kVersion;
    uint8_t hashAlg = kHmacSha256;
    ChallengeBytes challenge{};
    void Write(ByteWriter& w) const;
    bool Read(ByteReader& r);
};

struct Login {
    static constexpr MsgType kType = MsgType::Login;
    std::string user;
    Proof proof{};
    void Write(ByteWriter& w) const;
    bool Read(ByteReader& r);
};

struct LoginResult {
    static constexpr MsgType kType = MsgType::LoginResult;
    uint32_t status = kOk;
    DeviceInfo deviceInfo{};
    void Write(ByteWriter& w) const;
    bool Read(ByteReader& r);
};

struct PlayStart {
    static constexpr MsgType kType = MsgType::PlayStart;
    uint32_t channel = 0;
    PixelFormat format = PixelFormat::Any;
    void Write(ByteWriter& w) const;
    bool Read(ByteReader& r);
};

struct PlayStop {
    static constexpr MsgType kType = MsgType::PlayStop;
    uint32_t playId = 0;
    void Write(ByteWriter& w) const;
    bool Read(ByteReader& r);
};

struct VideoFrameInfo {
    uint32_t playId = 0;
    uint32_t channel = 0;
    uint32_t frameNo = 0;
    uint64_t timestampUs = 0;  // device clock, microseconds since 1970 UTC
    uint16_t width = 0;
    uint16_t height = 0;
    PixelFormat format = PixelFormat::Rgb24;
};
constexpr uint32_t kVideoHeadSize = 32;

struct VideoFrame {
    static constexpr MsgType kType = MsgType::VideoFrame;
    VideoFrameInfo info;
    std::vector<uint8_t> data;
    void Write(ByteWriter& w) const;
    bool Read(ByteReader& r);
};

// Frame header plus the fixed video fields, for a sender that keeps the
// pixels in a buffer shared by several plays and sends them right after.
std::vector<uint8_t> EncodeVideoHead(const VideoFrameInfo& info);

struct AudioOpen {
    static constexpr MsgType kType = MsgType::AudioOpen;
    uint32_t playId = 0;
    void Write(ByteWriter& w) const;
    bool Read(ByteReader& r);
};

struct AudioClose {
    static constexpr MsgType kType = MsgType::AudioClose;
    uint32_t playId = 0;  // 0: every play of the session
    void Write(ByteWriter& w) const;
    bool Read(ByteReader& r);
};

struct AudioPacket {
    static constexpr MsgType kType = MsgType::AudioPacket;
    uint32_t playId = 0;
    uint32_t packetNo = 0;
    uint64_t timestampUs = 0;
    uint32_t sampleRate = 8000;
    std::vector<int16_t> samples;  // 16-bit mono
    void Write(ByteWriter& w) const;
    bool Read(ByteReader& r);
};

struct Ptz {
    static constexpr MsgType kType = MsgType::Ptz;
    uint32_t channel = 0;
    uint32_t code = 0;
    uint8_t param1 = 0;
    uint8_t param2 = 0;
    uint8_t param3 = 0;
    bool stop = false;
    void Write(ByteWriter& w) const;
    bool Read(ByteReader& r);
};

struct ConfigGet {
    static constexpr MsgType kType = MsgType::ConfigGet;
    uint32_t command = 0;
    int32_t channel = 0;
    uint32_t maxLength = 0;
    void Write(ByteWriter& w) const;
    bool Read(ByteReader& r);
};

struct ConfigData {
    static constexpr MsgType kType = MsgType::ConfigData;
    uint32_t status = kOk;
    uint32_t command = 0;
    int32_t channel = 0;
    uint32_t totalSize = 0;  // the block's full size on the device
    std::vector<uint8_t> data;
    void Write(ByteWriter& w) const;
    bool Read(ByteReader& r);
};

struct ConfigSet {
    static constexpr MsgType kType = MsgType::ConfigSet;
    uint32_t command = 0;
    int32_t channel = 0;
    std::vector<uint8_t> data;
    void Write(ByteWriter& w) const;
    bool Read(ByteReader& r);
};

struct Ping {
    static constexpr MsgType kType = MsgType::Ping;
    uint64_t token = 0;
    void Write(ByteWriter& w) const;
    bool Read(ByteReader& r);
};

struct Pong {
    static constexpr MsgType kType = MsgType::Pong;
    uint64_t token = 0;
    void Write(ByteWriter& w) const;
    bool Read(ByteReader& r);
};

struct Result {
    static constexpr MsgType kType = MsgType::Result;
    MsgType request = MsgType::Ptz;
    uint32_t status = kOk;
    uint32_t value = 0;
    void Write(ByteWriter& w) const;
    bool Read(ByteReader& r);
};

struct ErrorMsg {
    static constexpr MsgType kType = MsgType::Error;
    uint32_t code = kErrMalformed;
    std::string text;  // at most kMaxErrorText bytes; longer text is cut
    void Write(ByteWriter& w) const;
    bool Read(ByteReader& r);
};

// A whole frame (header and payload) for message m.
template <class M>
std::vector<uint8_t> Encode(const M& m, uint32_t seq) {
    std::vector<uint8_t> out;
    WriteHeader(out, M::kType, seq, 0);
    ByteWriter w(out);
    m.Write(w);
    const uint32_t len = static_cast<uint32_t>(out.size() - kHeaderSize);
    for (int i = 0; i < 4; ++i) out[12 + i] = static_cast<uint8_t>(len >> (8 * i));
    return out;
}

// Decodes a received frame's payload as message m: the type must match, every
// field must be in range and the payload must be consumed exactly.
template <class M>
DecodeError Decode(const Frame& f, M& m) {
    if (f.header.type != M::kType) return DecodeError::WrongType;
    ByteReader r(f.payload);
    const bool fieldsOk = m.Read(r);
    if (!r.Ok()) return DecodeError::Truncated;
    if (!fieldsOk) return DecodeError::BadField;
    if (!r.AtEnd()) return DecodeError::Trailing;
    return DecodeError::None;
}

}  // namespace zv::proto
