// The device protocol's codec: a random byte stream cut into random chunks
// must give the frame reader the same frames and the same error as the
// stream in one piece; every frame it passes has a header the reader's own
// rules accept; and whatever any decoder accepts, the encoder gives back
// byte for byte (the decoders are strict, so there is one encoding).
#include <random>
#include <tuple>
#include <vector>

#include "FrameReader.h"
#include "FuzzCheck.h"
#include "Input.h"
#include "Messages.h"

namespace zv::fuzz {
namespace {

using namespace proto;
using Bytes = std::vector<uint8_t>;

using AllMessages = std::tuple<Hello, Challenge, Login, LoginResult, PlayStart, PlayStop, VideoFrame,
                               AudioOpen, AudioClose, AudioPacket, Ptz, ConfigGet, ConfigData,
                               ConfigSet, Ping, Pong, Result, ErrorMsg>;

Bytes WholeFrame(const Frame& f) {
    Bytes out;
    WriteHeader(out, f.header.type, f.header.seq, f.header.length);
    out.insert(out.end(), f.payload.begin(), f.payload.end());
    return out;
}

// What an accepted message promises its user beyond the round trip.
void CheckFields(const Login& m) {
    FUZZ_CHECK(!m.user.empty() && m.user.size() <= kMaxUserName);
    FUZZ_CHECK(m.user.find('\0') == std::string::npos);
}
void CheckFields(const VideoFrame& m) {
    FUZZ_CHECK(m.info.playId != 0);
    FUZZ_CHECK(m.data.size() ==
               PixelDataSize(static_cast<uint8_t>(m.info.format), m.info.width, m.info.height));
    FUZZ_CHECK(!m.data.empty());
}
void CheckFields(const AudioPacket& m) {
    FUZZ_CHECK(m.playId != 0 && !m.samples.empty() && m.samples.size() <= kMaxAudioSamples);
    FUZZ_CHECK(m.sampleRate >= 1000 && m.sampleRate <= 48000);
}
void CheckFields(const ConfigGet& m) { FUZZ_CHECK(m.maxLength >= 1 && m.maxLength <= kMaxConfigBytes); }
void CheckFields(const ConfigData& m) {
    FUZZ_CHECK(m.data.size() <= m.totalSize && m.totalSize <= kMaxConfigBytes);
    FUZZ_CHECK(m.status == kOk || m.data.empty());
}
void CheckFields(const ConfigSet& m) { FUZZ_CHECK(!m.data.empty() && m.data.size() <= kMaxConfigBytes); }
void CheckFields(const ErrorMsg& m) { FUZZ_CHECK(m.text.size() <= kMaxErrorText); }
void CheckFields(const Result& m) {
    FUZZ_CHECK(IsKnownType(static_cast<uint8_t>(m.request)) && SenderOf(m.request) == Sender::Client);
}
void CheckFields(const PlayStop& m) { FUZZ_CHECK(m.playId != 0); }
void CheckFields(const AudioOpen& m) { FUZZ_CHECK(m.playId != 0); }
template <class M>
void CheckFields(const M&) {}

// Decodes f as M: wrong type for any other type; when accepted, the fields
// keep their promises and encode back to the very same frame.
template <class M>
bool TryDecode(const Frame& f) {
    M m;
    const DecodeError e = Decode(f, m);
    if (f.header.type != M::kType) {
        FUZZ_CHECK(e == DecodeError::WrongType);
        return false;
    }
    FUZZ_CHECK(e != DecodeError::WrongType);
    if (e != DecodeError::None) return false;
    CheckFields(m);
    FUZZ_CHECK(Encode(m, f.header.seq) == WholeFrame(f));
    return true;
}

// Tries every decoder; at most the frame's own may accept it.
bool DecodeAny(const Frame& f) {
    int accepted = 0;
    std::apply([&](auto... m) { ((accepted += TryDecode<decltype(m)>(f) ? 1 : 0), ...); },
               AllMessages{});
    FUZZ_CHECK(accepted <= 1);
    return accepted == 1;
}

struct Cut {
    std::vector<Frame> frames;
    FrameReader::Status last = FrameReader::Status::NeedMore;
    DecodeError error = DecodeError::None;
    size_t buffered = 0;
};

// Feeds the stream in chunks (sizes from the generator, or all at once) and
// drains the reader after each, as a session's receive loop does.
Cut Read(const Bytes& stream, std::minstd_rand* chunks) {
    Cut cut;
    FrameReader reader;
    size_t pos = 0;
    while (pos < stream.size() && cut.last != FrameReader::Status::Error) {
        size_t n = stream.size() - pos;
        if (chunks) n = std::min<size_t>(n, 1 + (*chunks)() % 97);
        reader.Feed(stream.data() + pos, n);
        pos += n;
        Frame f;
        while ((cut.last = reader.Next(f)) == FrameReader::Status::Frame) cut.frames.push_back(f);
    }
    cut.error = reader.Error();
    cut.buffered = reader.Buffered();
    return cut;
}

void CheckStream(const Bytes& stream, uint32_t seed) {
    const Cut whole = Read(stream, nullptr);
    std::minstd_rand gen(seed);
    const Cut chunked = Read(stream, &gen);
    FUZZ_CHECK(chunked.frames.size() == whole.frames.size());
    FUZZ_CHECK(chunked.last == whole.last && chunked.error == whole.error);
    FUZZ_CHECK((whole.last == FrameReader::Status::Error) == (whole.error != DecodeError::None));
    size_t consumed = 0;
    for (size_t i = 0; i < whole.frames.size(); ++i) {
        const Frame& f = whole.frames[i];
        FUZZ_CHECK(chunked.frames[i].header.seq == f.header.seq &&
                   chunked.frames[i].payload == f.payload);
        FUZZ_CHECK(f.payload.size() == f.header.length);
        const PayloadBounds b = BoundsOf(f.header.type);
        FUZZ_CHECK(f.header.length >= b.min && f.header.length <= b.max && b.max <= kMaxPayload);
        const Bytes bytes = WholeFrame(f);
        // The frame is the stream's own bytes, and its header passes again.
        FUZZ_CHECK(std::equal(bytes.begin(), bytes.end(), stream.begin() + consumed));
        FrameHeader again;
        FUZZ_CHECK(ParseHeader(bytes.data(), bytes.size(), again) == DecodeError::None);
        consumed += bytes.size();
        DecodeAny(f);
    }
    // Without an error, every byte is in a frame or still held.
    if (whole.error == DecodeError::None) {
        FUZZ_CHECK(consumed + whole.buffered == stream.size());
        FUZZ_CHECK(chunked.buffered == whole.buffered);
    } else {
        FUZZ_CHECK(whole.buffered == 0 && chunked.buffered == 0);
    }
}

// A payload decoded as any type, whatever its size: the decoders must hold
// without the header's bounds in front of them.
void CheckPayload(Input& in) {
    static constexpr MsgType kTypes[] = {
        MsgType::Hello, MsgType::Challenge, MsgType::Login, MsgType::LoginResult,
        MsgType::PlayStart, MsgType::PlayStop, MsgType::VideoFrame, MsgType::AudioOpen,
        MsgType::AudioClose, MsgType::AudioPacket, MsgType::Ptz, MsgType::ConfigGet,
        MsgType::ConfigData, MsgType::ConfigSet, MsgType::Ping, MsgType::Pong, MsgType::Result,
        MsgType::Error};
    Frame f;
    f.header.type = in.Pick(kTypes);
    f.header.seq = in.Int<uint32_t>();
    f.payload = in.Bytes(in.Remaining());
    f.header.length = static_cast<uint32_t>(f.payload.size());
    DecodeAny(f);
}

// A video head as a sender builds it, with pixels after it: the reader and
// the decoder give back what was sent.
void CheckVideoHead(Input& in) {
    VideoFrameInfo info;
    info.playId = in.Int<uint32_t>();
    info.channel = in.Int<uint32_t>();
    info.frameNo = in.Int<uint32_t>();
    info.timestampUs = in.Int<uint64_t>();
    info.width = in.Range<uint16_t>(0, 40);
    info.height = in.Range<uint16_t>(0, 40);
    info.format = static_cast<PixelFormat>(in.Range<uint8_t>(0, 3));
    const uint32_t size = PixelDataSize(static_cast<uint8_t>(info.format), info.width, info.height);
    Bytes stream = EncodeVideoHead(info);
    stream.resize(stream.size() + size, 0x5A);
    FrameReader reader;
    reader.Feed(stream.data(), stream.size());
    Frame f;
    const FrameReader::Status st = reader.Next(f);
    VideoFrame v;
    const bool good = size != 0 && info.playId != 0;
    FUZZ_CHECK((st == FrameReader::Status::Frame && Decode(f, v) == DecodeError::None) == good);
    if (!good) return;
    FUZZ_CHECK(v.info.playId == info.playId && v.info.channel == info.channel &&
               v.info.frameNo == info.frameNo && v.info.timestampUs == info.timestampUs &&
               v.info.width == info.width && v.info.height == info.height &&
               v.info.format == info.format && v.data.size() == size);
}

}  // namespace
}  // namespace zv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zv::fuzz;
    if (size < 1) return 0;
    // The first byte picks the check; most inputs are streams.
    const uint8_t mode = data[0];
    Input in(data + 1, size - 1);
    if (mode < 0xE0) {
        const uint32_t seed = size >= 5 ? data[1] | data[2] << 8 | data[3] << 16 | uint32_t{data[4]} << 24 : 1;
        const Bytes stream(data + (size >= 5 ? 5 : size), data + size);
        CheckStream(stream, seed);
    } else if (mode < 0xF8) {
        CheckPayload(in);
    } else {
        CheckVideoHead(in);
    }
    return 0;
}
