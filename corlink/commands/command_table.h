// The proxy command table: for each code 0-126 its name, handler, fixed request length, how a wrong length
// is answered and what the command reaches. The dispatcher and the name table are both derived from it.
#pragma once

#include <cstdint>

#include "corlink/commands/rre.h"
#include "corlink/proxy_wire/proxy_commands.h"

constexpr int32_t kAnyLength = -1;           // the request length is not tested

// How the frame tests the request length.
enum class Checked : uint8_t {
    None,         // not tested
    AfterCode,    // after the code test; RRE_ERROR_WRONG_LENGTH
    LengthFirst,  // before the code test; RRE_ERROR_BAD_LENGTH (the list and flag commands)
    AtLeast,      // after the code test, at least requestLength bytes; RRE_ERROR_WRONG_LENGTH
};

// What a command reaches while it runs.
enum class CommandReach : uint8_t {
    Database,  // answered from the proxy's own state at once: it exchanges nothing with a controller
    Outside,   // talks to a controller (or reads and writes files, or may rediscover): it may take long
};

struct RreCommandInfo;
struct FramedCommand;
using RreHandler = void (*)(Rre* pRre, const RreCommandInfo& info);

struct RreCommandInfo {
    uint32_t code;
    const char* name;         // text in the name table, or null for an unnamed code
    const char* handlerName;  // `capi<Command>`, or null when the code has no handler
    int32_t requestLength;    // fixed request length, or kAnyLength
    Checked lengthCheck;
    int32_t replyLength;      // largest reply the handler writes (kAnyLength: the request length)
    CommandReach reach;
    RreHandler handler;       // null until the handler is built: answered RRE_ERROR_UNKNOWN_COMMAND
    const FramedCommand* framed = nullptr;  // the common frame's steps, for handlers run by RunFramedCommand
};

// The entry of a code, or null when the code has no row.
const RreCommandInfo* FindRreCommand(uint32_t code);
// True when the code's row answers from the database (a code without a row is answered at once too).
bool AnsweredFromDatabase(uint32_t code);

// One row of the name table: the code and a 40-byte field holding the name, NUL-terminated and padded with
// blanks to 30 characters (two names carry tabs instead).
struct RreCommandName {
    int32_t code;
    char name[40];
};
constexpr uint32_t RRE_COMMAND_NAME_COUNT = 96;
extern const RreCommandName* const RreCommandNameTable;

// The padded name of a code for log lines, or "INVALID OPCODE".
const char* RreCommandNameOf(uint32_t code);
