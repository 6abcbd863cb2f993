// Named pipes. "\\.\pipe\NAME" is a Unix stream socket "<pipe dir>/NAME", the pipe directory being
// CORLINK_PIPE_DIR or else "<root>/pipe". Pipes carry bytes (byte mode only). The client end is opened with
// CreateFileA (platform/files/file_io.h); the serving end is one handle that serves one client at a time:
// ConnectNamedPipe waits for the next client, DisconnectNamedPipe lets it go.
#pragma once

#include <string>

#include "platform/files/file_io.h"
#include "platform/win_types.h"

constexpr DWORD PIPE_ACCESS_DUPLEX = 0x00000003;
constexpr DWORD PIPE_TYPE_BYTE = 0x00000000;
constexpr DWORD PIPE_READMODE_BYTE = 0x00000000;
constexpr DWORD PIPE_WAIT = 0x00000000;
constexpr DWORD PIPE_UNLIMITED_INSTANCES = 255;
constexpr DWORD NMPWAIT_USE_DEFAULT_WAIT = 0x00000000;

constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr DWORD ERROR_PIPE_BUSY = 231;
constexpr DWORD ERROR_PIPE_CONNECTED = 535;

// The serving end; INVALID_HANDLE_VALUE with the last error set on failure. A pipe of the same name that
// is left over from an earlier run is replaced. With FILE_FLAG_OVERLAPPED in openMode, reads and writes of
// a connected client may be overlapped (ConnectNamedPipe still waits).
HANDLE CreateNamedPipeA(LPCSTR name, DWORD openMode, DWORD pipeMode, DWORD maxInstances, DWORD outBufferSize,
                        DWORD inBufferSize, DWORD defaultTimeOut, LPSECURITY_ATTRIBUTES attributes);
// Waits for a client (overlapped must be null). FALSE with ERROR_PIPE_CONNECTED when one is connected.
BOOL ConnectNamedPipe(HANDLE pipe, OVERLAPPED* overlapped);
BOOL DisconnectNamedPipe(HANDLE pipe);
// TRUE when the pipe exists (its serving end queues connecting clients, so it is never busy here); FALSE
// with ERROR_FILE_NOT_FOUND otherwise.
BOOL WaitNamedPipeA(LPCSTR name, DWORD timeOut);

namespace platform {

bool IsPipeName(const char* name);
// The socket path of a pipe name; empty, with the last error set, for a name that is not a pipe's or a
// path longer than a Unix socket address holds (107 characters).
std::string PipeSocketPath(const char* name);
// The client end of a pipe for CreateFileA.
HANDLE OpenPipeClient(const char* name, bool overlapped);

}  // namespace platform
