// The debugger output and message boxes. Without a debugger attached, the debugger output goes to a sink
// that a test may install; by default it is written to standard error when CORLINK_DEBUGGER_OUTPUT is
// set and dropped otherwise.
#pragma once

#include <functional>
#include <string>

#include "platform/win_types.h"

void OutputDebugStringA(LPCSTR text);

constexpr UINT MB_OK = 0x0;
constexpr UINT MB_ICONERROR = 0x10;
// No desktop here: the box's caption and text go to standard error.
int MessageBoxA(void* owner, LPCSTR text, LPCSTR caption, UINT type);

namespace platform {
using DebugOutputSink = std::function<void(const std::string&)>;
// Installs a sink (an empty function restores the default).
void SetDebugOutputSink(DebugOutputSink sink);
}  // namespace platform
