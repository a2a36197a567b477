// devsim: simulated networked video devices on loopback addresses, for
// running and testing the module and the network library without hardware.
#include <cstdio>
#include <string>

#include "Options.h"
#include "Simulator.h"
#include "StopSignal.h"

int main(int argc, char** argv) {
    using namespace zv::devsim;
    SimulatorOptions opts;
    bool help = false;
    std::string error;
    if (!ParseCommandLine(argc, argv, opts, help, &error)) {
        std::fprintf(stderr, "devsim: %s\n%s", error.c_str(), Usage().c_str());
        return 2;
    }
    if (help) {
        std::printf("%s", Usage().c_str());
        return 0;
    }
    InstallStopSignals();
    Simulator sim(opts);
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "devsim: %s\n", error.c_str());
        return 1;
    }
    for (const auto& d : sim.Devices()) {
        std::printf("devsim: device %s:%u channels=%d\n", d->Address().c_str(), d->Port(),
                    d->Channels());
        if (d->Options().onvifPort >= 0)
            std::printf("devsim: onvif %s:%u rtsp %s:%u\n", d->Address().c_str(), d->OnvifPort(),
                        d->Address().c_str(), d->RtspPort());
    }
    if (opts.controlPort >= 0)
        std::printf("devsim: control %s:%u\n", opts.controlAddress.c_str(), sim.ControlPort());
    std::printf("devsim: ready\n");
    std::fflush(stdout);

    while (!StopSignalled() && !sim.WaitForQuit(100)) {
    }
    sim.Stop();
    std::printf("devsim: stopped\n");
    std::fflush(stdout);
    return 0;
}
