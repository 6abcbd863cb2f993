// The provider's debug log: one file shared by every thread of the library, its settings in the registry
// (read again at every 100th log call), lines prefixed with the local time and the process and thread ids.
#pragma once

#include <cstdio>
#include <string>

#include "platform/kernel/critical_section.h"
#include "platform/system/wide_text.h"
#include "platform/time/system_time.h"

struct BVSS_DebugConfig {
    std::wstring FileName;  // empty: no file
    DWORD ToFile = 1;
    DWORD ToDebugger = 0;  // shown in the configuration dump only
    DWORD TimeStamp = 1;
    DWORD ForceFlush = 1;
    DWORD MaxFileLength = 0;  // bytes; 0: no limit
    std::wstring Name;
    std::wstring Version;
};

class BVSS_DebugLog {
  public:
    // Reads the settings and opens the file when none is open; reference counted. Returns 0.
    static int StaticInit();
    // The matching release; the file is closed when the count reaches 0. Returns 0.
    static int StaticDeinit();
    // Fills config from the registry (defaults for what is missing or of the wrong type), then the
    // provider parameters' Name and Version. Returns 0.
    static int ReadConfig(BVSS_DebugConfig* config);
    // 1 without a file; otherwise cuts a file longer than MaxFileLength to 0 bytes. Returns 0.
    static int CheckLength(FILE* file);
    static void DumpConfig(const BVSS_DebugConfig& config);

    // The log lock (recursive, deleted only by ReleaseAtUnload).
    static CRITICAL_SECTION* Lock();
    // The library's unload, once no thread of it runs: closes the file and frees the state and the lock.
    // No log call may follow.
    static void ReleaseAtUnload();

    // Tests: the file is closed, the counters and settings are as when the library was loaded.
    static void ResetForTests();

  private:
    friend void BVSS_DebugPrint(const WCHAR* format, ...);
    static void Write(const WCHAR* text);
    static void WriteFragment(const WCHAR* fragment, size_t length);
};

// The log call: a printf-style wide format with the Windows conventions (%s wide, %S narrow).
void BVSS_DebugPrint(const WCHAR* format, ...);

// Formats into a buffer of `capacity` characters with the same conventions; a longer text is cut and
// terminated. Returns the length, or -1 when the text was cut.
int BVSS_FormatText(WCHAR* buffer, size_t capacity, const WCHAR* format, ...);
