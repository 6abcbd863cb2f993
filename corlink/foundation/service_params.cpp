#include "corlink/foundation/service_params.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/files/files.h"

bool g_DebugConsole = false;
char g_ServiceParamName[256] = "";
char g_ServiceParamVersion[256] = "";
char g_InstallDirectory[260] = "";
char g_DumpSwitchFile[260] = "";
char g_DumpFile[260] = "";
char g_ConfigFile[260] = "";

void SetInstallDirectory(const char* directory) {
    size_t length = std::strlen(directory);
    const char* separator =
        (length > 0 && (directory[length - 1] == '\\' || directory[length - 1] == '/')) ? "" : "\\";
    std::snprintf(g_InstallDirectory, sizeof g_InstallDirectory, "%s%s", directory, separator);
    std::string dumpSwitch = std::string(g_InstallDirectory) + "corlink.log";
    std::snprintf(g_DumpSwitchFile, sizeof g_DumpSwitchFile, "%s", dumpSwitch.c_str());
}

int IsDumpEnabled() {
    if (g_DumpSwitchFile[0] == '\0') return 0;
    DWORD attributes = GetFileAttributesA(g_DumpSwitchFile);
    if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
    return (attributes & FILE_ATTRIBUTE_READONLY) ? 0 : 1;
}
