// The common frame of the command handlers: the checks every handler starts with, and for the handlers that
// are "look up, authorise, read, refuse, run the controller commands, reply" the whole frame around a body.
#pragma once

#include <cstdint>

#include "corlink/handlers/command_row.h"
#include "corlink/handlers/controller_reresolve.h"
#include "corlink/handlers/rre.h"

// Logs "capicmd==>><handler>", checks the preconditions, the code and the request length in the order the
// command's table entry gives, and that the caller's buffer holds the reply. Returns false when it has
// answered the command itself.
bool RreFrameBegin(Rre* pRre, const RreCommandInfo& info);
// The same without the entry line, for a handler whose own entry line says more.
bool RreFrameChecks(Rre* pRre, const RreCommandInfo& info);

// How a command finds its controller.
enum class Lookup : uint8_t {
    None,            // no controller
    ClientId,        // the entry the client id names, placeholder or not
    RealController,  // the real controller behind the client id, with its A/B byte
    UniqueSn,        // the storage system whose UniqueSN the request carries (not found: status 0, code -1)
};

// The read of the controller before the command runs.
enum class FirstRead : uint8_t { None, Refresh, Update };

// What the body of a framed command works with.
struct CommandContext {
    CommandContext(Rre* record, uint8_t* data)
        : rre(record), buffer(data), replyLength(static_cast<int32_t>(record->Length)) {}
    Rre* rre;
    uint8_t* buffer;       // the request in host order; the reply is written over it
    int32_t index = -1;    // the controller's database index
    uint8_t ab = 0;        // its A/B byte (RealController lookups)
    uint32_t refusal = 0;  // set by a body that refuses the command: answered with this proxy error code
    int32_t replyLength;   // the reply's length; the request length unless the body sets it
    ControllerIdentity identity{};  // the controller's serial, to find it again after a send
    int32_t closingNumber = 0;      // the number of a closing line that begins with %d
    int32_t firstRead = 0;  // the result of the read before the body (0 when it succeeded or none ran)
};

struct FramedCommand {
    Lookup lookup;
    FirstRead firstRead;
    bool refusalTest;  // configuration-changing: refused while both controllers refuse changes
    // Optional, after the authorisation and before the read: a proxy error code that refuses the request.
    uint32_t (*check)(const CommandContext& context);
    // The controller commands; returns the reply code (the CAPI result, or -1 for a failure found here).
    int32_t (*run)(CommandContext& context);
    bool refreshAfter;  // re-read the controller so that the database shows the change before the reply
    // Closing log words after the handler name, with %s for "success" or "failed"; null: " %s!\n"; empty:
    // none, the body wrote its own closing lines; a leading " %d" takes the body's closingNumber.
    const char* closing;
    // Optional, in place of `closing`: writes the closing log line from the reply (in host order).
    void (*closingLog)(const CommandContext& context, const char* outcome) = nullptr;
};

// Runs the whole frame of a command whose table entry carries a FramedCommand: the checks of
// RreFrameBegin, the request's conversion from network order, the lookup, the authorisation unless the
// caller is trusted, the first read, the refusal test, the body, the read after a change, the reply head,
// the closing log line and the reply's conversion to network order.
void RunFramedCommand(Rre* pRre, const RreCommandInfo& info);
// For a body that sends more than once: finds the command's controller again (a rediscovery inside a send
// may have moved it); false, with the command refused as RRE_ERROR_NO_CONTROLLER, when it is gone.
bool FindCommandControllerAgain(CommandContext& context);
// The status-0 reply with this code: the head, the closing log line, ReplyLength and the conversion to
// network order.
void FinishReply(CommandContext& context, const RreCommandInfo& info, int32_t code);
