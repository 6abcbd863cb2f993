#include "platform/devices/unix_stream.h"

#include <sys/socket.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace platform::unix_stream {
namespace {

bool FillAddress(const std::string& path, sockaddr_un* address) {
    if (path.empty() || path.size() >= sizeof(address->sun_path)) {
        errno = ENAMETOOLONG;
        return false;
    }
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace

// The socket is bound and listening under a temporary name first, then renamed: its path appears only once
// a connect to it succeeds.
int Listen(const std::string& path) {
    const std::string staging = path + ".new";
    sockaddr_un address;
    if (!FillAddress(path, &address) || !FillAddress(staging, &address)) return -1;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    ::unlink(staging.c_str());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 16) != 0 || ::rename(staging.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(staging.c_str());
        errno = error;
        return -1;
    }
    return fd;
}

int Connect(const std::string& path) {
    sockaddr_un address;
    if (!FillAddress(path, &address)) return -1;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

int Accept(int listener) {
    for (;;) {
        int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0 || errno != EINTR) return fd;
    }
}

bool SendAll(int fd, const void* data, size_t length) { return SendAll(fd, {{data, length}}); }

bool SendAll(int fd, std::initializer_list<Fragment> fragments) {
    std::vector<iovec> left;
    for (const Fragment& fragment : fragments) {
        if (fragment.length > 0) left.push_back({const_cast<void*>(fragment.data), fragment.length});
    }
    size_t first = 0;
    while (first < left.size()) {
        msghdr message{};
        message.msg_iov = &left[first];
        message.msg_iovlen = left.size() - first;
        ssize_t sent = ::sendmsg(fd, &message, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        for (auto done = static_cast<size_t>(sent); done > 0;) {
            iovec& v = left[first];
            const size_t taken = done < v.iov_len ? done : v.iov_len;
            v.iov_base = static_cast<char*>(v.iov_base) + taken;
            v.iov_len -= taken;
            done -= taken;
            if (v.iov_len == 0) ++first;
        }
    }
    return true;
}

bool ReceiveAll(int fd, void* data, size_t length) {
    auto* bytes = static_cast<char*>(data);
    while (length > 0) {
        ssize_t got = ::recv(fd, bytes, length, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        bytes += got;
        length -= static_cast<size_t>(got);
    }
    return true;
}

void Shutdown(int fd) { ::shutdown(fd, SHUT_RDWR); }

void Close(int fd) { ::close(fd); }

void RemoveSocketFile(const std::string& path) { ::unlink(path.c_str()); }

}  // namespace platform::unix_stream
