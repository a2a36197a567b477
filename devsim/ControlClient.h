// The client side of devsim's control port: one text command per connection
// and its one-line reply. The tests, the demo's tour, the benchmarks and the
// devsimctl tool all talk to a running devsim through this.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace zv::devsim {

class ControlClient {
public:
    explicit ControlClient(uint16_t port = 0, std::string host = "127.0.0.1")
        : m_host(std::move(host)), m_port(port) {}

    uint16_t Port() const { return m_port; }
    void SetPort(uint16_t port) { m_port = port; }

    // The reply line, without its line end; "ERR ..." when the port does not
    // answer within timeoutMs.
    std::string Command(const std::string& line, int timeoutMs = 3000) const;
    // Whether the reply begins with "OK".
    bool Ok(const std::string& line) const { return Command(line).rfind("OK", 0) == 0; }
    // A numeric "key=value" field of the reply to `line`; `missing` when the
    // reply is not OK or has no such field.
    double Field(const std::string& line, const std::string& key, double missing = -1e9) const;

    // "OK a=1 b=x" -> {a: "1", b: "x"}; empty unless the reply is OK.
    static std::map<std::string, std::string> ParseReply(const std::string& reply);

private:
    std::string m_host;
    uint16_t m_port;
};

}  // namespace zv::devsim
