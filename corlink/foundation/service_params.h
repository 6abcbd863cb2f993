// Settings of the service run that the log and the dumps read: the console "debug" switch, the service's
// Parameters texts and the install-directory paths.
#pragma once

#include <cstddef>

// Set in console "debug" runs: every log message is echoed to the standard output.
extern bool g_DebugConsole;
// The Parameters values Name and Version of the service key.
extern char g_ServiceParamName[256];
extern char g_ServiceParamVersion[256];
// The install directory (with a trailing backslash) and the program's files in it: the dump switch file
// "corlink.log", the dump file "corlink.dat" and the supported-model file "corlink.conf". Set once, by
// InitFilePaths (install_paths.h), before the debug log is opened.
extern char g_InstallDirectory[260];
extern char g_DumpSwitchFile[260];
extern char g_DumpFile[260];
extern char g_ConfigFile[260];

// Sets the install directory and the paths derived from it.
void SetInstallDirectory(const char* directory);
// 1 when the dump switch file exists and is not read-only, else 0.
int IsDumpEnabled();
