#include "platform/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/last_error.h"
#include "platform/machine_root.h"

namespace platform {

namespace {
constexpr mode_t kPrivateMode = S_IRUSR | S_IWUSR;

BOOL FailWithErrno() {
    SetLastError(WinErrorFromErrno(errno));
    return FALSE;
}
}  // namespace

BOOL CreatePrivateFile(LPCSTR windowsPath) {
    if (windowsPath == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string path = MapPath(windowsPath);
    // A fresh machine root may not hold the file's directory yet (the system directory always exists on
    // Windows).
    size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) MakeDirectories(path.substr(0, slash));
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return FailWithErrno();
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, kPrivateMode);
    if (fd < 0) return FailWithErrno();
    // The creation mode passes through the umask; set it exactly.
    bool ok = ::fchmod(fd, kPrivateMode) == 0;
    int err = errno;
    ::close(fd);
    if (!ok) {
        errno = err;
        return FailWithErrno();
    }
    return TRUE;
}

BOOL SetPrivateFileAccess(LPCSTR windowsPath) {
    if (windowsPath == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (::chmod(MapPath(windowsPath).c_str(), kPrivateMode) != 0) return FailWithErrno();
    return TRUE;
}

}  // namespace platform
