// The heart-beat pipe as the proxy uses it: open, write a message, read the answer, close.
#include "provider/controllers/heartbeat_listener.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "corlink/proxy_protocol/request_cookie.h"
#include "platform/files/file_io.h"
#include "platform/kernel/handles.h"
#include "tests/unit/provider/session_fixture.h"

namespace {

using providertest::ScriptedProxy;
using providertest::SessionTest;

// Logged when a client's message has not come whole within the listener's bound.
constexpr char kDroppedLate[] =
    "pipe read: the message did not come whole within 5000 ms, the client is dropped\n";

std::string PipeName() {
    char name[64];
    std::snprintf(name, sizeof name, "\\\\.\\pipe\\DODO_Rivoz_%u", listener_number());
    return name;
}

std::vector<uint8_t> Header(uint32_t dataType, uint32_t dataLen) {
    std::vector<uint8_t> bytes(PROXY_HEADER_LENGTH);
    EncodeProxyHeader(MakeProxyHeader(dataType, 0, dataLen), bytes.data());
    return bytes;
}

HANDLE OpenPipe() {
    return CreateFileA(PipeName().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                       nullptr);
}

void Send(HANDLE pipe, const std::vector<uint8_t>& bytes) {
    DWORD written = 0;
    WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// What comes back until the provider disconnects; the pipe is closed then.
std::vector<uint8_t> AnswerAndClose(HANDLE pipe) {
    std::vector<uint8_t> answer;
    uint8_t bytes[64];
    DWORD got = 0;
    while (ReadFile(pipe, bytes, sizeof bytes, &got, nullptr) && got > 0)
        answer.insert(answer.end(), bytes, bytes + got);
    CloseHandle(pipe);
    return answer;
}

// Sends the fragments as the proxy would and returns what comes back until the provider disconnects.
std::vector<uint8_t> Exchange(const std::vector<std::vector<uint8_t>>& fragments) {
    platform::TakingPart running;  // time stands still between the connect and the writes
    HANDLE pipe = OpenPipe();
    EXPECT_NE(pipe, INVALID_HANDLE_VALUE);
    if (pipe == INVALID_HANDLE_VALUE) return {};
    for (const std::vector<uint8_t>& fragment : fragments) Send(pipe, fragment);
    if (fragments.empty()) {  // a client that connects and closes at once
        CloseHandle(pipe);
        return {};
    }
    return AnswerAndClose(pipe);
}

void ExpectHeartbeatAnswer(const std::vector<uint8_t>& answer, uint32_t sequence) {
    ASSERT_EQ(answer.size(), PROXY_HEADER_LENGTH);
    const PROXY_MSG_HEADER header = DecodeProxyHeader(answer.data());
    EXPECT_EQ(header.DataType, PROXY_HEARTBEAT);
    EXPECT_EQ(header.OpCode, 0u);
    EXPECT_EQ(header.DataLen, 0u);
    EXPECT_EQ(header.SecuritySequence, sequence);
    EXPECT_EQ(header.Cookie, ProxyRequestCookie(ScriptedProxy::kSessionBase, sequence));
}

TEST_F(SessionTest, HeartBeatsAreAnsweredWithTheSessionsNextSequence) {
    ASSERT_EQ(ProxyInit(), 0);
    uint32_t next = Session().sequence.load();
    ExpectHeartbeatAnswer(Exchange({Header(PROXY_HEARTBEAT, 0)}), next);
    // Data announced by the header is read before the message is judged.
    ExpectHeartbeatAnswer(Exchange({Header(PROXY_HEARTBEAT, 8), std::vector<uint8_t>(8, 0x5A)}), next + 1);
}

TEST_F(SessionTest, MessagesThatAreNoHeartBeatGetNoAnswerAndStopNothing) {
    ASSERT_EQ(ProxyInit(), 0);
    struct Case {
        const char* what;
        std::vector<std::vector<uint8_t>> fragments;
        const char* logged;
    } cases[] = {
        // clang-format off
        {"a request", {Header(PROXY_REQUEST, 0)}, nullptr},
        {"a DataLen beyond the buffer", {Header(PROXY_HEARTBEAT, 0xFFFFFFF0u)}, "exceeds the buffer, message refused"},
        {"a message too short", {std::vector<uint8_t>(20, 1)}, "recv_events: error: message too short, size=20 at line "},
        {"a client that connects and closes", {}, nullptr},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(Exchange(c.fragments).empty());
        if (c.logged != nullptr) {
            EXPECT_NE(Log().find(c.logged), std::string::npos);
        }
        // The listener goes on: the next heart beat is answered.
        const uint32_t next = Session().sequence.load();
        ExpectHeartbeatAnswer(Exchange({Header(PROXY_HEARTBEAT, 0)}), next);
    }
}

TEST_F(SessionTest, AClientThatSendsNothingDoesNotHoldTheStop) {
    ASSERT_EQ(ProxyInit(), 0);
    HANDLE silent = OpenPipe();
    ASSERT_NE(silent, INVALID_HANDLE_VALUE);
    // Wait until the listener reads from it, then end the session: the read is ended and the thread joined.
    while (Log().find("pipe read...\n") == std::string::npos)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ProxyUnInit();
    EXPECT_NE(Log().find("closed pipe handle\n"), std::string::npos);
    CloseHandle(silent);
}

TEST_F(SessionTest, AClientThatSendsNothingIsDroppedAndTheNextHeartBeatIsAnswered) {
    ASSERT_EQ(ProxyInit(), 0);
    HANDLE silent = OpenPipe();
    ASSERT_NE(silent, INVALID_HANDLE_VALUE);
    // Time moves on until the message's bound has passed (the listener may not be waiting yet at first).
    while (Log().find(kDroppedLate) == std::string::npos) {
        clock_->Advance(1000);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ExpectHeartbeatAnswer(Exchange({Header(PROXY_HEARTBEAT, 0)}), Session().sequence.load());
    CloseHandle(silent);
}

// The bound is the whole message's: a client that trickles its bytes in, each well within the bound of
// the one before, is dropped once the message has taken longer than the bound in all.
TEST_F(SessionTest, AMessageThatTricklesInIsDroppedOnceItsBoundHasPassed) {
    ASSERT_EQ(ProxyInit(), 0);
    platform::TakingPart running;  // time moves only where the test moves it
    HANDLE pipe = OpenPipe();
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    Send(pipe, Header(PROXY_HEARTBEAT, 8));
    while (Log().find("pipe read 36 bytes, DataLen=8\n") == std::string::npos)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    for (int second = 0; second < 8; ++second) {  // one data byte a second
        clock_->Advance(1000);
        Send(pipe, {0x5A});
    }
    EXPECT_TRUE(AnswerAndClose(pipe).empty());
    EXPECT_NE(Log().find(kDroppedLate), std::string::npos);
}

TEST_F(SessionTest, StoppingEndsTheListenerAndAResetStartsOneNew) {
    ASSERT_EQ(ProxyInit(), 0);
    ASSERT_EQ(ProxyInit(), 0);  // a second start replaces the listener instead of adding one
    ExpectHeartbeatAnswer(Exchange({Header(PROXY_HEARTBEAT, 0)}), Session().sequence.load());
    ProxyUnInit();
    EXPECT_EQ(
        CreateFileA(PipeName().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
        INVALID_HANDLE_VALUE);
    EXPECT_NE(Log().find("closed pipe handle\n"), std::string::npos);
}

}  // namespace
