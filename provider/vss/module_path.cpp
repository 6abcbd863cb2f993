#include "provider/vss/module_path.h"

#include "platform/system/module_library.h"

namespace {
constexpr DWORD kMaxModulePath = 4096;
}  // namespace

std::string ModulePath() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&ModulePath), &self))
        return {};
    char path[kMaxModulePath];
    const DWORD length = GetModuleFileNameA(self, path, kMaxModulePath);
    if (length == 0 || length >= kMaxModulePath) return {};
    return std::string(path, length);
}
