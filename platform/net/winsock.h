// The Winsock subset the TCP server uses: stream sockets over IPv4 with the Windows types, constants and
// error codes (WSAGetLastError). Do not include this together with the system's own socket headers.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

using SOCKET = uintptr_t;

constexpr SOCKET INVALID_SOCKET = ~static_cast<SOCKET>(0);
constexpr int SOCKET_ERROR = -1;

constexpr int AF_INET = 2;
constexpr int SOCK_STREAM = 1;
constexpr int IPPROTO_TCP = 6;
constexpr int SOL_SOCKET = 0xFFFF;
constexpr int SO_REUSEADDR = 0x0004;
constexpr int TCP_NODELAY = 0x0001;  // level IPPROTO_TCP
constexpr int SOMAXCONN = 0x7FFFFFFF;

constexpr ULONG INADDR_ANY = 0x00000000;
constexpr ULONG INADDR_LOOPBACK = 0x7F000001;  // host order

// ioctlsocket commands
constexpr LONG FIONBIO = static_cast<LONG>(0x8004667Eu);
constexpr LONG FIONREAD = static_cast<LONG>(0x4004667Fu);

// send flags: the buffer is part of a message whose rest follows in the next send, so the stack may hold
// it back and join it with what follows (here up to 256 KiB are gathered; the message's last fragment, sent
// without the flag, is accepted only once everything before it has gone out)
constexpr int MSG_PARTIAL = 0x8000;

// WSAPoll events (requested) and results
constexpr int16_t POLLRDNORM = 0x0100;
constexpr int16_t POLLWRNORM = 0x0010;
constexpr int16_t POLLERR = 0x0001;
constexpr int16_t POLLHUP = 0x0002;
constexpr int16_t POLLNVAL = 0x0004;

struct WSAPOLLFD {
    SOCKET fd;  // INVALID_SOCKET: the entry is skipped
    int16_t events;
    int16_t revents;
};

// shutdown directions
constexpr int SD_RECEIVE = 0;
constexpr int SD_SEND = 1;
constexpr int SD_BOTH = 2;

// WSAGetLastError values
constexpr int WSAEINTR = 10004;
constexpr int WSAEBADF = 10009;
constexpr int WSAEACCES = 10013;
constexpr int WSAEFAULT = 10014;
constexpr int WSAEINVAL = 10022;
constexpr int WSAEMFILE = 10024;
constexpr int WSAEWOULDBLOCK = 10035;
constexpr int WSAEINPROGRESS = 10036;
constexpr int WSAEALREADY = 10037;
constexpr int WSAENOTSOCK = 10038;
constexpr int WSAEMSGSIZE = 10040;
constexpr int WSAENOPROTOOPT = 10042;
constexpr int WSAEPROTONOSUPPORT = 10043;
constexpr int WSAEOPNOTSUPP = 10045;
constexpr int WSAEAFNOSUPPORT = 10047;
constexpr int WSAEADDRINUSE = 10048;
constexpr int WSAEADDRNOTAVAIL = 10049;
constexpr int WSAENETDOWN = 10050;
constexpr int WSAENETUNREACH = 10051;
constexpr int WSAECONNABORTED = 10053;
constexpr int WSAECONNRESET = 10054;
constexpr int WSAENOBUFS = 10055;
constexpr int WSAEISCONN = 10056;
constexpr int WSAENOTCONN = 10057;
constexpr int WSAESHUTDOWN = 10058;
constexpr int WSAETIMEDOUT = 10060;
constexpr int WSAECONNREFUSED = 10061;
constexpr int WSAEHOSTUNREACH = 10065;
constexpr int WSASYSCALLFAILURE = 10107;

struct in_addr {
    ULONG s_addr;  // network order
};

struct sockaddr {
    WORD sa_family;
    char sa_data[14];
};

struct sockaddr_in {
    short sin_family;
    WORD sin_port;  // network order
    in_addr sin_addr;
    char sin_zero[8];
};
static_assert(sizeof(sockaddr) == 16 && sizeof(sockaddr_in) == 16, "socket addresses are 16 bytes");

SOCKET socket(int af, int type, int protocol);
int bind(SOCKET s, const sockaddr* name, int namelen);
int listen(SOCKET s, int backlog);
SOCKET accept(SOCKET s, sockaddr* addr, int* addrlen);
int connect(SOCKET s, const sockaddr* name, int namelen);
// Never raises a signal when the peer has gone; the failure is reported as an error. Flags: 0 or
// MSG_PARTIAL (any other gives WSAEOPNOTSUPP).
int send(SOCKET s, const char* buf, int len, int flags);
int recv(SOCKET s, char* buf, int len, int flags);
int shutdown(SOCKET s, int how);
int closesocket(SOCKET s);
int getsockname(SOCKET s, sockaddr* name, int* namelen);
int getpeername(SOCKET s, sockaddr* name, int* namelen);
// Supports SOL_SOCKET / SO_REUSEADDR and IPPROTO_TCP / TCP_NODELAY (a BOOL each).
int setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen);
// Supports FIONBIO and FIONREAD.
int ioctlsocket(SOCKET s, LONG cmd, ULONG* argp);

// Waits up to timeout ms (negative: without limit) until one of the sockets is ready as asked; the number
// of entries with results, 0 when the time ran out, SOCKET_ERROR on failure.
int WSAPoll(WSAPOLLFD* fdArray, ULONG fds, int timeout);

int WSAGetLastError();
void WSASetLastError(int error);
