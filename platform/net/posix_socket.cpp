#include "platform/net/posix_socket.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace platform::posix_socket {

namespace {
const sockaddr* AsAddress(const void* address) { return static_cast<const sockaddr*>(address); }

struct OptionName {
    Option option;
    int level;
    int name;
};
constexpr OptionName kOptionNames[] = {
    // clang-format off
    {Option::ReuseAddress, SOL_SOCKET, SO_REUSEADDR},
    {Option::NoDelay, IPPROTO_TCP, TCP_NODELAY},
    // clang-format on
};

struct PollBit {
    unsigned bit;
    short event;
};
constexpr PollBit kPollBits[] = {
    {kReadable, POLLIN}, {kWritable, POLLOUT}, {kFailed, POLLERR}, {kHungUp, POLLHUP}, {kInvalid, POLLNVAL},
};

short PollEvents(unsigned bits) {
    short events = 0;
    for (const PollBit& b : kPollBits) {
        if ((bits & b.bit) != 0) events = static_cast<short>(events | b.event);
    }
    return events;
}

unsigned PollBits(short events) {
    unsigned bits = 0;
    for (const PollBit& b : kPollBits) {
        if ((events & b.event) != 0) bits |= b.bit;
    }
    return bits;
}
}  // namespace

int Open(int family, int type, int protocol) { return ::socket(family, type | SOCK_CLOEXEC, protocol); }

int Bind(int fd, const void* address, int length) {
    return ::bind(fd, AsAddress(address), static_cast<socklen_t>(length));
}

int Listen(int fd, int backlog) { return ::listen(fd, backlog); }

int Accept(int fd) { return ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC); }

int Connect(int fd, const void* address, int length) {
    return ::connect(fd, AsAddress(address), static_cast<socklen_t>(length));
}

long Send(int fd, const void* data, long length, unsigned flags) {
    const int system = MSG_NOSIGNAL | ((flags & kSendMore) != 0 ? MSG_MORE : 0);
    return ::send(fd, data, static_cast<size_t>(length), system);
}

long SendTwo(int fd, const void* first, long firstLength, const void* second, long secondLength,
             unsigned flags) {
    iovec fragments[2] = {{const_cast<void*>(first), static_cast<size_t>(firstLength)},
                          {const_cast<void*>(second), static_cast<size_t>(secondLength)}};
    msghdr message{};
    message.msg_iov = fragments;
    message.msg_iovlen = 2;
    const int system = MSG_NOSIGNAL | ((flags & kSendMore) != 0 ? MSG_MORE : 0);
    return ::sendmsg(fd, &message, system);
}

long Receive(int fd, void* data, long length, int flags) {
    return ::recv(fd, data, static_cast<size_t>(length), flags);
}

int Shutdown(int fd, int how) { return ::shutdown(fd, how); }

int Close(int fd) { return ::close(fd); }

int GetAddress(int fd, int which, void* address, int* length) {
    socklen_t size = static_cast<socklen_t>(*length);
    sockaddr* target = static_cast<sockaddr*>(address);
    int result = which == 0 ? ::getsockname(fd, target, &size) : ::getpeername(fd, target, &size);
    if (result == 0) *length = static_cast<int>(size);
    return result;
}

int SetOption(int fd, Option option, int value) {
    for (const OptionName& entry : kOptionNames) {
        if (entry.option == option) return ::setsockopt(fd, entry.level, entry.name, &value, sizeof(value));
    }
    errno = ENOPROTOOPT;
    return -1;
}

int SetNonBlocking(int fd, bool on) {
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0) return -1;
    return ::fcntl(fd, F_SETFL, on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK));
}

int BytesReadable(int fd, uint32_t* count) {
    int waiting = 0;
    if (::ioctl(fd, FIONREAD, &waiting) != 0) return -1;
    *count = static_cast<uint32_t>(waiting);
    return 0;
}

int Poll(PollEntry* entries, unsigned count, int timeoutMs) {
    std::vector<pollfd> fds(count);
    for (unsigned i = 0; i < count; ++i) fds[i] = pollfd{entries[i].fd, PollEvents(entries[i].wanted), 0};
    const int result = ::poll(fds.data(), count, timeoutMs < 0 ? -1 : timeoutMs);
    if (result < 0) return -1;
    for (unsigned i = 0; i < count; ++i) entries[i].ready = PollBits(fds[i].revents);
    return result;
}

}  // namespace platform::posix_socket
