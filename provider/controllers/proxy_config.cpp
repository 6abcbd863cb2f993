#include "provider/controllers/proxy_config.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "corlink/proxy_protocol/configuration_format.h"
#include "platform/files/file_calls.h"
#include "platform/files/files.h"
#include "platform/files/machine_root.h"
#include "platform/files/registry.h"
#include "platform/net/winsock_addresses.h"
#include "provider/controllers/debug_log.h"

namespace {

constexpr size_t kLineBytes = 260;
constexpr size_t kPathBytes = 260;
constexpr const char* kProxyParametersKey = "SYSTEM\\CurrentControlSet\\Services\\corlink4\\Parameters";

// Blanks off both ends of [begin, end).
void Trim(const char*& begin, const char*& end) {
    while (begin < end && std::isspace(static_cast<unsigned char>(*begin))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(end[-1]))) --end;
}

// Copies a text value into a session field; false (nothing copied) when it does not fit with its terminator.
bool CopyText(const std::string& value, char* field, size_t size) {
    if (value.size() >= size) return false;
    std::memset(field, 0, size);
    std::memcpy(field, value.data(), value.size());
    return true;
}

void ApplyLine(const std::string& key, const std::string& value, ProxyConfig* config) {
    if (key == proxy_config::kKeyVersion) {
        config->version = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
    } else if (key == proxy_config::kKeyAddress) {
        config->address = inet_addr(value.c_str());
    } else if (key == proxy_config::kKeyUser) {
        if (!CopyText(value, config->user, sizeof config->user))
            BVSS_DebugPrint(L"read_proxy_config: user name of %u characters refused (at most %u).\n",
                            static_cast<unsigned>(value.size()),
                            static_cast<unsigned>(sizeof config->user - 1));
    } else if (key == proxy_config::kKeyPassword) {
        if (!CopyText(value, config->password, sizeof config->password))
            BVSS_DebugPrint(L"read_proxy_config: password of %u characters refused (at most %u).\n",
                            static_cast<unsigned>(value.size()),
                            static_cast<unsigned>(sizeof config->password - 1));
    } else if (key == proxy_config::kKeyPort) {
        config->port = static_cast<uint16_t>(std::strtoul(value.c_str(), nullptr, 10));
    }
}

// One line of the file (its line break removed).
void ParseLine(const char* line, ProxyConfig* config) {
    const char* begin = line;
    const char* end = line + std::strlen(line);
    while (end > begin && static_cast<unsigned char>(end[-1]) < 0x20) --end;
    Trim(begin, end);
    if (begin == end || *begin == '#') return;
    const char* colon = static_cast<const char*>(std::memchr(begin, ':', static_cast<size_t>(end - begin)));
    if (colon == nullptr) return;
    const std::string key(begin, colon);  // blanks before the colon belong to the key
    const char* valueBegin = colon + 1;
    const char* valueEnd =
        static_cast<const char*>(std::memchr(valueBegin, ':', static_cast<size_t>(end - valueBegin)));
    if (valueEnd == nullptr) valueEnd = end;
    Trim(valueBegin, valueEnd);
    if (valueBegin == valueEnd) return;
    ApplyLine(key, std::string(valueBegin, valueEnd), config);
}

int TryFile(const char* path, ProxyConfig* config) {
    const int result = read_proxy_config(path, config);
    if (result == 0) {
        BVSS_DebugPrint(L"Open %S success.\n", path);
    } else {
        BVSS_DebugPrint(L"Cannot open file: %S\n", path);
    }
    return result;
}

}  // namespace

int read_proxy_config(const char* path, ProxyConfig* config) {
    if (path == nullptr || *path == 0) return -1;
    FILE* file = platform::OpenFile(path, "r");
    if (file == nullptr) return -1;
    char line[kLineBytes];
    bool skippingRest = false;  // the rest of a line longer than the buffer
    while (std::fgets(line, sizeof line, file) != nullptr) {
        const size_t length = std::strlen(line);
        const bool whole = length > 0 && line[length - 1] == '\n';
        if (skippingRest) {
            skippingRest = !whole;
            continue;
        }
        if (!whole) {
            // A last line without a line break is not used; a line longer than the buffer is skipped.
            skippingRest = true;
            continue;
        }
        ParseLine(line, config);
    }
    std::fclose(file);
    return 0;
}

void get_config_path_from_registry(char* path, size_t size) {
    if (size == 0) return;
    path[0] = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProxyParametersKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        BVSS_DebugPrint(L"Could not open the registry key:%S\n", kProxyParametersKey);
        return;
    }
    DWORD type = REG_NONE;
    DWORD bytes = static_cast<DWORD>(size);
    if (RegQueryValueExA(key, "ConfigurationFile", nullptr, &type, reinterpret_cast<BYTE*>(path), &bytes) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        path[0] = 0;
        BVSS_DebugPrint(L"Could not get the registry key 'ConfigurationFile' value\n");
    }
    path[size - 1] = 0;
    RegCloseKey(key);
}

int find_proxy_config(ProxyConfig* config) {
    char directory[kPathBytes];
    const UINT length = GetSystemDirectoryA(directory, sizeof directory);
    std::string path = (length > 0 && length < sizeof directory ? std::string(directory) : std::string()) +
                       "\\" + proxy_config::kFileName;
    if (TryFile(path.c_str(), config) == 0) return 0;
    char registered[kPathBytes];
    get_config_path_from_registry(registered, sizeof registered);
    if (TryFile(registered, config) == 0) return 0;
    const UINT windowsLength = GetWindowsDirectoryA(directory, sizeof directory);
    path = (windowsLength > 0 && windowsLength < sizeof directory ? std::string(directory) : std::string()) +
           "\\SysWOW64\\" + proxy_config::kFileName;
    return TryFile(path.c_str(), config);
}
