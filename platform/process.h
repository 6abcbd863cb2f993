// Processes started from a command line (CreateProcessA). The program, the first word or the quoted text
// at the start of the command line, is a Windows path mapped under the machine root; the rest is split into
// arguments at blanks (double quotes group). No shell is involved, and no handle is inherited. The process
// handle and the thread handle are signalled when the program ends and give its exit status. Priority
// classes and window flags are accepted and have no effect here.
#pragma once

#include "platform/win_types.h"

constexpr DWORD HIGH_PRIORITY_CLASS = 0x00000080;
constexpr DWORD CREATE_NO_WINDOW = 0x08000000;

struct STARTUPINFOA {
    DWORD cb;
    DWORD dwFlags;
    WORD wShowWindow;
};

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};

// applicationName must be null (the program comes from the command line). FALSE with the last error
// ERROR_FILE_NOT_FOUND when the program cannot be started.
BOOL CreateProcessA(LPCSTR applicationName, char* commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    void* environment, LPCSTR currentDirectory, STARTUPINFOA* startupInfo,
                    PROCESS_INFORMATION* processInformation);
// The program's exit status once it has ended (STILL_ACTIVE while it runs; 1 for a program ended by a
// signal); FALSE (ERROR_INVALID_HANDLE) for a handle that is not a process's.
BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode);
