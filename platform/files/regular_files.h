// Regular files of the machine root behind Windows handles: CreateFileA's dispositions and access modes on a
// drive path, and synchronous ReadFile and WriteFile on the handle. A file stays inside the machine root: a
// path that resolves outside its drive's directory there, and a final symbolic link, are refused like a
// denied access.
#pragma once

#include "platform/files/file_io.h"
#include "platform/win_types.h"

constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

constexpr DWORD ERROR_FILE_EXISTS = 80;

namespace platform {

// A regular file opened by CreateFileA: reads and writes move the file position it shares with every
// process that was handed the handle (CreateProcessA's standard handles).
class RegularFile : public Stream {
  public:
    RegularFile(int descriptor, DWORD access) : descriptor_(descriptor), access_(access) {}
    ~RegularFile() override;
    BOOL Read(void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) override;
    BOOL Write(const void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) override;
    BOOL Result(OVERLAPPED* overlapped, DWORD* done, BOOL wait) override;
    BOOL Cancel() override { return TRUE; }
    int Descriptor() const { return descriptor_; }

  private:
    int descriptor_;
    DWORD access_;
};

// CreateFileA for a path that names no device and no pipe. Windows errors: ERROR_FILE_NOT_FOUND for a
// missing file, ERROR_PATH_NOT_FOUND for a missing directory on the way, ERROR_FILE_EXISTS for CREATE_NEW on
// an existing file, ERROR_ACCESS_DENIED for a directory, a read-only file (no write bit) opened for writing,
// TRUNCATE_EXISTING without write access and a path outside the machine root. CREATE_ALWAYS and OPEN_ALWAYS
// on an existing file succeed with the last error ERROR_ALREADY_EXISTS.
HANDLE OpenRegularFile(LPCSTR name, DWORD access, DWORD disposition);

}  // namespace platform
