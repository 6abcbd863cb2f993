// Scenarios: small INI files that describe a fabric (sim/scenarios/). Sections "system.<n>",
// "array.<n>" and "volume.<n>"; an array names its system, a volume its array, by section name.
#pragma once

#include <string>

#include "sim/fabric_model.h"

namespace sim {

// Reads a scenario from INI text. False with a reason in *error when a value is missing or malformed.
bool ParseScenario(const std::string& text, FabricModel* model, std::string* error);
// Reads a scenario file (a plain POSIX path: the simulator is not part of the Windows program).
bool LoadScenarioFile(const std::string& path, FabricModel* model, std::string* error);

}  // namespace sim
