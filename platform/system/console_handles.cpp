#include "platform/system/console_handles.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "platform/kernel/last_error.h"

HANDLE GetStdHandle(DWORD which) {
    switch (which) {
        case STD_INPUT_HANDLE: return reinterpret_cast<HANDLE>(static_cast<intptr_t>(0x10));
        case STD_OUTPUT_HANDLE: return reinterpret_cast<HANDLE>(static_cast<intptr_t>(0x11));
        case STD_ERROR_HANDLE: return reinterpret_cast<HANDLE>(static_cast<intptr_t>(0x12));
        default: return INVALID_HANDLE_VALUE;
    }
}

BOOL GetConsoleMode(HANDLE console, DWORD* mode) {
    int fd = -1;
    DWORD consoleMode = 0;
    if (console == GetStdHandle(STD_INPUT_HANDLE)) {
        fd = STDIN_FILENO;
        consoleMode = 0x7;  // processed, line and echo input
    } else if (console == GetStdHandle(STD_OUTPUT_HANDLE) || console == GetStdHandle(STD_ERROR_HANDLE)) {
        fd = console == GetStdHandle(STD_OUTPUT_HANDLE) ? STDOUT_FILENO : STDERR_FILENO;
        consoleMode = 0x3;  // processed output, wrap at the end of a line
    }
    if (fd < 0 || !::isatty(fd)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (mode != nullptr) *mode = consoleMode;
    return TRUE;
}

BOOL SetConsoleTextAttribute(HANDLE console, WORD attribute) {
    if (console != GetStdHandle(STD_OUTPUT_HANDLE)) return FALSE;
    if (!::isatty(STDOUT_FILENO)) return TRUE;
    // Windows colour bits are blue, green, red; ANSI numbers them red, green, blue.
    int ansi = ((attribute & 4) ? 1 : 0) | ((attribute & 2) ? 2 : 0) | ((attribute & 1) ? 4 : 0);
    std::printf("\033[%d;%dm", (attribute & 8) ? 1 : 0, 30 + ansi);
    std::fflush(stdout);
    return TRUE;
}
