#include "platform/system/module_library.h"

#include <dlfcn.h>
#include <limits.h>
#include <sys/stat.h>

#include <string>

#include "platform/files/machine_root.h"
#include "platform/kernel/last_error.h"

namespace {

bool IsProgramFile(const char* path) {
    struct stat file {};
    struct stat program {};
    return ::stat(path, &file) == 0 && ::stat("/proc/self/exe", &program) == 0 &&
           file.st_dev == program.st_dev && file.st_ino == program.st_ino;
}

}  // namespace

HMODULE LoadLibraryA(LPCSTR fileName) {
    if (fileName == nullptr || *fileName == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::string path = platform::MapPath(fileName);
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return static_cast<HMODULE>(module);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
    if (module == nullptr || procName == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    void* symbol = ::dlsym(module, procName);
    if (symbol == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL GetModuleHandleExA(DWORD flags, LPCSTR moduleName, HMODULE* module) {
    if (module == nullptr || (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) == 0 || moduleName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *module = nullptr;
    Dl_info info{};
    if (::dladdr(moduleName, &info) == 0 || info.dli_fname == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    // The program itself is known to the loader without a name.
    void* handle = IsProgramFile(info.dli_fname) ? ::dlopen(nullptr, RTLD_LAZY)
                                                 : ::dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
    if (handle == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    if ((flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT) != 0) ::dlclose(handle);
    *module = static_cast<HMODULE>(handle);
    return TRUE;
}

BOOL FreeLibrary(HMODULE module) {
    if (module == nullptr || ::dlclose(module) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

namespace platform {

std::string ModuleFileOf(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            static_cast<LPCSTR>(address), &module))
        return {};
    char file[PATH_MAX];
    const DWORD length = GetModuleFileNameA(module, file, sizeof file);
    return length == 0 || length >= sizeof file ? std::string() : std::string(file, length);
}

}  // namespace platform
