// A whole client session over loopback TCP: the production session against a client that encodes its
// own bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "corlink/database/database_state.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/handlers/rre.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "corlink/server/configuration.h"
#include "corlink/server/hotlink.h"
#include "corlink/server/ips_pass_through.h"
#include "corlink/server/listener_directory.h"
#include "corlink/server/run_state.h"
#include "corlink/server/socket.h"
#include "served_session.h"
#include "session_test_client.h"
#include "tests/support/test_root.h"
#include "tests/unit/server/executor_suite.h"

namespace {

using sessiontest::BigEndian;
using sessiontest::Message;
using sessiontest::RawClient;
using sessiontest::WordAt;

constexpr char kUser[] = "proxyuser";
constexpr char kPassword[] = "Pa55-word_Sample";
constexpr uint32_t kRequest = 1, kReply = 2, kControl = 3;
constexpr uint32_t kLoginOk = 1;

// The listener list as a test sees it: every call is recorded and succeeds.
class RecordingListeners final : public ListenerDirectory {
  public:
    bool Register(CRRESocket*, uint16_t number) override {
        return Record("register " + std::to_string(number));
    }
    bool Remove(CRRESocket*, ListenerRemoval why) override {
        return Record(why == ListenerRemoval::Goodbye ? "remove goodbye" : "remove out-of-list");
    }
    std::vector<std::string> Calls() {
        std::lock_guard<std::mutex> g(m_);
        return calls_;
    }

  private:
    bool Record(const std::string& call) {
        std::lock_guard<std::mutex> g(m_);
        calls_.push_back(call);
        return true;
    }
    std::mutex m_;
    std::vector<std::string> calls_;
};

// The controller behind the "ips" pass-through: records each packet, and whether the buffers were zero
// beyond the packet (its header is read whole even when its length says less), and answers a fixed reply.
struct PassThroughRecord {
    std::mutex m;
    std::vector<uint32_t> requestLengths;
    std::vector<bool> zeroBeyondPacket;
};
PassThroughRecord g_PassThroughRecord;
const std::vector<uint8_t> kControllerReply = {0xCA, 0xFE, 0x00, 0x01, 0x02};

bool AllZero(const uint8_t* bytes, size_t count) {
    return std::all_of(bytes, bytes + count, [](uint8_t b) { return b == 0; });
}

uint32_t RecordingPassThrough(const uint8_t* request, uint32_t requestLength, uint8_t* reply,
                              uint32_t replyCapacity) {
    std::lock_guard<std::mutex> g(g_PassThroughRecord.m);
    g_PassThroughRecord.requestLengths.push_back(requestLength);
    const uint32_t written = std::max(requestLength, IPS_PACKET_HEADER_LENGTH);
    g_PassThroughRecord.zeroBeyondPacket.push_back(AllZero(request + written, IPS_BUFFER_SIZE - written) &&
                                                   AllZero(reply, replyCapacity));
    if (replyCapacity < kControllerReply.size()) return 0;
    std::memcpy(reply, kControllerReply.data(), kControllerReply.size());
    return static_cast<uint32_t>(kControllerReply.size());
}

class Session : public ExecutorSuite {
  protected:
    void SetUp() override {
        std::strcpy(g_ProxyUser, kUser);
        std::strcpy(g_ProxyPassword, kPassword);
        g_DiscoveryFlag = 1;

        const int clientFd = served_.Start();
        ASSERT_GE(clientFd, 0);
        client = std::make_unique<RawClient>(clientFd);
    }

    void TearDown() override {
        EndSession();
        if (g_ShutDownSem != nullptr) os_CloseSemaphore(g_ShutDownSem);
        g_ShutDownSem = nullptr;
        SetSessionListeners(nullptr);
        ClearProxyConfig();
    }

    void EndSession() {
        client->Close();
        served_.Join();
    }

    // A control message with the next sequence and the right cookie.
    bool SendControl(uint32_t opCode, const std::vector<uint8_t>& data) {
        client->sequence++;
        return client->Send(kControl, opCode, data, client->sequence,
                            sessiontest::ExpectedCookie(client->base, client->sequence));
    }

    void LogIn() { ASSERT_EQ(client->Login(kUser, kPassword).at(0), kLoginOk); }

    // Reads the next message and checks its class, code and length.
    Message Expect(uint32_t dataType, uint32_t opCode, uint32_t dataLen) {
        Message m;
        EXPECT_TRUE(client->Read(&m)) << "no message";
        EXPECT_EQ(m.dataType, dataType);
        EXPECT_EQ(m.opCode, opCode);
        EXPECT_EQ(m.dataLen, dataLen);
        return m;
    }

    testsupport::TestRoot root_;
    sessiontest::ServedSession served_;
    std::unique_ptr<RawClient> client;
};

TEST_F(Session, HandshakeAnswersPlatformCodeAndHandshakeValue) {
    struct Case {
        std::vector<uint8_t> identification;
        uint32_t word0, word1;
    };
    const Case cases[] = {
        // clang-format off
        {{'p', 'r', 'o', 'v'}, 0x00020501, 0x0003FA00},  // from 127.0.0.1
        {{}, 0x00020006, 0},
        // clang-format on
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(client->Send(kControl, 1, c.identification, 77, 88));
        Message m = Expect(kControl, 2, 8);
        EXPECT_EQ(std::memcmp(m.signature, "KESTRAVON\0\0", 12), 0);
        EXPECT_EQ(m.sequence, 77u) << "the request's header comes back";
        EXPECT_EQ(m.cookie, 88u);
        EXPECT_EQ(WordAt(m.data, 0), c.word0);
        EXPECT_EQ(WordAt(m.data, 4), c.word1);
    }
}

TEST_F(Session, LoginAnswersResultBaseAndState) {
    std::vector<uint32_t> ok = client->Login("PROXYUSER", kPassword);
    ASSERT_EQ(ok.size(), 3u);
    EXPECT_EQ(ok[0], kLoginOk);
    EXPECT_LT(ok[1], 32768u);
    EXPECT_EQ(ok[2], 2u);

    struct Case {
        const char* what;
        std::vector<uint8_t> data;
        uint32_t result;
    };
    std::vector<uint8_t> shortRequest = sessiontest::LoginRequest(kUser, kPassword, 0);
    shortRequest.pop_back();
    std::vector<uint8_t> longRequest = sessiontest::LoginRequest(kUser, kPassword, 0);
    longRequest.push_back(0);
    const Case cases[] = {
        // clang-format off
        {"wrong password", sessiontest::LoginRequest(kUser, "Pa55-word_Sampl", 0), 5},
        {"other user", sessiontest::LoginRequest("administrator", kPassword, 0), 6},
        {"343 bytes", shortRequest, 4},
        {"345 bytes", longRequest, 4},
        // clang-format on
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(client->Send(kControl, 3, c.data));
        Message m = Expect(kControl, 4, 12);
        EXPECT_EQ(m.data, BigEndian({c.result, 0, 0})) << c.what;
    }
}

TEST_F(Session, RequestsRunThroughTheExecutor) {
    LogIn();
    ASSERT_TRUE(client->SendRequest(RRE_SET_DISCOVERY_FLAG, BigEndian({0, 0, 0})));
    Message m = Expect(kReply, RRE_SET_DISCOVERY_FLAG, 12);
    EXPECT_EQ(WordAt(m.data, 0), 0u);
    EXPECT_EQ(WordAt(m.data, 4), 0u);
    EXPECT_EQ(g_DiscoveryFlag, 0);

    ASSERT_TRUE(client->SendRequest(200, BigEndian({1, 2, 3})));
    m = Expect(kReply, 200, 8);
    EXPECT_EQ(WordAt(m.data, 0), 0xFFFFFFFFu);
    EXPECT_EQ(WordAt(m.data, 4), RRE_ERROR_UNKNOWN_COMMAND);
}

TEST_F(Session, RefusedRequestsAreAnsweredAndNotExecuted) {
    const std::vector<uint8_t> clearFlag = BigEndian({0, 0, 0});
    auto expectRefused = [&](const char* what, uint32_t sequence, uint32_t cookie) {
        ASSERT_TRUE(client->Send(kRequest, RRE_SET_DISCOVERY_FLAG, clearFlag, sequence, cookie));
        Message m = Expect(kControl, 11, 0);
        EXPECT_EQ(m.sequence, sequence) << what;
        EXPECT_EQ(g_DiscoveryFlag, 1) << what << " was executed";
    };
    expectRefused("before login", 1, sessiontest::ExpectedCookie(0, 1));

    LogIn();
    const uint32_t base = client->base;
    expectRefused("wrong cookie", 1, sessiontest::ExpectedCookie(base, 1) + 1);
    // sets the flag to 1
    ASSERT_TRUE(client->SendRequest(RRE_SET_DISCOVERY_FLAG, BigEndian({0, 0, 0x01000000})));
    Expect(kReply, RRE_SET_DISCOVERY_FLAG, 12);
    expectRefused("replayed", client->sequence, sessiontest::ExpectedCookie(base, client->sequence));
    expectRefused("sequence 0", 0, sessiontest::ExpectedCookie(base, 0));

    ASSERT_TRUE(client->Login(kUser, "not the password").at(0) != kLoginOk);
    expectRefused("after a failed login", client->sequence + 1,
                  sessiontest::ExpectedCookie(base, client->sequence + 1));
}

TEST_F(Session, RepliesEchoTheReservedWordAndSignatureTail) {
    std::vector<uint8_t> handshake = sessiontest::EncodeHeader(5, 6, kControl, 1, 0);
    handshake[9] = 'x';  // bytes 9-11 need not be NUL: byte 9 comes back as NUL, 10 and 11 as sent
    handshake[10] = 'y';
    handshake[11] = 'z';
    for (int i = 0; i < 4; ++i) handshake[28 + i] = static_cast<uint8_t>(0xA0 + i);
    ASSERT_TRUE(client->SendBytes(handshake));
    Message m = Expect(kControl, 2, 8);
    EXPECT_EQ(std::memcmp(m.signature, "KESTRAVON\0yz", 12), 0);
    EXPECT_EQ(m.reserved, 0xA0A1A2A3u);
}

// Messages the session does not answer are still read whole: the next message is read from its own
// first byte.
TEST_F(Session, UnansweredMessagesAreReadWhole) {
    LogIn();
    const std::vector<uint8_t> data = {'K', 'E', 'S', 'T', 'R', 'A', 'V', 'O', 'N', 0, 0, 0, 0, 0, 0, 0};
    struct Case {
        uint32_t dataType, opCode;
    };
    const Case cases[] = {{kReply, 106}, {4, 0}, {5, 0}, {99, 1}, {kControl, 2}, {kControl, 12}};
    for (const Case& c : cases) ASSERT_TRUE(client->Send(c.dataType, c.opCode, data));
    ASSERT_TRUE(client->Send(kControl, 1, {}));
    Expect(kControl, 2, 8);
    EXPECT_EQ(g_DiscoveryFlag, 1);
}

// A login refused before its password is looked at (wrong length, another user) leaves a logged-in
// session as it was; a second good login resets the sequence numbers.
TEST_F(Session, LoginsRefusedBeforeThePasswordKeepTheSession) {
    LogIn();
    ASSERT_TRUE(client->SendRequest(RRE_SET_DISCOVERY_FLAG, BigEndian({0, 0, 0x01000000})));
    Expect(kReply, RRE_SET_DISCOVERY_FLAG, 12);
    ASSERT_TRUE(client->Send(kControl, 3, {1, 2, 3}));
    EXPECT_EQ(Expect(kControl, 4, 12).data, BigEndian({4, 0, 0}));
    ASSERT_TRUE(client->Send(kControl, 3, sessiontest::LoginRequest("someone", kPassword, 0)));
    EXPECT_EQ(Expect(kControl, 4, 12).data, BigEndian({6, 0, 0}));
    ASSERT_TRUE(client->SendRequest(RRE_SET_DISCOVERY_FLAG, BigEndian({0, 0, 0x01000000})));
    Expect(kReply, RRE_SET_DISCOVERY_FLAG, 12);

    LogIn();  // the client starts again from sequence 1
    ASSERT_TRUE(client->SendRequest(RRE_SET_DISCOVERY_FLAG, BigEndian({0, 0, 0})));
    Expect(kReply, RRE_SET_DISCOVERY_FLAG, 12);
    EXPECT_EQ(g_DiscoveryFlag, 0);
}

TEST_F(Session, HeaderWithoutSignatureIsDroppedWithWhatWaits) {
    std::vector<uint8_t> bad = sessiontest::EncodeHeader(0, 0, kControl, 1, 4);
    bad[8] = 'X';
    bad.insert(bad.end(), {'j', 'u', 'n', 'k'});
    ASSERT_TRUE(client->SendBytes(bad));
    // The session drops whatever waits when it reads the bad header, so a handshake sent at the same
    // moment may go with it: the first answer must be a handshake's, whichever handshake it answers.
    Message m;
    bool answered = false;
    for (int tries = 0; tries < 5 && !answered; ++tries) {
        ASSERT_TRUE(client->Send(kControl, 1, {'x'}));
        answered = client->Read(&m, 300);
    }
    ASSERT_TRUE(answered);
    EXPECT_EQ(m.dataType, kControl);
    EXPECT_EQ(m.opCode, 2u);
}

TEST_F(Session, ListenerMessagesWithoutAListenerList) {
    LogIn();
    ASSERT_TRUE(SendControl(7, {0, 5}));
    Expect(kControl, 20, 0);
    ASSERT_TRUE(SendControl(14, {}));
    Expect(kControl, 20, 0);  // the goodbye could not remove a listener: the session goes on
    ASSERT_TRUE(client->Send(kControl, 1, {}));
    Expect(kControl, 2, 8);
}

TEST_F(Session, ListenerRegistrationRemovalAndGoodbye) {
    RecordingListeners listeners;
    SetSessionListeners(&listeners);
    ASSERT_TRUE(client->Send(kControl, 14, {}, 1, 0));  // goodbye before login
    Expect(kControl, 11, 0);

    LogIn();
    ASSERT_TRUE(SendControl(7, {0x12, 0x34}));
    Expect(kControl, 8, 0);
    ASSERT_TRUE(SendControl(7, {}));
    Expect(kControl, 8, 0);
    ASSERT_TRUE(SendControl(9, {}));
    Expect(kControl, 9, 0);
    ASSERT_TRUE(SendControl(14, {}));
    EXPECT_TRUE(client->ServerClosed()) << "goodbye has no answer and ends the session";
    EndSession();
    EXPECT_EQ(listeners.Calls(), (std::vector<std::string>{"register 4660", "register 0",
                                                           "remove out-of-list", "remove goodbye"}));
    // The capture file lies in the system directory of the machine root, whatever the current directory.
    const std::string capture = root_.ReadFile("C/Windows/System32/HOT_1");
    EXPECT_EQ(capture.rfind("\nCapture connection of 1 on ", 0), 0u) << capture;
}

// Each message finds the data buffer zero beyond its own bytes: nothing is left of an earlier message, of
// an earlier reply, or of what an earlier command wrote.
TEST_F(Session, EachMessageFindsTheRestOfTheBufferZero) {
    RecordingListeners listeners;
    SetSessionListeners(&listeners);
    LogIn();
    ASSERT_TRUE(
        client->SendRequest(200, {}));  // refused: its reply head 0xFFFFFFFF is written over the buffer
    Expect(kReply, 200, 8);
    ASSERT_TRUE(SendControl(7, {}));
    Expect(kControl, 8, 0);
    ASSERT_TRUE(SendControl(7, {0x12, 0x34}));
    Expect(kControl, 8, 0);
    ASSERT_TRUE(SendControl(7, {0x56}));
    Expect(kControl, 8, 0);
    EXPECT_EQ(listeners.Calls(), (std::vector<std::string>{"register 0", "register 4660", "register 22016"}));
}

TEST_F(Session, OversizedDataLenEndsTheSessionUnexecuted) {
    LogIn();
    client->sequence++;
    std::vector<uint8_t> message = sessiontest::EncodeHeader(
        client->sequence, sessiontest::ExpectedCookie(client->base, client->sequence), kRequest,
        RRE_SET_DISCOVERY_FLAG, 4194305);
    const std::vector<uint8_t> clearFlag = BigEndian({0, 0, 0});
    message.insert(message.end(), clearFlag.begin(), clearFlag.end());
    ASSERT_TRUE(client->SendBytes(message));
    EXPECT_TRUE(client->ServerClosed());
    EXPECT_EQ(g_DiscoveryFlag, 1);
}

TEST_F(Session, PeerClosingMidRequestExecutesNothing) {
    LogIn();
    client->sequence++;
    std::vector<uint8_t> message = sessiontest::EncodeHeader(
        client->sequence, sessiontest::ExpectedCookie(client->base, client->sequence), kRequest,
        RRE_SET_DISCOVERY_FLAG, 12);
    message.insert(message.end(), {0, 0, 0, 0, 0, 0});  // half of the 12 data bytes
    ASSERT_TRUE(client->SendBytes(message));
    EndSession();
    EXPECT_EQ(g_DiscoveryFlag, 1);
}

TEST_F(Session, RaisedShutDownFlagEndsTheSession) {
    ASSERT_TRUE(client->Send(kControl, 1, {}));
    Expect(kControl, 2, 8);
    g_ShutDownSem = os_CreateSemaphore(nullptr);
    ASSERT_NE(g_ShutDownSem, nullptr);
    os_SetFlag(g_ShutDownSem);
    // The flag is tested before each message: a message already in hand is still answered.
    ASSERT_TRUE(client->Send(kControl, 1, {}));
    Message m;
    if (client->Read(&m, 1000)) {
        EXPECT_EQ(m.opCode, 2u);
    }
    EXPECT_TRUE(client->ServerClosed());
}

class IpsSession : public Session {
  protected:
    void SetUp() override {
        g_IpsMode = true;
        SetIpsPassThrough(&RecordingPassThrough);
        g_PassThroughRecord.requestLengths.clear();
        g_PassThroughRecord.zeroBeyondPacket.clear();
        Session::SetUp();
    }
    void TearDown() override {
        Session::TearDown();
        g_IpsMode = false;
        SetIpsPassThrough(nullptr);
    }

    // A raw packet: an 80-byte header whose length field (byte 60, little-endian) says packetLength,
    // followed by `following` bytes.
    static std::vector<uint8_t> Packet(uint32_t packetLength, size_t following) {
        std::vector<uint8_t> packet(80 + following, 0x5A);
        for (int i = 0; i < 4; ++i) packet[60 + i] = static_cast<uint8_t>(packetLength >> (8 * i));
        return packet;
    }
};

TEST_F(IpsSession, PacketsPassThroughByTheirLengthField) {
    struct Case {
        uint32_t packetLength;
        size_t following;
        uint32_t passedLength;
    };
    const Case cases[] = {
        // clang-format off
        {262223, 262144, 262224},  // the largest packet the buffers hold, raised to even
        {200, 120, 200},
        {81, 2, 82},  // an odd length is read with one more byte
        {40, 0, 40},  // 80 or less: the header alone is read; the packet keeps its own length
        // clang-format on
    };
    // The largest first: each later packet finds the buffers zero beyond its own bytes.
    std::vector<uint32_t> passed;
    for (const Case& c : cases) {
        passed.push_back(c.passedLength);
        ASSERT_TRUE(client->SendBytes(Packet(c.packetLength, c.following)));
        std::vector<uint8_t> reply(kControllerReply.size());
        ASSERT_TRUE(client->ReadExactly(reply.data(), reply.size())) << c.packetLength;
        EXPECT_EQ(reply, kControllerReply);
    }
    std::lock_guard<std::mutex> g(g_PassThroughRecord.m);
    EXPECT_EQ(g_PassThroughRecord.requestLengths, passed);
    EXPECT_EQ(g_PassThroughRecord.zeroBeyondPacket, std::vector<bool>(passed.size(), true));
}

TEST_F(IpsSession, PacketLargerThanTheBuffersEndsTheSessionUnsent) {
    ASSERT_TRUE(client->SendBytes(Packet(262225, 100)));
    EXPECT_TRUE(client->ServerClosed());
    std::lock_guard<std::mutex> g(g_PassThroughRecord.m);
    EXPECT_TRUE(g_PassThroughRecord.requestLengths.empty());
}

}  // namespace
