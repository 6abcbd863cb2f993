// The provider's proxy session: the configuration file, the log-in sequence, replies the proxy should not
// send, and the reset of a lost connection.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "corlink/cipher/cipher.h"
#include "corlink/proxy_protocol/request_cookie.h"
#include "corlink/proxy_wire/controller_list_wire.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "platform/kernel/sync.h"
#include "provider/controllers/heartbeat_listener.h"
#include "provider/controllers/proxy_calls.h"
#include "provider/controllers/proxy_config.h"
#include "tests/unit/provider/session_fixture.h"

namespace {

using providertest::kProxyPassword;
using providertest::ProxyMessage;
using providertest::ReplyData;
using providertest::ReplyTo;
using providertest::ScriptAction;
using providertest::ScriptedProxy;
using providertest::SessionTest;

using ProxyConfigTest = providertest::ProviderTest;

TEST_F(ProxyConfigTest, LinesKeysAndBounds) {
    struct Case {
        std::string text;
        const char* user;
        const char* password;
        uint16_t port;
    } cases[] = {
        // clang-format off
        {"username :u1\npassword :p1\nport     :77\n", "u1", "p1", 77},
        {"username:u1\npassword :p1\n", "", "p1", 0},            // the key without its blanks sets nothing
        {"password :pa:ss\n", "", "pa", 0},                        // a value ends at a colon
        {"  username :  spaced  \r\n# port     :9\n", "spaced", "", 0},
        {"username :last\nusername :wins\nport     :5", "wins", "", 0},  // an unterminated last line is not used
        {"username :0123456789012345678901234567890\n", "0123456789012345678901234567890", "", 0},
        {"username :01234567890123456789012345678901\n", "", "", 0},  // 32 characters: refused
        {"password :01234567890123456789012345678901234567890123456\n", "", "01234567890123456789012345678901234567890123456", 0},
        {"password :012345678901234567890123456789012345678901234567\n", "", "", 0},
        {std::string(300, 'x') + "\nport     :8\n", "", "", 8},  // an overlong line is skipped
        // clang-format on
    };
    const std::string path = root_.path() + "/c.conf";
    for (const Case& c : cases) {
        testsupport::WriteWholeFile(path, c.text);
        ProxyConfig config;
        ASSERT_EQ(read_proxy_config(path.c_str(), &config), 0);
        EXPECT_STREQ(config.user, c.user) << c.text;
        EXPECT_STREQ(config.password, c.password) << c.text;
        EXPECT_EQ(config.port, c.port) << c.text;
    }
    ProxyConfig config;
    EXPECT_EQ(read_proxy_config((root_.path() + "/missing").c_str(), &config), -1);
}

TEST_F(SessionTest, TheSearchStopsAtTheFirstFileThatOpens) {
    WriteConfiguration("version  :1\nipaddress:127.0.0.1\nusername :proxyuser\npassword :x\n");  // no port
    testsupport::WriteWholeFile(root_.path() + "/full.conf", providertest::ConfigurationText(proxy_.port()));
    root_.SetString("SYSTEM\\CurrentControlSet\\Services\\corlink4\\Parameters", "ConfigurationFile",
                    root_.path() + "/full.conf");
    EXPECT_EQ(ProxyInit(), -1);
    EXPECT_NE(Log().find("Read proxy confige file failed!\n"), std::string::npos);
    // Without the system directory's file, the registry's path is read.
    std::filesystem::remove(root_.path() + "/C/Windows/System32/corlink4.conf");
    EXPECT_EQ(ProxyInit(), 0);
    EXPECT_NE(Log().find("Cannot open file: C:\\Windows\\System32\\corlink4.conf\n"), std::string::npos);
}

TEST_F(SessionTest, LogsInWithTheEncipheredPasswordAndRegistersItsListener) {
    ASSERT_EQ(ProxyInit(), 0);
    ASSERT_EQ(set_discovery_flag(1), 0);
    ASSERT_EQ(set_discovery_flag(0), 0);
    const std::vector<ProxyMessage> messages = proxy_.Messages();
    ASSERT_EQ(messages.size(), 5u);
    const ProxyMessage& handshake = messages[0];
    EXPECT_EQ(handshake.header.OpCode, CTRL_HANDSHAKE);
    EXPECT_EQ(std::string(handshake.data.begin(), handshake.data.end()), "lcamon");

    const ProxyMessage& login = messages[1];
    ASSERT_EQ(login.header.OpCode, CTRL_LOGIN);
    ASSERT_EQ(login.data.size(), PROXY_LOGIN_REQUEST_LENGTH);
    EXPECT_STREQ(reinterpret_cast<const char*>(login.data.data()), "proxyuser");
    char expected[LOGIN_PASSWORD_LENGTH] = {};
    std::strcpy(expected, kProxyPassword);
    DesEncipherString(expected, DES_CIPHER_KEY);
    EXPECT_EQ(std::memcmp(login.data.data() + LOGIN_PASSWORD_OFFSET, expected, LOGIN_PASSWORD_LENGTH), 0);
    EXPECT_EQ(login.data[LOGIN_PLAIN_LENGTH_OFFSET], std::strlen(kProxyPassword));
    EXPECT_EQ(ReadBigEndian32(login.data.data() + LOGIN_HANDSHAKE_ECHO_OFFSET),
              ScriptedProxy::kHandshakeValue);

    const ProxyMessage& registration = messages[2];
    EXPECT_EQ(registration.header.OpCode, CTRL_REGISTER_LISTENER);
    ASSERT_EQ(registration.data.size(), 2u);
    EXPECT_EQ(ReadBigEndian16(registration.data.data()), listener_number());

    // Every message takes the next sequence; after the login its cookie is built on the session's base.
    for (size_t i = 1; i < messages.size(); ++i)
        EXPECT_EQ(messages[i].header.SecuritySequence, messages[i - 1].header.SecuritySequence + 1);
    for (size_t i = 2; i < messages.size(); ++i)
        EXPECT_EQ(messages[i].header.Cookie,
                  ProxyRequestCookie(ScriptedProxy::kSessionBase, messages[i].header.SecuritySequence));
    EXPECT_EQ(messages[4].data[RRE_DISCOVERY_FLAG_OFFSET], 0);
    ASSERT_EQ(messages[4].data.size(), RRE_DISCOVERY_FLAG_LENGTH);

    // Neither the password nor its enciphered form reaches the log.
    const std::string log = Log();
    EXPECT_EQ(log.find(kProxyPassword), std::string::npos);
    EXPECT_EQ(log.find(std::string(expected, 8)), std::string::npos);
    EXPECT_NE(log.find("Encrpt password: ********, lenght = "), std::string::npos);
}

// Replies the proxy should never send: each fails the command cleanly; those that leave the stream
// unusable also set the session up again.
TEST_F(SessionTest, MalformedRepliesFailTheCommand) {
    struct Case {
        const char* what;
        std::function<ScriptAction(const ProxyMessage&)> script;
        int loginsAfter;  // logins of the session by the end of the failed command
    };
    const Case cases[] = {
        // clang-format off
        {"a short header, then close",
         [](const ProxyMessage& r) {
             std::vector<uint8_t> bytes = ReplyTo(r, {});
             bytes.resize(20);
             return ScriptAction{{bytes}, true};
         },
         1},
        {"a close before any byte", [](const ProxyMessage&) { return ScriptAction{{}, true}; }, 2},
        {"a DataLen beyond the buffer",
         [](const ProxyMessage& r) {
             std::vector<uint8_t> bytes = ReplyTo(r, {});
             WriteBigEndian32(bytes.data() + 32, 0xFFFFFFF0u);
             return ScriptAction{{bytes}, false};
         },
         2},
        {"another opcode", [](const ProxyMessage& r) {
             ProxyMessage other = r;
             other.header.OpCode = RRE_GET_CONTROLLER;
             return ScriptAction{{ReplyTo(other, ReplyData(12, 0, 0))}, false};
         }, 1},
        {"the security-check failure", [](const ProxyMessage& r) {
             ProxyMessage other = r;
             other.header.OpCode = CTRL_SECURITY_CHECK_FAIL;
             return ScriptAction{{ReplyTo(other, {}, PROXY_CONTROL)}, false};
         }, 1},
        {"data too short for a code", [](const ProxyMessage& r) { return ScriptAction{{ReplyTo(r, {0, 0, 0, 0})}, false}; }, 1},
        {"a successful reply shorter than the command's",
         [](const ProxyMessage& r) { return ScriptAction{{ReplyTo(r, ReplyData(8, 0, 0))}, false}; }, 2},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(ProxyInit(), 0);
        const int loginsBefore = proxy_.Logins();
        proxy_.SetScript(c.script);
        uint8_t tag[8] = {};
        EXPECT_EQ(dms_get_tag(0x100, 1, tag), -1);
        EXPECT_EQ(proxy_.Logins() - loginsBefore + 1, c.loginsAfter);
        proxy_.SetScript({});
        // The session serves the next commands: a connection the stand-in closed is set up again by the
        // first of them, which fails.
        const int next = set_discovery_flag(1);
        EXPECT_EQ(next == 0 ? 0 : set_discovery_flag(1), 0);
        ProxyUnInit();
    }
}

TEST_F(SessionTest, ALateReplyIsDroppedNotTakenForTheNextCommand) {
    ASSERT_EQ(ProxyInit(), 0);
    proxy_.SetScript([](const ProxyMessage& r) {
        ProxyMessage late = r;
        // the reply to a request that timed out
        late.header.SecuritySequence = r.header.SecuritySequence - 1;
        return ScriptAction{{ReplyTo(late, ReplyData(28, 0, 77)), ReplyTo(r, ReplyData(28, 0, 5))}, false};
    });
    uint8_t tag[8];
    EXPECT_EQ(dms_get_tag(0x100, 1, tag), 5);
    EXPECT_NE(Log().find("exec_cmnd: dropped a late reply"), std::string::npos);
}

TEST_F(SessionTest, AReplyThatStallsHalfwayFailsWithinTheWaitAndResetsTheSession) {
    ASSERT_EQ(ProxyInit(), 0);
    Session().replyWaitMs = 200;
    proxy_.SetScript([](const ProxyMessage& r) {
        std::vector<uint8_t> bytes = ReplyTo(r, ReplyData(28, 0, 0));
        bytes.resize(PROXY_HEADER_LENGTH + 10);  // the header announces 28 bytes; 10 come, then nothing
        return ScriptAction{{bytes}, false};
    });
    uint8_t tag[8];
    EXPECT_EQ(dms_get_tag(0x100, 1, tag), -1);
    EXPECT_EQ(proxy_.Logins(), 2);
    proxy_.SetScript({});
    EXPECT_EQ(set_discovery_flag(1), 0);
    Session().replyWaitMs = kProxyReplyWaitMs;
}

TEST_F(SessionTest, ALostConnectionIsSetUpAgainAndTheNextCommandWorks) {
    ASSERT_EQ(ProxyInit(), 0);
    proxy_.SetScript([](const ProxyMessage&) { return ScriptAction{{}, true}; });
    EXPECT_EQ(set_discovery_flag(1), -1);
    EXPECT_EQ(proxy_.Logins(), 2);
    EXPECT_EQ(clock_->Sleeps(), std::vector<uint32_t>{kProxyResetPauseMs});
    proxy_.SetScript({});
    EXPECT_EQ(set_discovery_flag(1), 0);
    const std::string log = Log();
    for (const char* line :
         {"Reset the proxy...\n", "sig_action\n", "Reinitialize the proxy...\n",
          "Initialize proxy success.\n", "The network connection has been reconnect successfully.\n"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
}

TEST_F(SessionTest, EndingASessionWhoseProxyHasGoneStartsNoReset) {
    ASSERT_EQ(ProxyInit(), 0);
    proxy_.DropConnection();
    // One byte after the proxy closed draws its reset, so that the goodbye meets a reset connection.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    send(Session().socket, "x", 1, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ProxyUnInit();
    EXPECT_EQ(Count("Reset the proxy...\n"), 0u);
    EXPECT_EQ(proxy_.Logins(), 1);
}

TEST_F(SessionTest, AResetDuringAResetFailsWithoutRecursing) {
    ASSERT_EQ(ProxyInit(), 0);
    proxy_.SetScript([](const ProxyMessage&) { return ScriptAction{{}, true}; });
    proxy_.CloseOnControl(CTRL_HANDSHAKE, true);
    EXPECT_EQ(set_discovery_flag(1), -1);
    EXPECT_EQ(Count("Reset the proxy...\n"), 1u);
    EXPECT_EQ(Count("Initialize proxy fail!\n"), 1u);
    // The next command meets the closed connection and tries one reset of its own, which fails as well.
    EXPECT_EQ(set_discovery_flag(1), -1);
    EXPECT_EQ(Count("Reset the proxy...\n"), 2u);
    EXPECT_EQ(Count("Initialize proxy fail!\n"), 2u);
}

}  // namespace
