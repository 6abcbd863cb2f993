#include "provider/controllers/proxy_session.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>

#include "corlink/cipher/cipher.h"
#include "corlink/proxy_protocol/request_cookie.h"
#include "platform/kernel/sync.h"
#include "platform/net/winsock_addresses.h"
#include "platform/net/winsock_startup.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/heartbeat_listener.h"
#include "provider/controllers/proxy_exchange.h"

namespace {

constexpr size_t kSendFragmentBytes = 1024;
constexpr DWORD kWouldBlockPauseMs = 2;
constexpr char kHandshakeText[] = "lcamon";
constexpr size_t kHandshakeTextLength = sizeof kHandshakeText - 1;

bool ConnectionLost(int error) { return error == WSAECONNRESET || error == WSAECONNABORTED; }

// A connection that the peer reset, aborted or closed: the session is set up again, unless it is stopping
// or a reset is already running (the transfer then just fails).
void OnConnectionLost(int error) {
    ProxySession& s = Session();
    BVSS_DebugPrint(L"The network connection has been reseted or aborted, errorcode 0x%08x.\n", error);
    if (s.stopFlag.load() != 0 || s.resetting) return;
    if (proxy_reset() >= 0) BVSS_DebugPrint(L"The network connection has been reconnect successfully.\n");
}

// A failed send or receive: logged; true when the transfer ends (after a reset for a lost connection), false
// when it is to be tried again after a short pause (the socket would block).
bool TransferFailed(const WCHAR* message) {
    const int error = WSAGetLastError();
    BVSS_DebugPrint(message, error);
    if (error == WSAEWOULDBLOCK) {
        Sleep(kWouldBlockPauseMs);
        return false;
    }
    if (ConnectionLost(error)) OnConnectionLost(error);
    return true;
}

void CloseSessionSocket() {
    ProxySession& s = Session();
    if (s.socket != INVALID_SOCKET) closesocket(s.socket);
    s.socket = INVALID_SOCKET;
}

}  // namespace

// Plain data, never destroyed (the heart-beat thread may still use it during the process's exit); the
// message buffer is freed by ProxyUnInit.
ProxySession& Session() {
    static ProxySession session;
    return session;
}

size_t proxy_build_header(uint8_t* buffer, uint32_t dataType, uint32_t opCode) {
    ProxySession& s = Session();
    const uint32_t sequence = s.sequence.fetch_add(1);  // one atomic step: the heart-beat thread builds too
    PROXY_MSG_HEADER header = MakeProxyHeader(dataType, opCode, 0);
    header.SecuritySequence = sequence;
    header.Cookie = ProxyRequestCookie(s.sessionValue.load(), sequence);
    EncodeProxyHeader(header, buffer);
    return PROXY_HEADER_LENGTH;
}

void proxy_set_data_length(uint8_t* buffer, uint32_t dataLength) {
    WriteBigEndian32(buffer + 32, dataLength);
}

int send_stream(const uint8_t* bytes, size_t count, SOCKET socket) {
    if (socket == INVALID_SOCKET) {
        BVSS_DebugPrint(L"send_stream socket may be close socket 0x%08x\n", static_cast<unsigned>(socket));
        return -1;
    }
    size_t sent = 0;
    while (sent < count) {
        const size_t fragment = count - sent < kSendFragmentBytes ? count - sent : kSendFragmentBytes;
        const int n =
            send(socket, reinterpret_cast<const char*>(bytes + sent), static_cast<int>(fragment), 0);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (TransferFailed(L"send_stream send error errorcode 0x%08x\n")) return -1;
    }
    return 0;
}

int read_stream(uint8_t* bytes, size_t count, SOCKET socket) {
    if (socket == INVALID_SOCKET) {
        BVSS_DebugPrint(L"read_stream socket may be close socket 0x%08x\n", static_cast<unsigned>(socket));
        return -1;
    }
    size_t received = 0;
    while (received < count) {
        WSAPOLLFD watch{socket, POLLRDNORM, 0};
        if (WSAPoll(&watch, 1, Session().replyWaitMs) == 0) {
            BVSS_DebugPrint(L"read_stream: no data for %d ms, %u of %u bytes read\n", Session().replyWaitMs,
                            static_cast<unsigned>(received), static_cast<unsigned>(count));
            proxy_drop_session("a reply stalled halfway");
            return -1;
        }
        const size_t want = count - received;
        const int n = recv(socket, reinterpret_cast<char*>(bytes + received),
                           static_cast<int>(want > 0x7FFFFFFF ? 0x7FFFFFFF : want), 0);
        if (n > 0) {
            received += static_cast<size_t>(n);
            continue;
        }
        if (n == 0) {
            // The peer closed: what arrived of this read is returned; a close before its first byte is a
            // lost connection, like a reset one.
            if (received > 0) return static_cast<int>(received);
            BVSS_DebugPrint(L"read_stream: the peer closed the connection\n");
            OnConnectionLost(WSAECONNRESET);
            return -1;
        }
        if (TransferFailed(L"read_stream recv error 0x%08x\n")) return -1;
    }
    return static_cast<int>(received);
}

int exec_cmnd(uint8_t* request, size_t length, uint8_t* reply, size_t headerLength) {
    ProxySession& s = Session();
    if (length < PROXY_HEADER_LENGTH || headerLength != PROXY_HEADER_LENGTH) return -1;
    s.requestSequence = ReadBigEndian32(request + 12);
    if (send_stream(request, length, s.socket) < 0) return -1;
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD waited = GetTickCount() - start;
        const int remaining =
            waited >= static_cast<DWORD>(s.replyWaitMs) ? 0 : s.replyWaitMs - static_cast<int>(waited);
        WSAPOLLFD watch{s.socket, POLLRDNORM, 0};
        const int ready = WSAPoll(&watch, 1, remaining);
        if (ready < 0) BVSS_DebugPrint(L"exec_cmnd send error errorcode 0x%08x\n", WSAGetLastError());
        if (ready <= 0) {
            BVSS_DebugPrint(L"exec_cmnd FD_ISSET error 0x%08x\n", WSAGetLastError());
            return -1;
        }
        const int received = read_stream(reply, headerLength, s.socket);
        if (received != static_cast<int>(headerLength)) return -1;  // a reset may have replaced the session
        const PROXY_MSG_HEADER header = DecodeProxyHeader(reply);
        if (header.DataLen > kProxyMaxDataLength) {
            BVSS_DebugPrint(L"exec_cmnd: reply DataLen %u exceeds the buffer\n", header.DataLen);
            proxy_drop_session("reply longer than the message buffer");
            return -1;
        }
        if (header.SecuritySequence == s.requestSequence) return received;
        // The reply to an earlier request that timed out: dropped whole.
        BVSS_DebugPrint(
            L"exec_cmnd: dropped a late reply (sequence %u, DataLen %u) waiting for sequence %u\n",
            header.SecuritySequence, header.DataLen, s.requestSequence);
        if (header.DataLen > 0 &&
            read_data(reply + headerLength, header.DataLen) != static_cast<int>(header.DataLen))
            return -1;
    }
}

int read_data(uint8_t* destination, size_t count) {
    return read_stream(destination, count, Session().socket);
}

int proxy_connect(const char* addressText, uint16_t port) {
    ProxySession& s = Session();
    s.socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s.socket == INVALID_SOCKET) {
        BVSS_DebugPrint(L"new socket\n");
        return -1;
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = inet_addr(addressText);
    if (connect(s.socket, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
        BVSS_DebugPrint(L"connect error 0x%08x\n", WSAGetLastError());
        CloseSessionSocket();
        return -1;
    }
    return 0;
}

int proxy_handshake() {
    BVSS_FunctionTrace trace(L"proxy_handshake");
    uint8_t* buffer = Session().buffer;
    proxy_build_header(buffer, PROXY_CONTROL, CTRL_HANDSHAKE);
    std::memcpy(buffer + PROXY_HEADER_LENGTH, kHandshakeText, kHandshakeTextLength);
    ProxyExchange exchange;
    if (proxy_exchange(kHandshakeTextLength, PROXY_CONTROL, CTRL_HANDSHAKE_REPLY, &exchange) !=
            ExchangeFailure::None ||
        exchange.dataRead != PROXY_HANDSHAKE_REPLY_LENGTH) {
        return -1;
    }
    Session().handshakeValue = ReadBigEndian32(Session().buffer + PROXY_HEADER_LENGTH + 4);
    return 0;
}

int proxy_login() {
    BVSS_FunctionTrace trace(L"proxy_login");
    ProxySession& s = Session();
    uint8_t* buffer = s.buffer;
    proxy_build_header(buffer, PROXY_CONTROL, CTRL_LOGIN);
    uint8_t* data = buffer + PROXY_HEADER_LENGTH;
    std::memset(data, 0, PROXY_LOGIN_REQUEST_LENGTH);
    std::memcpy(data + LOGIN_USER_OFFSET, s.user, LOGIN_USER_LENGTH - 1);
    char* password = reinterpret_cast<char*>(data + LOGIN_PASSWORD_OFFSET);
    std::memcpy(password, s.password, LOGIN_PASSWORD_LENGTH - 1);
    DesEncipherString(password, DES_CIPHER_KEY);
    data[LOGIN_PLAIN_LENGTH_OFFSET] = s.passwordLength;
    WriteBigEndian32(data + LOGIN_HANDSHAKE_ECHO_OFFSET, s.handshakeValue);
    // The enciphered password is never written to the log, only its length.
    BVSS_DebugPrint(L"Encrpt password: ********, lenght = %d\n",
                    static_cast<int>(strnlen(password, LOGIN_PASSWORD_LENGTH)));
    ProxyExchange exchange;
    const ExchangeFailure failure =
        proxy_exchange(PROXY_LOGIN_REQUEST_LENGTH, PROXY_CONTROL, CTRL_LOGIN_REPLY, &exchange);
    if (failure == ExchangeFailure::WrongType) {
        std::printf("datatype = %d   opcode = %d\n", static_cast<int>(exchange.dataType),
                    static_cast<int>(exchange.opCode));
    }
    if (failure != ExchangeFailure::None || exchange.dataRead != PROXY_LOGIN_REPLY_LENGTH) return -1;
    const uint8_t* reply = s.buffer + PROXY_HEADER_LENGTH;
    switch (ReadBigEndian32(reply)) {
        case 1: s.sessionValue.store(ReadBigEndian32(reply + 4)); return 0;
        case 2: BVSS_DebugPrint(L"unknown user.\n"); return -1;
        case 5: BVSS_DebugPrint(L"invalid password.\n"); return -1;
        default: BVSS_DebugPrint(L"unknown status.\n"); return -1;
    }
}

int proxy_register_pipe() {
    BVSS_FunctionTrace trace(L"proxy_register_pipe");
    uint8_t* buffer = Session().buffer;
    proxy_build_header(buffer, PROXY_CONTROL, CTRL_REGISTER_LISTENER);
    const uint32_t number = listener_number();
    buffer[PROXY_HEADER_LENGTH] = static_cast<uint8_t>(number >> 8);
    buffer[PROXY_HEADER_LENGTH + 1] = static_cast<uint8_t>(number);
    ProxyExchange exchange;
    const ExchangeFailure failure = proxy_exchange(PROXY_REGISTER_LISTENER_LENGTH, PROXY_CONTROL,
                                                   CTRL_REGISTER_LISTENER_REPLY, &exchange);
    if (failure == ExchangeFailure::WrongType) {
        std::printf("datatype = %d   opcode = %d\n", static_cast<int>(exchange.dataType),
                    static_cast<int>(exchange.opCode));
    }
    return failure == ExchangeFailure::None ? 0 : -1;
}

int proxy_start_session() {
    int result = proxy_handshake();
    if (result == 0) result = proxy_login();
    if (result == 0) result = proxy_register_pipe();
    return result;
}

int ProxyInit() {
    BVSS_FunctionTrace trace(L"ProxyInit");
    ProxySession& s = Session();
    s.stopFlag.store(0);
    CloseSessionSocket();  // a session started again gives up its old connection
    if (s.buffer == nullptr) s.buffer = new (std::nothrow) uint8_t[kProxyMessageBufferSize];
    if (s.buffer == nullptr) {
        BVSS_DebugPrint(L"ProxyInit: no memory for the message buffer\n");
        return -1;
    }
    find_proxy_config(&s.config);
    const ProxyConfig& c = s.config;
    if (c.user[0] == 0 || c.password[0] == 0 || c.address == 0 || c.port == 0 || c.version == 0) {
        BVSS_DebugPrint(L"Read proxy confige file failed!\n");
        return -1;
    }
    const uint32_t address = ntohl(c.address);
    std::snprintf(s.addressText, sizeof s.addressText, "%u.%u.%u.%u", address >> 24, address >> 16 & 0xFF,
                  address >> 8 & 0xFF, address & 0xFF);
    std::memcpy(s.user, c.user, sizeof s.user);
    std::memcpy(s.password, c.password, sizeof s.password);
    s.passwordLength = static_cast<uint8_t>(strnlen(s.password, sizeof s.password));
    BVSS_DebugPrint(L"AgentIP = %S\n", s.addressText);
    BVSS_DebugPrint(L"UserName = %S\n", s.user);
    BVSS_DebugPrint(L"Proxy Listen Port = %d\n", c.port);
    WSADATA data;
    if (WSAStartup(0x0202, &data) != 0) return -1;
    s.winsockStarted = true;
    if (create_listen() != 0) {
        WSACleanup();
        s.winsockStarted = false;
        return -1;
    }
    BVSS_DebugPrint(L"Connecting to %S ... \n", s.addressText);
    bool connected = false;
    for (uint32_t i = 0; i < kProxyConnectTries && !connected; ++i)
        connected = proxy_connect(s.addressText, c.port) == 0;
    if (!connected) {
        WSACleanup();
        s.winsockStarted = false;
        return -1;
    }
    BVSS_DebugPrint(L"Success!\n");
    return proxy_start_session();
}

void say_goodbye() {
    ProxySession& s = Session();
    if (s.buffer == nullptr) return;
    proxy_build_header(s.buffer, PROXY_CONTROL, CTRL_GOODBYE);
    send_stream(s.buffer, PROXY_HEADER_LENGTH, s.socket);
}

void shut() {
    say_goodbye();
    CloseSessionSocket();
}

void sig_action(int) {
    ProxySession& s = Session();
    s.stopFlag.store(1);
    BVSS_DebugPrint(L"sig_action\n");
    stop_listener();
    delete_listener();
}

int proxy_running() { return Session().stopFlag.load() == 0 ? 1 : 0; }

int proxy_reset() {
    ProxySession& s = Session();
    s.resetting = true;
    BVSS_DebugPrint(L"Reset the proxy...\n");
    CloseSessionSocket();
    sig_action(SIGINT);
    if (s.winsockStarted) WSACleanup();
    s.winsockStarted = false;
    BVSS_DebugPrint(L"Reinitialize the proxy...\n");
    Sleep(kProxyResetPauseMs);
    const int result = ProxyInit();
    if (result < 0) {
        BVSS_DebugPrint(L"Initialize proxy fail!\n");
    } else {
        BVSS_DebugPrint(L"Initialize proxy success.\n");
    }
    s.resetting = false;
    return result;
}

int proxy_ensure_session() {
    ProxySession& s = Session();
    if (s.socket != INVALID_SOCKET) return 0;
    if (s.stopFlag.load() != 0 || s.resetting) return -1;
    // A reset that found the proxy not listening left no connection: this command tries again, once.
    BVSS_DebugPrint(L"No connection to the proxy: setting the session up again.\n");
    return proxy_reset() < 0 ? -1 : 0;
}

void proxy_drop_session(const char* why) {
    ProxySession& s = Session();
    BVSS_DebugPrint(L"proxy_drop_session: %S\n", why);
    if (s.stopFlag.load() != 0 || s.resetting) {
        CloseSessionSocket();
        return;
    }
    proxy_reset();
}

void ProxyUnInit() {
    BVSS_FunctionTrace trace(L"ProxyUnInit");
    ProxySession& s = Session();
    s.stopFlag.store(1);  // a connection found closed while saying goodbye starts no reset
    shut();
    sig_action(SIGINT);  // the stop routine runs here, not as a signal handler
    if (s.winsockStarted) WSACleanup();
    s.winsockStarted = false;
    delete[] s.buffer;
    s.buffer = nullptr;
}
