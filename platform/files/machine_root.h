// The machine root: every Windows location (drive paths, the registry, the event log) maps under one
// directory, CORLINK_ROOT, read once at first use.
#pragma once

#include <string>

#include "platform/win_types.h"

namespace platform {

// The root directory (CORLINK_ROOT, else "/var/lib/corlink"), without a trailing slash.
const std::string& MachineRoot();
// Tests: point the root elsewhere (the directory must exist).
void SetMachineRoot(const std::string& root);

// The system directory "C:\Windows\System32" on this machine: "<root>/C/Windows/System32". It is the
// working directory of the programs as they run on Windows (a service starts there).
std::string SystemDirectoryPath();

// Maps a Windows path onto this machine: "C:\a\b" -> "<root>/C/a/b", "\a" -> "<root>/C/a"; a relative
// path "a\b" is taken from the working directory, the system directory: "<root>/C/Windows/System32/a/b"
// (never the directory this process was started from); a path that already starts with '/' is taken as a
// path of this machine. Separators become '/'.
std::string MapPath(const std::string& windowsPath);

// Creates a directory and its parents; true when it exists afterwards.
bool MakeDirectories(const std::string& path);

}  // namespace platform

// "C:\Windows\System32" (mapped under the root). Returns the length, or the size needed when too small.
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);
