// The Winsock stand-in over loopback TCP: socket options, the send flags and WSAPoll.
#include "platform/net/winsock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "tests/unit/platform/net/tcp_option_probe.h"

namespace {

constexpr ULONG kLoopbackNetworkOrder = 0x0100007F;

// A listening socket and the two ends of one connection to it (blocking sockets).
class WinsockPair : public ::testing::Test {
  protected:
    void SetUp() override {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        ASSERT_NE(listener_, INVALID_SOCKET);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = kLoopbackNetworkOrder;
        ASSERT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        int length = sizeof address;
        ASSERT_EQ(getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length), 0);
        ASSERT_EQ(listen(listener_, 4), 0);
        client_ = socket(AF_INET, SOCK_STREAM, 0);
        ASSERT_EQ(connect(client_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        server_ = accept(listener_, nullptr, nullptr);
        ASSERT_NE(server_, INVALID_SOCKET);
    }
    void TearDown() override {
        for (SOCKET s : {client_, server_, listener_}) {
            if (s != INVALID_SOCKET) closesocket(s);
        }
    }

    std::string ReceiveExactly(size_t count) {
        std::string text(count, '\0');
        size_t done = 0;
        while (done < count) {
            int n = recv(server_, text.data() + done, static_cast<int>(count - done), 0);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        text.resize(done);
        return text;
    }

    SOCKET listener_ = INVALID_SOCKET;
    SOCKET client_ = INVALID_SOCKET;
    SOCKET server_ = INVALID_SOCKET;
};

TEST_F(WinsockPair, NoDelayReachesTheSystemAndUnknownOptionsAreRefused) {
    EXPECT_FALSE(testsupport::TcpNoDelayIsOn(static_cast<int>(server_)));
    BOOL on = 1;
    ASSERT_EQ(setsockopt(server_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on),
              0);
    EXPECT_TRUE(testsupport::TcpNoDelayIsOn(static_cast<int>(server_)));

    EXPECT_EQ(setsockopt(server_, IPPROTO_TCP, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on),
              SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOPROTOOPT);
    EXPECT_EQ(setsockopt(server_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), 1),
              SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
}

TEST_F(WinsockPair, PartialFragmentsArriveWholeWithTheirLastFragment) {
    ASSERT_EQ(send(client_, "head-", 5, MSG_PARTIAL), 5);
    ASSERT_EQ(send(client_, "middle-", 7, MSG_PARTIAL), 7);
    ASSERT_EQ(send(client_, "end", 3, 0), 3);
    EXPECT_EQ(ReceiveExactly(15), "head-middle-end");
    ASSERT_EQ(send(client_, "tail", 4, MSG_PARTIAL), 4);
    EXPECT_EQ(send(client_, "", 0, 0), 0)
        << "an empty last fragment sends what was gathered, never 'would block'";
    EXPECT_EQ(ReceiveExactly(4), "tail");

    EXPECT_EQ(send(client_, "x", 1, 0x1), SOCKET_ERROR) << "out-of-band data is not offered";
    EXPECT_EQ(WSAGetLastError(), WSAEOPNOTSUPP);
}

// A large message in small fragments from a non-blocking sender that retries every refused fragment after
// waiting for room, against a reader that takes its time: every byte arrives once, in order, and the
// message is whole as soon as its last fragment has been accepted.
TEST_F(WinsockPair, GatheredFragmentsOfALargeMessageArriveInOrderUnderBackPressure) {
    constexpr size_t kMessage = 16u << 20;  // more than loopback buffers hold
    constexpr size_t kFragment = 1024;
    std::string message(kMessage, '\0');
    for (size_t i = 0; i < kMessage; ++i) message[i] = static_cast<char>((i * 131u + i / 7u) & 0xFF);

    std::string received;
    std::atomic<int> refusals{0};
    std::thread reader([&] {
        // Reads only once the sender has filled every buffer and been refused.
        while (refusals.load() == 0) std::this_thread::yield();
        received = ReceiveExactly(kMessage);
    });
    ULONG on = 1;
    ASSERT_EQ(ioctlsocket(client_, FIONBIO, &on), 0);
    size_t done = 0;
    while (done < kMessage) {
        const size_t fragment = std::min(kFragment, kMessage - done);
        const int flags = done + fragment < kMessage ? MSG_PARTIAL : 0;
        const int sent = send(client_, message.data() + done, static_cast<int>(fragment), flags);
        if (sent == SOCKET_ERROR) {
            ASSERT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
            ++refusals;
            WSAPOLLFD room{client_, POLLWRNORM, 0};
            WSAPoll(&room, 1, 100);
            continue;
        }
        done += static_cast<size_t>(sent);
    }
    reader.join();
    ASSERT_EQ(received.size(), kMessage);
    EXPECT_TRUE(received == message) << "bytes lost, doubled or reordered";
}

TEST_F(WinsockPair, PollReportsReadinessAndTimesOut) {
    WSAPOLLFD entries[3] = {
        {server_, POLLRDNORM, 0}, {client_, POLLWRNORM, 0}, {INVALID_SOCKET, POLLRDNORM, 0}};
    EXPECT_EQ(WSAPoll(entries, 3, 0), 1) << "nothing to read yet; the client can write";
    EXPECT_EQ(entries[0].revents, 0);
    EXPECT_EQ(entries[1].revents, POLLWRNORM);
    EXPECT_EQ(entries[2].revents, 0) << "an entry without a socket is skipped";

    WSAPOLLFD reader{server_, POLLRDNORM, 0};
    EXPECT_EQ(WSAPoll(&reader, 1, 2), 0) << "time ran out";
    ASSERT_EQ(send(client_, "ping", 4, 0), 4);
    EXPECT_EQ(WSAPoll(&reader, 1, 1000), 1);
    EXPECT_EQ(reader.revents, POLLRDNORM);

    closesocket(client_);
    client_ = INVALID_SOCKET;
    EXPECT_EQ(ReceiveExactly(4), "ping");
    EXPECT_EQ(WSAPoll(&reader, 1, 1000), 1);
    EXPECT_NE(reader.revents & (POLLRDNORM | POLLHUP), 0) << "the peer's close reads as readable";

    EXPECT_EQ(WSAPoll(nullptr, 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
}

}  // namespace
