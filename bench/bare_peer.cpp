#include "bench/bare_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>

#include "corlink/proxy_protocol/proxy_header.h"

namespace bench {

namespace {

bool ReadExactly(int fd, uint8_t* bytes, size_t length) {
    while (length > 0) {
        const ssize_t n = ::recv(fd, bytes, length, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

bool WriteAll(int fd, iovec* parts, int count) {
    while (count > 0) {
        ssize_t n = ::writev(fd, parts, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        while (count > 0 && static_cast<size_t>(n) >= parts->iov_len) {
            n -= static_cast<ssize_t>(parts->iov_len);
            ++parts;
            --count;
        }
        if (count > 0) {
            parts->iov_base = static_cast<uint8_t*>(parts->iov_base) + n;
            parts->iov_len -= static_cast<size_t>(n);
        }
    }
    return true;
}

}  // namespace

BarePeer::BarePeer(uint32_t replyLength) : replyLength_(replyLength) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 128) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return;
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

BarePeer::~BarePeer() {
    stopping_ = true;
    if (listener_ >= 0) ::shutdown(listener_, SHUT_RDWR);
    if (acceptor_.joinable()) acceptor_.join();
    {
        std::lock_guard<std::mutex> g(lock_);
        for (int fd : fds_) ::shutdown(fd, SHUT_RDWR);
    }
    for (std::thread& t : connections_) t.join();
    for (int fd : fds_) ::close(fd);
    if (listener_ >= 0) ::close(listener_);
}

void BarePeer::AcceptLoop() {
    while (!stopping_) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return;
        }
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::lock_guard<std::mutex> g(lock_);
        fds_.push_back(fd);
        connections_.emplace_back([this, fd] { Serve(fd); });
    }
}

void BarePeer::Serve(int fd) {
    std::vector<uint8_t> request;
    std::vector<uint8_t> reply(replyLength_, 0x5A);
    uint8_t header[PROXY_HEADER_LENGTH];
    while (ReadExactly(fd, header, sizeof header)) {
        PROXY_MSG_HEADER h = DecodeProxyHeader(header);
        if (h.DataLen > (4u << 20)) return;
        request.resize(h.DataLen);
        if (!ReadExactly(fd, request.data(), request.size())) return;
        h.DataType = PROXY_REPLY;
        h.DataLen = replyLength_;
        EncodeProxyHeader(h, header);
        iovec parts[2] = {{header, sizeof header}, {reply.data(), reply.size()}};
        if (!WriteAll(fd, parts, reply.empty() ? 1 : 2)) return;
    }
}

}  // namespace bench
