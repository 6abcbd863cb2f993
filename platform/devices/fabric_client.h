// A device backend and a WMI provider that forward every call to the simulated fabric's server on a Unix
// socket, so that several processes (the proxy, the provider's host) see one fabric; and the fabric's
// administration channel on the same socket.
#pragma once

#include <memory>
#include <string>

#include "platform/devices/device_io.h"
#include "platform/devices/wmi.h"

namespace platform {

// A backend talking to the server at socketPath (connected at the first call, again after a failure;
// devices opened over a connection that broke fail as vanished).
std::unique_ptr<DeviceBackend> MakeFabricClient(const std::string& socketPath);
// A WMI provider whose answers come from the server at socketPath.
std::unique_ptr<WmiProvider> MakeFabricWmiClient(const std::string& socketPath);
// When CORLINK_FABRIC names a socket, installs a client of it as the process's device backend and WMI
// provider for the rest of the run; returns whether it did.
bool InstallFabricClientFromEnvironment();
// Sends one administration message to the server at socketPath; false when it could not be delivered.
// *answer holds the server's answer text (its first word "ok" or "error").
bool SendFabricAdmin(const std::string& socketPath, const std::string& message, std::string* answer);

}  // namespace platform
