// The heart-beat pipe as the proxy uses it: open, write a message, read the answer, close.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <string>
#include <vector>

#include "corlink/proxy_protocol/request_cookie.h"
#include "platform/files/file_io.h"
#include "platform/kernel/handles.h"
#include "provider/controllers/heartbeat_listener.h"
#include "tests/unit/provider/session_fixture.h"

namespace {

using providertest::ScriptedProxy;
using providertest::SessionTest;

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

// Sends the pieces as the proxy would and returns what comes back until the provider disconnects.
std::vector<uint8_t> Exchange(const std::vector<std::vector<uint8_t>>& pieces) {
    platform::TakingPart running;  // time stands still between the connect and the writes
    HANDLE pipe = CreateFileA(PipeName().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(pipe, INVALID_HANDLE_VALUE);
    if (pipe == INVALID_HANDLE_VALUE) return {};
    for (const std::vector<uint8_t>& piece : pieces) {
        DWORD written = 0;
        WriteFile(pipe, piece.data(), static_cast<DWORD>(piece.size()), &written, nullptr);
    }
    std::vector<uint8_t> answer;
    if (pieces.empty()) {  // a client that connects and closes at once
        CloseHandle(pipe);
        return answer;
    }
    uint8_t bytes[64];
    DWORD got = 0;
    while (ReadFile(pipe, bytes, sizeof bytes, &got, nullptr) && got > 0) answer.insert(answer.end(), bytes, bytes + got);
    CloseHandle(pipe);
    return answer;
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
        std::vector<std::vector<uint8_t>> pieces;
        const char* logged;
    } cases[] = {
        {"a request", {Header(PROXY_REQUEST, 0)}, nullptr},
        {"a DataLen beyond the buffer", {Header(PROXY_HEARTBEAT, 0xFFFFFFF0u)}, "exceeds the buffer, message refused"},
        {"a message too short", {std::vector<uint8_t>(20, 1)}, "recv_events: error: message too short, size=20 at line "},
        {"a client that connects and closes", {}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(Exchange(c.pieces).empty());
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
    HANDLE silent = CreateFileA(PipeName().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(silent, INVALID_HANDLE_VALUE);
    // Wait until the listener reads from it, then end the session: the read is ended and the thread joined.
    while (Log().find("pipe read...\n") == std::string::npos) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ProxyUnInit();
    EXPECT_NE(Log().find("closed pipe handle\n"), std::string::npos);
    CloseHandle(silent);
}

TEST_F(SessionTest, AClientThatSendsNothingIsDroppedAndTheNextHeartBeatIsAnswered) {
    ASSERT_EQ(ProxyInit(), 0);
    HANDLE silent = CreateFileA(PipeName().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(silent, INVALID_HANDLE_VALUE);
    // Time moves on until the read's bound has passed (the listener may not be waiting yet at first).
    while (Log().find("pipe read: nothing came for 5000 ms, the client is dropped\n") == std::string::npos) {
        clock_->Advance(1000);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ExpectHeartbeatAnswer(Exchange({Header(PROXY_HEARTBEAT, 0)}), Session().sequence.load());
    CloseHandle(silent);
}

TEST_F(SessionTest, StoppingEndsTheListenerAndAResetStartsOneNew) {
    ASSERT_EQ(ProxyInit(), 0);
    ASSERT_EQ(ProxyInit(), 0);  // a second start replaces the listener instead of adding one
    ExpectHeartbeatAnswer(Exchange({Header(PROXY_HEARTBEAT, 0)}), Session().sequence.load());
    ProxyUnInit();
    EXPECT_EQ(CreateFileA(PipeName().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_NE(Log().find("closed pipe handle\n"), std::string::npos);
}

}  // namespace
