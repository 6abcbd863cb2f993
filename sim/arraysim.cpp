// arraysim: serves the simulated storage fabric of a scenario on the Unix socket that CORLINK_FABRIC
// names, with its administration channel (sim/admin_channel.h) and its WMI answers (sim/wmi_answers.h), until
// SIGTERM or SIGINT. It also writes the SCSI device map into the registry under the machine
// root (CORLINK_ROOT), as the host's storage drivers would.
//
//   CORLINK_FABRIC=/tmp/fabric.sock CORLINK_ROOT=/tmp/root arraysim [scenario.ini]
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <mutex>
#include <string>

#include "platform/system/signal_relay.h"
#include "sim/admin_channel.h"
#include "sim/fabric.h"
#include "sim/fabric_backend.h"
#include "sim/fabric_server.h"
#include "sim/scenario.h"
#include "sim/wmi_answers.h"

int main(int argc, char** argv) {
    const char* socketPath = std::getenv("CORLINK_FABRIC");
    if (socketPath == nullptr || *socketPath == '\0' || argc > 2) {
        std::fprintf(stderr, "usage: CORLINK_FABRIC=<socket> %s [scenario.ini]\n", argv[0]);
        return 2;
    }
    const std::string scenario = argc == 2 ? argv[1] : std::string(SIM_SCENARIO_DIR "/default.ini");
    sim::FabricModel model;
    std::string error;
    if (!sim::LoadScenarioFile(scenario, &model, &error)) {
        std::fprintf(stderr, "arraysim: %s: %s\n", scenario.c_str(), error.c_str());
        return 1;
    }
    sim::Fabric fabric(std::move(model));
    fabric.WriteDeviceMap();
    sim::FabricBackend backend(fabric);
    sim::FabricWmi wmi(fabric);
    sim::FabricServer server(
        backend, socketPath,
        [&fabric](const std::string& message) { return sim::AnswerAdminMessage(fabric, message); }, &wmi);

    std::promise<void> stop;
    std::once_flag stopOnce;
    auto requestStop = [&] { std::call_once(stopOnce, [&] { stop.set_value(); }); };
    platform::OnSignal(SIGTERM, requestStop);
    platform::OnSignal(SIGINT, requestStop);
    if (!server.Start()) {
        std::fprintf(stderr, "arraysim: cannot listen on %s\n", socketPath);
        return 1;
    }
    std::printf("arraysim: serving %s on %s\n", scenario.c_str(), socketPath);
    std::fflush(stdout);
    stop.get_future().wait();
    server.Stop();
    return 0;
}
