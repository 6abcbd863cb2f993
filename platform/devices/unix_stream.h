// Unix stream sockets by path, for the link between the program and the simulated fabric's server.
// Plain descriptors; -1 on failure with errno kept.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>

namespace platform::unix_stream {

// A listening socket at path (an old socket file there is replaced); -1 when the path is too long or
// the socket cannot be made.
int Listen(const std::string& path);
int Connect(const std::string& path);
// The next connection, or -1 when the listening socket was shut down.
int Accept(int listener);
// Every byte, or false (the peer closed, or an error).
bool SendAll(int fd, const void* data, size_t length);
// Every byte of the fragments, in order, handed to the kernel together, so that the peer is woken once for a
// message sent in parts rather than once a part; or false.
struct Fragment {
    const void* data;
    size_t length;
};
bool SendAll(int fd, std::initializer_list<Fragment> fragments);
bool ReceiveAll(int fd, void* data, size_t length);
// Wakes a thread blocked on the socket (accept or receive) without closing it.
void Shutdown(int fd);
void Close(int fd);
// Removes the socket file a listener left behind.
void RemoveSocketFile(const std::string& path);

}  // namespace platform::unix_stream
