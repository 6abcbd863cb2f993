// The install directory, taken from the service's ImagePath, and the program's file paths in it.
#pragma once

#include <cstdint>

// Defaults of the service's Parameters values Name and Version.
constexpr const char* DEFAULT_SERVICE_PARAM_NAME = "Corlink";
constexpr const char* DEFAULT_SERVICE_PARAM_VERSION = "2.4.0.0";

// Puts the directory of the service's ImagePath (without a final backslash), else "C:\", into buffer,
// and the Parameters values Name and Version (or their defaults) into g_ServiceParamName and
// g_ServiceParamVersion. 1, or 0 when a Parameters value exists but cannot be read.
int GetServiceInstallDir(char* buffer, uint32_t size);
// Sets g_InstallDirectory (with a final backslash), g_DumpSwitchFile, g_DumpFile and g_ConfigFile.
void InitFilePaths();
