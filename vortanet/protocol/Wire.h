// Wire constants of the device protocol (vortanet/PROTOCOL.md) and the two
// little-endian byte cursors every message is built from. Platform-neutral:
// shared by the device simulator and the stand-in network library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace zv::proto {

// "VNET" in wire order.
constexpr uint32_t kMagic = 0x54454E56u;
constexpr uint8_t kVersion = 1;
constexpr size_t kHeaderSize = 16;
// Hard ceiling for any payload; a header announcing more ends the session
// before a single payload byte is buffered.
constexpr uint32_t kMaxPayload = 1u << 20;
// Largest configuration block carried by CONFIG_GET/DATA/SET.
constexpr uint32_t kMaxConfigBytes = 65536;
constexpr size_t kMaxUserName = 32;
constexpr size_t kMaxErrorText = 200;
constexpr size_t kDeviceInfoSize = 56;
constexpr size_t kNonceSize = 16;
constexpr size_t kChallengeSize = 32;
constexpr size_t kProofSize = 32;
constexpr uint16_t kMaxFrameSide = 2048;
constexpr uint16_t kMaxAudioSamples = 4000;
constexpr uint16_t kDevicePort = 37777;

enum class MsgType : uint8_t {
    Hello = 0x01,
    Challenge = 0x02,
    Login = 0x03,
    LoginResult = 0x04,
    PlayStart = 0x10,
    PlayStop = 0x11,
    VideoFrame = 0x12,
    AudioOpen = 0x20,
    AudioClose = 0x21,
    AudioPacket = 0x22,
    Ptz = 0x30,
    ConfigGet = 0x40,
    ConfigData = 0x41,
    ConfigSet = 0x42,
    Ping = 0x50,
    Pong = 0x51,
    Result = 0x60,
    Error = 0x7F,
};

// Which side may send a type. A receiver treats a type from the wrong side
// as a protocol violation.
enum class Sender { Client, Server, Either };

// Status carried by LOGIN_RESULT, RESULT and CONFIG_DATA.
enum Status : uint32_t {
    kOk = 0,
    kAuthFailed = 1,
    kLoginRefused = 2,
    kBadChannel = 3,
    kBadPlay = 4,
    kBadCommand = 5,
    kBadSize = 6,
    kBufferTooSmall = 7,
    kLimit = 8,
    kReadOnly = 9,
    kBadFormat = 10,
};

// Reason carried by ERROR; the sender closes the connection after it.
enum ErrorCode : uint32_t {
    kErrMalformed = 1,
    kErrUnexpected = 2,
    kErrVersion = 3,
    kErrLoginTimeout = 4,
    kErrIdleTimeout = 5,
    kErrShutdown = 6,
    kErrDropped = 7,
    kErrLimit = 8,
};

enum class PixelFormat : uint8_t { Any = 0, Rgb24 = 1, Rgb565 = 2 };

enum class DecodeError {
    None,
    BadMagic,
    BadVersion,
    BadType,
    BadFlags,
    TooLarge,  // above kMaxPayload or above the type's own bound
    TooSmall,  // below the type's own bound
    BadSeq,
    Truncated,  // payload shorter than its fields
    Trailing,   // bytes left over after the last field
    BadField,   // a field outside its range or inconsistent with another
    WrongType,  // decoding a frame as a message of another type
};

const char* ToString(DecodeError e);
const char* ToString(MsgType t);
bool IsKnownType(uint8_t t);
Sender SenderOf(MsgType t);
// Size in bytes of a picture of that format and size; 0 for an unknown
// format or a side outside 1..kMaxFrameSide.
uint32_t PixelDataSize(uint8_t format, uint32_t width, uint32_t height);

// Appends little-endian fields to a byte vector.
class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>& out) : m_out(out) {}
    void U8(uint8_t v) { m_out.push_back(v); }
    void U16(uint16_t v) {
        U8(static_cast<uint8_t>(v));
        U8(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void U64(uint64_t v) {
        U32(static_cast<uint32_t>(v));
        U32(static_cast<uint32_t>(v >> 32));
    }
    void Bytes(const void* p, size_t n) {
        if (n == 0) return;
        const auto* b = static_cast<const uint8_t*>(p);
        m_out.insert(m_out.end(), b, b + n);
    }
    size_t Size() const { return m_out.size(); }

private:
    std::vector<uint8_t>& m_out;
};

// Reads little-endian fields from a bounded buffer. A read past the end
// yields zeros and latches the failure, so decoders check once at the end.
class ByteReader {
public:
    // An empty buffer may come with a null pointer; point at a dummy so that
    // a zero-length Take still yields a valid pointer.
    ByteReader(const uint8_t* p, size_t n) : m_p(p ? p : &kNothing), m_n(p ? n : 0) {}
    explicit ByteReader(const std::vector<uint8_t>& v) : ByteReader(v.data(), v.size()) {}

    uint8_t U8() {
        const uint8_t* b = Take(1);
        return b ? b[0] : 0;
    }
    uint16_t U16() {
        const uint8_t* b = Take(2);
        return b ? static_cast<uint16_t>(b[0] | (b[1] << 8)) : 0;
    }
    uint32_t U32() {
        const uint8_t* b = Take(4);
        return b ? static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                       (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24)
                 : 0;
    }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    uint64_t U64() {
        uint64_t lo = U32();
        uint64_t hi = U32();
        return lo | (hi << 32);
    }
    bool Bytes(void* dst, size_t n) {
        const uint8_t* b = Take(n);
        if (b && n) std::memcpy(dst, b, n);
        return b != nullptr;
    }
    // Pointer to the next n bytes, or null (and failed) if fewer remain.
    const uint8_t* Take(size_t n) {
        if (!m_ok || n > m_n - m_pos) {
            m_ok = false;
            return nullptr;
        }
        const uint8_t* b = m_p + m_pos;
        m_pos += n;
        return b;
    }
    size_t Remaining() const { return m_ok ? m_n - m_pos : 0; }
    bool Ok() const { return m_ok; }
    bool AtEnd() const { return m_ok && m_pos == m_n; }

private:
    static constexpr uint8_t kNothing = 0;
    const uint8_t* m_p;
    size_t m_n;
    size_t m_pos = 0;
    bool m_ok = true;
};

}  // namespace zv::proto
