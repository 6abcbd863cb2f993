// The service shell: the service main function, its control handler, the console control handler and
// the console run.
#pragma once

#include "platform/win_types.h"

// Runs the proxy in the console ("debug" and "trace" runs).
void RunInConsole(int argc, char** argv);
// The service main function given to the dispatcher.
void service_main(DWORD argc, LPSTR* argv);
// 0, or 120 for a control that is not supported; every control ends with a status report.
DWORD ServiceCtrlHandlerEx(DWORD control, DWORD eventType, LPVOID eventData, LPVOID context);
// Ctrl-C, Ctrl-Break and system shut-down become a stop request (1); other events are left to the next
// handler (0).
BOOL ConsoleCtrlHandler(DWORD controlType);
