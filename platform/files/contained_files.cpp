#include "platform/files/contained_files.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "platform/files/machine_root.h"
#include "platform/files/replace_file.h"
#include "platform/kernel/last_error.h"

namespace platform {
namespace {

std::string RealPath(const std::string& path) {
    std::unique_ptr<char, decltype(&::free)> resolved(::realpath(path.c_str(), nullptr), &::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

bool Inside(const std::string& path, const std::string& directory) {
    return path == directory ||
           (path.size() > directory.size() && path.compare(0, directory.size(), directory) == 0 &&
            path[directory.size()] == '/');
}

}  // namespace

std::string ContainedPath(const std::string& directory, const std::string& relativeName) {
    const std::string base = RealPath(directory);
    if (base.empty()) {
        SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
        return {};
    }
    std::string relative = relativeName;
    for (char& c : relative) {
        if (c == '\\') c = '/';
    }
    const size_t slash = relative.find_last_of('/');
    const std::string leaf = slash == std::string::npos ? relative : relative.substr(slash + 1);
    const std::string parent =
        RealPath(base + "/" + (slash == std::string::npos ? "" : relative.substr(0, slash)));
    if (parent.empty() && (errno == ENOENT || errno == ENOTDIR)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return {};
    }
    if (parent.empty() || !Inside(parent, base) || leaf.empty() || leaf == "." || leaf == "..") {
        SetLastError(ERROR_ACCESS_DENIED);
        return {};
    }
    return parent + "/" + leaf;
}

namespace {

int OpenFlags(ContainedOpen how) {
    switch (how) {
        case ContainedOpen::ReadRegular: return O_RDONLY;
        case ContainedOpen::WriteAppend: return O_WRONLY | O_CREAT | O_APPEND;
    }
    return O_RDONLY;
}

const char* StreamMode(ContainedOpen how) {
    switch (how) {
        case ContainedOpen::ReadRegular: return "rb";
        case ContainedOpen::WriteAppend: return "ab";
    }
    return "rb";
}

}  // namespace

FILE* OpenContainedFile(const char* windowsDirectory, const std::string& relativeName, ContainedOpen how) {
    const std::string path = ContainedPath(MapPath(windowsDirectory), relativeName);
    if (path.empty()) return nullptr;
    // Not blocking: a pipe or device in the directory is refused below instead of waiting for a peer.
    const int fd = ::open(path.c_str(), OpenFlags(how) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) {
        SetLastError(WinErrorFromErrno(errno));
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    FILE* stream = ::fdopen(fd, StreamMode(how));
    if (stream == nullptr) {
        SetLastError(WinErrorFromErrno(errno));
        ::close(fd);
    }
    return stream;
}

bool ReplaceContainedFile(const char* windowsDirectory, const std::string& relativeName, const void* data,
                          size_t size) {
    const std::string path = ContainedPath(MapPath(windowsDirectory), relativeName);
    if (path.empty()) return false;
    // Like an open that does not follow a final link and takes regular files only.
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return ReplaceFileAt(path, data, size, ReplacedAccess::KeepOrShared) != FALSE;
}

bool DeleteContainedFile(const char* windowsDirectory, const std::string& relativeName) {
    const std::string path = ContainedPath(MapPath(windowsDirectory), relativeName);
    if (path.empty()) return false;
    if (::unlink(path.c_str()) != 0) {
        SetLastError(WinErrorFromErrno(errno));
        return false;
    }
    return true;
}

}  // namespace platform
