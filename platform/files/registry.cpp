#include "platform/files/registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/files/machine_root.h"
#include "platform/files/replace_file.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"

namespace {

constexpr size_t kMaxValueSize = 1 << 20;  // larger value files are refused as damaged

class RegistryKey final : public platform::Object {
  public:
    explicit RegistryKey(std::string dir) : dir(std::move(dir)) {}
    std::string dir;
};

// A key or value name as one file name: '%' and '/' are escaped, so is a leading '.'.
std::string EncodeName(const std::string& name) {
    if (name.empty()) return "%@";  // the key's default value
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (c == '%' || c == '/' || (i == 0 && c == '.')) {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", static_cast<unsigned char>(c));
            out += buf;
        } else {
            out += c;
        }
    }
    return out;
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The directory of a key: the base key's directory and the subkey path, split at backslashes.
bool KeyDirectory(HKEY key, LPCSTR subKey, std::string* dir) {
    if (key == HKEY_LOCAL_MACHINE) {
        *dir = platform::MachineRoot() + "/registry/HKLM";
    } else if (key == HKEY_CLASSES_ROOT) {
        *dir = platform::MachineRoot() + "/registry/HKLM/SOFTWARE/Classes";
    } else {
        auto open = platform::LookupHandleAs<RegistryKey>(reinterpret_cast<HANDLE>(key));
        if (!open) return false;
        *dir = open->dir;
    }
    if (subKey == nullptr) return true;
    std::string part;
    for (const char* p = subKey;; ++p) {
        if (*p == '\\' || *p == '\0') {
            if (!part.empty()) dir->append("/").append(EncodeName(part));
            part.clear();
            if (*p == '\0') break;
        } else {
            part += *p;
        }
    }
    return true;
}

LONG OpenResult(const std::string& dir, PHKEY result) {
    HANDLE h = platform::NewHandle(std::make_shared<RegistryKey>(dir));
    *result = reinterpret_cast<HKEY>(h);
    return ERROR_SUCCESS;
}

std::string ValuePath(const std::string& dir, LPCSTR valueName) {
    return dir + "/" + EncodeName(valueName != nullptr ? valueName : "");
}

}  // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    std::string dir;
    if (!KeyDirectory(key, subKey, &dir)) return ERROR_INVALID_HANDLE;
    if (!IsDirectory(dir)) return ERROR_FILE_NOT_FOUND;
    return OpenResult(dir, result);
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES,
                     PHKEY result, LPDWORD disposition) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    std::string dir;
    if (!KeyDirectory(key, subKey, &dir)) return ERROR_INVALID_HANDLE;
    bool existed = IsDirectory(dir);
    if (!existed && !platform::MakeDirectories(dir)) return ERROR_ACCESS_DENIED;
    if (disposition != nullptr) *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    return OpenResult(dir, result);
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
    std::string dir;
    if (!KeyDirectory(key, nullptr, &dir)) return ERROR_INVALID_HANDLE;
    FILE* f = std::fopen(ValuePath(dir, valueName).c_str(), "rb");
    if (f == nullptr) return ERROR_FILE_NOT_FOUND;
    struct stat st {};
    if (::fstat(fileno(f), &st) != 0 || st.st_size < 4 ||
        static_cast<size_t>(st.st_size) > 4 + kMaxValueSize) {
        std::fclose(f);
        return ERROR_FILE_NOT_FOUND;  // damaged value file
    }
    std::vector<unsigned char> content(static_cast<size_t>(st.st_size));
    size_t n = std::fread(content.data(), 1, content.size(), f);
    std::fclose(f);
    if (n != content.size()) return ERROR_FILE_NOT_FOUND;
    DWORD storedType = static_cast<DWORD>(content[0]) | static_cast<DWORD>(content[1]) << 8 |
                       static_cast<DWORD>(content[2]) << 16 | static_cast<DWORD>(content[3]) << 24;
    DWORD storedSize = static_cast<DWORD>(n - 4);
    if (type != nullptr) *type = storedType;
    if (dataSize == nullptr) return ERROR_SUCCESS;
    DWORD room = *dataSize;
    *dataSize = storedSize;
    if (data == nullptr) return ERROR_SUCCESS;
    if (room < storedSize) return ERROR_MORE_DATA;
    std::memcpy(data, content.data() + 4, storedSize);
    return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize) {
    if (dataSize > kMaxValueSize || (data == nullptr && dataSize != 0)) return ERROR_INVALID_PARAMETER;
    std::string dir;
    if (!KeyDirectory(key, nullptr, &dir)) return ERROR_INVALID_HANDLE;
    if (!IsDirectory(dir)) return ERROR_KEY_DELETED;
    std::vector<unsigned char> content(4 + dataSize);
    for (int i = 0; i < 4; ++i) content[static_cast<size_t>(i)] = static_cast<unsigned char>(type >> (8 * i));
    if (dataSize != 0) std::memcpy(content.data() + 4, data, dataSize);
    // Written whole beside the old value, flushed and renamed over it: a crash leaves the old or the new
    // value.
    if (!platform::ReplaceFileAt(ValuePath(dir, valueName), content.data(), content.size(),
                                 platform::ReplacedAccess::KeepOrShared)) {
        return ERROR_ACCESS_DENIED;
    }
    return ERROR_SUCCESS;
}

LONG RegDeleteValueA(HKEY key, LPCSTR valueName) {
    std::string dir;
    if (!KeyDirectory(key, nullptr, &dir)) return ERROR_INVALID_HANDLE;
    std::string path = ValuePath(dir, valueName);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return ERROR_FILE_NOT_FOUND;
    return std::remove(path.c_str()) == 0 ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    if (subKey == nullptr || *subKey == '\0') return ERROR_INVALID_PARAMETER;
    std::string dir;
    if (!KeyDirectory(key, subKey, &dir)) return ERROR_INVALID_HANDLE;
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return ERROR_FILE_NOT_FOUND;
    std::vector<std::string> values;
    bool hasSubkeys = false;
    while (struct dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (IsDirectory(dir + "/" + name)) {
            hasSubkeys = true;
        } else {
            values.push_back(name);
        }
    }
    ::closedir(d);
    if (hasSubkeys) return ERROR_ACCESS_DENIED;
    for (const std::string& v : values) std::remove((dir + "/" + v).c_str());
    return ::rmdir(dir.c_str()) == 0 ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

namespace {

// Removes what a key's directory holds (values and subkeys, depth first; a link is removed, never
// followed); false when something stays.
bool EmptyKeyDirectory(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return false;
    std::vector<std::string> names;
    while (struct dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
    bool emptied = true;
    for (const std::string& name : names) {
        const std::string path = dir + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            emptied = EmptyKeyDirectory(path) && ::rmdir(path.c_str()) == 0 && emptied;
        } else {
            emptied = std::remove(path.c_str()) == 0 && emptied;
        }
    }
    return emptied;
}

}  // namespace

LONG RegDeleteTreeA(HKEY key, LPCSTR subKey) {
    std::string dir;
    if (!KeyDirectory(key, subKey, &dir)) return ERROR_INVALID_HANDLE;
    if (!IsDirectory(dir)) return ERROR_FILE_NOT_FOUND;
    if (!EmptyKeyDirectory(dir)) return ERROR_ACCESS_DENIED;
    if (subKey == nullptr || *subKey == '\0') return ERROR_SUCCESS;
    return ::rmdir(dir.c_str()) == 0 ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LONG RegCloseKey(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE || key == HKEY_CLASSES_ROOT) return ERROR_SUCCESS;
    return CloseHandle(reinterpret_cast<HANDLE>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
