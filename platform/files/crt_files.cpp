#include "platform/files/crt_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

int _fileno(FILE* stream) { return stream != nullptr ? ::fileno(stream) : -1; }

int64_t _filelengthi64(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

int _chsize_s(int fd, int64_t size) {
    if (size < 0) return EINVAL;
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0 ? 0 : errno;
}

int _fseeki64(FILE* stream, int64_t offset, int whence) {
    return ::fseeko(stream, static_cast<off_t>(offset), whence);
}
