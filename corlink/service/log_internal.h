// The debug log's file and mutex, for the writers that sit beside it (the hex dumps).
#pragma once

#include <cstdio>

#include "platform/win_types.h"

// The open log file, or null.
FILE* DebugLogFile();
// The log mutex, or null before the log is opened.
HANDLE DebugLogMutex();
