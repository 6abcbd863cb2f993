#include "loopback_ports.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>

namespace servertest {
namespace {

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

}  // namespace

int ListeningSocket(uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(port);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 4) != 0) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    return fd;
}

uint16_t PortOf(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
    return ntohs(address.sin_port);
}

std::vector<int> ConsecutivePorts(int count) {
    // Below the range the system hands out for outgoing connections (from 32768 on Linux), so that a
    // port the test closes again to let the server bind it is not taken meanwhile by some other
    // process's connection. Other tests that bind ports of their own start elsewhere.
    constexpr uint32_t kLowest = 10000, kHighest = 32000;
    static std::atomic<uint32_t> next{kLowest +
                                      (static_cast<uint32_t>(::getpid()) * 97u) % (kHighest - kLowest)};
    for (int attempt = 0; attempt < 200; ++attempt) {
        const uint32_t first =
            kLowest + (next.fetch_add(static_cast<uint32_t>(count) + 7u) - kLowest) % (kHighest - kLowest);
        std::vector<int> fds;
        while (static_cast<int>(fds.size()) < count) {
            int fd = ListeningSocket(static_cast<uint16_t>(first + fds.size()));
            if (fd < 0) break;
            fds.push_back(fd);
        }
        if (static_cast<int>(fds.size()) == count) return fds;
        for (int fd : fds) ::close(fd);
    }
    return {};
}

uint16_t FreePort() {
    std::vector<int> fds = ConsecutivePorts(1);
    if (fds.empty()) return 0;
    const uint16_t port = PortOf(fds[0]);
    ::close(fds[0]);
    return port;
}

int ConnectTo(uint16_t port, const char* ipv4) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(port);
    if (::inet_pton(AF_INET, ipv4, &address.sin_addr) != 1) {
        ::close(fd);
        return -1;
    }
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    return fd;
}

int AcceptWithin(int listening, int waitMs) {
    pollfd waiting{listening, POLLIN, 0};
    if (::poll(&waiting, 1, waitMs) != 1) return -1;
    return ::accept(listening, nullptr, nullptr);
}

void CloseSocket(int fd) {
    if (fd >= 0) ::close(fd);
}

}  // namespace servertest
