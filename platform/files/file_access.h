// Files that only the service's own account may touch (the proxy's configuration file). Windows gives
// such a file an access list of the service account, SYSTEM and the Administrators; here the owner alone
// may read and write it (mode 0600). Such a file is written whole with ReplaceFileContent and
// ReplacedAccess::Private (platform/files/replace_file.h).
#pragma once

#include "platform/win_types.h"

namespace platform {
// Replaces the access of an existing file by private access. FALSE with the last error set on failure.
BOOL SetPrivateFileAccess(LPCSTR windowsPath);
}  // namespace platform
