// Files named relative to a directory that they may not leave: the name is taken below the directory,
// every directory on the way is resolved (links included) and must stay inside it, and a final symbolic
// link is never followed.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

enum class ContainedOpen {
    ReadRegular,  // an existing regular file, for reading
    WriteAppend,  // created or appended to
};

// The path of `relativeName` below the directory `directory` (a path of this machine) with every directory on
// the way resolved, or "" when it lies outside: last error ERROR_PATH_NOT_FOUND when a directory on the way
// is missing, else ERROR_ACCESS_DENIED.
std::string ContainedPath(const std::string& directory, const std::string& relativeName);
// Opens `relativeName` (separators '\' or '/'; the caller has refused absolute names, drive prefixes and
// ".." components) below the Windows directory `windowsDirectory`. Null, with the last error set, when the
// file cannot be opened that way or would lie outside the directory.
FILE* OpenContainedFile(const char* windowsDirectory, const std::string& relativeName, ContainedOpen how);
// Replaces that file whole with `size` bytes of `data` (see ReplaceFileAt: a crash leaves the old content or
// the new one), or creates it; refused like an open when it exists as anything but a regular file.
bool ReplaceContainedFile(const char* windowsDirectory, const std::string& relativeName, const void* data,
                          size_t size);
// Deletes that file (a final symbolic link itself, never its target); false when it is outside the
// directory, is a directory or cannot be deleted.
bool DeleteContainedFile(const char* windowsDirectory, const std::string& relativeName);

}  // namespace platform
