#include "tools/proxy_client_session.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "corlink/cipher/cipher.h"
#include "corlink/proxy_protocol/request_cookie.h"

namespace {

constexpr uint32_t kMaxReplyData = 4u << 20;  // the proxy's session buffer
constexpr size_t kPasswordBlockBuffer = DES_MAX_TEXT + DES_BLOCK_BYTES + 1;

}  // namespace

ProxyClientSession::~ProxyClientSession() {
    if (m_Socket >= 0) ::close(m_Socket);
}

bool ProxyClientSession::Fail(const std::string& what) {
    m_Error = what;
    if (errno != 0) m_Error += std::string(": ") + std::strerror(errno);
    return false;
}

bool ProxyClientSession::Connect(uint16_t port) {
    m_Socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_Socket < 0) return Fail("socket");
    timeval timeout{m_TimeoutMs / 1000, (m_TimeoutMs % 1000) * 1000};
    ::setsockopt(m_Socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(m_Socket, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    // Each message leaves in one send: Nagle's algorithm would only hold it back for the peer's delayed
    // acknowledgement.
    const int on = 1;
    ::setsockopt(m_Socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(m_Socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return Fail("connect");
    return true;
}

bool ProxyClientSession::SendAll(const uint8_t* bytes, size_t length) {
    while (length > 0) {
        ssize_t n = ::send(m_Socket, bytes, length, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Fail("send");
        bytes += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

bool ProxyClientSession::ReceiveAll(uint8_t* bytes, size_t length) {
    while (length > 0) {
        errno = 0;
        ssize_t n = ::recv(m_Socket, bytes, length, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) return Fail("the proxy closed the connection");
        if (n < 0) return Fail("receive");
        bytes += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

bool ProxyClientSession::Send(PROXY_MSG_HEADER header, const std::vector<uint8_t>& data) {
    if (m_Socket < 0) return Fail("not connected");
    std::vector<uint8_t> message(PROXY_HEADER_LENGTH + data.size());
    header.DataLen = static_cast<uint32_t>(data.size());
    EncodeProxyHeader(header, message.data());
    if (!data.empty()) std::memcpy(message.data() + PROXY_HEADER_LENGTH, data.data(), data.size());
    return SendAll(message.data(), message.size());
}

bool ProxyClientSession::Receive(ProxyReply* reply) {
    uint8_t wire[PROXY_HEADER_LENGTH];
    if (!ReceiveAll(wire, sizeof wire)) return false;
    reply->header = DecodeProxyHeader(wire);
    if (!CheckProxySignature(reply->header)) return Fail("a reply without the proxy's signature");
    if (reply->header.DataLen > kMaxReplyData) return Fail("a reply longer than the session buffer");
    reply->data.assign(reply->header.DataLen, 0);
    return reply->data.empty() || ReceiveAll(reply->data.data(), reply->data.size());
}

PROXY_MSG_HEADER ProxyClientSession::NextSecuredHeader(uint32_t dataType, uint32_t opCode, uint32_t dataLen) {
    PROXY_MSG_HEADER header = MakeProxyHeader(dataType, opCode, dataLen);
    header.SecuritySequence = ++m_Sequence;
    header.Cookie = ProxyRequestCookie(m_Base, m_Sequence);
    return header;
}

bool ProxyClientSession::Handshake(uint32_t* handshakeValue) {
    const std::vector<uint8_t> data(4, 0);
    ProxyReply reply;
    if (!Send(MakeProxyHeader(PROXY_CONTROL, CTRL_HANDSHAKE, 4), data) || !Receive(&reply)) return false;
    if (reply.header.OpCode != CTRL_HANDSHAKE_REPLY || reply.data.size() < PROXY_HANDSHAKE_REPLY_LENGTH) {
        return Fail("an unexpected handshake reply");
    }
    m_HandshakeValue = ProxyWord(reply.data, 4);
    *handshakeValue = m_HandshakeValue;
    return true;
}

bool ProxyClientSession::Login(const std::string& user, const std::string& password, uint32_t* result) {
    if (user.size() >= LOGIN_USER_LENGTH || password.size() > DES_MAX_TEXT)
        return Fail("user or password too long");
    std::vector<uint8_t> data(PROXY_LOGIN_REQUEST_LENGTH, 0);
    std::memcpy(data.data() + LOGIN_USER_OFFSET, user.data(), user.size());
    char enciphered[kPasswordBlockBuffer] = {};
    std::memcpy(enciphered, password.data(), password.size());
    DesEncipherString(enciphered, DES_CIPHER_KEY);
    std::memcpy(data.data() + LOGIN_PASSWORD_OFFSET, enciphered, LOGIN_PASSWORD_LENGTH - 1);
    data[LOGIN_PLAIN_LENGTH_OFFSET] = static_cast<uint8_t>(password.size());
    WriteBigEndian32(data.data() + LOGIN_HANDSHAKE_ECHO_OFFSET, m_HandshakeValue);

    ProxyReply reply;
    if (!Send(MakeProxyHeader(PROXY_CONTROL, CTRL_LOGIN, 0), data) || !Receive(&reply)) return false;
    if (reply.header.OpCode != CTRL_LOGIN_REPLY || reply.data.size() < PROXY_LOGIN_REPLY_LENGTH) {
        return Fail("an unexpected login reply");
    }
    *result = ProxyWord(reply.data, 0);
    m_Base = ProxyWord(reply.data, 4);
    m_Sequence = 0;
    return true;
}

bool ProxyClientSession::Request(uint32_t opCode, const std::vector<uint8_t>& data, ProxyReply* reply) {
    const PROXY_MSG_HEADER header =
        NextSecuredHeader(PROXY_REQUEST, opCode, static_cast<uint32_t>(data.size()));
    if (!Send(header, data) || !Receive(reply)) return false;
    if (reply->header.DataType != PROXY_REPLY) return Fail("a control message in place of the reply");
    return true;
}

void ProxyClientSession::Close() {
    if (m_Socket < 0) return;
    Send(NextSecuredHeader(PROXY_CONTROL, CTRL_GOODBYE, 0), {});
    ::close(m_Socket);
    m_Socket = -1;
}

bool ProxyClientSession::WaitUntilClosedByPeer() {
    uint8_t byte = 0;
    for (;;) {
        errno = 0;
        ssize_t n = ::recv(m_Socket, &byte, 1, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) return true;
        return Fail(n > 0 ? "the proxy sent data before closing" : "receive");
    }
}

uint32_t ProxyWord(const std::vector<uint8_t>& data, size_t offset) {
    return offset + 4 <= data.size() ? ReadBigEndian32(data.data() + offset) : 0;
}
