// Shared libraries loaded at run time: LoadLibraryA, GetProcAddress and FreeLibrary over the dynamic
// loader. The platform itself is mapped once per process, so a loaded library shares its clock, machine
// root and handle table with the program that loads it.
#pragma once

#include <string>

#include "platform/system/module_file.h"
#include "platform/win_types.h"

using FARPROC = void (*)();

constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_PROC_NOT_FOUND = 127;

// A Windows path maps under the machine root; a path starting with '/' is a path of this machine. Null
// with ERROR_MOD_NOT_FOUND when the library cannot be loaded.
HMODULE LoadLibraryA(LPCSTR fileName);
// The exported function, or null with ERROR_PROC_NOT_FOUND.
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT = 0x2;
constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS = 0x4;

// The module that contains an address (GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, the address passed as
// moduleName): how a library finds itself. The module gets a reference unless the flags say unchanged.
// Other lookups are not served (FALSE with ERROR_INVALID_PARAMETER).
BOOL GetModuleHandleExA(DWORD flags, LPCSTR moduleName, HMODULE* module);
// Drops one reference to the library; FALSE with ERROR_INVALID_HANDLE for null or a failed unload.
BOOL FreeLibrary(HMODULE module);

namespace platform {
// The file of the loaded module (the program or a library) that holds `address`, as GetModuleFileNameA
// names it; "" when no module holds the address or its path is too long.
std::string ModuleFileOf(const void* address);
}  // namespace platform
