// The proxy's console text on its way to the standard output.
//
// Every console line of the proxy (the debug log's echo, the command result lines, the CAPI library's
// lines) is queued here and leaves in the order it was queued. One thread at a time writes the queue out,
// and a thread that finds another writing leaves its text to it instead of waiting, so no thread waits for
// another's write (a command under the state-change mutex among them). The output is written without
// waiting for its reader beyond a short bound: text it does not take stays queued, and past the queue's
// bound (a stalled standard output) lines are dropped and counted, the count printed once it takes text
// again. A closed output (its reader gone) discards the text from then on; a write that fails for the
// moment (a full disk) loses only its own text. Neither ends the process.
#pragma once

#include <functional>

#include "corlink/foundation/log.h"  // CORLINK_PRINTF

// While one lives on a thread, the console text it writes is left queued instead of being written out line
// by line, and the outermost one writes it out when it ends: the lines of a command leave in one write
// after it has released the state-change mutex.
class ConsoleFlushDeferral {
  public:
    ConsoleFlushDeferral();
    ~ConsoleFlushDeferral();
    ConsoleFlushDeferral(const ConsoleFlushDeferral&) = delete;
    ConsoleFlushDeferral& operator=(const ConsoleFlushDeferral&) = delete;
};

// Writes out the queued text and flushes the standard output, unless a ConsoleFlushDeferral lives on the
// calling thread or another thread is writing (it writes this thread's text too).
void FlushConsole();
// Queues text for the standard output, then FlushConsole.
void ConsoleWrite(const char* text);
// printf-style ConsoleWrite (2048-byte text).
void ConsoleWritef(const char* format, ...) CORLINK_PRINTF(1, 2);
// Waits until no other thread writes, writes out everything queued, then runs write, which writes to the
// standard output directly (text with colour attributes set around it), before any text queued later. When
// the output does not take the queue now, plainText is queued instead.
void ConsoleWriteDirectly(const std::function<void()>& write, const char* plainText);
