// CRRESocket over real loopback TCP, and the communication error record.
#include "corlink/server/socket.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "corlink/foundation/nt_os.h"
#include "corlink/server/errmsg.h"
#include "platform/time/clock.h"
#include "tests/unit/platform/net/tcp_option_probe.h"

namespace {

constexpr uint32_t kLoopback = 0x7F000001;

uint16_t LocalPort(SOCKET s) {
    sockaddr_in address{};
    int length = sizeof(address);
    EXPECT_EQ(getsockname(s, reinterpret_cast<sockaddr*>(&address), &length), 0);
    return os_ntohs(address.sin_port);
}

sockaddr_in AnyAddress() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    return address;
}

// A listening socket on a free loopback port, and a client and server end of one connection.
class LoopbackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(listener_.Socket(AF_INET, SOCK_STREAM, 0), 1);
        ASSERT_EQ(listener_.Bind(os_htonl(kLoopback), 0), 1);
        ASSERT_EQ(listener_.Listen(5), 1);
        port_ = LocalPort(listener_.Handle());
    }

    int ConnectClient(CRRESocket& client) {
        if (client.Socket(AF_INET, SOCK_STREAM, 0) != 1) return 0;
        sockaddr_in peer = AnyAddress();
        peer.sin_addr.s_addr = os_htonl(kLoopback);
        sockaddr_in local = AnyAddress();
        return client.Connect(&peer, &local, port_);
    }

    void Connect() {
        ASSERT_EQ(ConnectClient(client_), 1);
        ASSERT_EQ(listener_.Accept(server_), 1);
    }

    CRRESocket listener_;
    CRRESocket client_;
    CRRESocket server_;
    uint16_t port_ = 0;
};

std::vector<char> Pattern(size_t size) {
    std::vector<char> data(size);
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>(i * 31 + i / 251);
    return data;
}

TEST_F(LoopbackTest, SendsAndReceivesWholeBuffersAndKnowsThePeer) {
    Connect();
    const std::vector<char> data = Pattern(300000);
    std::thread sender([&] { EXPECT_EQ(client_.Send(data.data(), static_cast<uint32_t>(data.size())), 1); });
    std::vector<char> received(data.size());
    EXPECT_EQ(server_.Receive(received.data(), static_cast<uint32_t>(received.size())), 1);
    sender.join();
    EXPECT_EQ(received, data);

    EXPECT_EQ(server_.GetPeerIPv4(), 0u) << "peer not read yet";
    ASSERT_EQ(server_.GetPeerName(), 1);
    EXPECT_EQ(server_.GetPeerIPv4(), kLoopback);
    EXPECT_EQ(os_ntohs(server_.GetLocalAddr()->sin_port), port_);
    EXPECT_EQ(client_.GetPeerIPv4(), kLoopback) << "Connect records the peer";
    EXPECT_EQ(os_ntohs(client_.GetPeerAddr()->sin_port), port_);
}

TEST_F(LoopbackTest, ReceiveFailsWhenThePeerClosesPartWay) {
    Connect();
    const std::vector<char> data = Pattern(20);
    ASSERT_EQ(client_.Send(data.data(), 20), 1);
    client_.Close();

    char buffer[36];
    memset(buffer, 'X', sizeof(buffer));
    EXPECT_EQ(server_.Receive(buffer, sizeof(buffer)), 0);
    EXPECT_EQ(std::string(buffer, 20), std::string(data.data(), 20));
    EXPECT_EQ(std::string(buffer + 20, 16), std::string(16, 'X'));
    EXPECT_EQ(server_.TakeLastError(), 0) << "a closed connection is no Winsock error";
    EXPECT_EQ(server_.Receive(buffer, 1), 0);
}

TEST_F(LoopbackTest, ReceiveStopsAtFourMebibytes) {
    Connect();
    const uint32_t limit = RRE_SOCKET_MAX_RECEIVE;
    const std::vector<char> data = Pattern(limit);
    std::thread sender([&] { EXPECT_EQ(client_.Send(data.data(), limit), 1); });
    std::vector<char> received(5000000, 'Z');
    EXPECT_EQ(server_.Receive(received.data(), 5000000), 1);
    sender.join();
    EXPECT_TRUE(std::equal(data.begin(), data.end(), received.begin()));
    EXPECT_EQ(received[limit], 'Z');
    EXPECT_EQ(received.back(), 'Z');
}

TEST_F(LoopbackTest, FionreadCountsWaitingBytes) {
    Connect();
    ASSERT_EQ(client_.Send("0123456789", 10), 1);
    char head[4];
    ASSERT_EQ(server_.Receive(head, sizeof(head)), 1);
    ULONG waiting = 0;
    EXPECT_EQ(server_.IOCtl(FIONREAD, &waiting), 1);
    EXPECT_EQ(waiting, 6u);
    server_.SetClosing();
    EXPECT_EQ(server_.IOCtl(FIONREAD, &waiting), 0);
}

TEST_F(LoopbackTest, ZeroBytesSucceedUnlessClosing) {
    Connect();
    char byte = 0;
    EXPECT_EQ(server_.Receive(&byte, 0), 1);
    EXPECT_EQ(server_.Send(&byte, 0), 1);
    server_.SetClosing();
    EXPECT_EQ(server_.Receive(&byte, 0), 0);
    EXPECT_EQ(server_.Send(&byte, 0), 0);
}

TEST_F(LoopbackTest, SendToAClosedPeerFailsWithoutASignal) {
    Connect();
    server_.Close();
    const std::vector<char> data = Pattern(1 << 20);
    int result = 1;
    for (int i = 0; i < 50 && result == 1; ++i)
        result = client_.Send(data.data(), static_cast<uint32_t>(data.size()));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(client_.TakeLastError(), WSAECONNRESET);
}

// Accept on a non-blocking listener: no connection yet is WSAEWOULDBLOCK; Accept then waits on the
// listening socket (never a sleep) until the connection arrives.
TEST_F(LoopbackTest, AcceptWaitsOnTheListeningSocket) {
    EXPECT_EQ(accept(listener_.Handle(), nullptr, nullptr), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);

    platform::ScopedVirtualClock clock;
    std::atomic<bool> accepting{false};
    std::thread connector([&] {
        while (!accepting) std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(ConnectClient(client_), 1);
    });
    accepting = true;
    EXPECT_EQ(listener_.Accept(server_), 1);
    connector.join();
    EXPECT_TRUE(clock->Sleeps().empty());
    EXPECT_EQ(listener_.TakeLastError(), 0) << "a would-block is cleared";
    EXPECT_NE(server_.Handle(), INVALID_SOCKET);
}

TEST_F(LoopbackTest, BothEndsSendWithoutNaglesDelay) {
    Connect();
    EXPECT_TRUE(testsupport::TcpNoDelayIsOn(static_cast<int>(server_.Handle())));
    EXPECT_TRUE(testsupport::TcpNoDelayIsOn(static_cast<int>(client_.Handle())));
}

// The fragments of one message, and a header sent as followed by more, arrive as the bytes sent.
TEST_F(LoopbackTest, FragmentsMarkedAsFollowedArriveWhole) {
    Connect();
    const std::vector<char> data = Pattern(3 * RRE_SOCKET_SEND_FRAGMENT + 17);
    ASSERT_EQ(client_.Send("HEAD", 4, true), 1);
    ASSERT_EQ(client_.Send(data.data(), static_cast<uint32_t>(data.size())), 1);
    std::vector<char> received(4 + data.size());
    ASSERT_EQ(server_.Receive(received.data(), static_cast<uint32_t>(received.size())), 1);
    EXPECT_EQ(std::string(received.data(), 4), "HEAD");
    EXPECT_TRUE(std::equal(data.begin(), data.end(), received.begin() + 4));
}

TEST_F(LoopbackTest, ClosingMakesPendingAndLaterOperationsFail) {
    Connect();
    std::atomic<int> result{-1};
    std::thread receiver([&] {
        char buffer[8];
        result = server_.Receive(buffer, sizeof(buffer));  // nothing comes: waits until closing
    });
    server_.SetClosing();  // from another thread, as the shut-down does
    receiver.join();
    EXPECT_EQ(result.load(), 0);

    listener_.SetClosing();
    CRRESocket target;
    EXPECT_EQ(listener_.Accept(target), 0);
    EXPECT_EQ(listener_.TakeLastError(), 0);
    EXPECT_EQ(target.Handle(), INVALID_SOCKET);
    EXPECT_EQ(listener_.Socket(AF_INET, SOCK_STREAM, 0), 0);
    EXPECT_EQ(listener_.Listen(5), 0);
}

TEST_F(LoopbackTest, ConnectWhereNothingListensStoresTheErrorOnce) {
    CRRESocket probe;
    ASSERT_EQ(probe.Socket(AF_INET, SOCK_STREAM, 0), 1);
    ASSERT_EQ(probe.Bind(os_htonl(kLoopback), 0), 1);
    uint16_t freePort = LocalPort(probe.Handle());
    probe.Close();  // bound but never listening: nothing answers on that port

    CRRESocket client;
    ASSERT_EQ(client.Socket(AF_INET, SOCK_STREAM, 0), 1);
    sockaddr_in peer = AnyAddress();
    peer.sin_addr.s_addr = os_htonl(kLoopback);
    sockaddr_in local = AnyAddress();
    EXPECT_EQ(client.Connect(&peer, &local, freePort), 0);
    EXPECT_EQ(client.TakeLastError(), WSAECONNREFUSED);
    EXPECT_EQ(client.TakeLastError(), 0);
}

TEST(RreSocket, BindNeedsAHandleAndAFreePort) {
    CRRESocket none;
    EXPECT_EQ(none.Bind(os_htonl(kLoopback), 0), 0);
    EXPECT_EQ(none.TakeLastError(), 0);

    CRRESocket first, second;
    ASSERT_EQ(first.Socket(AF_INET, SOCK_STREAM, 0), 1);
    ASSERT_EQ(first.Bind(os_htonl(kLoopback), 0), 1);
    ASSERT_EQ(first.Listen(1), 1);
    ASSERT_EQ(second.Socket(AF_INET, SOCK_STREAM, 0), 1);
    EXPECT_EQ(second.Bind(os_htonl(kLoopback), LocalPort(first.Handle())), 0);
    EXPECT_EQ(second.TakeLastError(), WSAEADDRINUSE);
}

struct ReportCase {
    int32_t severity, kind, category, code;
    uint32_t address;
    uint32_t messageId;
    const char* report;
};

const ReportCase kReportCases[] = {
    // clang-format off
    {3, 1, 1, 6, 0, 0x010A1101,
     "[Corlink Communication Service: 0x10A1101 <Critical>]\n"
     "Communication Error: Cannot bind TCP port with the opened TCP/IP communication.\n"},
    {2, 2, 1, 8, 0x7F000001, 0x020A1201,
     "[Corlink Communication Service: 0x20A1201 <Warning>]\n"
     "Communication Error: Cannot receive data from the connected client\nTCP Address: 127.0.0.1\n"},
    {1, 1, 2, 13, 0, 0x030A1102,
     "[Corlink Communication Service: 0x30A1102 <Info>]\nSystem Error: Cannot report status.\n"},
    {3, 1, 2, 12, 0, 0x010A1105,
     "[Corlink Communication Service: 0x10A1105 <Critical>]\nSystem Error: Cannot allocate memory.\n"},
    {3, 4, 2, 16, 0, 0x010A1304,
     "[Corlink Communication Service: 0x10A1304 <Critical>]\nSystem Error: Cannot report status.\n"},
    {3, 5, 2, 0, 0, 0x010A1401,
     "[Corlink Communication Service: 0x10A1401 <Critical>]\nSystem Error: Cannot report status.\n"},
    {7, 3, 1, 14, 0xCB007109, 0x030A0000,
     "[Corlink Communication Service: 0x30A0000 <Info>]\nCommunication Error: Cannot lock a resource.\n"
     "TCP Address: 203.0.113.9\n"},
    {3, 2, 1, 0, 0x7F000001, 0x010A1201, ""},  // category 1 without a code: no report
    // clang-format on
};

TEST(CommunicationErrorRecord, ReportsAndMessageIds) {
    for (const ReportCase& c : kReportCases) {
        CErrMsg record(c.severity, c.kind, c.category, c.code != 0, c.code);
        record.SetAddress(c.address);
        SCOPED_TRACE(c.report);
        EXPECT_EQ(record.MessageId(), c.messageId);
        EXPECT_EQ(record.Format(), c.report);
    }
}

TEST(CommunicationErrorRecord, CodeIsKeptOnlyWithItsFlag) {
    CErrMsg record(COMM_SEVERITY_CRITICAL, COMM_KIND_SERVER_START, COMM_CATEGORY_COMMUNICATION, 0,
                   COMM_ERR_BIND);
    EXPECT_EQ(record.Code(), 0);
    record.SetCode(1, COMM_ERR_LISTEN);
    EXPECT_EQ(record.Code(), COMM_ERR_LISTEN);
    record.SetCode(0, COMM_ERR_ACCEPT);
    EXPECT_EQ(record.Code(), 0);
}

}  // namespace
