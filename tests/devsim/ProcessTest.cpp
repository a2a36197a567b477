// The devsim program itself: command line, start-up report, control port,
// start-up fault commands, and a clean exit on quit and on SIGTERM.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ControlClient.h"
#include "TestClient.h"

extern char** environ;

using namespace zv::test;
using Clock = std::chrono::steady_clock;

namespace {

class DevsimProcess {
public:
    explicit DevsimProcess(std::vector<std::string> args) {
        args.insert(args.begin(), DEVSIM_EXE);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        int out[2];
        if (pipe(out) != 0) return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        posix_spawn_file_actions_adddup2(&fa, out[1], 2);
        posix_spawn_file_actions_addclose(&fa, out[0]);
        posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
        if (posix_spawn(&m_pid, DEVSIM_EXE, &fa, nullptr, argv.data(), environ) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&fa);
        close(out[1]);
        m_out = out[0];
    }
    ~DevsimProcess() {
        if (m_pid > 0 && !m_exited) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0) close(m_out);
    }

    // Output up to and including a line containing `marker`.
    bool ReadUntil(const std::string& marker, int timeoutMs) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (m_text.find(marker) == std::string::npos) {
            const int left = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count());
            if (left <= 0) return false;
            pollfd p{m_out, POLLIN, 0};
            if (poll(&p, 1, left) <= 0) continue;
            char buf[1024];
            const ssize_t n = read(m_out, buf, sizeof buf);
            if (n <= 0) return m_text.find(marker) != std::string::npos;
            m_text.append(buf, static_cast<size_t>(n));
        }
        return true;
    }
    // Port after "prefix ADDR:" in the output.
    uint16_t PortAfter(const std::string& prefix) const {
        const size_t at = m_text.find(prefix);
        if (at == std::string::npos) return 0;
        const size_t colon = m_text.find(':', at + prefix.size());
        return static_cast<uint16_t>(std::stoi(m_text.substr(colon + 1)));
    }
    // Exit status, or -1 if it did not exit in time.
    int WaitExit(int timeoutMs) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Clock::now() < deadline) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_exited = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }
    pid_t Pid() const { return m_pid; }
    const std::string& Text() const { return m_text; }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    bool m_exited = false;
    std::string m_text;
};

std::string Control(uint16_t port, const std::string& line) {
    return zv::devsim::ControlClient(port).Command(line);
}

}  // namespace

TEST(DevsimProgram, ServesTwoDevicesAndQuitsOnCommand) {
    DevsimProcess p({"--device", "127.0.0.3", "--device", "127.0.0.4", "--port", "0", "--channels",
                     "2", "--user", "op:pw", "--control-port", "0", "--control",
                     "refuse-login 127.0.0.4 on"});
    ASSERT_TRUE(p.ReadUntil("devsim: ready", 10000)) << p.Text();
    const uint16_t a = p.PortAfter("device 127.0.0.3");
    const uint16_t b = p.PortAfter("device 127.0.0.4");
    const uint16_t control = p.PortAfter("control 127.0.0.1");
    ASSERT_NE(a, 0);
    ASSERT_NE(control, 0);

    TestClient ok;
    ASSERT_TRUE(ok.Connect("127.0.0.3", a));
    zv::proto::DeviceInfo info{};
    EXPECT_EQ(ok.Login("op", "pw", &info), zv::proto::kOk);
    EXPECT_EQ(info[16], 2);
    zv::proto::Ptz right;
    right.code = 3;
    right.param2 = 8;
    EXPECT_EQ(ok.Status(right), zv::proto::kOk);
    EXPECT_EQ(ParseReply(Control(control, "state 127.0.0.3 0")).at("moving"), "1");

    TestClient refused;  // by the start-up command
    ASSERT_TRUE(refused.Connect("127.0.0.4", b));
    EXPECT_EQ(refused.Login("op", "pw"), zv::proto::kLoginRefused);

    EXPECT_EQ(Control(control, "quit"), "OK bye");
    EXPECT_EQ(p.WaitExit(5000), 0);
    EXPECT_TRUE(ok.WaitClosed(1000));
}

TEST(DevsimProgram, StopsCleanlyOnSigterm) {
    DevsimProcess p({"--device", "127.0.0.5", "--port", "0"});
    ASSERT_TRUE(p.ReadUntil("devsim: ready", 10000)) << p.Text();
    TestClient c;
    ASSERT_TRUE(c.Connect("127.0.0.5", p.PortAfter("device 127.0.0.5")));
    ASSERT_EQ(c.Login("admin", "admin"), zv::proto::kOk);
    zv::proto::PlayStart play;
    EXPECT_EQ(c.Status(play), zv::proto::kOk);
    kill(p.Pid(), SIGTERM);
    EXPECT_EQ(p.WaitExit(5000), 0);
    EXPECT_TRUE(p.ReadUntil("devsim: stopped", 1000));
}

TEST(DevsimProgram, ReportsAndServesTheWebServicesAndRtspPorts) {
    DevsimProcess p({"--device", "127.0.0.45", "--port", "0", "--onvif-port", "0", "--channels",
                     "1", "--jpeg-quality", "60"});
    ASSERT_TRUE(p.ReadUntil("devsim: ready", 10000)) << p.Text();
    const size_t at = p.Text().find("devsim: onvif 127.0.0.45:");
    ASSERT_NE(at, std::string::npos) << p.Text();
    const uint16_t web = p.PortAfter("onvif 127.0.0.45");
    const uint16_t rtsp = p.PortAfter("rtsp 127.0.0.45");
    ASSERT_NE(web, 0);
    ASSERT_NE(rtsp, 0);
    zv::net::Socket s = zv::net::Socket::Connect("127.0.0.45", web, 2000, nullptr);
    ASSERT_TRUE(s.Valid());
    const std::string get = "GET /onvif/device_service HTTP/1.1\r\nHost: x\r\n\r\n";
    ASSERT_TRUE(s.SendAll(get.data(), get.size(), 2000, nullptr));
    ASSERT_EQ(s.WaitReadable(3000), zv::net::Socket::Wait::Ready);
    char buf[256] = {};
    ASSERT_GT(s.Recv(buf, sizeof buf - 1), 0);
    EXPECT_EQ(std::string(buf).rfind("HTTP/1.1 405", 0), 0u) << buf;
    zv::net::Socket r = zv::net::Socket::Connect("127.0.0.45", rtsp, 2000, nullptr);
    EXPECT_TRUE(r.Valid());
    kill(p.Pid(), SIGTERM);
    EXPECT_EQ(p.WaitExit(5000), 0);
    p.ReadUntil("devsim: stopped", 1000);
    EXPECT_EQ(p.Text().find("Sanitizer"), std::string::npos) << p.Text();
}

TEST(DevsimProgram, RefusesNonLoopbackAddressesAndBadOptions) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--device", "192.0.2.1"},
          std::vector<std::string>{"--device", "127.0.0.300"},
          std::vector<std::string>{"--control-address", "0.0.0.0"},
          std::vector<std::string>{"--channels", "0"},
          std::vector<std::string>{"--user", "nopassword"},
          std::vector<std::string>{"--onvif-port", "70000"},
          std::vector<std::string>{"--jpeg-quality", "0"},
          std::vector<std::string>{"--control", "frobnicate", "--port", "0"}}) {
        DevsimProcess p(args);
        const int rc = p.WaitExit(5000);
        EXPECT_TRUE(rc == 1 || rc == 2) << args[0] << " " << args[1] << " -> " << rc;
    }
}
