// The console: standard handles and text colours (ANSI colours when standard output is a terminal).
#pragma once

#include "platform/win_types.h"

constexpr DWORD STD_INPUT_HANDLE = static_cast<DWORD>(-10);
constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);
constexpr DWORD STD_ERROR_HANDLE = static_cast<DWORD>(-12);

HANDLE GetStdHandle(DWORD which);
// Succeeds only for a standard handle that is a console (a terminal); a redirected one fails with
// ERROR_INVALID_HANDLE, as it does on Windows.
BOOL GetConsoleMode(HANDLE console, DWORD* mode);
// Attribute bits: 1 blue, 2 green, 4 red, 8 intensity.
BOOL SetConsoleTextAttribute(HANDLE console, WORD attribute);
