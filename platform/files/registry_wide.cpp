#include "platform/files/registry_wide.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

}  // namespace

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result) {
    const std::string narrow = platform::NarrowText(subKey);
    return RegOpenKeyExA(key, subKey != nullptr ? narrow.c_str() : nullptr, options, access, result);
}

LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize) {
    if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
    const std::string name = platform::NarrowText(valueName);
    DWORD storedType = REG_NONE;
    DWORD storedSize = 0;
    LONG result = RegQueryValueExA(key, name.c_str(), reserved, &storedType, nullptr, &storedSize);
    if (result != ERROR_SUCCESS) return result;
    std::vector<BYTE> stored(storedSize);
    result = RegQueryValueExA(key, name.c_str(), reserved, &storedType, stored.data(), &storedSize);
    if (result != ERROR_SUCCESS) return result;
    if (type != nullptr) *type = storedType;
    if (dataSize == nullptr) return ERROR_SUCCESS;
    const DWORD room = *dataSize;
    if (!IsStringType(storedType)) {
        *dataSize = storedSize;
        if (data == nullptr) return ERROR_SUCCESS;
        if (room < storedSize) return ERROR_MORE_DATA;
        std::memcpy(data, stored.data(), storedSize);
        return ERROR_SUCCESS;
    }
    *dataSize = storedSize * static_cast<DWORD>(sizeof(WCHAR));
    if (data == nullptr) return ERROR_SUCCESS;
    if (room < *dataSize) return ERROR_MORE_DATA;
    for (DWORD i = 0; i < storedSize; ++i) {
        const WCHAR c = static_cast<WCHAR>(stored[i]);
        std::memcpy(data + i * sizeof(WCHAR), &c, sizeof c);
    }
    return ERROR_SUCCESS;
}
