// The path of the running program.
#pragma once

#include "platform/win_types.h"

struct HINSTANCE__;
using HMODULE = HINSTANCE__*;

// The path of a loaded module (a library of LoadLibraryA or GetModuleHandleExA), or of the program when
// module is null: a Windows path when the file lies under the machine root ("<root>/C/x/y" -> "C:\x\y"),
// else the path of this machine. Returns its length; a buffer that is too small gets the path cut to
// size - 1 characters and ERROR_INSUFFICIENT_BUFFER; 0 on failure.
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
