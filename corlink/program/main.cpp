// The corlink4 program: installs or removes the service, runs the proxy in the console ("debug",
// "trace"), or hands the process to the service control dispatcher.
#include "corlink/executor/executor_state.h"
#include "corlink/foundation/event_reporting.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/service_identity.h"
#include "corlink/foundation/service_params.h"
#include "corlink/program/command_line.h"
#include "corlink/program/service_install.h"
#include "corlink/program/service_shell.h"
#include "corlink/server/run_state.h"
#include "platform/devices/fabric_client.h"
#include "platform/system/application_event_log.h"
#include "platform/system/service_manager.h"

namespace {

struct UsageLine {
    const char* format;
    const char* text;
};
constexpr UsageLine kUsageLines[] = {
    // clang-format off
    {"%s -install          %s\n", "to install the service"},
    {"%s -remove           %s\n", "to remove the service"},
    {"%s -debug <params>   %s\n", "to run as a console app for debugging"},
    // clang-format on
};

void RunSwitch(ProgramSwitch programSwitch, int argc, char** argv) {
    switch (programSwitch) {
        case ProgramSwitch::Install:
            RemoveService();
            InstallService();
            break;
        case ProgramSwitch::Remove: RemoveService(); break;
        case ProgramSwitch::Debug:
            g_DebugConsole = true;
            RunInConsole(argc, argv);
            break;
        case ProgramSwitch::Trace:
            g_TraceFlag = 1;
            RunInConsole(argc, argv);
            break;
        case ProgramSwitch::None: break;
    }
}

void LogUsage(const char* programName) {
    for (const UsageLine& line : kUsageLines) DebugPrint(line.format, programName, line.text);
    DebugPrint("\n");
    DebugPrint("StartServiceCtrlDispatcher being called.");
    DebugPrint("\n");
    DebugPrint("This operation might take several seconds. Please wait..");
    DebugPrint("\n");
}

}  // namespace

int main(int argc, char** argv) {
    // The storage devices come from the simulated fabric's server when CORLINK_FABRIC names its socket.
    platform::InstallFabricClientFromEnvironment();
    const CommandLine line = ParseCommandLine(argc, argv);
    if (line.ipsMode) g_IpsMode = true;
    if (line.hasSwitchPrefix) {
        DebugPrint("argc=%d, argv[1]=%s\n", argc, argv[1]);
        if (line.programSwitch != ProgramSwitch::None) {
            RunSwitch(line.programSwitch, argc, argv);
            DebugPrint("exiting...\n");
            return 0;
        }
    }
    LogUsage(argv[0]);
    char serviceName[] = "corlink4";
    const SERVICE_TABLE_ENTRYA dispatchTable[] = {{serviceName, service_main}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherA(dispatchTable)) {
        char text[] = "StartServiceCtrlDispatcher failed.";
        WriteEventLog(text, EVENTLOG_INFORMATION_TYPE, CORLINK_EVENT_INFO, 0, SERVICE_NAME);
    }
    return 0;
}
