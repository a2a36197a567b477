#include "ControlClient.h"

#include <chrono>
#include <cstdlib>
#include <sstream>

#include "Socket.h"

namespace zv::devsim {

std::string ControlClient::Command(const std::string& line, int timeoutMs) const {
    net::Startup();
    std::string error;
    net::Socket s = net::Socket::Connect(m_host, m_port, timeoutMs, &error);
    if (!s.Valid()) return "ERR connect: " + error;
    const std::string out = line + "\n";
    if (!s.SendAll(out.data(), out.size(), timeoutMs, nullptr)) return "ERR send";
    std::string reply;
    char buf[512];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (reply.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        if (s.WaitReadable(50) != net::Socket::Wait::Ready) continue;
        const long n = s.Recv(buf, sizeof buf);
        if (n < 0) break;
        reply.append(buf, static_cast<size_t>(n));
    }
    const size_t end = reply.find('\n');
    if (end == std::string::npos) return reply.empty() ? "ERR no reply" : "ERR partial reply";
    reply.resize(end);
    if (!reply.empty() && reply.back() == '\r') reply.pop_back();
    return reply;
}

double ControlClient::Field(const std::string& line, const std::string& key, double missing) const {
    const auto fields = ParseReply(Command(line));
    const auto it = fields.find(key);
    if (it == fields.end()) return missing;
    char* end = nullptr;
    const double v = std::strtod(it->second.c_str(), &end);
    return end && *end == '\0' ? v : missing;
}

std::map<std::string, std::string> ControlClient::ParseReply(const std::string& reply) {
    std::map<std::string, std::string> out;
    if (reply.rfind("OK", 0) != 0) return out;
    std::istringstream in(reply.substr(2));
    for (std::string tok; in >> tok;) {
        const size_t eq = tok.find('=');
        if (eq != std::string::npos) out[tok.substr(0, eq)] = tok.substr(eq + 1);
    }
    return out;
}

}  // namespace zv::devsim
