#include "tests/unit/platform/net/tcp_option_probe.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace testsupport {

bool TcpNoDelayIsOn(int fd) {
    int value = 0;
    socklen_t length = sizeof value;
    return ::getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &value, &length) == 0 && value != 0;
}

}  // namespace testsupport
