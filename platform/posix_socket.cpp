#include "platform/posix_socket.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace platform::posix_socket {

namespace {
const sockaddr* AsAddress(const void* address) {
    return static_cast<const sockaddr*>(address);
}
}  // namespace

int Open(int family, int type, int protocol) {
    return ::socket(family, type | SOCK_CLOEXEC, protocol);
}

int Bind(int fd, const void* address, int length) {
    return ::bind(fd, AsAddress(address), static_cast<socklen_t>(length));
}

int Listen(int fd, int backlog) {
    return ::listen(fd, backlog);
}

int Accept(int fd) {
    return ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
}

int Connect(int fd, const void* address, int length) {
    return ::connect(fd, AsAddress(address), static_cast<socklen_t>(length));
}

long Send(int fd, const void* data, long length, int flags) {
    return ::send(fd, data, static_cast<size_t>(length), flags | MSG_NOSIGNAL);
}

long Receive(int fd, void* data, long length, int flags) {
    return ::recv(fd, data, static_cast<size_t>(length), flags);
}

int Shutdown(int fd, int how) {
    return ::shutdown(fd, how);
}

int Close(int fd) {
    return ::close(fd);
}

int GetAddress(int fd, int which, void* address, int* length) {
    socklen_t size = static_cast<socklen_t>(*length);
    sockaddr* target = static_cast<sockaddr*>(address);
    int result = which == 0 ? ::getsockname(fd, target, &size) : ::getpeername(fd, target, &size);
    if (result == 0) *length = static_cast<int>(size);
    return result;
}

int SetReuseAddress(int fd, int value) {
    return ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &value, sizeof(value));
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

}  // namespace platform::posix_socket
