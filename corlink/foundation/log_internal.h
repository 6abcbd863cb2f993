// The debug log's file and lock, for the writers that sit beside it (the hex dumps).
#pragma once

#include <cstdio>

#include "platform/win_types.h"

// The open log file, or null.
FILE* DebugLogFile();
// Holds the log's lock (recursive) while it lives.
class DebugLogHold {
  public:
    DebugLogHold();
    ~DebugLogHold();
    DebugLogHold(const DebugLogHold&) = delete;
    DebugLogHold& operator=(const DebugLogHold&) = delete;
};
