// Start and end of the use of Winsock by a program.
#pragma once

#include "platform/net/winsock.h"
#include "platform/win_types.h"

constexpr int WSAVERNOTSUPPORTED = 10092;

constexpr WORD MAKEWORD(BYTE low, BYTE high) { return static_cast<WORD>(low | (high << 8)); }

struct WSADATA {
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[257];
    char szSystemStatus[129];
};

// 0, with the version granted in data; sockets need no start on this platform, so every version from 1.1
// on is granted as asked.
int WSAStartup(WORD versionRequested, WSADATA* data);
int WSACleanup();
