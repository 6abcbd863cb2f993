#include "tools/vss_standin/registry_text.h"

#include <cstring>

namespace standin {

namespace {
constexpr DWORD kMaxTextBytes = 1024;
}  // namespace

std::string RegistryText(HKEY root, const std::string& key, const char* name) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return {};
    char value[kMaxTextBytes] = {};
    DWORD type = 0;
    DWORD size = sizeof value - 1;
    const LONG status = RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(handle);
    if (status != ERROR_SUCCESS || type != REG_SZ) return {};
    return std::string(value, strnlen(value, size));
}

bool RegistryKeyExists(HKEY root, const std::string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
}

}  // namespace standin
