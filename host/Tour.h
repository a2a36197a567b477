// The demo's scripted tour of the sample host: real mouse and key input on
// the (virtual) display, never direct calls into the host or the module, and
// checks against what the device simulator reports on its control port.
// Not part of what a host developer copies.
#pragma once

#include <windows.h>

#include <string>
#include <thread>


struct TourOptions {
    bool enabled = false;
    int controlPort = 0;      // devsim's control port on 127.0.0.1
    std::wstring shotsDir;    // where the demo script puts the screenshots it is asked for
    // Only tile 1, its picture checked and shot under this name (the demo's
    // run with the ONVIF build of vortanet.dll).
    std::string oneTile;
};

class Tour {
public:
    // Starts the tour on its own thread; it closes the host's window when done.
    Tour(const TourOptions& options, HWND main);
    ~Tour();
    // Waits for the tour's thread; 0 when every check passed.
    int Finish();

private:
    void Run();
    void RunOneTile();

    TourOptions m_options;
    HWND m_main;
    int m_failures = 0;
    std::thread m_thread;
};
