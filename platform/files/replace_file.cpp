#include "platform/files/replace_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/files/machine_root.h"
#include "platform/files/write_all.h"
#include "platform/kernel/last_error.h"

namespace platform {
namespace {

constexpr mode_t kSharedMode = 0644;
constexpr mode_t kPrivateMode = S_IRUSR | S_IWUSR;

// Fails with the error of the last system call, after removing the temporary file (when there is one).
BOOL Fail(const std::string& temporary) {
    const DWORD error = WinErrorFromErrno(errno);
    if (!temporary.empty()) ::unlink(temporary.c_str());
    SetLastError(error);
    return FALSE;
}

mode_t ModeFor(const std::string& path, ReplacedAccess access) {
    if (access == ReplacedAccess::Private) return kPrivateMode;
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? (st.st_mode & 07777) : kSharedMode;
}

// Makes the rename itself durable; a failure here loses nothing that a crash could tear.
void FlushDirectory(const std::string& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

BOOL ReplaceFileAt(const std::string& path, const void* data, size_t size, ReplacedAccess access) {
    if (path.empty() || (data == nullptr && size != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const size_t slash = path.rfind('/');
    const std::string directory =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const mode_t mode = ModeFor(path, access);
    std::string pattern = directory + "/.replacing.XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return Fail({});
    const std::string temporary(name.data());
    const bool written = ::fchmod(fd, mode) == 0 && WriteAll(fd, data, size) == size && ::fsync(fd) == 0;
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
        if (!written) errno = writeError;
        return Fail(temporary);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) return Fail(temporary);
    FlushDirectory(directory);
    return TRUE;
}

BOOL ReplaceFileContent(LPCSTR windowsPath, const void* data, size_t size, ReplacedAccess access) {
    if (windowsPath == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string path = MapPath(windowsPath);
    // A fresh machine root may not hold the file's directory yet (the system directory always exists on
    // Windows).
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) MakeDirectories(path.substr(0, slash));
    return ReplaceFileAt(path, data, size, access);
}

}  // namespace platform
