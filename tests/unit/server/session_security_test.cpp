// The session's security state on its own: handshake value, request check, login results.
#include "corlink/server/session_security.h"

#include <gtest/gtest.h>

#include <cstring>

#include "corlink/server/configuration.h"
#include "session_test_client.h"

namespace {

TEST(SessionSecurity, HandshakeValueOfPeerAddress) {
    struct Case {
        uint32_t address;
        uint32_t value;
    };
    const Case cases[] = {
        // clang-format off
        {0x7F000001, 0x0003FA00},  // 127.0.0.1
        {0x00000000, 0x00000000},
        {0x0A141E28, 0x285051E0},  // 10.20.30.40
        {0xC0A801C8, 0x51900611},  // 192.168.1.200: the top bit wraps round
        // clang-format on
    };
    for (const Case& c : cases) {
        CSessionSecurity security;
        EXPECT_EQ(security.SetHandshakeValue(c.address), c.value) << std::hex << c.address;
        EXPECT_EQ(security.GetHandshakeValue(), c.value);
    }
}

TEST(SessionSecurity, BaseStaysInTheClientsRange) {
    for (int i = 0; i < 50; ++i) EXPECT_LT(CSessionSecurity().GetBase(), 32768u);
}

class SessionLogin : public ::testing::Test {
  protected:
    void SetUp() override {
        std::strcpy(g_ProxyUser, "proxyuser");
        std::strcpy(g_ProxyPassword, "Pa55-word_Sample");
    }
    void TearDown() override { ClearProxyConfig(); }

    uint32_t LoginWith(const char* user, const std::string& password, uint32_t echo = 0) {
        const std::vector<uint8_t> request = sessiontest::LoginRequest(user, password, echo);
        return security.Login(user, request.data() + 32, request[80], echo);
    }

    CSessionSecurity security;
};

TEST_F(SessionLogin, RequestsNeedLoginGrowingSequenceAndCookie) {
    const uint32_t base = security.GetBase();
    auto cookie = [&](uint32_t sequence) { return sessiontest::ExpectedCookie(base, sequence); };
    EXPECT_EQ(security.CheckRequest(1, cookie(1)), 0) << "closed session";

    ASSERT_EQ(LoginWith("proxyuser", "Pa55-word_Sample"), uint32_t{LOGIN_RESULT_OK});
    EXPECT_EQ(security.GetLoginState(), uint32_t{LOGIN_STATE_LOGGED_IN});
    EXPECT_EQ(security.CheckRequest(0, cookie(0)), 0) << "sequence 0 is never above the last";
    EXPECT_EQ(security.CheckRequest(5, cookie(5) + 1), 0) << "wrong cookie";
    EXPECT_EQ(security.CheckRequest(5, cookie(5)), 1);
    EXPECT_EQ(security.CheckRequest(5, cookie(5)), 0) << "replayed";
    EXPECT_EQ(security.CheckRequest(4, cookie(4)), 0) << "older";
    EXPECT_EQ(security.CheckRequest(6, cookie(6)), 1) << "a refusal does not move the last sequence";
    EXPECT_EQ(security.CheckRequest(0xFFFFFFFF, cookie(0xFFFFFFFF)), 1);
    EXPECT_EQ(security.CheckRequest(0xFFFFFFFF, cookie(0xFFFFFFFF)), 0) << "nothing is above the top";

    security.SetLastSequence(0);  // as after the next successful login
    EXPECT_EQ(security.CheckRequest(1, cookie(1)), 1);
}

TEST_F(SessionLogin, PasswordDecidesAndFailureClosesTheSession) {
    struct Case {
        const char* user;
        const char* password;
        uint32_t result;
    };
    const Case cases[] = {
        // clang-format off
        {"proxyuser", "Pa55-word_Sample", LOGIN_RESULT_OK},
        {"PROXYUSER", "pA55-WORD_sAMPLE", LOGIN_RESULT_OK},  // both compared ignoring case
        {"proxyuser", "Pa55-word_Sampl", LOGIN_RESULT_WRONG_PASSWORD},
        {"proxyuser", "Pa55-word_Sample!", LOGIN_RESULT_WRONG_PASSWORD},
        {"proxyuser", "", LOGIN_RESULT_WRONG_PASSWORD},
        // clang-format on
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LoginWith(c.user, c.password), c.result) << c.user << " / " << c.password;
        EXPECT_EQ(security.GetLoginState(), c.result == LOGIN_RESULT_OK ? uint32_t{LOGIN_STATE_LOGGED_IN}
                                                                        : uint32_t{LOGIN_STATE_CLOSED});
    }
}

TEST_F(SessionLogin, LongPasswordUsesAll48Bytes) {
    const std::string password =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKL";  // 48: 40 enciphered, 8 plain
    std::strcpy(g_ProxyPassword, password.c_str());
    EXPECT_EQ(LoginWith("proxyuser", password), uint32_t{LOGIN_RESULT_OK});
    g_ProxyPassword[47] = 'X';
    EXPECT_EQ(LoginWith("proxyuser", password), uint32_t{LOGIN_RESULT_WRONG_PASSWORD});
}

TEST_F(SessionLogin, EmptyConfiguredCredentialsOpenNothing) {
    g_ProxyPassword[0] = '\0';
    EXPECT_NE(LoginWith("proxyuser", ""), uint32_t{LOGIN_RESULT_OK});
    g_ProxyUser[0] = '\0';
    EXPECT_NE(LoginWith("", ""), uint32_t{LOGIN_RESULT_OK});
    EXPECT_EQ(security.GetLoginState(), uint32_t{LOGIN_STATE_CLOSED});
}

}  // namespace
