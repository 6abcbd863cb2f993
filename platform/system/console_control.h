// Console control handlers: Ctrl-C (SIGINT), Ctrl-Break (SIGQUIT) and the console's closing (SIGHUP)
// reach the registered handlers on a thread of their own, the one registered last first. When no
// handler takes an event, the signal's default action ends the process.
#pragma once

#include "platform/win_types.h"

constexpr DWORD CTRL_C_EVENT = 0;
constexpr DWORD CTRL_BREAK_EVENT = 1;
constexpr DWORD CTRL_CLOSE_EVENT = 2;
constexpr DWORD CTRL_LOGOFF_EVENT = 5;
constexpr DWORD CTRL_SHUTDOWN_EVENT = 6;

using PHANDLER_ROUTINE = BOOL (*)(DWORD controlType);

// Adds (add TRUE) or removes (add FALSE) a handler; FALSE with ERROR_INVALID_PARAMETER when a handler to
// remove is not registered.
BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add);

namespace platform {
// Offers a console event to the handlers as the console would; TRUE when one of them took it.
BOOL DispatchConsoleControl(DWORD controlType);
}  // namespace platform
