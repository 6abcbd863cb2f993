// The stand-in's named scenarios, each a stage of the snapshot service's life with the provider: its
// registration and unregistration, a shadow copy taken and imported, masked and deleted, a set aborted after
// each of its states, and volumes resynchronised from their snapshots.
#pragma once

#include <string>
#include <vector>

#include "tools/vss_standin/call_log.h"
#include "tools/vss_standin/provider_library.h"

namespace standin {

struct ScenarioOptions {
    std::string library;
    std::vector<int> disks;  // empty: every disk of the host
    bool fullCopy = false;
};

// Runs one scenario; false when one of its calls did not give what the service expects (printed).
using Scenario = bool (*)(ProviderLibrary& provider, const ScenarioOptions& options, CallLog& log);
// The scenario of this name, or null.
Scenario FindScenario(const std::string& name);
// "register, unregister, ...".
std::string ScenarioNames();

}  // namespace standin
