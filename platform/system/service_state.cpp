#include "platform/system/service_state.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/files/machine_root.h"

namespace platform {
namespace {

struct StateField {
    const char* name;
    DWORD SERVICE_STATUS::*field;
};
constexpr StateField kStateFields[] = {
    // clang-format off
    {"type", &SERVICE_STATUS::dwServiceType},
    {"state", &SERVICE_STATUS::dwCurrentState},
    {"controls", &SERVICE_STATUS::dwControlsAccepted},
    {"exit", &SERVICE_STATUS::dwWin32ExitCode},
    {"specific", &SERVICE_STATUS::dwServiceSpecificExitCode},
    {"checkpoint", &SERVICE_STATUS::dwCheckPoint},
    {"waithint", &SERVICE_STATUS::dwWaitHint},
    // clang-format on
};

bool ProcessIsAlive(long pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

}  // namespace

std::string ServiceStatePath(const std::string& serviceName) {
    return MachineRoot() + "/run/" + serviceName + ".state";
}

bool WriteServiceState(const std::string& serviceName, const SERVICE_STATUS& status) {
    if (!MakeDirectories(MachineRoot() + "/run")) return false;
    const std::string path = ServiceStatePath(serviceName);
    const std::string temporary = path + ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "w");
    if (file == nullptr) return false;
    bool ok = std::fprintf(file, "pid %ld\n", static_cast<long>(::getpid())) > 0;
    for (const StateField& f : kStateFields) {
        ok = ok && std::fprintf(file, "%s %u\n", f.name, static_cast<unsigned>(status.*f.field)) > 0;
    }
    ok = (std::fclose(file) == 0) && ok;
    return ok && std::rename(temporary.c_str(), path.c_str()) == 0;
}

bool ReadServiceState(const std::string& serviceName, SERVICE_STATUS* status, long* pid) {
    FILE* file = std::fopen(ServiceStatePath(serviceName).c_str(), "r");
    if (file == nullptr) return false;
    *status = SERVICE_STATUS{};
    *pid = 0;
    char name[16];
    unsigned long value = 0;
    while (std::fscanf(file, "%15s %lu", name, &value) == 2) {
        if (std::string(name) == "pid") *pid = static_cast<long>(value);
        for (const StateField& f : kStateFields) {
            if (std::string(name) == f.name) (*status).*f.field = static_cast<DWORD>(value);
        }
    }
    std::fclose(file);
    return ProcessIsAlive(*pid);
}

void RemoveServiceState(const std::string& serviceName) {
    std::remove(ServiceStatePath(serviceName).c_str());
}

}  // namespace platform
