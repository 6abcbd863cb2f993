#include "provider/controllers/registry_values.h"

#include <cstring>
#include <vector>

#include "platform/files/registry_wide.h"

bool ReadRegistryString(HKEY key, const WCHAR* name, WCHAR* destination, size_t capacity) {
    if (capacity == 0) return false;
    std::vector<WCHAR> text(capacity, 0);
    DWORD type = REG_NONE;
    DWORD size = static_cast<DWORD>(capacity * sizeof(WCHAR));
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return false;
    }
    // The value's characters, up to its own terminator; a text that fills the buffer without one is too long.
    const size_t characters = size / sizeof(WCHAR);
    size_t length = 0;
    while (length < characters && text[length] != 0) ++length;
    if (length >= capacity) return false;
    std::memcpy(destination, text.data(), length * sizeof(WCHAR));
    destination[length] = 0;
    return true;
}

RegistryDword ReadRegistryDword(HKEY key, const WCHAR* name, DWORD* destination) {
    BYTE data[8] = {};
    DWORD type = REG_NONE;
    DWORD size = sizeof data;
    const LONG result = RegQueryValueExW(key, name, nullptr, &type, data, &size);
    if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) return RegistryDword::Missing;
    if (type != REG_DWORD) return RegistryDword::WrongType;
    if (result != ERROR_SUCCESS || size != sizeof(DWORD)) return RegistryDword::WrongLength;
    std::memcpy(destination, data, sizeof(DWORD));
    return RegistryDword::Read;
}
