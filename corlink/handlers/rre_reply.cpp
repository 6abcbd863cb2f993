#include <cstring>

#include "corlink/foundation/nt_os.h"
#include "corlink/handlers/rre.h"

void RreWriteHead(Rre* pRre, int32_t status, uint32_t code) {
    uint32_t head[2] = {os_htonl(static_cast<uint32_t>(status)), os_htonl(code)};
    std::memcpy(pRre->Buffer, head, sizeof head);
}

void RreErrorReply(Rre* pRre, uint32_t code) {
    pRre->ReplyLength = RRE_REPLY_HEAD_LENGTH;
    RreWriteHead(pRre, -1, code);
}

void RreOkReply(Rre* pRre) { RreWriteHead(pRre, 0, 0); }

void RreBadLengthReply(Rre* pRre) { RreErrorReply(pRre, RRE_ERROR_BAD_LENGTH); }
