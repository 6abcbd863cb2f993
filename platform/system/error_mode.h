// The process error mode: which system error dialogs the process lets the system show. This platform
// shows none; the mode is only kept, so that code that sets and restores it around an open reads as on
// Windows.
#pragma once

#include "platform/win_types.h"

constexpr UINT SEM_FAILCRITICALERRORS = 0x0001;
constexpr UINT SEM_NOOPENFILEERRORBOX = 0x8000;

// Sets the mode and returns the previous one.
UINT SetErrorMode(UINT mode);
