#include "TestClient.h"

#include <sstream>

#include "Auth.h"

namespace zv::test {

using namespace proto;
using Clock = std::chrono::steady_clock;

namespace {
int Remaining(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}
constexpr size_t kKeepMedia = 64;
}  // namespace

bool TestClient::Connect(const std::string& ip, uint16_t port) {
    m_sock = net::Socket::Connect(ip, port, 2000, nullptr);
    return m_sock.Valid();
}

bool TestClient::SendRaw(const std::vector<uint8_t>& bytes) {
    m_sent.insert(m_sent.end(), bytes.begin(), bytes.end());
    return m_sock.SendAll(bytes.data(), bytes.size(), 2000, nullptr);
}

TestClient::Got TestClient::Pull(Frame& f, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    uint8_t buf[65536];
    for (;;) {
        const auto st = m_reader.Next(f);
        if (st == FrameReader::Status::Frame) return Got::Frame;
        if (st == FrameReader::Status::Error) return Got::Malformed;
        const int left = Remaining(deadline);
        if (left == 0) return Got::Timeout;
        const auto w = m_sock.WaitReadable(left);
        if (w == net::Socket::Wait::Error) return Got::Closed;
        if (w == net::Socket::Wait::Timeout) return Got::Timeout;
        const long n = m_sock.Recv(buf, sizeof buf);
        if (n < 0) return Got::Closed;
        m_reader.Feed(buf, static_cast<size_t>(n));
    }
}

bool TestClient::Keep(const Frame& f) {
    switch (f.header.type) {
    case MsgType::VideoFrame: {
        VideoFrame v;
        if (Decode(f, v) != DecodeError::None) return false;
        m_videos.push_back(std::move(v));
        if (m_videos.size() > kKeepMedia) m_videos.pop_front();
        return true;
    }
    case MsgType::AudioPacket: {
        AudioPacket a;
        if (Decode(f, a) != DecodeError::None) return false;
        m_audios.push_back(std::move(a));
        if (m_audios.size() > kKeepMedia) m_audios.pop_front();
        return true;
    }
    case MsgType::Error: m_hasError = Decode(f, m_error) == DecodeError::None; return true;
    default: return false;
    }
}

TestClient::Got TestClient::Next(Frame& f, int timeoutMs) { return Pull(f, timeoutMs); }

TestClient::Got TestClient::WaitReply(uint32_t seq, Frame& out, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const Got g = Pull(out, Remaining(deadline));
        if (g != Got::Frame) return g;
        if (Keep(out)) continue;
        if (out.header.seq == seq) return Got::Frame;
    }
}

void TestClient::Pump(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Frame f;
    while (Remaining(deadline) > 0 && Pull(f, Remaining(deadline)) == Got::Frame) Keep(f);
}

bool TestClient::NextVideo(VideoFrame& v, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_videos.empty()) {
        Frame f;
        if (Pull(f, Remaining(deadline)) != Got::Frame) return false;
        Keep(f);
    }
    v = std::move(m_videos.front());
    m_videos.pop_front();
    return true;
}

bool TestClient::NextAudio(AudioPacket& a, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_audios.empty()) {
        Frame f;
        if (Pull(f, Remaining(deadline)) != Got::Frame) return false;
        Keep(f);
    }
    a = std::move(m_audios.front());
    m_audios.pop_front();
    return true;
}

bool TestClient::WaitClosed(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        Frame f;
        const Got g = Pull(f, Remaining(deadline));
        if (g == Got::Closed) return true;
        if (g == Got::Timeout) return false;
        if (g == Got::Malformed) {
            // Nothing more can be read as frames; drain raw bytes until EOF.
            uint8_t buf[4096];
            while (Remaining(deadline) > 0) {
                const auto w = m_sock.WaitReadable(Remaining(deadline));
                if (w != net::Socket::Wait::Ready) return w == net::Socket::Wait::Error;
                if (m_sock.Recv(buf, sizeof buf) < 0) return true;
            }
            return false;
        }
        Keep(f);
    }
}

int64_t TestClient::Login(const std::string& user, const std::string& password, DeviceInfo* info) {
    Hello h;
    RandomBytes(h.nonce.data(), h.nonce.size());
    Challenge c;
    if (!Call(h, c)) return -1;
    m_challenge = c.challenge;
    proto::Login l;
    l.user = user;
    l.proof = LoginProof(password, c.challenge, h.nonce, user);
    LoginResult r;
    if (!Call(l, r)) return -1;
    if (info) *info = r.deviceInfo;
    return r.status;
}

std::map<std::string, std::string> ParseReply(const std::string& line) {
    std::map<std::string, std::string> kv;
    std::istringstream in(line);
    std::string word;
    in >> word;
    kv["#"] = word;
    while (in >> word) {
        const size_t eq = word.find('=');
        if (eq != std::string::npos) kv[word.substr(0, eq)] = word.substr(eq + 1);
    }
    return kv;
}

double Num(const std::map<std::string, std::string>& kv, const std::string& key) {
    auto it = kv.find(key);
    return it == kv.end() ? -1e300 : std::stod(it->second);
}

double MeanOf(const VideoFrame& v, int x, int y, int w, int h, int component) {
    double sum = 0;
    for (int yy = y; yy < y + h; ++yy)
        for (int xx = x; xx < x + w; ++xx)
            sum += v.data[(static_cast<size_t>(yy) * v.info.width + xx) * 3 + component];
    return sum / (w * h);
}

size_t DiffIn(const VideoFrame& a, const VideoFrame& b, int x, int y, int w, int h) {
    size_t n = 0;
    for (int yy = y; yy < y + h; ++yy)
        for (int xx = x; xx < x + w; ++xx)
            for (int c = 0; c < 3; ++c) {
                const size_t i = (static_cast<size_t>(yy) * a.info.width + xx) * 3 + c;
                n += a.data[i] != b.data[i] ? 1 : 0;
            }
    return n;
}

}  // namespace zv::test
