// Reads a socket's TCP options straight from the system, beside the Winsock stand-in that sets them.
#pragma once

namespace testsupport {

// True when Nagle's algorithm is off on the descriptor.
bool TcpNoDelayIsOn(int fd);

}  // namespace testsupport
