#include "platform/files/regular_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>

#include "platform/files/contained_files.h"
#include "platform/files/machine_root.h"
#include "platform/files/write_all.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/last_error.h"

namespace platform {
namespace {

HANDLE Refuse(DWORD error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

// The file's path below its drive's directory of the machine root, or "" (last error set) when it would lie
// outside it.
std::string PathInRoot(LPCSTR name) {
    const std::string mapped = MapPath(name);
    const std::string& root = MachineRoot();
    const size_t driveEnd = mapped.find('/', root.size() + 1);
    if (mapped.compare(0, root.size(), root) != 0 || mapped.size() <= root.size() ||
        mapped[root.size()] != '/' || driveEnd == std::string::npos) {
        SetLastError(ERROR_ACCESS_DENIED);
        return {};
    }
    return ContainedPath(mapped.substr(0, driveEnd), mapped.substr(driveEnd + 1));
}

bool Creates(DWORD disposition) {
    return disposition == CREATE_NEW || disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
}

int AccessFlags(DWORD access) {
    const bool reads = (access & GENERIC_READ) != 0;
    const bool writes = (access & GENERIC_WRITE) != 0;
    return writes ? (reads ? O_RDWR : O_WRONLY) : O_RDONLY;
}

// Why an existing entry cannot be opened this way, or ERROR_SUCCESS.
DWORD RefusalOfExisting(const struct stat& st, DWORD access, DWORD disposition) {
    if (!S_ISREG(st.st_mode)) return ERROR_ACCESS_DENIED;  // a directory, a link, a pipe or a device
    if ((access & GENERIC_WRITE) != 0 && (st.st_mode & 0222) == 0) return ERROR_ACCESS_DENIED;  // read-only
    if (disposition == CREATE_NEW) return ERROR_FILE_EXISTS;
    return ERROR_SUCCESS;
}

}  // namespace

RegularFile::~RegularFile() { ::close(descriptor_); }

BOOL RegularFile::Read(void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) {
    if (done != nullptr) *done = 0;
    if (overlapped != nullptr) return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
    if ((access_ & GENERIC_READ) == 0) return SetLastError(ERROR_ACCESS_DENIED), FALSE;
    ssize_t got = -1;
    while ((got = ::read(descriptor_, buffer, count)) < 0 && errno == EINTR) {
    }
    if (got < 0) return SetLastError(WinErrorFromErrno(errno)), FALSE;
    if (done != nullptr) *done = static_cast<DWORD>(got);
    return TRUE;
}

BOOL RegularFile::Write(const void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) {
    if (done != nullptr) *done = 0;
    if (overlapped != nullptr) return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
    if ((access_ & GENERIC_WRITE) == 0) return SetLastError(ERROR_ACCESS_DENIED), FALSE;
    const size_t written = WriteAll(descriptor_, buffer, count);
    if (done != nullptr) *done = static_cast<DWORD>(written);
    if (written < count) return SetLastError(WinErrorFromErrno(errno)), FALSE;
    return TRUE;
}

BOOL RegularFile::Result(OVERLAPPED*, DWORD*, BOOL) {
    SetLastError(ERROR_INVALID_PARAMETER);  // a regular file is never opened for overlapped requests here
    return FALSE;
}

HANDLE OpenRegularFile(LPCSTR name, DWORD access, DWORD disposition) {
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) return Refuse(ERROR_INVALID_PARAMETER);
    if (disposition == TRUNCATE_EXISTING && (access & GENERIC_WRITE) == 0) return Refuse(ERROR_ACCESS_DENIED);
    const std::string path = PathInRoot(name);
    if (path.empty()) return INVALID_HANDLE_VALUE;
    struct stat st {};
    const bool existed = ::lstat(path.c_str(), &st) == 0;
    if (existed) {
        const DWORD refusal = RefusalOfExisting(st, access, disposition);
        if (refusal != ERROR_SUCCESS) return Refuse(refusal);
    } else if (!Creates(disposition)) {
        return Refuse(errno == ENOENT ? ERROR_FILE_NOT_FOUND : WinErrorFromErrno(errno));
    }
    int flags = AccessFlags(access) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    if (Creates(disposition)) flags |= O_CREAT;
    if (disposition == CREATE_NEW) flags |= O_EXCL;
    if (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING) flags |= O_TRUNC;
    const int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) return Refuse(errno == ELOOP ? ERROR_ACCESS_DENIED : WinErrorFromErrno(errno));
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {  // replaced since it was looked at
        ::close(fd);
        return Refuse(ERROR_ACCESS_DENIED);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const HANDLE handle = NewHandle(std::make_shared<RegularFile>(fd, access));
    SetLastError(existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS)
                     ? ERROR_ALREADY_EXISTS
                     : ERROR_SUCCESS);
    return handle;
}

}  // namespace platform
