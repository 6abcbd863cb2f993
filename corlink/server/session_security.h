// The security state of one proxy session: the handshake value, the login and the per-request cookie
// check. A session starts closed; only a login with the configured user's password opens it.
#pragma once

#include <cstdint>

// Word 0 of the login reply.
enum PROXY_LOGIN_RESULT : uint32_t {
    LOGIN_RESULT_OK = 1,
    LOGIN_RESULT_NO_SUCH_USER = 2,
    LOGIN_RESULT_LOGON_FAILED = 3,  // also: a Windows logon passed and the handshake echo matched
    LOGIN_RESULT_BAD_REQUEST = 4,   // login data not 344 bytes, or a Windows logon passed, echo differs
    LOGIN_RESULT_WRONG_PASSWORD = 5,
    LOGIN_RESULT_NOT_PROXY_USER = 6,
    LOGIN_RESULT_NO_PRIVILEGE = 7,
};

enum PROXY_LOGIN_STATE : uint32_t {
    LOGIN_STATE_CLOSED = 0,
    LOGIN_STATE_LOGGED_IN = 2,
};

class CSessionSecurity {
  public:
    CSessionSecurity();

    // Computes, keeps and returns the handshake value of the peer's IPv4 address (host order).
    uint32_t SetHandshakeValue(uint32_t peerIPv4);
    static uint32_t ExpectedCookie(uint32_t base, uint32_t sequence);
    // 1 when the session is logged in, the sequence is above the last accepted one and the cookie
    // matches (the sequence is then accepted); 0 otherwise, changing nothing.
    int CheckRequest(uint32_t sequence, uint32_t cookie);
    // The login of a request whose user name is the configured one; plainLength is the password's length
    // before enciphering; handshakeEcho the value the client got in the handshake reply.
    uint32_t Login(const char* userName, const uint8_t* encipheredPassword, uint8_t plainLength,
                   uint32_t handshakeEcho);

    uint32_t GetBase() const { return m_Base; }
    uint32_t GetLoginState() const { return m_LoginState; }
    uint32_t GetHandshakeValue() const { return m_HandshakeValue; }
    void SetLastSequence(uint32_t value) { m_LastSequence = value; }

  private:
    uint32_t Authenticate(const char* userName, const uint8_t* encipheredPassword, uint8_t plainLength,
                          uint32_t handshakeEcho);
    // The result of the Windows logon, which never opens the session.
    uint32_t WindowsLogonResult(const char* userName, char* password, uint32_t handshakeEcho);

    uint32_t m_Base;
    uint32_t m_HandshakeValue = 0;
    uint32_t m_LastSequence = 0;
    uint32_t m_LoginState = LOGIN_STATE_CLOSED;
    uint32_t m_MajorVersion;
};
