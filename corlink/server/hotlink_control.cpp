// The control messages a session answers itself: handshake, login, listener registration and removal,
// goodbye.
#include <cstring>

#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/server/configuration.h"
#include "corlink/server/hotlink.h"
#include "corlink/server/listener_directory.h"
#include "corlink/server/socket.h"
#include "platform/system/crt_strings.h"

namespace {

constexpr uint32_t kHandshakeWithData = 0x501;
constexpr uint32_t kEmptyHandshake = 6;

// The platform code of the handshake reply, from the operating-system family.
uint32_t PlatformCode() {
    switch (os_GetVersion(nullptr)) {
        case 4: return 0x20000;  // NT family
        case 3: return 0x10000;  // the older family
        default: return 0;
    }
}

}  // namespace

CHotLink::Step CHotLink::HandleControl() {
    switch (m_Header.OpCode) {
        case CTRL_HANDSHAKE: return Handshake();
        case CTRL_LOGIN: return Login();
        case CTRL_REGISTER_LISTENER: return RegisterListener();
        case SERVER_OUTOF_LIST: return LeaveListenerList();
        case CTRL_GOODBYE: return Goodbye();
        default: return Step::Next;
    }
}

CHotLink::Step CHotLink::Handshake() {
    const bool withData = m_Header.DataLen > 0;
    std::memset(m_databuf, 0, PROXY_HANDSHAKE_REPLY_LENGTH);
    WriteBigEndian32(m_databuf, PlatformCode() | (withData ? kHandshakeWithData : kEmptyHandshake));
    if (withData) WriteBigEndian32(m_databuf + 4, m_Security.SetHandshakeValue(m_pSocket->GetPeerIPv4()));
    return Reply(PROXY_CONTROL, CTRL_HANDSHAKE_REPLY, PROXY_HANDSHAKE_REPLY_LENGTH);
}

CHotLink::Step CHotLink::Login() {
    uint32_t result = LOGIN_RESULT_BAD_REQUEST;
    if (m_Header.DataLen == PROXY_LOGIN_REQUEST_LENGTH) {
        char* user = reinterpret_cast<char*>(m_databuf + LOGIN_USER_OFFSET);
        user[LOGIN_USER_LENGTH - 1] = '\0';
        m_databuf[LOGIN_PASSWORD_OFFSET + LOGIN_PASSWORD_LENGTH - 1] = 0;
        if (_stricmp(user, g_ProxyUser) != 0) {
            result = LOGIN_RESULT_NOT_PROXY_USER;
        } else {
            result = m_Security.Login(user, m_databuf + LOGIN_PASSWORD_OFFSET,
                                      m_databuf[LOGIN_PLAIN_LENGTH_OFFSET],
                                      ReadBigEndian32(m_databuf + LOGIN_HANDSHAKE_ECHO_OFFSET));
        }
        if (result == LOGIN_RESULT_OK) {
            std::memcpy(m_UserName, user, sizeof m_UserName);
            m_LoginWait.Release();
            m_pSocket->SetDeadline(0);
        }
    }
    // The request, password included, is not kept past the answer.
    std::memset(m_databuf, 0, PROXY_LOGIN_REQUEST_LENGTH);
    WriteBigEndian32(m_databuf, result);
    if (result == LOGIN_RESULT_OK) {
        WriteBigEndian32(m_databuf + 4, m_Security.GetBase());
        WriteBigEndian32(m_databuf + 8, m_Security.GetLoginState());
        m_Security.SetLastSequence(0);
    }
    return Reply(PROXY_CONTROL, CTRL_LOGIN_REPLY, PROXY_LOGIN_REPLY_LENGTH);
}

CHotLink::Step CHotLink::RegisterListener() {
    if (!PassesSecurityCheck()) return Step::Next;
    // Fewer than 2 data bytes read as zeros: the buffer was cleared before the receive.
    if (!SessionListeners().Register(m_pSocket, ReadBigEndian16(m_databuf)))
        return ListenerListUnavailable("Throw 2X");
    return Reply(PROXY_CONTROL, CTRL_REGISTER_LISTENER_REPLY, 0);
}

CHotLink::Step CHotLink::LeaveListenerList() {
    if (!PassesSecurityCheck("Throw 3X")) return Step::Next;
    if (!SessionListeners().Remove(m_pSocket, ListenerRemoval::OutOfList))
        return ListenerListUnavailable("Throw 4X");
    return Reply(PROXY_CONTROL, SERVER_OUTOF_LIST, 0);
}

CHotLink::Step CHotLink::Goodbye() {
    if (!PassesSecurityCheck()) return Step::Next;
    if (!SessionListeners().Remove(m_pSocket, ListenerRemoval::Goodbye)) return ListenerListUnavailable();
    return Step::End;
}

CHotLink::Step CHotLink::ListenerListUnavailable(const char* marker) {
    SendServerError();
    if (marker != nullptr) DebugPrint("%s", marker);
    return Step::Next;
}
