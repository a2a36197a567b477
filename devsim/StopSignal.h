// Turns the platform's termination requests (SIGINT/SIGTERM, or a console
// close on Windows) into a flag the main loop polls.
#pragma once

namespace zv::devsim {

void InstallStopSignals();
bool StopSignalled();

}  // namespace zv::devsim
