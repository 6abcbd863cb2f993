#include "platform/console.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>

HANDLE GetStdHandle(DWORD which) {
    switch (which) {
        case STD_INPUT_HANDLE: return reinterpret_cast<HANDLE>(static_cast<intptr_t>(0x10));
        case STD_OUTPUT_HANDLE: return reinterpret_cast<HANDLE>(static_cast<intptr_t>(0x11));
        case STD_ERROR_HANDLE: return reinterpret_cast<HANDLE>(static_cast<intptr_t>(0x12));
        default: return INVALID_HANDLE_VALUE;
    }
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
