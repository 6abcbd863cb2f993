#include "platform/net/named_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/files/machine_root.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"
#include "platform/time/clock.h"

namespace {

constexpr char kPipePrefix[] = "\\\\.\\pipe\\";
constexpr size_t kPipePrefixLength = sizeof kPipePrefix - 1;
constexpr size_t kMaxPipeNameLength = 256;
constexpr int kServerBacklog = 16;
// How often a pending overlapped request looks at its socket and at a cancellation.
constexpr int kPendingPollMs = 10;
// Internal of an OVERLAPPED whose request has not completed.
constexpr uintptr_t kStatusPending = 0x103;

std::string PipeDirectory() {
    const char* configured = std::getenv("CORLINK_PIPE_DIR");
    if (configured != nullptr && *configured != '\0') return configured;
    return platform::MachineRoot() + "/pipe";
}

DWORD PipeErrorFromErrno(int err) {
    switch (err) {
        case EPIPE:
        case ECONNRESET:
        case ENOTCONN: return ERROR_BROKEN_PIPE;
        case ECONNREFUSED: return ERROR_FILE_NOT_FOUND;
        case EAGAIN: return ERROR_PIPE_BUSY;
        default: return platform::WinErrorFromErrno(err);
    }
}

bool FillAddress(const std::string& path, sockaddr_un* address) {
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (path.size() >= sizeof address->sun_path) return false;
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

void SetBlocking(int fd) {
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

// One end of a pipe: a connected socket, and for the serving end also its listening socket.
class Pipe final : public platform::Stream {
  public:
    Pipe(int connection, int listener, std::string path, bool overlapped)
        : fd_(connection), listenFd_(listener), path_(std::move(path)), overlapped_(overlapped) {}
    ~Pipe() override {
        Cancel();
        if (fd_ >= 0) ::close(fd_);
        if (listenFd_ >= 0) {
            ::close(listenFd_);
            ::unlink(path_.c_str());
        }
    }

    BOOL Read(void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) override {
        return Transfer(false, buffer, count, done, overlapped);
    }
    BOOL Write(const void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) override {
        return Transfer(true, const_cast<void*>(buffer), count, done, overlapped);
    }

    BOOL Result(OVERLAPPED* overlapped, DWORD* done, BOOL wait) override {
        if (wait && worker_.joinable()) worker_.join();
        uintptr_t status, bytes;
        {
            std::lock_guard<std::mutex> g(m_);
            status = overlapped->Internal;
            bytes = overlapped->InternalHigh;
        }
        if (status == kStatusPending) {
            SetLastError(ERROR_IO_INCOMPLETE);
            return FALSE;
        }
        if (done != nullptr) *done = static_cast<DWORD>(bytes);
        if (status != ERROR_SUCCESS) {
            SetLastError(static_cast<DWORD>(status));
            return FALSE;
        }
        return TRUE;
    }

    BOOL Cancel() override {
        cancel_.store(true);
        if (worker_.joinable()) worker_.join();
        return TRUE;
    }

    // The serving end: waits for the next client.
    BOOL Connect() {
        if (listenFd_ < 0) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        if (fd_ >= 0) {
            SetLastError(ERROR_PIPE_CONNECTED);
            return FALSE;
        }
        int fd;
        platform::BlockedOutsideClock waiting;  // time may pass while the pipe waits for a client
        do {
            fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            SetLastError(PipeErrorFromErrno(errno));
            return FALSE;
        }
        fd_ = fd;
        return TRUE;
    }
    BOOL Disconnect() {
        Cancel();
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        return TRUE;
    }

  private:
    // One system call; the bytes moved, or -1 with errno. A read of 0 bytes is the other end closing.
    long Once(bool write, void* buffer, DWORD count, int flags) {
        long n;
        do {
            n = write ? ::send(fd_, buffer, count, flags | MSG_NOSIGNAL) : ::recv(fd_, buffer, count, flags);
        } while (n < 0 && errno == EINTR);
        if (n == 0 && !write && count > 0) {
            errno = EPIPE;
            return -1;
        }
        return n;
    }

    BOOL Transfer(bool write, void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) {
        if (done != nullptr) *done = 0;
        if (fd_ < 0) {
            SetLastError(ERROR_BROKEN_PIPE);
            return FALSE;
        }
        if (overlapped != nullptr && overlapped_)
            return StartOverlapped(write, buffer, count, done, overlapped);
        DWORD moved = 0;
        platform::BlockedOutsideClock waiting;  // time may pass while the pipe waits for the peer
        do {
            long n = Once(write, static_cast<char*>(buffer) + moved, count - moved, 0);
            if (n < 0) {
                SetLastError(write && errno == EPIPE ? ERROR_NO_DATA : PipeErrorFromErrno(errno));
                return FALSE;
            }
            moved += static_cast<DWORD>(n);
        } while (write && moved < count);  // a read returns what has arrived
        if (done != nullptr) *done = moved;
        return TRUE;
    }

    void Complete(OVERLAPPED* overlapped, long n, int err) {
        {
            std::lock_guard<std::mutex> g(m_);
            overlapped->Internal = n >= 0 ? ERROR_SUCCESS : PipeErrorFromErrno(err);
            overlapped->InternalHigh = n >= 0 ? static_cast<uintptr_t>(n) : 0;
        }
        if (overlapped->hEvent != nullptr) SetEvent(overlapped->hEvent);
    }

    BOOL StartOverlapped(bool write, void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) {
        if (overlapped->hEvent != nullptr) ResetEvent(overlapped->hEvent);
        Cancel();  // at most one request at a time
        long n = Once(write, buffer, count, MSG_DONTWAIT);
        if (n >= 0 || errno != EAGAIN) {
            Complete(overlapped, n, errno);
            return Result(overlapped, done, FALSE);
        }
        {
            std::lock_guard<std::mutex> g(m_);
            overlapped->Internal = kStatusPending;
            overlapped->InternalHigh = 0;
        }
        cancel_.store(false);
        worker_ = std::thread([this, write, buffer, count, overlapped] {
            pollfd watch{fd_, static_cast<short>(write ? POLLOUT : POLLIN), 0};
            while (!cancel_.load()) {
                if (::poll(&watch, 1, kPendingPollMs) == 0) continue;
                long moved = Once(write, buffer, count, MSG_DONTWAIT);
                if (moved < 0 && (errno == EAGAIN || errno == EINTR)) continue;
                Complete(overlapped, moved, errno);
                return;
            }
            Complete(overlapped, -1, ECANCELED);
        });
        SetLastError(ERROR_IO_PENDING);
        return FALSE;
    }

    int fd_;
    int listenFd_;
    std::string path_;
    bool overlapped_;
    std::mutex m_;
    std::thread worker_;
    std::atomic<bool> cancel_{false};
};

}  // namespace

namespace platform {

bool IsPipeName(const char* name) {
    return name != nullptr && ::strncasecmp(name, kPipePrefix, kPipePrefixLength) == 0;
}

std::string PipeSocketPath(const char* name) {
    if (!IsPipeName(name)) {
        SetLastError(ERROR_INVALID_NAME);
        return {};
    }
    const char* own = name + kPipePrefixLength;
    size_t length = ::strnlen(own, kMaxPipeNameLength + 1);
    if (length == 0 || length > kMaxPipeNameLength || std::strpbrk(own, "/\\") != nullptr ||
        std::strcmp(own, ".") == 0 || std::strcmp(own, "..") == 0) {
        SetLastError(ERROR_INVALID_NAME);
        return {};
    }
    std::string path = PipeDirectory() + "/" + own;
    if (path.size() >= sizeof(sockaddr_un::sun_path)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return {};
    }
    return path;
}

HANDLE OpenPipeClient(const char* name, bool overlapped) {
    std::string path = PipeSocketPath(name);
    sockaddr_un address;
    if (path.empty() || !FillAddress(path, &address)) return INVALID_HANDLE_VALUE;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        SetLastError(WinErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    // Non-blocking, so a pipe whose queue is full answers "busy" instead of holding the caller.
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        DWORD error = PipeErrorFromErrno(errno);
        ::close(fd);
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    SetBlocking(fd);
    return NewHandle(std::make_shared<Pipe>(fd, -1, std::string(), overlapped));
}

}  // namespace platform

HANDLE CreateNamedPipeA(LPCSTR name, DWORD openMode, DWORD, DWORD, DWORD, DWORD, DWORD,
                        LPSECURITY_ATTRIBUTES) {
    std::string path = platform::PipeSocketPath(name);
    sockaddr_un address;
    if (path.empty() || !FillAddress(path, &address)) return INVALID_HANDLE_VALUE;
    if (!platform::MakeDirectories(path.substr(0, path.rfind('/')))) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        SetLastError(platform::WinErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    ::unlink(path.c_str());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, kServerBacklog) != 0) {
        DWORD error = platform::WinErrorFromErrno(errno);
        ::close(fd);
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    return platform::NewHandle(std::make_shared<Pipe>(-1, fd, path, (openMode & FILE_FLAG_OVERLAPPED) != 0));
}

BOOL ConnectNamedPipe(HANDLE pipe, OVERLAPPED* overlapped) {
    auto server = platform::LookupHandleAs<Pipe>(pipe);
    if (!server || overlapped != nullptr) {
        SetLastError(server ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return server->Connect();
}

BOOL DisconnectNamedPipe(HANDLE pipe) {
    auto server = platform::LookupHandleAs<Pipe>(pipe);
    if (!server) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return server->Disconnect();
}

BOOL WaitNamedPipeA(LPCSTR name, DWORD) {
    std::string path = platform::PipeSocketPath(name);
    if (path.empty()) return FALSE;
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    return TRUE;
}
