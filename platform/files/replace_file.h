// Replacing a file whole: the new content is written to a temporary file beside it, flushed to the disk
// and renamed over the old file, so that a crash or a failed write leaves the old content or the new one,
// never a mix.
#pragma once

#include <cstddef>
#include <string>

#include "platform/win_types.h"

namespace platform {

enum class ReplacedAccess {
    KeepOrShared,  // the old file's access, or readable by all for a new file
    Private,       // the owner alone (the proxy's configuration file)
};

// Replaces the file at `path` (a path of this system, already mapped) with `size` bytes of `data`. A final
// symbolic link is replaced, never followed. FALSE with the last error set when the content could not be
// written whole or not put in place; the old file is then unchanged and no temporary file is left.
BOOL ReplaceFileAt(const std::string& path, const void* data, size_t size, ReplacedAccess access);

// The same for a Windows path (mapped with MapPath).
BOOL ReplaceFileContent(LPCSTR windowsPath, const void* data, size_t size, ReplacedAccess access);

}  // namespace platform
