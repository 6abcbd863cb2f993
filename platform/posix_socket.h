// The system's socket calls behind the Winsock stand-in, in neutral types so that the Windows
// declarations and the system's headers never meet in one file. Results are the system's (-1 and errno on
// failure); an address is a 16-byte IPv4 socket address, laid out alike on both sides.
#pragma once

#include <cstdint>

namespace platform::posix_socket {

int Open(int family, int type, int protocol);
int Bind(int fd, const void* address, int length);
int Listen(int fd, int backlog);
int Accept(int fd);
int Connect(int fd, const void* address, int length);
long Send(int fd, const void* data, long length, int flags);
long Receive(int fd, void* data, long length, int flags);
int Shutdown(int fd, int how);
int Close(int fd);
// which: 0 the local address, 1 the peer's. *length: the buffer size in, the address size out.
int GetAddress(int fd, int which, void* address, int* length);
int SetReuseAddress(int fd, int value);
int SetNonBlocking(int fd, bool on);
int BytesReadable(int fd, uint32_t* count);

}  // namespace platform::posix_socket
