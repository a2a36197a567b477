#include "Messages.h"

namespace zv::proto {

const char* ToString(DecodeError e) {
    switch (e) {
    case DecodeError::None: return "none";
    case DecodeError::BadMagic: return "bad magic";
    case DecodeError::BadVersion: return "unsupported version";
    case DecodeError::BadType: return "unknown message type";
    case DecodeError::BadFlags: return "reserved flags set";
    case DecodeError::TooLarge: return "payload too large";
    case DecodeError::TooSmall: return "payload too small";
    case DecodeError::BadSeq: return "bad sequence number";
    case DecodeError::Truncated: return "truncated payload";
    case DecodeError::Trailing: return "trailing bytes";
    case DecodeError::BadField: return "field out of range";
    case DecodeError::WrongType: return "wrong message type";
    }
    return "?";
}

const char* ToString(MsgType t) {
    switch (t) {
    case MsgType::Hello: return "HELLO";
    case MsgType::Challenge: return "CHALLENGE";
    case MsgType::Login: return "LOGIN";
    case MsgType::LoginResult: return "LOGIN_RESULT";
    case MsgType::PlayStart: return "PLAY_START";
    case MsgType::PlayStop: return "PLAY_STOP";
    case MsgType::VideoFrame: return "VIDEO_FRAME";
    case MsgType::AudioOpen: return "AUDIO_OPEN";
    case MsgType::AudioClose: return "AUDIO_CLOSE";
    case MsgType::AudioPacket: return "AUDIO_PACKET";
    case MsgType::Ptz: return "PTZ";
    case MsgType::ConfigGet: return "CONFIG_GET";
    case MsgType::ConfigData: return "CONFIG_DATA";
    case MsgType::ConfigSet: return "CONFIG_SET";
    case MsgType::Ping: return "PING";
    case MsgType::Pong: return "PONG";
    case MsgType::Result: return "RESULT";
    case MsgType::Error: return "ERROR";
    }
    return "?";
}

bool IsKnownType(uint8_t t) {
    switch (static_cast<MsgType>(t)) {
    case MsgType::Hello:
    case MsgType::Challenge:
    case MsgType::Login:
    case MsgType::LoginResult:
    case MsgType::PlayStart:
    case MsgType::PlayStop:
    case MsgType::VideoFrame:
    case MsgType::AudioOpen:
    case MsgType::AudioClose:
    case MsgType::AudioPacket:
    case MsgType::Ptz:
    case MsgType::ConfigGet:
    case MsgType::ConfigData:
    case MsgType::ConfigSet:
    case MsgType::Ping:
    case MsgType::Pong:
    case MsgType::Result:
    case MsgType::Error: return true;
    }
    return false;
}

Sender SenderOf(MsgType t) {
    switch (t) {
    case MsgType::Hello:
    case MsgType::Login:
    case MsgType::PlayStart:
    case MsgType::PlayStop:
    case MsgType::AudioOpen:
    case MsgType::AudioClose:
    case MsgType::Ptz:
    case MsgType::ConfigGet:
    case MsgType::ConfigSet: return Sender::Client;
    case MsgType::Challenge:
    case MsgType::LoginResult:
    case MsgType::VideoFrame:
    case MsgType::AudioPacket:
    case MsgType::ConfigData:
    case MsgType::Result: return Sender::Server;
    case MsgType::Ping:
    case MsgType::Pong:
    case MsgType::Error: return Sender::Either;
    }
    return Sender::Either;
}

uint32_t PixelDataSize(uint8_t format, uint32_t width, uint32_t height) {
    if (width == 0 || height == 0 || width > kMaxFrameSide || height > kMaxFrameSide) return 0;
    switch (static_cast<PixelFormat>(format)) {
    case PixelFormat::Rgb24: return width * height * 3;
    case PixelFormat::Rgb565: return width * height * 2;
    case PixelFormat::Any: break;
    }
    return 0;
}

PayloadBounds BoundsOf(MsgType t) {
    switch (t) {
    case MsgType::Hello: return {20, 20};
    case MsgType::Challenge: return {36, 36};
    case MsgType::Login: return {1 + 1 + kProofSize, 1 + kMaxUserName + kProofSize};
    case MsgType::LoginResult: return {4 + kDeviceInfoSize, 4 + kDeviceInfoSize};
    case MsgType::PlayStart: return {8, 8};
    case MsgType::PlayStop: return {4, 4};
    case MsgType::VideoFrame: return {kVideoHeadSize + 2, kMaxPayload};
    case MsgType::AudioOpen: return {4, 4};
    case MsgType::AudioClose: return {4, 4};
    case MsgType::AudioPacket: return {24 + 2, 24 + 2 * kMaxAudioSamples};
    case MsgType::Ptz: return {12, 12};
    case MsgType::ConfigGet: return {12, 12};
    case MsgType::ConfigData: return {20, 20 + kMaxConfigBytes};
    case MsgType::ConfigSet: return {12 + 1, 12 + kMaxConfigBytes};
    case MsgType::Ping: return {8, 8};
    case MsgType::Pong: return {8, 8};
    case MsgType::Result: return {12, 12};
    case MsgType::Error: return {5, 5 + kMaxErrorText};
    }
    return {0, 0};
}

DecodeError ParseHeader(const uint8_t* p, size_t n, FrameHeader& out) {
    if (n < kHeaderSize) return DecodeError::Truncated;
    ByteReader r(p, kHeaderSize);
    if (r.U32() != kMagic) return DecodeError::BadMagic;
    const uint8_t version = r.U8();
    const uint8_t type = r.U8();
    const uint16_t flags = r.U16();
    const uint32_t seq = r.U32();
    const uint32_t length = r.U32();
    if (version != kVersion) return DecodeError::BadVersion;
    if (!IsKnownType(type)) return DecodeError::BadType;
    if (flags != 0) return DecodeError::BadFlags;
    if (length > kMaxPayload) return DecodeError::TooLarge;
    const auto t = static_cast<MsgType>(type);
    const PayloadBounds b = BoundsOf(t);
    if (length > b.max) return DecodeError::TooLarge;
    if (length < b.min) return DecodeError::TooSmall;
    // Requests carry a nonzero id for their reply; media pushes carry none.
    if (SenderOf(t) == Sender::Client && seq == 0) return DecodeError::BadSeq;
    if (t == MsgType::Ping && seq == 0) return DecodeError::BadSeq;
    if ((t == MsgType::VideoFrame || t == MsgType::AudioPacket) && seq != 0)
        return DecodeError::BadSeq;
    out.version = version;
    out.type = t;
    out.flags = flags;
    out.seq = seq;
    out.length = length;
    return DecodeError::None;
}

void WriteHeader(std::vector<uint8_t>& out, MsgType type, uint32_t seq, uint32_t length) {
    ByteWriter w(out);
    w.U32(kMagic);
    w.U8(kVersion);
    w.U8(static_cast<uint8_t>(type));
    w.U16(0);
    w.U32(seq);
    w.U32(length);
}

// --- session set-up -------------------------------------------------------

void Hello::Write(ByteWriter& w) const {
    w.U16(versionMin);
    w.U16(versionMax);
    w.Bytes(nonce.data(), nonce.size());
}
bool Hello::Read(ByteReader& r) {
    versionMin = r.U16();
    versionMax = r.U16();
    r.Bytes(nonce.data(), nonce.size());
    return versionMin >= 1 && versionMin <= versionMax;
}

void Challenge::Write(ByteWriter& w) const {
    w.U16(version);
    w.U8(hashAlg);
    w.U8(0);
    w.Bytes(challenge.data(), challenge.size());
}
bool Challenge::Read(ByteReader& r) {
    version = r.U16();
    hashAlg = r.U8();
    const uint8_t reserved = r.U8();
    r.Bytes(challenge.data(), challenge.size());
    return version >= 1 && hashAlg == kHmacSha256 && reserved == 0;
}

void Login::Write(ByteWriter& w) const {
    const size_t n = user.size() < kMaxUserName ? user.size() : kMaxUserName;
    w.U8(static_cast<uint8_t>(n));
    w.Bytes(user.data(), n);
    w.Bytes(proof.data(), proof.size());
}
bool Login::Read(ByteReader& r) {
    const uint8_t n = r.U8();
    if (n == 0 || n > kMaxUserName) return false;
    const uint8_t* name = r.Take(n);
    if (!name) return false;
    user.assign(reinterpret_cast<const char*>(name), n);
    r.Bytes(proof.data(), proof.size());
    return user.find('\0') == std::string::npos;
}

void LoginResult::Write(ByteWriter& w) const {
    w.U32(status);
    w.Bytes(deviceInfo.data(), deviceInfo.size());
}
bool LoginResult::Read(ByteReader& r) {
    status = r.U32();
    r.Bytes(deviceInfo.data(), deviceInfo.size());
    return true;
}

// --- live play ------------------------------------------------------------

void PlayStart::Write(ByteWriter& w) const {
    w.U32(channel);
    w.U8(static_cast<uint8_t>(format));
    w.U8(0);
    w.U16(0);
}
bool PlayStart::Read(ByteReader& r) {
    channel = r.U32();
    const uint8_t f = r.U8();
    const uint8_t r1 = r.U8();
    const uint16_t r2 = r.U16();
    format = static_cast<PixelFormat>(f);
    return f <= static_cast<uint8_t>(PixelFormat::Rgb565) && r1 == 0 && r2 == 0;
}

void PlayStop::Write(ByteWriter& w) const { w.U32(playId); }
bool PlayStop::Read(ByteReader& r) {
    playId = r.U32();
    return playId != 0;
}

static void WriteVideoFields(ByteWriter& w, const VideoFrameInfo& i, uint32_t dataLen) {
    w.U32(i.playId);
    w.U32(i.channel);
    w.U32(i.frameNo);
    w.U64(i.timestampUs);
    w.U16(i.width);
    w.U16(i.height);
    w.U8(static_cast<uint8_t>(i.format));
    w.U8(0);
    w.U16(0);
    w.U32(dataLen);
}

void VideoFrame::Write(ByteWriter& w) const {
    WriteVideoFields(w, info, static_cast<uint32_t>(data.size()));
    w.Bytes(data.data(), data.size());
}
bool VideoFrame::Read(ByteReader& r) {
    info.playId = r.U32();
    info.channel = r.U32();
    info.frameNo = r.U32();
    info.timestampUs = r.U64();
    info.width = r.U16();
    info.height = r.U16();
    const uint8_t f = r.U8();
    const uint8_t r1 = r.U8();
    const uint16_t r2 = r.U16();
    const uint32_t dataLen = r.U32();
    info.format = static_cast<PixelFormat>(f);
    const uint32_t expected = PixelDataSize(f, info.width, info.height);
    if (!r.Ok()) return false;
    if (info.playId == 0 || r1 != 0 || r2 != 0 || expected == 0 || dataLen != expected ||
        dataLen != r.Remaining())
        return false;
    const uint8_t* px = r.Take(dataLen);
    if (!px) return false;
    data.assign(px, px + dataLen);
    return true;
}

std::vector<uint8_t> EncodeVideoHead(const VideoFrameInfo& info) {
    const uint32_t dataLen =
        PixelDataSize(static_cast<uint8_t>(info.format), info.width, info.height);
    std::vector<uint8_t> out;
    out.reserve(kHeaderSize + kVideoHeadSize);
    WriteHeader(out, MsgType::VideoFrame, 0, kVideoHeadSize + dataLen);
    ByteWriter w(out);
    WriteVideoFields(w, info, dataLen);
    return out;
}

// --- audio ----------------------------------------------------------------

void AudioOpen::Write(ByteWriter& w) const { w.U32(playId); }
bool AudioOpen::Read(ByteReader& r) {
    playId = r.U32();
    return playId != 0;
}

void AudioClose::Write(ByteWriter& w) const { w.U32(playId); }
bool AudioClose::Read(ByteReader& r) {
    playId = r.U32();
    return true;
}

void AudioPacket::Write(ByteWriter& w) const {
    w.U32(playId);
    w.U32(packetNo);
    w.U64(timestampUs);
    w.U32(sampleRate);
    w.U8(16);
    w.U8(1);
    w.U16(static_cast<uint16_t>(samples.size()));
    for (int16_t s : samples) w.U16(static_cast<uint16_t>(s));
}
bool AudioPacket::Read(ByteReader& r) {
    playId = r.U32();
    packetNo = r.U32();
    timestampUs = r.U64();
    sampleRate = r.U32();
    const uint8_t bits = r.U8();
    const uint8_t channels = r.U8();
    const uint16_t count = r.U16();
    if (!r.Ok()) return false;
    if (playId == 0 || sampleRate < 1000 || sampleRate > 48000 || bits != 16 || channels != 1 ||
        count == 0 || count > kMaxAudioSamples || r.Remaining() != 2u * count)
        return false;
    samples.resize(count);
    for (auto& s : samples) s = static_cast<int16_t>(r.U16());
    return true;
}

// --- PTZ and configuration --------------------------------------------------

void Ptz::Write(ByteWriter& w) const {
    w.U32(channel);
    w.U32(code);
    w.U8(param1);
    w.U8(param2);
    w.U8(param3);
    w.U8(stop ? 1 : 0);
}
bool Ptz::Read(ByteReader& r) {
    channel = r.U32();
    code = r.U32();
    param1 = r.U8();
    param2 = r.U8();
    param3 = r.U8();
    const uint8_t s = r.U8();
    stop = s != 0;
    return s <= 1;
}

void ConfigGet::Write(ByteWriter& w) const {
    w.U32(command);
    w.I32(channel);
    w.U32(maxLength);
}
bool ConfigGet::Read(ByteReader& r) {
    command = r.U32();
    channel = r.I32();
    maxLength = r.U32();
    return maxLength >= 1 && maxLength <= kMaxConfigBytes;
}

void ConfigData::Write(ByteWriter& w) const {
    w.U32(status);
    w.U32(command);
    w.I32(channel);
    w.U32(totalSize);
    w.U32(static_cast<uint32_t>(data.size()));
    w.Bytes(data.data(), data.size());
}
bool ConfigData::Read(ByteReader& r) {
    status = r.U32();
    command = r.U32();
    channel = r.I32();
    totalSize = r.U32();
    const uint32_t n = r.U32();
    if (!r.Ok()) return false;
    if (n > kMaxConfigBytes || totalSize > kMaxConfigBytes || n > totalSize || n != r.Remaining() ||
        (status != kOk && n != 0))
        return false;
    const uint8_t* b = r.Take(n);
    if (!b) return false;
    data.assign(b, b + n);
    return true;
}

void ConfigSet::Write(ByteWriter& w) const {
    w.U32(command);
    w.I32(channel);
    w.U32(static_cast<uint32_t>(data.size()));
    w.Bytes(data.data(), data.size());
}
bool ConfigSet::Read(ByteReader& r) {
    command = r.U32();
    channel = r.I32();
    const uint32_t n = r.U32();
    if (!r.Ok()) return false;
    if (n == 0 || n > kMaxConfigBytes || n != r.Remaining()) return false;
    const uint8_t* b = r.Take(n);
    if (!b) return false;
    data.assign(b, b + n);
    return true;
}

// --- housekeeping ------------------------------------------------------------

void Ping::Write(ByteWriter& w) const { w.U64(token); }
bool Ping::Read(ByteReader& r) {
    token = r.U64();
    return true;
}

void Pong::Write(ByteWriter& w) const { w.U64(token); }
bool Pong::Read(ByteReader& r) {
    token = r.U64();
    return true;
}

void Result::Write(ByteWriter& w) const {
    w.U32(static_cast<uint8_t>(request));
    w.U32(status);
    w.U32(value);
}
bool Result::Read(ByteReader& r) {
    const uint32_t t = r.U32();
    status = r.U32();
    value = r.U32();
    if (t > 0xFF || !IsKnownType(static_cast<uint8_t>(t))) return false;
    request = static_cast<MsgType>(t);
    return SenderOf(request) == Sender::Client;
}

void ErrorMsg::Write(ByteWriter& w) const {
    const size_t n = text.size() < kMaxErrorText ? text.size() : kMaxErrorText;
    w.U32(code);
    w.U8(static_cast<uint8_t>(n));
    w.Bytes(text.data(), n);
}
bool ErrorMsg::Read(ByteReader& r) {
    code = r.U32();
    const uint8_t n = r.U8();
    if (n > kMaxErrorText) return false;
    const uint8_t* t = r.Take(n);
    if (!t) return false;
    text.assign(reinterpret_cast<const char*>(t), n);
    return true;
}

}  // namespace zv::proto
