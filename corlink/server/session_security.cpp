#include "corlink/server/session_security.h"

#include <cstring>

#include "corlink/cipher/cipher.h"
#include "corlink/proxy_protocol/proxy_header.h"
#include "corlink/proxy_protocol/request_cookie.h"
#include "corlink/server/configuration.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/last_error.h"
#include "platform/system/crt_strings.h"
#include "platform/system/logon.h"
#include "platform/system/os_version.h"
#include "platform/system/secure_random.h"

namespace {

constexpr uint32_t kBaseRange = 32768;  // the base stays within what the client has always received
constexpr uint32_t kUnknownMajorVersion = 3;
constexpr size_t kPasswordBufferSize = LOGIN_PASSWORD_LENGTH + 1;

uint32_t RandomBase() {
    uint32_t base = 0;
    if (!platform::SecureRandomBelow(kBaseRange, &base)) base = 0;
    return base;
}

uint32_t MajorVersion() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    return GetVersionExA(&info) ? info.dwMajorVersion : kUnknownMajorVersion;
}

// A clear that the compiler keeps even though the buffer is not read again.
void ClearSecret(char* buffer, size_t size) {
    volatile char* p = buffer;
    while (size-- > 0) *p++ = 0;
}

uint8_t Rotl8(uint8_t v, int n) { return static_cast<uint8_t>(v << n | v >> (8 - n)); }

struct LogonErrorResult {
    DWORD error;
    uint32_t result;
};

constexpr LogonErrorResult kLogonErrors[] = {
    // clang-format off
    {ERROR_NO_SUCH_PRIVILEGE, LOGIN_RESULT_NO_PRIVILEGE},
    {ERROR_PRIVILEGE_NOT_HELD, LOGIN_RESULT_NO_PRIVILEGE},
    {ERROR_NO_SUCH_USER, LOGIN_RESULT_NO_SUCH_USER},
    {ERROR_WRONG_PASSWORD, LOGIN_RESULT_WRONG_PASSWORD},
    {ERROR_ILL_FORMED_PASSWORD, LOGIN_RESULT_WRONG_PASSWORD},
    {ERROR_LOGON_FAILURE, LOGIN_RESULT_WRONG_PASSWORD},
    // clang-format on
};

uint32_t ResultOfLogonError(DWORD error) {
    for (const auto& row : kLogonErrors) {
        if (row.error == error) return row.result;
    }
    return LOGIN_RESULT_LOGON_FAILED;
}

// Only a configured user with a configured password can match: an empty setting opens nothing.
bool IsConfiguredAccount(const char* userName, const char* password) {
    if (g_ProxyUser[0] == '\0' || g_ProxyPassword[0] == '\0') return false;
    return _stricmp(userName, g_ProxyUser) == 0 && _stricmp(password, g_ProxyPassword) == 0;
}

}  // namespace

CSessionSecurity::CSessionSecurity() : m_Base(RandomBase()), m_MajorVersion(MajorVersion()) {}

uint32_t CSessionSecurity::SetHandshakeValue(uint32_t peerIPv4) {
    const auto a0 = static_cast<uint8_t>(peerIPv4 >> 24);
    const auto a1 = static_cast<uint8_t>(peerIPv4 >> 16);
    const auto a2 = static_cast<uint8_t>(peerIPv4 >> 8);
    const auto a3 = static_cast<uint8_t>(peerIPv4);
    const uint32_t v = uint32_t{a1} << 24 | uint32_t{a3} << 16 | uint32_t{Rotl8(a0, 2)} << 8 | Rotl8(a2, 3);
    m_HandshakeValue = v << 1 | v >> 31;
    return m_HandshakeValue;
}

uint32_t CSessionSecurity::ExpectedCookie(uint32_t base, uint32_t sequence) {
    return ProxyRequestCookie(base, sequence);
}

int CSessionSecurity::CheckRequest(uint32_t sequence, uint32_t cookie) {
    if (m_LoginState == LOGIN_STATE_CLOSED) return 0;
    if (sequence <= m_LastSequence || cookie != ExpectedCookie(m_Base, sequence)) return 0;
    m_LastSequence = sequence;
    return 1;
}

uint32_t CSessionSecurity::Login(const char* userName, const uint8_t* encipheredPassword, uint8_t plainLength,
                                 uint32_t handshakeEcho) {
    return Authenticate(userName, encipheredPassword, plainLength, handshakeEcho);
}

uint32_t CSessionSecurity::Authenticate(const char* userName, const uint8_t* encipheredPassword,
                                        uint8_t plainLength, uint32_t handshakeEcho) {
    char password[kPasswordBufferSize] = {};
    std::memcpy(password, encipheredPassword, LOGIN_PASSWORD_LENGTH);
    DesDecipherString(password, plainLength, DES_CIPHER_KEY);
    password[plainLength < LOGIN_PASSWORD_LENGTH ? plainLength : LOGIN_PASSWORD_LENGTH] = '\0';

    if (IsConfiguredAccount(userName, password)) {
        ClearSecret(password, sizeof password);
        m_LoginState = LOGIN_STATE_LOGGED_IN;
        return LOGIN_RESULT_OK;
    }
    const uint32_t result = WindowsLogonResult(userName, password, handshakeEcho);
    m_LoginState = LOGIN_STATE_CLOSED;
    return result;
}

uint32_t CSessionSecurity::WindowsLogonResult(const char* userName, char* password, uint32_t handshakeEcho) {
    const DWORD logonType = m_MajorVersion == 3 ? LOGON32_LOGON_BATCH : LOGON32_LOGON_NETWORK;
    HANDLE token = nullptr;
    BOOL loggedOn = LogonUserA(userName, nullptr, password, logonType, LOGON32_PROVIDER_DEFAULT, &token);
    // The password leaves memory as soon as the first check has seen it.
    ClearSecret(password, kPasswordBufferSize);
    if (!loggedOn) loggedOn = LogonUserA(userName, nullptr, "", logonType, LOGON32_PROVIDER_DEFAULT, &token);
    if (loggedOn) {
        CloseHandle(token);
        return handshakeEcho == m_HandshakeValue ? LOGIN_RESULT_LOGON_FAILED : LOGIN_RESULT_BAD_REQUEST;
    }
    return ResultOfLogonError(GetLastError());
}
