// The run-time library's calls on the descriptor behind an open stream: its length and truncation.
#pragma once

#include <cstdint>
#include <cstdio>

// The descriptor of an open stream, or -1 for null.
int _fileno(FILE* stream);
// The length in bytes of the file open on `fd`, or -1 (errno set) when it cannot be read.
int64_t _filelengthi64(int fd);
// Sets the length of the file open on `fd`; 0, or the error number.
int _chsize_s(int fd, int64_t size);
// Moves the stream's position to a 64-bit offset (whence as for fseek); 0, or -1 with errno set.
int _fseeki64(FILE* stream, int64_t offset, int whence);
