#include "corlink/foundation/install_paths.h"

#include <cstdio>
#include <cstring>

#include "corlink/foundation/log.h"
#include "corlink/foundation/service_identity.h"
#include "corlink/foundation/service_params.h"
#include "platform/files/registry.h"

namespace {

constexpr uint32_t kInstallDirSize = 256;
constexpr uint32_t kParamTextSize = 256;

// A text value into buffer (at most size - 1 bytes, always terminated); the registry's result code.
LONG ReadText(HKEY key, const char* name, char* buffer, uint32_t size) {
    DWORD length = size - 1;
    DWORD type = REG_NONE;
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &length);
    if (rc != ERROR_SUCCESS) {
        buffer[0] = '\0';
        return rc;
    }
    buffer[length < size ? length : size - 1] = '\0';
    return rc;
}

// The directory of the ImagePath value, cut at its last backslash; false when there is none.
bool ReadImageDirectory(HKEY service, char* buffer, uint32_t size) {
    if (ReadText(service, "ImagePath", buffer, size) != ERROR_SUCCESS) return false;
    char* lastBackslash = std::strrchr(buffer, '\\');
    if (lastBackslash == nullptr) return false;
    *lastBackslash = '\0';
    return true;
}

// A missing value takes its default text; a value that exists but cannot be read gives false.
bool ReadParameter(HKEY parameters, const char* name, const char* defaultText, char* buffer) {
    LONG rc = ReadText(parameters, name, buffer, kParamTextSize);
    if (rc == ERROR_SUCCESS) return true;
    std::snprintf(buffer, kParamTextSize, "%s", defaultText);
    return rc == static_cast<LONG>(ERROR_FILE_NOT_FOUND);
}

void BuildPath(char* path, size_t size, const char* fileName) {
    std::snprintf(path, size, "%s%s", g_InstallDirectory, fileName);
}

}  // namespace

int GetServiceInstallDir(char* buffer, uint32_t size) {
    if (buffer == nullptr || size == 0) return 0;
    buffer[0] = '\0';
    HKEY service = nullptr;
    const bool opened =
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, SERVICE_KEY, 0, KEY_ALL_ACCESS, &service) == ERROR_SUCCESS;
    if (!opened || !ReadImageDirectory(service, buffer, size)) std::snprintf(buffer, size, "%s", "C:\\");

    int result = 1;
    HKEY parameters = nullptr;
    if (!opened || RegOpenKeyExA(service, "Parameters", 0, KEY_ALL_ACCESS, &parameters) != ERROR_SUCCESS) {
        std::snprintf(g_ServiceParamName, sizeof g_ServiceParamName, "%s", DEFAULT_SERVICE_PARAM_NAME);
        std::snprintf(g_ServiceParamVersion, sizeof g_ServiceParamVersion, "%s",
                      DEFAULT_SERVICE_PARAM_VERSION);
    } else {
        if (!ReadParameter(parameters, "Name", DEFAULT_SERVICE_PARAM_NAME, g_ServiceParamName)) result = 0;
        if (!ReadParameter(parameters, "Version", DEFAULT_SERVICE_PARAM_VERSION, g_ServiceParamVersion))
            result = 0;
        RegCloseKey(parameters);
    }
    if (opened) RegCloseKey(service);
    return result;
}

void InitFilePaths() {
    g_ServiceParamName[0] = '\0';
    g_ServiceParamVersion[0] = '\0';
    if (GetServiceInstallDir(g_InstallDirectory, kInstallDirSize) == 1) {
        const size_t length = std::strlen(g_InstallDirectory);
        std::snprintf(g_InstallDirectory + length, sizeof g_InstallDirectory - length, "%s", "\\");
    } else {
        std::snprintf(g_InstallDirectory, sizeof g_InstallDirectory, "%s", "c:\\");
    }
    BuildPath(g_DumpSwitchFile, sizeof g_DumpSwitchFile, "corlink.log");
    BuildPath(g_DumpFile, sizeof g_DumpFile, "corlink.dat");
    BuildPath(g_ConfigFile, sizeof g_ConfigFile, "corlink.conf");
    DebugPrint("g_ConfigFile = %s\n", g_ConfigFile);
}
