// The command executor: one proxy command as a record, its exports, the reply head and the proxy's
// own error codes.
#pragma once

#include <cstdint>

// One proxy command as the executor sees it; the buffer carries the request in and the reply out.
struct Rre {
    uint32_t Command;     // proxy command code (the message's OpCode)
    uint32_t Length;      // request length (the message's DataLen)
    uint8_t* Buffer;      // request on entry, reply on return
    uint32_t BufferSize;  // capacity of Buffer
    int32_t ReplyLength;  // bytes of Buffer to send back; preset to Length
    uint32_t Trusted;     // non-zero: skip the storage-system authorisation test
};

constexpr uint32_t RRE_ERROR_WRONG_COMMAND = 0x02081005;
constexpr uint32_t RRE_ERROR_WRONG_LENGTH = 0x02081006;
constexpr uint32_t RRE_ERROR_NO_CONTROLLER = 0x02081008;
constexpr uint32_t RRE_ERROR_BAD_DRIVE = 0x0208100A;
constexpr uint32_t RRE_ERROR_CHANGE_REFUSED = 0x0208100D;
constexpr uint32_t RRE_ERROR_OWNER_REFUSED = 0x0208100E;
constexpr uint32_t RRE_ERROR_UNKNOWN_COMMAND = 0x02080A07;
constexpr uint32_t RRE_ERROR_BAD_LENGTH = 0x02080A09;
constexpr uint32_t RRE_STATUS_NOT_INITIALIZED = 0x03070901;
constexpr uint32_t RRE_ERROR_NO_MUTEX = 0x01071502;
constexpr uint32_t RRE_ERROR_MUTEX_WAIT = 0x01071501;

// The head of every reply buffer: status (0 the handler ran, -1 refused) and code, both big-endian.
constexpr uint32_t RRE_REPLY_HEAD_LENGTH = 8;

extern "C" {
uint32_t rreInitialize(void);
void rreExecCommand(Rre* pRre);
uint64_t rreTerminate(void);
}

// The name of a command code for log lines: RreCommandNameOf in corlink/commands/command_table.h.

// Status -1 with the given code: the reply is the 8-byte head alone.
void RreErrorReply(Rre* pRre, uint32_t code);
// Status 0, code 0; ReplyLength unchanged.
void RreOkReply(Rre* pRre);
void RreBadLengthReply(Rre* pRre);
// Writes status and code big-endian at the start of the buffer.
void RreWriteHead(Rre* pRre, int32_t status, uint32_t code);
