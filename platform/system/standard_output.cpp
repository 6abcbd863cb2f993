#include "platform/system/standard_output.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace platform {
namespace {

// How the standard output of the moment is written without waiting. A pipe or a terminal is opened again
// as a description of its own, non-blocking: the flag then leaves the description shared with the parent
// (a shell, say) as it was.
struct OutputTarget {
    dev_t device = 0;
    ino_t inode = 0;
    bool known = false;
    bool socket = false;
    bool mayBlock = false;  // a pipe or a terminal
    int privateFd = -1;     // its own non-blocking description; -1: writes go to descriptor 1
};

std::mutex g_TargetLock;
OutputTarget g_Target;

void Close(OutputTarget& target) {
    if (target.privateFd >= 0) ::close(target.privateFd);
    target = OutputTarget{};
}

// Lock held: the target matching descriptor 1 now; false when descriptor 1 is not open.
bool CurrentTarget(OutputTarget& target) {
    struct stat status {};
    if (::fstat(STDOUT_FILENO, &status) != 0) {
        Close(target);
        return false;
    }
    if (target.known && target.device == status.st_dev && target.inode == status.st_ino) return true;
    Close(target);
    target.known = true;
    target.device = status.st_dev;
    target.inode = status.st_ino;
    target.socket = S_ISSOCK(status.st_mode);
    target.mayBlock = S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode);
    // A pipe without a reader refuses the open (ENXIO): descriptor 1 then reports the closed output.
    if (target.mayBlock)
        target.privateFd = ::open("/proc/self/fd/1", O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    return true;
}

int DescriptorOf(const OutputTarget& target) {
    return target.privateFd >= 0 ? target.privateFd : STDOUT_FILENO;
}

// The errors of a write that mean the output is gone for good: its reader or peer left, or the descriptor
// is not (or no longer) one that can be written.
constexpr int kGoneForGood[] = {EPIPE,      EBADF,    EINVAL,    ENXIO,       ENODEV,
                                ECONNRESET, ENOTCONN, ESHUTDOWN, EDESTADDRREQ};

long FailureOf(int error) {
    for (int gone : kGoneForGood) {
        if (error == gone) return kStandardOutputClosed;
    }
    return kStandardOutputFailed;
}

bool Writable(int fd, int timeoutMs) {
    pollfd entry{fd, POLLOUT, 0};
    int ready = 0;
    do {
        ready = ::poll(&entry, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

}  // namespace

long WriteStandardOutputNow(const void* data, size_t size) {
    std::lock_guard<std::mutex> hold(g_TargetLock);
    if (!CurrentTarget(g_Target)) return kStandardOutputClosed;
    if (size == 0) return 0;
    ssize_t written = 0;
    do {
        if (g_Target.socket) {
            written = ::send(STDOUT_FILENO, data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
        } else if (g_Target.mayBlock && g_Target.privateFd < 0) {
            // No description of its own: a pipe that has room takes a write of PIPE_BUF bytes at once.
            if (!Writable(STDOUT_FILENO, 0)) return 0;
            written = ::write(STDOUT_FILENO, data, size < PIPE_BUF ? size : PIPE_BUF);
        } else {
            written = ::write(DescriptorOf(g_Target), data, size);
        }
    } while (written < 0 && errno == EINTR);
    if (written >= 0) return static_cast<long>(written);
    return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : FailureOf(errno);
}

bool WaitForStandardOutput(uint32_t ms) {
    std::lock_guard<std::mutex> hold(g_TargetLock);
    if (!CurrentTarget(g_Target)) return true;  // the next write reports it
    return Writable(DescriptorOf(g_Target), static_cast<int>(ms));
}

}  // namespace platform
