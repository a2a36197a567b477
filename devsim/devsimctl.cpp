// devsimctl PORT COMMAND...: sends one command to devsim's control port on
// 127.0.0.1 and prints the reply; exits 0 when it begins with "OK".
//   devsimctl 37700 state 127.0.0.2 0
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ControlClient.h"

int main(int argc, char** argv) {
    const long port = argc >= 3 ? std::strtol(argv[1], nullptr, 10) : 0;
    if (port <= 0 || port > 65535) {
        std::fprintf(stderr, "usage: devsimctl PORT COMMAND [ARGS...]\n");
        return 2;
    }
    std::string line = argv[2];
    for (int i = 3; i < argc; ++i) line += std::string(" ") + argv[i];
    const std::string reply = zv::devsim::ControlClient(static_cast<uint16_t>(port)).Command(line);
    std::printf("%s\n", reply.c_str());
    return reply.rfind("OK", 0) == 0 ? 0 : 1;
}
