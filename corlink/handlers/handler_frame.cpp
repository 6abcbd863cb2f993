#include "corlink/handlers/handler_frame.h"

#include <cstdio>
#include <cstring>

#include "corlink/capi_wire/byte_order.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/database/database_state.h"
#include "corlink/database/storage_system.h"
#include "corlink/foundation/assertion.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/handlers/authentication.h"
#include "corlink/handlers/controller_reresolve.h"
#include "corlink/proxy_wire/buffer_wire.h"
#include "corlink/proxy_wire/buffers_arrays.h"
#include "corlink/proxy_wire/buffers_controller.h"

namespace {

bool CodeMatches(Rre* pRre, const RreCommandInfo& info) {
    if (pRre->Command == info.code) return true;
    RreErrorReply(pRre, RRE_ERROR_WRONG_COMMAND);
    return false;
}

bool LengthMatches(Rre* pRre, const RreCommandInfo& info, uint32_t errorCode) {
    if (info.requestLength == kAnyLength || pRre->Length == static_cast<uint32_t>(info.requestLength))
        return true;
    if (info.lengthCheck == Checked::AtLeast && pRre->Length > static_cast<uint32_t>(info.requestLength))
        return true;
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
        case Checked::AtLeast:
            if (!CodeMatches(pRre, info) || !LengthMatches(pRre, info, RRE_ERROR_WRONG_LENGTH)) return false;
            break;
        case Checked::None:
            if (!CodeMatches(pRre, info)) return false;
            break;
    }
    return BufferHoldsReply(pRre, info);
}

namespace {

// The controller of the storage system whose UniqueSN is the request's text: its A, else its B.
int32_t FindByUniqueSn(const char* text) {
    const STORAGE_SYSTEM* system = FindStorageSystemByUniqueSn(text);
    if (system == nullptr) return -1;
    const int32_t a = FindControllerByHandle(system->controllerHandleA);
    return a >= 0 ? a : FindControllerByHandle(system->controllerHandleB);
}

// Resolves the controller; false when the command has been answered.
bool Resolve(CommandContext& context, const FramedCommand& framed, const RreCommandInfo& info) {
    Rre* pRre = context.rre;
    switch (framed.lookup) {
        case Lookup::None: return true;
        case Lookup::ClientId:
        case Lookup::RealController: {
            // The list commands carry the id alone, big-endian, and have no request converter.
            const uint32_t id =
                info.lengthCheck == Checked::LengthFirst
                    ? os_ntohl(rre_wire::BufferAs<RRE_CONTROLLER_ID_REQUEST>(context.buffer)->controllerId)
                    : rre_wire::BufferAs<RRE_ID_HEAD>(context.buffer)->controllerId;
            context.index = framed.lookup == Lookup::ClientId ? FindControllerByClientId(id)
                                                              : FindRealControllerByClientId(id, &context.ab);
            break;
        }
        case Lookup::UniqueSn:
            // Only SET_ARRAY_BACKOFFPERCENT names its storage system.
            context.index = FindByUniqueSn(rre_wire::BufferAs<RRE_BACKOFF_BUFFER>(context.buffer)->UniqueSN);
            if (context.index < 0) {
                FinishReply(context, info, -1);
                return false;
            }
            break;
    }
    if (context.index < 0 || (pRre->Trusted == 0 && IsControllerAuthorized(context.index) == 0)) {
        RreErrorReply(pRre, RRE_ERROR_NO_CONTROLLER);
        return false;
    }
    return true;
}

}  // namespace

bool FindCommandControllerAgain(CommandContext& context) {
    context.index = FindControllerAgain(context.identity);
    if (context.index < 0) context.refusal = RRE_ERROR_NO_CONTROLLER;
    return context.index >= 0;
}

void FinishReply(CommandContext& context, const RreCommandInfo& info, int32_t code) {
    const uint32_t head[2] = {0, static_cast<uint32_t>(code)};
    std::memcpy(context.buffer, head, sizeof head);
    const char* outcome = code == 0 ? "success" : "failed";
    if (info.framed != nullptr && info.framed->closingLog != nullptr) {
        info.framed->closingLog(context, outcome);
    } else {
        const char* closing =
            info.framed != nullptr && info.framed->closing != nullptr ? info.framed->closing : " %s!\n";
        char format[64];
        std::snprintf(format, sizeof format, "capicmd==>>%%s%s", closing);
        if (std::strncmp(closing, " %d", 3) == 0) {
            DebugPrint(format, info.handlerName, context.closingNumber, outcome);
        } else if (*closing != '\0') {
            DebugPrint(format, info.handlerName, outcome);
        }
    }
    context.rre->ReplyLength = context.replyLength;
    if (rre_wire::BufferFormatOf(info.code) != nullptr) {
        PackRreBuffer(info.code, PACK_TO_NETWORK, context.buffer, static_cast<size_t>(context.replyLength));
    } else {
        RreWriteHead(context.rre, 0, static_cast<uint32_t>(code));
    }
}

void RunFramedCommand(Rre* pRre, const RreCommandInfo& info) {
    if (!RreFrameBegin(pRre, info)) return;
    const FramedCommand& framed = *info.framed;
    CommandContext context{pRre, pRre->Buffer};
    if (info.lengthCheck != Checked::LengthFirst)
        PackRreBuffer(info.code, PACK_FROM_NETWORK, pRre->Buffer, pRre->Length);
    if (!Resolve(context, framed, info)) return;
    if (framed.check != nullptr) {
        if (const uint32_t refusal = framed.check(context); refusal != 0) return RreErrorReply(pRre, refusal);
    }
    if (context.index >= 0) {
        // A rediscovery inside a read may move the entry: the controller is found again after it.
        const ControllerIdentity identity =
            IdentityOf(context.index, framed.lookup == Lookup::RealController);
        g_CurrentController = context.index;
        if (framed.firstRead == FirstRead::Refresh) context.firstRead = RefreshController(context.index);
        if (framed.firstRead == FirstRead::Update) context.firstRead = UpdateController(context.index);
        context.index = FindControllerAgain(identity);
        if (context.index < 0) return RreErrorReply(pRre, RRE_ERROR_NO_CONTROLLER);
        context.identity = identity;
    }
    if (framed.refusalTest && IsConfigChangeRefused(context.index) != 0) {
        return RreErrorReply(pRre, RRE_ERROR_CHANGE_REFUSED);
    }
    const int32_t code = framed.run(context);
    if (context.refusal != 0) return RreErrorReply(pRre, context.refusal);
    // The body's sends may have rebuilt the database: the entry is found again before it is read.
    if (framed.refreshAfter && context.index >= 0) {
        context.index = FindControllerAgain(context.identity);
        if (context.index >= 0) RefreshController(context.index);
    }
    FinishReply(context, info, code);
}
