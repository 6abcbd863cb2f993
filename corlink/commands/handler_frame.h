// The common frame of the command handlers.
#pragma once

#include "corlink/commands/command_table.h"
#include "corlink/commands/rre.h"

// Logs "capicmd==>><handler>", checks the preconditions, the code and the request length in the order the
// command's table entry gives, and that the caller's buffer holds the reply. Returns false when it has
// answered the command itself.
bool RreFrameBegin(Rre* pRre, const RreCommandInfo& info);
// The same without the entry line, for a handler whose own entry line says more.
bool RreFrameChecks(Rre* pRre, const RreCommandInfo& info);
