// A machine root of its own for a fuzz target's process: a fresh temporary folder named by
// CORLINK_ROOT (the event log, the registry and drive paths land there), removed with everything in it
// when the process exits.
#pragma once

#include <string>

// Creates the root once per process and returns its path.
const std::string& UseTemporaryMachineRoot(const char* targetName);
