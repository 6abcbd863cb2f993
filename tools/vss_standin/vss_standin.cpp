// vss_standin: stands in for the snapshot service. It loads the hardware provider library as the service
// does and plays the service's calls for the named scenarios, in order, printing every call with its
// result and the facts it brought:
//
//   vss_standin [--library PATH] [--disk N]... [--full-copy] SCENARIO...
//     register     DllRegisterServer, the coordinator's administration object in the class table
//     unregister   DllUnregisterServer
//     shadow-copy  a snapshot set over the disks (every disk of the host by default), its snapshot LUNs
//                  imported to this host, then masked and deleted
//     abort        a set aborted after each of its states
//     resync       a set imported, the volumes rolled back to their snapshots, the snapshot LUNs masked and
//                  deleted
//     unload       the provider created and unloaded
//
// The devices and the WMI answers come from the simulated fabric when CORLINK_FABRIC names it; the machine
// root is CORLINK_ROOT. The provider is created by the first scenario that needs it and unloaded at the
// end; then every block of task memory handed out must have been freed once. Exit code 0 when every call
// gave what the service expects, 1 otherwise, 2 for a wrong command line.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/com/com_init.h"
#include "platform/com/com_memory.h"
#include "platform/devices/fabric_client.h"
#include "tools/vss_standin/call_log.h"
#include "tools/vss_standin/provider_library.h"
#include "tools/vss_standin/scenarios.h"

namespace {

int Usage(const char* program) {
    std::fprintf(stderr,
                 "usage: %s [--library PATH] [--disk N]... [--full-copy] SCENARIO...\n  scenarios: %s\n",
                 program, standin::ScenarioNames().c_str());
    return 2;
}

// Every block handed out was freed, and none twice (a second free would leave fewer live blocks than the
// difference of the counts).
bool TaskMemoryBalanced(standin::CallLog& log) {
    const platform::TaskMemoryAccount account = platform::TaskMemory();
    log.Fact("task memory: " + std::to_string(account.allocations) + " blocks allocated, " +
             std::to_string(account.frees) + " freed, " + std::to_string(account.liveBlocks) + " live");
    if (account.allocations == account.frees && account.liveBlocks == 0) return true;
    log.Problem("task memory does not balance");
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    standin::ScenarioOptions options;
    options.library = PROVIDER_LIBRARY;
    std::vector<standin::Scenario> scenarios;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--library" && i + 1 < argc) {
            options.library = argv[++i];
        } else if (word == "--disk" && i + 1 < argc) {
            char* end = nullptr;
            const long disk = std::strtol(argv[++i], &end, 10);
            if (end == argv[i] || *end != '\0' || disk < 0 || disk > 4095) return Usage(argv[0]);
            options.disks.push_back(static_cast<int>(disk));
        } else if (word == "--full-copy") {
            options.fullCopy = true;
        } else if (standin::Scenario scenario = standin::FindScenario(word)) {
            scenarios.push_back(scenario);
        } else {
            return Usage(argv[0]);
        }
    }
    if (scenarios.empty()) return Usage(argv[0]);

    platform::InstallFabricClientFromEnvironment();
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    standin::CallLog log(stdout);
    bool ok = true;
    {
        standin::ProviderLibrary provider(log);
        if (!provider.Load(options.library)) return 1;
        for (standin::Scenario scenario : scenarios) ok = scenario(provider, options, log) && ok;
        log.Step("end");
        ok = provider.Unload() == S_OK && ok;
    }
    ok = TaskMemoryBalanced(log) && ok;
    ok = ok && log.Problems() == 0;
    std::printf("%s\n", ok ? "vss_standin: every call gave what the service expects" : "vss_standin: FAILED");
    return ok ? 0 : 1;
}
