// One proxy command as a record, and the writers of its reply head
// (its layout and the error codes are in corlink/proxy_wire/reply_head.h).
#pragma once

#include <cstdint>

#include "corlink/proxy_wire/reply_head.h"

// One proxy command as the executor sees it; the buffer carries the request in and the reply out.
struct Rre {
    uint32_t Command;     // proxy command code (the message's OpCode)
    uint32_t Length;      // request length (the message's DataLen)
    uint8_t* Buffer;      // request on entry, reply on return
    uint32_t BufferSize;  // capacity of Buffer
    int32_t ReplyLength;  // bytes of Buffer to send back; preset to Length
    uint32_t Trusted;     // non-zero: skip the storage-system authorisation test
};

// Status -1 with the given code: the reply is the 8-byte head alone.
void RreErrorReply(Rre* pRre, uint32_t code);
// Status 0, code 0; ReplyLength unchanged.
void RreOkReply(Rre* pRre);
void RreBadLengthReply(Rre* pRre);
// Writes status and code big-endian at the start of the buffer.
void RreWriteHead(Rre* pRre, int32_t status, uint32_t code);
