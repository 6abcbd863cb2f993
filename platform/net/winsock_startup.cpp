#include "platform/net/winsock_startup.h"

#include <cstdio>

int WSAStartup(WORD versionRequested, WSADATA* data) {
    if (data == nullptr) return WSAEFAULT;
    const BYTE major = static_cast<BYTE>(versionRequested & 0xFF);
    const BYTE minor = static_cast<BYTE>(versionRequested >> 8);
    if (major < 1 || (major == 1 && minor < 1)) return WSAVERNOTSUPPORTED;
    data->wVersion = versionRequested;
    data->wHighVersion = MAKEWORD(2, 2);
    std::snprintf(data->szDescription, sizeof data->szDescription, "%s", "Sockets over POSIX");
    std::snprintf(data->szSystemStatus, sizeof data->szSystemStatus, "%s", "Running");
    return 0;
}

int WSACleanup() { return 0; }
