// Plain sockets on 127.0.0.1 for the server tests: ports to block or to listen on, and connections to the
// server. Kept apart from the code that includes the Winsock stand-in.
#pragma once

#include <cstdint>
#include <vector>

namespace servertest {

// A listening socket (port 0: any free port); -1 when the port is taken.
int ListeningSocket(uint16_t port);
uint16_t PortOf(int fd);
// Listening sockets on `count` consecutive free ports, the lowest first; empty when none were found.
// The ports lie below the range used for outgoing connections.
std::vector<int> ConsecutivePorts(int count);
// A port that is free now and lies below the range used for outgoing connections; 0 when none was found.
uint16_t FreePort();
// A connection to the port on 127.0.0.1, or on another address of the loopback range; -1 on failure.
int ConnectTo(uint16_t port, const char* address = "127.0.0.1");
// The next connection to a listening socket, or -1 when none comes within waitMs.
int AcceptWithin(int listening, int waitMs);
void CloseSocket(int fd);

}  // namespace servertest
