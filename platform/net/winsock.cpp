#include "platform/net/winsock.h"

#include <cerrno>
#include <climits>
#include <vector>

#include "platform/kernel/last_error.h"
#include "platform/net/posix_socket.h"
#include "platform/net/send_gather.h"
#include "platform/time/clock.h"

namespace ps = platform::posix_socket;

namespace {

struct ErrnoToWsa {
    int err;
    int wsa;
};
constexpr ErrnoToWsa kErrnoToWsa[] = {
    // clang-format off
    {EINTR, WSAEINTR},
    {EACCES, WSAEACCES},
    {EPERM, WSAEACCES},
    {EFAULT, WSAEFAULT},
    {EINVAL, WSAEINVAL},
    {EMFILE, WSAEMFILE},
    {ENFILE, WSAEMFILE},
    {EAGAIN, WSAEWOULDBLOCK},
    {EINPROGRESS, WSAEINPROGRESS},
    {EALREADY, WSAEALREADY},
    {EBADF, WSAENOTSOCK},
    {ENOTSOCK, WSAENOTSOCK},
    {EMSGSIZE, WSAEMSGSIZE},
    {ENOPROTOOPT, WSAENOPROTOOPT},
    {EPROTONOSUPPORT, WSAEPROTONOSUPPORT},
    {EOPNOTSUPP, WSAEOPNOTSUPP},
    {EAFNOSUPPORT, WSAEAFNOSUPPORT},
    {EADDRINUSE, WSAEADDRINUSE},
    {EADDRNOTAVAIL, WSAEADDRNOTAVAIL},
    {ENETDOWN, WSAENETDOWN},
    {ENETUNREACH, WSAENETUNREACH},
    {ECONNABORTED, WSAECONNABORTED},
    {ECONNRESET, WSAECONNRESET},
    {EPIPE, WSAECONNRESET},
    {ENOBUFS, WSAENOBUFS},
    {ENOMEM, WSAENOBUFS},
    {EISCONN, WSAEISCONN},
    {ENOTCONN, WSAENOTCONN},
    {ESHUTDOWN, WSAESHUTDOWN},
    {ETIMEDOUT, WSAETIMEDOUT},
    {ECONNREFUSED, WSAECONNREFUSED},
    {EHOSTUNREACH, WSAEHOSTUNREACH},
    // clang-format on
};

int WsaFromErrno(int err) {
    for (const ErrnoToWsa& entry : kErrnoToWsa) {
        if (entry.err == err) return entry.wsa;
    }
    return WSASYSCALLFAILURE;
}

// Stores the Winsock error for the failed system call and gives back the call's failure value.
template <typename T>
T Failed(T result, int wsaError) {
    WSASetLastError(wsaError);
    return result;
}

int Checked(long result) {
    if (result < 0) return Failed(SOCKET_ERROR, WsaFromErrno(errno));
    return static_cast<int>(result);
}

// A handle names a descriptor; anything else is not a socket.
bool ToDescriptor(SOCKET s, int* fd) {
    if (s == INVALID_SOCKET || s > static_cast<SOCKET>(INT_MAX)) return false;
    *fd = static_cast<int>(s);
    return true;
}

// Runs call(fd) for a valid handle; a handle that names no descriptor fails with WSAENOTSOCK.
template <typename Call>
int WithDescriptor(SOCKET s, Call call) {
    int fd = -1;
    if (!ToDescriptor(s, &fd)) return Failed(SOCKET_ERROR, WSAENOTSOCK);
    return call(fd);
}

bool ValidAddress(const sockaddr* name, int namelen) {
    return name != nullptr && namelen >= static_cast<int>(sizeof(sockaddr_in));
}

int GetAddress(SOCKET s, int which, sockaddr* name, int* namelen) {
    return WithDescriptor(s, [&](int fd) {
        if (namelen == nullptr || !ValidAddress(name, *namelen)) return Failed(SOCKET_ERROR, WSAEFAULT);
        return Checked(ps::GetAddress(fd, which, name, namelen));
    });
}

bool ValidBuffer(const void* buffer, int length) { return length >= 0 && (buffer != nullptr || length == 0); }

struct SocketOption {
    int level;
    int name;
    ps::Option option;
};
constexpr SocketOption kSocketOptions[] = {
    // clang-format off
    {SOL_SOCKET, SO_REUSEADDR, ps::Option::ReuseAddress},
    {IPPROTO_TCP, TCP_NODELAY, ps::Option::NoDelay},
    // clang-format on
};

const SocketOption* FindOption(int level, int name) {
    for (const SocketOption& entry : kSocketOptions) {
        if (entry.level == level && entry.name == name) return &entry;
    }
    return nullptr;
}

struct PollEvent {
    int16_t windows;
    unsigned system;
};
constexpr PollEvent kPollEvents[] = {
    // clang-format off
    {POLLRDNORM, ps::kReadable}, {POLLWRNORM, ps::kWritable}, {POLLERR, ps::kFailed},
    {POLLHUP, ps::kHungUp},      {POLLNVAL, ps::kInvalid},
    // clang-format on
};

unsigned SystemPollBits(int16_t events) {
    unsigned bits = 0;
    for (const PollEvent& e : kPollEvents) {
        if ((events & e.windows) != 0) bits |= e.system;
    }
    return bits & (ps::kReadable | ps::kWritable);  // the others are results only
}

int16_t WindowsPollEvents(unsigned bits) {
    int16_t events = 0;
    for (const PollEvent& e : kPollEvents) {
        if ((bits & e.system) != 0) events = static_cast<int16_t>(events | e.windows);
    }
    return events;
}

}  // namespace

SOCKET socket(int af, int type, int protocol) {
    int fd = ps::Open(af, type, protocol);
    if (fd < 0) return Failed(INVALID_SOCKET, WsaFromErrno(errno));
    return static_cast<SOCKET>(fd);
}

int bind(SOCKET s, const sockaddr* name, int namelen) {
    return WithDescriptor(s, [&](int fd) {
        if (!ValidAddress(name, namelen)) return Failed(SOCKET_ERROR, WSAEFAULT);
        return Checked(ps::Bind(fd, name, static_cast<int>(sizeof(sockaddr_in))));
    });
}

int listen(SOCKET s, int backlog) {
    return WithDescriptor(s, [&](int fd) { return Checked(ps::Listen(fd, backlog)); });
}

SOCKET accept(SOCKET s, sockaddr* addr, int* addrlen) {
    int fd = -1;
    if (!ToDescriptor(s, &fd)) return Failed(INVALID_SOCKET, WSAENOTSOCK);
    int client = ps::Accept(fd);
    if (client < 0) return Failed(INVALID_SOCKET, WsaFromErrno(errno));
    if (addr != nullptr && addrlen != nullptr) ps::GetAddress(client, 1, addr, addrlen);
    return static_cast<SOCKET>(client);
}

int connect(SOCKET s, const sockaddr* name, int namelen) {
    return WithDescriptor(s, [&](int fd) {
        if (!ValidAddress(name, namelen)) return Failed(SOCKET_ERROR, WSAEFAULT);
        if (ps::Connect(fd, name, static_cast<int>(sizeof(sockaddr_in))) == 0) return 0;
        // A non-blocking connect that has started is reported as "would block", as Winsock does.
        int err = errno;
        return Failed(SOCKET_ERROR, err == EINPROGRESS ? WSAEWOULDBLOCK : WsaFromErrno(err));
    });
}

int send(SOCKET s, const char* buf, int len, int flags) {
    return WithDescriptor(s, [&](int fd) {
        if (!ValidBuffer(buf, len)) return Failed(SOCKET_ERROR, WSAEFAULT);
        if ((flags & ~MSG_PARTIAL) != 0) return Failed(SOCKET_ERROR, WSAEOPNOTSUPP);
        return Checked(platform::send_gather::Send(fd, buf, len, (flags & MSG_PARTIAL) != 0));
    });
}

int recv(SOCKET s, char* buf, int len, int flags) {
    return WithDescriptor(s, [&](int fd) {
        if (!ValidBuffer(buf, len)) return Failed(SOCKET_ERROR, WSAEFAULT);
        return Checked(ps::Receive(fd, buf, len, flags));
    });
}

int shutdown(SOCKET s, int how) {
    return WithDescriptor(s, [&](int fd) {
        if (how < SD_RECEIVE || how > SD_BOTH) return Failed(SOCKET_ERROR, WSAEINVAL);
        return Checked(ps::Shutdown(fd, how));
    });
}

int closesocket(SOCKET s) {
    return WithDescriptor(s, [&](int fd) {
        platform::send_gather::Forget(fd);
        return Checked(ps::Close(fd));
    });
}

int getsockname(SOCKET s, sockaddr* name, int* namelen) { return GetAddress(s, 0, name, namelen); }

int getpeername(SOCKET s, sockaddr* name, int* namelen) { return GetAddress(s, 1, name, namelen); }

int setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen) {
    return WithDescriptor(s, [&](int fd) {
        const SocketOption* option = FindOption(level, optname);
        if (option == nullptr) return Failed(SOCKET_ERROR, WSAENOPROTOOPT);
        if (optval == nullptr || optlen < static_cast<int>(sizeof(BOOL)))
            return Failed(SOCKET_ERROR, WSAEFAULT);
        BOOL value = 0;
        for (size_t i = 0; i < sizeof(value); ++i) reinterpret_cast<char*>(&value)[i] = optval[i];
        return Checked(ps::SetOption(fd, option->option, value != 0 ? 1 : 0));
    });
}

int ioctlsocket(SOCKET s, LONG cmd, ULONG* argp) {
    return WithDescriptor(s, [&](int fd) {
        if (argp == nullptr) return Failed(SOCKET_ERROR, WSAEFAULT);
        switch (cmd) {
            case FIONBIO: return Checked(ps::SetNonBlocking(fd, *argp != 0));
            case FIONREAD: return Checked(ps::BytesReadable(fd, argp));
            default: return Failed(SOCKET_ERROR, WSAEINVAL);
        }
    });
}

int WSAPoll(WSAPOLLFD* fdArray, ULONG fds, int timeout) {
    if (fdArray == nullptr || fds == 0) return Failed(SOCKET_ERROR, WSAEINVAL);
    std::vector<ps::PollEntry> entries(fds);
    for (ULONG i = 0; i < fds; ++i) {
        int fd = -1;
        if (fdArray[i].fd != INVALID_SOCKET && !ToDescriptor(fdArray[i].fd, &fd))
            fd = INT_MAX;  // reports POLLNVAL
        entries[i] = ps::PollEntry{fd, SystemPollBits(fdArray[i].events), 0};
    }
    int result;
    {
        // Time may pass while the thread waits for a peer (time/clock.h).
        platform::BlockedOutsideClock waiting;
        result = ps::Poll(entries.data(), fds, timeout);
    }
    if (result < 0) return Failed(SOCKET_ERROR, WsaFromErrno(errno));
    for (ULONG i = 0; i < fds; ++i) fdArray[i].revents = WindowsPollEvents(entries[i].ready);
    return result;
}

int WSAGetLastError() { return static_cast<int>(GetLastError()); }

void WSASetLastError(int error) { SetLastError(static_cast<DWORD>(error)); }
