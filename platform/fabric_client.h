// A device backend that forwards every device call to the simulated fabric's server on a Unix socket,
// so that several processes (the proxy, the provider's host) see one fabric.
#pragma once

#include <memory>
#include <string>

#include "platform/device_io.h"

namespace platform {

// A backend talking to the server at socketPath (connected at the first call, again after a failure).
std::unique_ptr<DeviceBackend> MakeFabricClient(const std::string& socketPath);
// When CORLINK_FABRIC names a socket, installs a client of it as the process's device backend for the
// rest of the run; returns whether it did.
bool InstallFabricClientFromEnvironment();

}  // namespace platform
