// The state file of a running service, <root>/run/<service>.state: the last status the service
// reported and the process that reported it.
#pragma once

#include <string>

#include "platform/system/service_manager.h"

namespace platform {

std::string ServiceStatePath(const std::string& serviceName);
// Writes the status with this process's id (atomically); false when the file cannot be written.
bool WriteServiceState(const std::string& serviceName, const SERVICE_STATUS& status);
// The last reported status and its process id; false when there is none or its process has ended.
bool ReadServiceState(const std::string& serviceName, SERVICE_STATUS* status, long* pid);
void RemoveServiceState(const std::string& serviceName);

}  // namespace platform
