#include "platform/files/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/files/machine_root.h"
#include "platform/kernel/last_error.h"

namespace platform {

namespace {
constexpr mode_t kPrivateMode = S_IRUSR | S_IWUSR;

BOOL FailWithErrno() {
    SetLastError(WinErrorFromErrno(errno));
    return FALSE;
}
}  // namespace

BOOL SetPrivateFileAccess(LPCSTR windowsPath) {
    if (windowsPath == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (::chmod(MapPath(windowsPath).c_str(), kPrivateMode) != 0) return FailWithErrno();
    return TRUE;
}

}  // namespace platform
