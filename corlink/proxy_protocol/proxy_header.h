// The messages of a proxy session: the 36-byte big-endian header, the message classes and control
// codes, and the fixed layouts of the control messages' data. Shared by the proxy and its client.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t PROXY_HEADER_LENGTH = 36;
constexpr size_t PROXY_SIGNATURE_LENGTH = 12;
constexpr char PROXY_SIGNATURE[] = "KESTRAVON";
constexpr size_t PROXY_SIGNATURE_TEXT_LENGTH = sizeof PROXY_SIGNATURE - 1;

// Values of DataType.
enum PROXY_DATA_TYPE : uint32_t {
    PROXY_REQUEST = 1,
    PROXY_REPLY = 2,
    PROXY_CONTROL = 3,
    PROXY_EVENT = 4,
    PROXY_HEARTBEAT = 5,
};

// Values of OpCode in PROXY_CONTROL messages.
enum PROXY_CTRL_OPCODE : uint32_t {
    CTRL_HANDSHAKE = 1,
    CTRL_HANDSHAKE_REPLY = 2,
    CTRL_LOGIN = 3,
    CTRL_LOGIN_REPLY = 4,
    CTRL_REGISTER_LISTENER = 7,
    CTRL_REGISTER_LISTENER_REPLY = 8,
    SERVER_OUTOF_LIST = 9,
    CTRL_SECURITY_CHECK_FAIL = 11,
    CTRL_GOODBYE = 14,
    CTRL_NO_PERMISSION = 19,
    CTRL_SERVER_ERROR = 20,
};

// The header in host order; the signature bytes exactly as they travel.
struct PROXY_MSG_HEADER {
    char Signature[PROXY_SIGNATURE_LENGTH];
    uint32_t SecuritySequence;
    uint32_t Cookie;
    uint32_t DataType;
    uint32_t OpCode;
    uint32_t Reserved;  // 0 in new messages; echoed in replies
    uint32_t DataLen;   // data bytes that follow the header
};
static_assert(sizeof(PROXY_MSG_HEADER) == PROXY_HEADER_LENGTH);

// Data of CTRL_HANDSHAKE_REPLY: two big-endian words, the platform code and the handshake value.
constexpr uint32_t PROXY_HANDSHAKE_REPLY_LENGTH = 8;
// Data of CTRL_LOGIN_REPLY: result, base, login state.
constexpr uint32_t PROXY_LOGIN_REPLY_LENGTH = 12;
// Data of CTRL_REGISTER_LISTENER: the listener number, u16.
constexpr uint32_t PROXY_REGISTER_LISTENER_LENGTH = 2;

// PROXY_LOGIN_REQUEST, the data of CTRL_LOGIN.
constexpr uint32_t PROXY_LOGIN_REQUEST_LENGTH = 344;
constexpr size_t LOGIN_USER_OFFSET = 0;
constexpr size_t LOGIN_USER_LENGTH = 32;
constexpr size_t LOGIN_PASSWORD_OFFSET = 32;
constexpr size_t LOGIN_PASSWORD_LENGTH = 48;
constexpr size_t LOGIN_PLAIN_LENGTH_OFFSET = 80;
constexpr size_t LOGIN_HANDSHAKE_ECHO_OFFSET = 84;

uint32_t ReadBigEndian32(const uint8_t* bytes);
void WriteBigEndian32(uint8_t* bytes, uint32_t value);
uint16_t ReadBigEndian16(const uint8_t* bytes);

// 36 wire bytes <-> header.
void EncodeProxyHeader(const PROXY_MSG_HEADER& header, uint8_t* wire);
PROXY_MSG_HEADER DecodeProxyHeader(const uint8_t* wire);

// A new message's header: the signature, the class, code and length, every other field 0.
PROXY_MSG_HEADER MakeProxyHeader(uint32_t dataType, uint32_t opCode, uint32_t dataLen);

// The server's signature test: forces byte 9 to NUL, then the text must read "KESTRAVON". Bytes 10 and
// 11 do not matter.
bool CheckProxySignature(PROXY_MSG_HEADER& header);
