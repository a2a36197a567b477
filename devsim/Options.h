// Command line of devsim.
#pragma once

#include <string>

#include "Simulator.h"

namespace zv::devsim {

// Fills opts from argv; false with a message in error on a usage error.
// helpRequested is set for --help.
bool ParseCommandLine(int argc, const char* const* argv, SimulatorOptions& opts,
                      bool& helpRequested, std::string* error);
std::string Usage();

}  // namespace zv::devsim
