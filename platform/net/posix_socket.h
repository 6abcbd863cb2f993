// The system's socket calls behind the Winsock stand-in, in neutral types so that the Windows
// declarations and the system's headers never meet in one file. Results are the system's (-1 and errno on
// failure); an address is a 16-byte IPv4 socket address, laid out alike on both sides.
#pragma once

#include <cstdint>

namespace platform::posix_socket {

// Send flags of this layer.
constexpr unsigned kSendMore = 1u << 0;  // more of the same message follows: the kernel may join them

// Socket options of this layer; each takes an int, 0 off and 1 on.
enum class Option { ReuseAddress, NoDelay };

// Readiness of one descriptor for Poll, asked (wanted) and found (ready).
constexpr unsigned kReadable = 1u << 0;
constexpr unsigned kWritable = 1u << 1;
constexpr unsigned kFailed = 1u << 2;   // ready only
constexpr unsigned kHungUp = 1u << 3;   // ready only
constexpr unsigned kInvalid = 1u << 4;  // ready only: the descriptor is not open
struct PollEntry {
    int fd;  // negative: skipped
    unsigned wanted;
    unsigned ready;
};

int Open(int family, int type, int protocol);
int Bind(int fd, const void* address, int length);
int Listen(int fd, int backlog);
int Accept(int fd);
int Connect(int fd, const void* address, int length);
long Send(int fd, const void* data, long length, unsigned flags);
// One send of two buffers, the first before the second (sendmsg(2) with two fragments).
long SendTwo(int fd, const void* first, long firstLength, const void* second, long secondLength,
             unsigned flags);
long Receive(int fd, void* data, long length, int flags);
int Shutdown(int fd, int how);
int Close(int fd);
// which: 0 the local address, 1 the peer's. *length: the buffer size in, the address size out.
int GetAddress(int fd, int which, void* address, int* length);
int SetOption(int fd, Option option, int value);
int SetNonBlocking(int fd, bool on);
int BytesReadable(int fd, uint32_t* count);
// poll(2): the number of entries with results, 0 on time-out (timeoutMs negative: no limit).
int Poll(PollEntry* entries, unsigned count, int timeoutMs);

}  // namespace platform::posix_socket
