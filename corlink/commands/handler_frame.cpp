#include "corlink/commands/handler_frame.h"

#include "corlink/service/assertion.h"
#include "corlink/service/log.h"

namespace {

bool CodeMatches(Rre* pRre, const RreCommandInfo& info) {
    if (pRre->Command == info.code) return true;
    RreErrorReply(pRre, RRE_ERROR_WRONG_COMMAND);
    return false;
}

bool LengthMatches(Rre* pRre, const RreCommandInfo& info, uint32_t errorCode) {
    if (info.requestLength == kAnyLength || pRre->Length == static_cast<uint32_t>(info.requestLength)) return true;
    RreErrorReply(pRre, errorCode);
    return false;
}

// The reply is written over the request: the caller's buffer must hold the larger of the two.
bool BufferHoldsReply(Rre* pRre, const RreCommandInfo& info) {
    uint32_t needed = pRre->Length;
    if (info.replyLength != kAnyLength && static_cast<uint32_t>(info.replyLength) > needed) {
        needed = static_cast<uint32_t>(info.replyLength);
    }
    if (pRre->BufferSize >= needed) return true;
    RreErrorReply(pRre, RRE_ERROR_WRONG_LENGTH);
    return false;
}

}  // namespace

bool RreFrameBegin(Rre* pRre, const RreCommandInfo& info) {
    DebugPrint("capicmd==>>%s\n", info.handlerName);
    return RreFrameChecks(pRre, info);
}

bool RreFrameChecks(Rre* pRre, const RreCommandInfo& info) {
    OS_ASSERT_TEXT(pRre != nullptr, "pRre != NULL");
    if (pRre == nullptr) return false;
    OS_ASSERT_TEXT(pRre->Buffer != nullptr, "pRre->Buffer != NULL");
    if (pRre->Buffer == nullptr) return false;
    switch (info.lengthCheck) {
        case Checked::LengthFirst:
            if (!LengthMatches(pRre, info, RRE_ERROR_BAD_LENGTH) || !CodeMatches(pRre, info)) return false;
            break;
        case Checked::AfterCode:
            if (!CodeMatches(pRre, info) || !LengthMatches(pRre, info, RRE_ERROR_WRONG_LENGTH)) return false;
            break;
        case Checked::None:
            if (!CodeMatches(pRre, info)) return false;
            break;
    }
    return BufferHoldsReply(pRre, info);
}
