// The proxy's debug log: time-stamped lines to the file named in the registry (or to the debugger
// output), settings re-read every 100 calls, the file kept under a maximum length.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#define CORLINK_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))

// The debug-log settings, from the registry key Debug under the service key.
struct DEBUG_CONFIG {
    char FileName[256];
    uint32_t ToFile;
    uint32_t ToDebugger;
    uint32_t TimeStamp;
    uint32_t ForceFlush;
    uint32_t MaxFileLength;
    uint32_t Options;
};

extern DEBUG_CONFIG DebugConfig;

// printf-style into a 2048-byte message (longer messages are cut); echoed to the standard output in
// console "debug" runs.
void DebugPrint(const char* format, ...) CORLINK_PRINTF(1, 2);
// While one lives on a thread, the time prefix of the debug log's lines names the given thread instead of
// the calling one: for a command run on behalf of another session's thread.
class LogLinesOfThread {
  public:
    explicit LogLinesOfThread(uint32_t threadId);
    ~LogLinesOfThread();
    LogLinesOfThread(const LogLinesOfThread&) = delete;
    LogLinesOfThread& operator=(const LogLinesOfThread&) = delete;

  private:
    uint32_t previous_;
};
// The writer behind DebugPrint (4096-byte message).
void DebugWrite(const char* format, ...) CORLINK_PRINTF(1, 2);
// Bounded vsnprintf: the number of characters the full text has, or a negative value.
int FormatArgs(char* buffer, size_t size, const char* format, va_list args);

int OpenDebugFile(const char* nameOverride);
int QueryDebugKeys(DEBUG_CONFIG* config);
void CloseDebugFile();
// Closes the debug file whatever its reference count and forgets the settings and the log switches, as at
// start (for tests).
void ResetDebugLog();
// Logs "<operation> failed with error <n>: <system text>".
void LogLastError(const char* operation);
