// The fabric link's gathered send: fragments larger than the socket's buffer go out in several system calls,
// each resuming inside the fragment where the last stopped, and arrive whole and in order.
#include "platform/devices/unix_stream.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <thread>
#include <vector>

namespace {

namespace unix_stream = platform::unix_stream;

TEST(UnixStream, GatheredFragmentsArriveWholeAndInOrder) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    const std::vector<uint8_t> head(16, 0xA1);
    std::vector<uint8_t> body(1 << 20);
    for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<uint8_t>(i * 7);
    const std::vector<uint8_t> tail = {1, 2, 3};

    std::vector<uint8_t> received(head.size() + body.size() + tail.size());
    bool receivedAll = false;
    std::thread reader(
        [&] { receivedAll = unix_stream::ReceiveAll(fds[1], received.data(), received.size()); });
    EXPECT_TRUE(unix_stream::SendAll(fds[0], {{head.data(), head.size()},
                                              {nullptr, 0},  // an empty fragment is skipped
                                              {body.data(), body.size()},
                                              {tail.data(), tail.size()}}));
    reader.join();
    ASSERT_TRUE(receivedAll);
    std::vector<uint8_t> expected = head;
    expected.insert(expected.end(), body.begin(), body.end());
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(received, expected);

    ::close(fds[1]);
    EXPECT_FALSE(unix_stream::SendAll(fds[0], {{tail.data(), tail.size()}})) << "the peer has gone";
    ::close(fds[0]);
}

}  // namespace
