// One row of the proxy command table as a handler sees it: the command's name, handler, fixed request
// length, how a wrong length is answered and what the command reaches.
#pragma once

#include <cstdint>

#include "corlink/handlers/rre.h"

constexpr int32_t kAnyLength = -1;  // the request length is not tested

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
    int32_t replyLength;  // largest reply the handler writes (kAnyLength: the request length)
    CommandReach reach;
    RreHandler handler;  // null until the handler is built: answered RRE_ERROR_UNKNOWN_COMMAND
    const FramedCommand* framed = nullptr;  // the common frame's steps, for handlers run by RunFramedCommand
};
