// Installing and removing the proxy's Windows service; every message goes to the standard output.
#pragma once

// Creates the service (automatic start, own process, local system account) and registers the event
// source with the program as its message file.
void InstallService();
// Stops the service when it runs (up to 60 one-second polls), deletes it and removes the event source.
void RemoveService();
