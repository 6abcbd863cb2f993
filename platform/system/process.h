// Processes started from a command line (CreateProcessA). The program, the first word or the quoted text
// at the start of the command line, is a Windows path mapped under the machine root; the rest is split into
// arguments at blanks (double quotes group). No shell is involved, and no handle is inherited but the
// standard handles of STARTUPINFOA; without them the child writes where this process writes. The process
// handle and the thread handle are signalled when the program ends and give its exit status. Priority
// classes and window flags are accepted and have no effect here.
#pragma once

#include "platform/win_types.h"

constexpr DWORD HIGH_PRIORITY_CLASS = 0x00000080;
constexpr DWORD CREATE_NO_WINDOW = 0x08000000;

constexpr DWORD STARTF_USESHOWWINDOW = 0x00000001;
constexpr DWORD STARTF_USESTDHANDLES = 0x00000100;
constexpr WORD SW_HIDE = 0;

// With STARTF_USESTDHANDLES and inheritHandles TRUE the child's standard input, output and error are the
// given handles (regular files of CreateFileA); a handle that is null or not such a file, or any handle when
// handles are not inherited, gives the child an empty input and a discarding output there.
struct STARTUPINFOA {
    DWORD cb;
    DWORD dwFlags;
    WORD wShowWindow;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
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

// The process error mode: which system error dialogs the process lets the system show. This platform
// shows none; the mode is only kept, so that code that sets and restores it around an open reads as on
// Windows.
constexpr UINT SEM_FAILCRITICALERRORS = 0x0001;
constexpr UINT SEM_NOOPENFILEERRORBOX = 0x8000;

// Sets the mode and returns the previous one.
UINT SetErrorMode(UINT mode);
