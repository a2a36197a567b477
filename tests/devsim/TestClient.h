// A blocking protocol client for the devsim tests: it speaks the protocol
// the way the network library does, records every byte it sends, and keeps
// the media frames that arrive while it waits for replies.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "FrameReader.h"
#include "Messages.h"
#include "Socket.h"

namespace zv::test {

class TestClient {
public:
    enum class Got { Frame, Timeout, Closed, Malformed };

    bool Connect(const std::string& ip, uint16_t port);
    void Close() { m_sock.Close(); }
    net::Socket& Socket() { return m_sock; }

    bool SendRaw(const std::vector<uint8_t>& bytes);
    template <class M>
    uint32_t Send(const M& m) {
        const uint32_t seq = ++m_seq;
        return SendRaw(proto::Encode(m, seq)) ? seq : 0;
    }

    // Next frame of any kind.
    Got Next(proto::Frame& f, int timeoutMs);
    // Waits for the reply to seq; media frames on the way are kept.
    Got WaitReply(uint32_t seq, proto::Frame& out, int timeoutMs = 3000);
    // Sends m and decodes its reply as R; false on any failure.
    template <class M, class R>
    bool Call(const M& m, R& reply, int timeoutMs = 3000) {
        proto::Frame f;
        const uint32_t seq = Send(m);
        return seq && WaitReply(seq, f, timeoutMs) == Got::Frame &&
               proto::Decode(f, reply) == proto::DecodeError::None;
    }
    // Result status of a simple request, or -1.
    template <class M>
    int64_t Status(const M& m, uint32_t* value = nullptr) {
        proto::Result r;
        if (!Call(m, r) || r.request != M::kType) return -1;
        if (value) *value = r.value;
        return r.status;
    }

    // HELLO + LOGIN; the login status, or -1 if the exchange failed.
    int64_t Login(const std::string& user, const std::string& password,
                  proto::DeviceInfo* info = nullptr);
    // Next video frame (of any play), from the kept ones first.
    bool NextVideo(proto::VideoFrame& v, int timeoutMs);
    bool NextAudio(proto::AudioPacket& a, int timeoutMs);
    // True once the device has closed the connection (an ERROR before the
    // close is kept in LastError()).
    bool WaitClosed(int timeoutMs);
    // Reads and keeps whatever arrives for timeoutMs.
    void Pump(int timeoutMs);

    const std::vector<uint8_t>& Sent() const { return m_sent; }
    const proto::ErrorMsg* LastError() const { return m_hasError ? &m_error : nullptr; }
    proto::DecodeError ReadError() const { return m_reader.Error(); }
    size_t Buffered() const { return m_reader.Buffered(); }
    std::deque<proto::VideoFrame>& Videos() { return m_videos; }
    std::deque<proto::AudioPacket>& Audios() { return m_audios; }
    const proto::ChallengeBytes& LastChallenge() const { return m_challenge; }

private:
    Got Pull(proto::Frame& f, int timeoutMs);
    // Keeps media and errors; true if f was consumed that way.
    bool Keep(const proto::Frame& f);

    net::Socket m_sock;
    proto::FrameReader m_reader;
    std::vector<uint8_t> m_sent;
    uint32_t m_seq = 0;
    std::deque<proto::VideoFrame> m_videos;
    std::deque<proto::AudioPacket> m_audios;
    proto::ErrorMsg m_error;
    bool m_hasError = false;
    proto::ChallengeBytes m_challenge{};
};

// "OK a=1 b=x" -> {a:1, b:x}.
std::map<std::string, std::string> ParseReply(const std::string& line);
double Num(const std::map<std::string, std::string>& kv, const std::string& key);

// Mean of one colour component over a rectangle of an RGB24 frame.
double MeanOf(const proto::VideoFrame& v, int x, int y, int w, int h, int component);
// Count of differing bytes between two RGB24 frames inside a rectangle.
size_t DiffIn(const proto::VideoFrame& a, const proto::VideoFrame& b, int x, int y, int w, int h);

}  // namespace zv::test
