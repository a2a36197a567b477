// The whole simulator: its devices, the control port and the command
// interpreter shared by the control port and the command line.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ControlServer.h"
#include "Device.h"

namespace zv::devsim {

struct SimulatorOptions {
    std::vector<DeviceOptions> devices;
    int controlPort = -1;  // < 0: no control port; 0: any free port
    std::string controlAddress = "127.0.0.1";
    std::vector<std::string> startupCommands;
};

class Simulator {
public:
    explicit Simulator(SimulatorOptions options);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Starts every device, runs the start-up commands, opens the control port.
    bool Start(std::string* error);
    void Stop();

    // Executes one control command; returns its reply line without newline.
    std::string Execute(const std::string& line);

    bool QuitRequested() const { return m_quit.load(); }
    // Waits up to timeoutMs for a quit command.
    bool WaitForQuit(int timeoutMs);

    Device* FindDevice(const std::string& address);
    const std::vector<std::unique_ptr<Device>>& Devices() const { return m_devices; }
    uint16_t ControlPort() const { return m_control.Port(); }

private:
    std::string Help() const;

    SimulatorOptions m_opt;
    std::vector<std::unique_ptr<Device>> m_devices;
    ControlServer m_control;
    std::atomic<bool> m_quit{false};
    std::mutex m_quitMu;
    std::condition_variable m_quitCv;
};

}  // namespace zv::devsim
