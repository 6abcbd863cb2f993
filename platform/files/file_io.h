// Handles that are read and written like files: CreateFileA, ReadFile, WriteFile, with or without an
// OVERLAPPED request. CreateFileA opens named pipes ("\\.\pipe\NAME"), devices (platform/devices/device_io.h)
// and regular files of the machine root (platform/files/regular_files.h).
#pragma once

#include <cstdint>

#include "platform/kernel/handles.h"
#include "platform/win_types.h"

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD FILE_SHARE_READ = 0x00000001;  // sharing modes are not enforced here
constexpr DWORD FILE_SHARE_WRITE = 0x00000002;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000;

constexpr DWORD ERROR_BROKEN_PIPE = 109;
constexpr DWORD ERROR_NO_DATA = 232;
constexpr DWORD ERROR_OPERATION_ABORTED = 995;
constexpr DWORD ERROR_IO_INCOMPLETE = 996;
constexpr DWORD ERROR_IO_PENDING = 997;

// An asynchronous request: the handle's operation signals hEvent (a manual-reset event) when it
// completes; Internal holds the error code and InternalHigh the bytes moved.
struct OVERLAPPED {
    uintptr_t Internal;
    uintptr_t InternalHigh;
    DWORD Offset;
    DWORD OffsetHigh;
    HANDLE hEvent;
};

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES attributes,
                   DWORD disposition, DWORD flags, HANDLE templateFile);
// With an OVERLAPPED on a handle opened with FILE_FLAG_OVERLAPPED: TRUE when the operation completed at
// once, else FALSE with ERROR_IO_PENDING (the event is signalled on completion) or another error.
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD done, OVERLAPPED* overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD done, OVERLAPPED* overlapped);
// The outcome of an overlapped request; with wait FALSE an unfinished one gives ERROR_IO_INCOMPLETE.
BOOL GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, LPDWORD done, BOOL wait);
// Ends the handle's pending request; it then completes with ERROR_OPERATION_ABORTED.
BOOL CancelIo(HANDLE file);

namespace platform {

// The object behind a handle that ReadFile and WriteFile reach.
class Stream : public Object {
  public:
    virtual BOOL Read(void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) = 0;
    virtual BOOL Write(const void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) = 0;
    virtual BOOL Result(OVERLAPPED* overlapped, DWORD* done, BOOL wait) = 0;
    virtual BOOL Cancel() = 0;
};

}  // namespace platform
