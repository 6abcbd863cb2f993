// Files that only the service's own account may touch (the proxy's configuration file). Windows gives
// such a file an access list of the service account, SYSTEM and the Administrators; here the owner alone
// may read and write it (mode 0600).
#pragma once

#include "platform/win_types.h"

namespace platform {
// Deletes the file when it exists and creates it anew, empty, with private access. FALSE with the last
// error set when it cannot be created.
BOOL CreatePrivateFile(LPCSTR windowsPath);
// Replaces the access of an existing file by private access. FALSE with the last error set on failure.
BOOL SetPrivateFileAccess(LPCSTR windowsPath);
}  // namespace platform
