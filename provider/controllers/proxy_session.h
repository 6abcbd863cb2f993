// The provider's one session with the proxy: "corlink4.conf", connect, handshake, login, listener
// registration, then one request and one reply at a time for the command wrappers. A connection that the
// peer resets or aborts tears the session down and sets it up again.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "corlink/proxy_protocol/proxy_header.h"
#include "platform/net/winsock.h"
#include "provider/controllers/proxy_config.h"

constexpr size_t kProxyMessageBufferSize = 4u * 1024 * 1024;
// The most data bytes behind a header that the message buffer holds.
constexpr uint32_t kProxyMaxDataLength = kProxyMessageBufferSize - PROXY_HEADER_LENGTH;
// How long exec_cmnd waits for a reply, and read_stream for the next bytes of one.
constexpr int kProxyReplyWaitMs = 300 * 1000;
constexpr uint32_t kProxyConnectTries = 10;
constexpr uint32_t kProxyResetPauseMs = 2000;

struct ProxySession {
    SOCKET socket = INVALID_SOCKET;
    uint8_t* buffer = nullptr;  // the message buffer, kProxyMessageBufferSize bytes
    // SecuritySequence of the next header; shared with the heart-beat thread
    std::atomic<uint32_t> sequence{0};
    // The login's random base, part of every cookie; a login writes it while the heart-beat thread reads it.
    std::atomic<uint32_t> sessionValue{0};
    uint32_t handshakeValue = 0;
    std::atomic<int> stopFlag{0};
    bool winsockStarted = false;
    bool resetting = false;        // a reset is running: a connection error inside it does not start another
    uint32_t requestSequence = 0;  // the sequence of the request in flight; its reply echoes it
    int replyWaitMs = kProxyReplyWaitMs;  // the bound of every wait for the proxy's bytes
    ProxyConfig config;
    char addressText[16] = {};
    char user[kProxyUserChars] = {};
    char password[kProxyPasswordChars] = {};
    uint8_t passwordLength = 0;
};

// The process's session.
ProxySession& Session();

int ProxyInit();
void ProxyUnInit();

// Sends length bytes of request (header and data) and reads the reply's header into reply. Returns the
// header bytes received (PROXY_HEADER_LENGTH), or -1 when the send failed, no reply came in time, the
// reply's header was not whole, or its DataLen exceeds the buffer (the session is then reset). A reply
// that echoes an earlier request's sequence (late, after a time-out) is read and dropped.
int exec_cmnd(uint8_t* request, size_t length, uint8_t* reply, size_t headerLength);
// Reads the reply's data behind its header; the count read, or -1.
int read_data(uint8_t* destination, size_t count);
// Fills the 36-byte header at the start of buffer (DataLen 0) with the next sequence and its cookie.
size_t proxy_build_header(uint8_t* buffer, uint32_t dataType, uint32_t opCode);
// Sets the DataLen of a header built in buffer.
void proxy_set_data_length(uint8_t* buffer, uint32_t dataLength);

int send_stream(const uint8_t* bytes, size_t count, SOCKET socket);
// The count received; -1 after a failed receive, when the peer closed before the first byte, or when no
// byte came within the session's reply wait (a reply stalled halfway also resets the session).
int read_stream(uint8_t* bytes, size_t count, SOCKET socket);

int proxy_connect(const char* addressText, uint16_t port);
int proxy_start_session();
int proxy_handshake();
int proxy_login();
int proxy_register_pipe();
void say_goodbye();
void shut();
int proxy_reset();
// The stop routine: sets the stop flag and stops the heart-beat listener (called directly, never as a
// signal handler).
void sig_action(int signalNumber);
int proxy_running();

// Before a command: when no connection is left (a reset found the proxy not listening), sets the session up
// again (the reset with its pause and connect tries). 0 when connected, -1 when not (or while stopping).
int proxy_ensure_session();
// Fails the command in flight for a reply that breaks the protocol, and sets the session up again.
void proxy_drop_session(const char* why);
