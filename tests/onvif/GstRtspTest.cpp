// The RTSP client, the reorder buffer and both depacketizers against a
// server that is not ours: GStreamer's RTSP server (gst_rtsp_server.py)
// behind a Digest login, serving files ffmpeg made from its test pattern.
// MJPEG frames come back with the very scan bytes and pixels of the files
// served; H.264 access units, written one after another, decode to frames
// bit-identical to ffmpeg's decode of the source; a wrong password is a
// refused login. Skipped only when Debian's python3-gi with GStreamer's RTSP
// server, or ffmpeg, is missing (tools/install-deps installs both).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Clock.h"
#include "H264Depacketizer.h"
#include "JpegCodec.h"
#include "JpegDepacketizer.h"
#include "Rtp.h"
#include "RtspClient.h"
#include "Sdp.h"
#include "Url.h"

using namespace zv::onvif;
namespace ds = zv::devsim;
namespace fs = std::filesystem;

namespace {

// Debian's interpreter: the one python3-gi is for (a python3 earlier on the
// PATH may be another).
constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kUser = "viewer";
constexpr const char* kPassword = "s3cret:pass";
constexpr int kJpegFrames = 40;
constexpr int kH264Frames = 60;
constexpr int kKeyInterval = 12;

// A shell command's standard output; the exit status in `status`.
std::string Capture(const std::string& cmd, int& status) {
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) {
        status = -1;
        return out;
    }
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    const int st = pclose(p);
    status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return out;
}

bool Shell(const std::string& cmd) {
    int status = 0;
    Capture(cmd + " >/dev/null 2>&1", status);
    return status == 0;
}

std::vector<uint8_t> ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The entropy-coded data of a baseline JPEG: from after the SOS header to
// the EOI. What RTP/JPEG carries untouched, whatever headers a receiver
// writes around it.
std::vector<uint8_t> ScanOf(const std::vector<uint8_t>& jpeg) {
    for (size_t i = 2; i + 4 <= jpeg.size();) {
        if (jpeg[i] != 0xFF) return {};
        const uint8_t marker = jpeg[i + 1];
        const size_t len = (size_t(jpeg[i + 2]) << 8) | jpeg[i + 3];
        if (marker == 0xDA) {
            size_t begin = i + 2 + len, end = jpeg.size();
            if (end >= begin + 2 && jpeg[end - 2] == 0xFF && jpeg[end - 1] == 0xD9) end -= 2;
            return std::vector<uint8_t>(jpeg.begin() + std::min(begin, end), jpeg.begin() + end);
        }
        i += 2 + len;
    }
    return {};
}

// The md5 of every decoded frame, in display order, as ffmpeg gives them
// (no frame dropped or repeated for timing).
std::vector<std::string> FrameMd5s(const std::string& input) {
    int status = 0;
    std::istringstream out(
        Capture("ffmpeg -v error " + input + " -fps_mode passthrough -f framemd5 - 2>/dev/null", status));
    std::vector<std::string> md5s;
    for (std::string line; std::getline(out, line);) {
        if (line.empty() || line[0] == '#') continue;
        const size_t comma = line.rfind(',');
        if (comma == std::string::npos) continue;
        std::string h = line.substr(comma + 1);
        h.erase(0, h.find_first_not_of(' '));
        md5s.push_back(h);
    }
    return md5s;
}

// GStreamer's RTSP server in a child process. It ends when its standard
// input closes, so it goes with the test even when the test dies, and takes
// the media's folder with it.
class GstServer {
public:
    ~GstServer() { Stop(); }

    // 0 when it listens; 3 when GStreamer's RTSP server is missing; else 1.
    int Start(const fs::path& dir, std::string& why) {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
            why = "pipe";
            return 1;
        }
        const std::string log = (dir / "server.log").string();
        const std::string script = ZV_GST_RTSP_SERVER;
        const std::string d = dir.string();
        m_pid = fork();
        if (m_pid == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            const int err = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (err >= 0) dup2(err, 2);
            execl(kPython, kPython, script.c_str(), "--dir", d.c_str(), "--user", kUser, "--password", kPassword,
                  "--cleanup", static_cast<char*>(nullptr));
            _exit(3);
        }
        close(in[0]);
        close(out[1]);
        m_stdin = in[1];
        if (m_pid < 0) {
            close(out[0]);
            why = "fork";
            return 1;
        }
        // The port, once it listens.
        std::string line;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < until) {
            pollfd p{out[0], POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            char buf[64];
            const ssize_t n = read(out[0], buf, sizeof buf);
            if (n <= 0) break;
            line.append(buf, static_cast<size_t>(n));
        }
        close(out[0]);
        m_port = std::atoi(line.c_str());
        if (m_port > 0) return 0;
        int status = 0;
        const bool exited = waitpid(m_pid, &status, WNOHANG) == m_pid;
        if (exited) m_pid = -1;
        std::ifstream l(log);
        why.assign(std::istreambuf_iterator<char>(l), {});
        return exited && WIFEXITED(status) && WEXITSTATUS(status) == 3 ? 3 : 1;
    }

    void Stop() {
        if (m_stdin >= 0) close(m_stdin);
        m_stdin = -1;
        if (m_pid <= 0) return;
        kill(m_pid, SIGTERM);
        int status;
        for (int i = 0; i < 30 && waitpid(m_pid, &status, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (waitpid(m_pid, &status, WNOHANG) == 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
        }
        m_pid = -1;
    }

    int Port() const { return m_port; }

private:
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_port = 0;
};

class GstRtspTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_skip.clear();
        s_failure.clear();
        if (access(kPython, X_OK) != 0 || !Shell("ffmpeg -version")) {
            s_skip = "needs Debian's python3 and ffmpeg (tools/install-deps)";
            return;
        }
        char tmpl[] = "/tmp/zv-gst-rtsp-XXXXXX";
        if (!mkdtemp(tmpl)) {
            s_failure = "mkdtemp";
            return;
        }
        s_dir = tmpl;
        // ffmpeg's JPEG encoder would otherwise write Huffman tables of its
        // own; RTP/JPEG carries none, so a receiver writes the standard ones.
        const std::string pattern = "ffmpeg -v error -y -f lavfi -i testsrc=size=352x288:rate=25 ";
        const std::string d = s_dir.string();
        if (!Shell(pattern + "-frames:v " + std::to_string(kJpegFrames) +
                   " -pix_fmt yuvj420p -huffman default -q:v 4 " + d + "/f%03d.jpg") ||
            !Shell("ffmpeg -v error -y -framerate 25 -i " + d + "/f%03d.jpg -c:v copy " + d + "/mjpeg.mkv") ||
            !Shell(pattern + "-frames:v " + std::to_string(kH264Frames) +
                   " -pix_fmt yuv420p -c:v libx264 -preset veryfast -x264-params keyint=" +
                   std::to_string(kKeyInterval) + ":min-keyint=" + std::to_string(kKeyInterval) +
                   ":scenecut=0 " + d + "/h264.mkv")) {
            s_failure = "ffmpeg could not make the media (libx264?)";
            return;
        }
        s_server = new GstServer;
        std::string why;
        const int r = s_server->Start(s_dir, why);
        if (r == 3) s_skip = "needs python3-gi and GStreamer's RTSP server (tools/install-deps): " + why;
        else if (r != 0) s_failure = "the server did not start: " + why;
    }
    static void TearDownTestSuite() {
        if (!s_dir.empty()) {
            // What the server said, for a failure's sake, before it goes.
            const auto* suite = ::testing::UnitTest::GetInstance()->current_test_suite();
            if (suite && suite->Failed()) {
                std::ifstream log(s_dir / "server.log");
                std::cerr << "-- gst_rtsp_server.py said:\n" << log.rdbuf() << "--\n";
            }
        }
        delete s_server;
        s_server = nullptr;
        if (!s_dir.empty()) {
            std::error_code ec;
            fs::remove_all(s_dir, ec);
            s_dir.clear();
        }
    }
    void SetUp() override {
        if (!s_skip.empty()) GTEST_SKIP() << s_skip;
        ASSERT_TRUE(s_failure.empty()) << s_failure;
    }

    static Url MountUrl(const std::string& mount, const std::string& userinfo = std::string()) {
        Url u;
        EXPECT_TRUE(ParseUrl("rtsp://" + userinfo + "127.0.0.1:" + std::to_string(s_server->Port()) + mount, u));
        return u;
    }

    // Packets through the reorder buffer to `deliver` until `done` says so,
    // the stream has been quiet for a while after it began, or 15 s pass.
    static void Play(RtspClient& rtsp, const RtpReorder::Deliver& deliver, const std::function<bool()>& done,
                     uint64_t& lost) {
        RtpReorder reorder(0);
        lost = 0;
        const auto start = std::chrono::steady_clock::now();
        auto last = start;
        bool began = false;
        while (!done() && std::chrono::steady_clock::now() - start < std::chrono::seconds(15)) {
            const uint8_t* data;
            size_t n;
            const auto ev = rtsp.Receive(100, data, n);
            if (ev == RtspClient::Event::Closed) break;
            if (ev == RtspClient::Event::Idle) {
                if (began && std::chrono::steady_clock::now() - last > std::chrono::milliseconds(1500)) break;
                continue;
            }
            began = true;
            last = std::chrono::steady_clock::now();
            reorder.Push(data, n, [&](const RtpPacket& p, uint32_t lostBefore) {
                lost += lostBefore;
                deliver(p, lostBefore);
            });
        }
        EXPECT_EQ(reorder.Malformed(), 0u);
        EXPECT_EQ(reorder.Late(), 0u);
    }

    static std::string s_skip, s_failure;
    static fs::path s_dir;
    static GstServer* s_server;
};

std::string GstRtspTest::s_skip, GstRtspTest::s_failure;
fs::path GstRtspTest::s_dir;
GstServer* GstRtspTest::s_server = nullptr;

TEST_F(GstRtspTest, MjpegFramesComeBackWithTheScanAndPixelsOfTheFilesServed) {
    RtspClient rtsp(kUser, kPassword);
    std::string why;
    ASSERT_EQ(rtsp.Open(MountUrl("/mjpeg"), "127.0.0.1", NowMs() + 5000, &why), RtspClient::Result::Ok) << why;
    EXPECT_EQ(rtsp.Track().encoding, "JPEG");
    EXPECT_FALSE(rtsp.Session().empty());

    JpegDepacketizer depack;
    std::vector<JpegDepacketizer::Frame> frames;
    uint64_t lost = 0;
    Play(
        rtsp,
        [&](const RtpPacket& p, uint32_t lostBefore) {
            JpegDepacketizer::Frame f;
            if (depack.Push(p, lostBefore, f)) frames.push_back(std::move(f));
        },
        [&] { return frames.size() >= size_t(kJpegFrames); }, lost);
    rtsp.Close();
    EXPECT_EQ(lost, 0u);
    EXPECT_EQ(depack.FramesDropped(), 0u);
    ASSERT_GE(frames.size(), 10u);

    // Every client gets a pipeline of its own from the first file on; the
    // offset is found all the same, and from there the files follow in order.
    std::vector<std::vector<uint8_t>> files;
    for (int i = 1; i <= kJpegFrames; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%03d.jpg", i);
        files.push_back(ReadFile(s_dir / name));
        ASSERT_FALSE(files.back().empty()) << name;
    }
    const std::vector<uint8_t> firstScan = ScanOf(frames[0].jpeg);
    ASSERT_FALSE(firstScan.empty());
    size_t offset = 0;
    while (offset < files.size() && ScanOf(files[offset]) != firstScan) ++offset;
    ASSERT_LT(offset, files.size()) << "the first frame is none of the files served";

    size_t checked = 0;
    for (size_t i = 0; i < frames.size() && offset + i < files.size(); ++i) {
        const auto& f = frames[i];
        const auto& file = files[offset + i];
        SCOPED_TRACE("frame " + std::to_string(i) + ", file " + std::to_string(offset + i + 1));
        EXPECT_EQ(f.width, 352);
        EXPECT_EQ(f.height, 288);
        if (i > 0) {
            EXPECT_EQ(f.timestamp - frames[i - 1].timestamp, 3600u) << "25 a second, 90 kHz";
        }
        ASSERT_TRUE(ScanOf(f.jpeg) == ScanOf(file)) << "scan bytes differ";
        // The headers we write are not the file's (no JFIF or comment, the
        // standard Huffman tables written out), yet the quantisation tables
        // came in band, so the pixels are the very same.
        ds::Image got, want;
        std::string err;
        ASSERT_TRUE(ds::JpegCodec::Decode(f.jpeg.data(), f.jpeg.size(), got, &err)) << err;
        ASSERT_TRUE(ds::JpegCodec::Decode(file.data(), file.size(), want, &err)) << err;
        ASSERT_EQ(got.width, want.width);
        ASSERT_EQ(got.height, want.height);
        ASSERT_TRUE(got.rgb == want.rgb) << "pixels differ";
        ++checked;
    }
    EXPECT_GE(checked, 10u);
    RecordProperty("frames_checked", static_cast<int>(checked));
}

TEST_F(GstRtspTest, H264AccessUnitsDecodeToTheSourcesFramesBitForBit) {
    RtspClient rtsp(kUser, kPassword);
    std::string why;
    ASSERT_EQ(rtsp.Open(MountUrl("/h264"), "127.0.0.1", NowMs() + 5000, &why), RtspClient::Result::Ok) << why;
    ASSERT_EQ(rtsp.Track().encoding, "H264");
    EXPECT_EQ(rtsp.Track().clockRate, 90000);

    H264Depacketizer depack;
    const std::string sprop = FmtpParameter(rtsp.Track().fmtp, "sprop-parameter-sets");
    EXPECT_FALSE(sprop.empty()) << rtsp.Track().fmtp;
    if (!sprop.empty()) {
        EXPECT_TRUE(depack.SetParameterSets(sprop)) << sprop;
    }

    std::vector<H264Depacketizer::AccessUnit> units;
    uint64_t lost = 0;
    Play(
        rtsp, [&](const RtpPacket& p, uint32_t lostBefore) { depack.Push(p, lostBefore, units); },
        [&] { return units.size() >= size_t(kH264Frames); }, lost);
    rtsp.Close();
    EXPECT_EQ(lost, 0u);
    EXPECT_EQ(depack.FramesDropped(), 0u);
    ASSERT_GE(units.size(), size_t(2 * kKeyInterval));
    EXPECT_TRUE(units[0].keyFrame) << "nothing is handed on before a key frame";
    size_t keys = 0;
    for (const auto& au : units) {
        ASSERT_GE(au.data.size(), 5u);
        EXPECT_TRUE(au.data[0] == 0 && au.data[1] == 0 && au.data[2] == 0 && au.data[3] == 1);
        keys += au.keyFrame;
    }
    EXPECT_EQ(keys, (units.size() + kKeyInterval - 1) / kKeyInterval);

    const fs::path received = s_dir / "received.h264";
    {
        std::ofstream out(received, std::ios::binary);
        for (const auto& au : units) out.write(reinterpret_cast<const char*>(au.data.data()), au.data.size());
    }
    const std::vector<std::string> want = FrameMd5s("-i " + (s_dir / "h264.mkv").string());
    const std::vector<std::string> got = FrameMd5s("-f h264 -i " + received.string());
    fs::remove(received);
    ASSERT_EQ(want.size(), size_t(kH264Frames));
    ASSERT_EQ(got.size(), units.size()) << "every access unit one picture";
    // The stream may begin at any key frame of the source.
    size_t offset = 0;
    while (offset < want.size() && want[offset] != got[0]) offset += kKeyInterval;
    ASSERT_LT(offset, want.size()) << "the first picture is no key frame of the source";
    ASSERT_LE(offset + got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], want[offset + i]) << "frame " << offset + i;
    RecordProperty("frames_checked", static_cast<int>(got.size()));
}

TEST_F(GstRtspTest, DigestLoginWrongPasswordIsRefusedAndUrlCredentialsWin) {
    std::string why;
    {
        RtspClient wrong(kUser, "not-it");
        EXPECT_EQ(wrong.Open(MountUrl("/mjpeg"), "127.0.0.1", NowMs() + 5000, &why), RtspClient::Result::AuthFailed) << why;
    }
    {
        RtspClient nobody("someone", kPassword);
        EXPECT_EQ(nobody.Open(MountUrl("/h264"), "127.0.0.1", NowMs() + 5000, &why), RtspClient::Result::AuthFailed) << why;
    }
    {
        // The password has a ':' of its own, percent-encoded in the URL.
        RtspClient fromUrl("someone", "else");
        EXPECT_EQ(fromUrl.Open(MountUrl("/h264", std::string(kUser) + ":s3cret%3Apass@"), "127.0.0.1", NowMs() + 5000, &why),
                  RtspClient::Result::Ok)
            << why;
        fromUrl.Close();
    }
    {
        RtspClient unknown(kUser, kPassword);
        EXPECT_EQ(unknown.Open(MountUrl("/nothing-here"), "127.0.0.1", NowMs() + 5000, &why), RtspClient::Result::Refused) << why;
    }
}

}  // namespace
