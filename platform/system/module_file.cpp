#include "platform/system/module_file.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <string>

#include "platform/files/machine_root.h"
#include "platform/kernel/last_error.h"

namespace {

constexpr DWORD kErrorInsufficientBuffer = 122;

// The file of a loaded module; the program's own handle has no name of its own.
std::string LoadedModulePath(HMODULE module) {
    struct link_map* map = nullptr;
    if (::dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr) return {};
    return map->l_name;
}

std::string ProgramPath() {
    char path[4096];
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    return std::string(path, static_cast<size_t>(n));
}

// "<root>/C/x/y" -> "C:\x\y"; other paths stay as they are.
std::string AsWindowsPath(const std::string& path) {
    const std::string root = platform::MachineRoot() + "/";
    if (path.compare(0, root.size(), root) != 0 || path.size() < root.size() + 2) return path;
    const char drive = path[root.size()];
    if (!std::isalpha(static_cast<unsigned char>(drive)) || path[root.size() + 1] != '/') return path;
    std::string windowsPath = std::string(1, drive) + ":" + path.substr(root.size() + 1);
    for (char& c : windowsPath) {
        if (c == '/') c = '\\';
    }
    return windowsPath;
}

}  // namespace

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
    if (fileName == nullptr || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string path = module != nullptr ? LoadedModulePath(module) : std::string();
    if (path.empty()) path = ProgramPath();
    if (path.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    const std::string windowsPath = AsWindowsPath(path);
    if (windowsPath.size() >= size) {
        std::memcpy(fileName, windowsPath.data(), size - 1);
        fileName[size - 1] = '\0';
        SetLastError(kErrorInsufficientBuffer);
        return size;
    }
    std::memcpy(fileName, windowsPath.c_str(), windowsPath.size() + 1);
    return static_cast<DWORD>(windowsPath.size());
}
