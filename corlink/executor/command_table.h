// The proxy command table: for each code 0-126 its name, handler, fixed request length, how a wrong length
// is answered and what the command reaches. The dispatcher and the name table are both derived from it.
#pragma once

#include <cstdint>

#include "corlink/handlers/command_row.h"
#include "corlink/proxy_wire/proxy_commands.h"

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
