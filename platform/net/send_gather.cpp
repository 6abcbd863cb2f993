#include "platform/net/send_gather.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/net/posix_socket.h"

namespace platform::send_gather {

namespace {
namespace ps = platform::posix_socket;

// At most this much of a message waits in the gatherer; a fragment beyond it waits for the kernel.
constexpr size_t kGatherLimit = 256 * 1024;

struct Pending {
    std::vector<char> bytes;
    size_t start = 0;  // bytes before this offset have reached the kernel

    size_t Size() const { return bytes.size() - start; }
};

// One entry per socket that has gathered fragments. Only the thread that owns a socket sends on it or closes
// it, so an entry is used without the table's lock once found.
std::mutex g_TableLock;
std::unordered_map<int, std::unique_ptr<Pending>>& Table() {
    static auto* table = new std::unordered_map<int, std::unique_ptr<Pending>>();  // outlives every thread
    return *table;
}

Pending* Find(int fd, bool create) {
    std::lock_guard<std::mutex> guard(g_TableLock);
    auto& table = Table();
    auto it = table.find(fd);
    if (it != table.end()) return it->second.get();
    if (!create) return nullptr;
    return table.emplace(fd, std::make_unique<Pending>()).first->second.get();
}

// Hands the kernel what it takes of the gathered bytes. 0 when it took all or would block; -1 with errno
// on any other failure.
int Flush(int fd, Pending& pending) {
    while (pending.Size() > 0) {
        const long sent = ps::Send(fd, pending.bytes.data() + pending.start,
                                   static_cast<long>(pending.Size()), ps::kSendMore);
        if (sent < 0) return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
        pending.start += static_cast<size_t>(sent);
    }
    pending.bytes.clear();
    pending.start = 0;
    return 0;
}

long WouldBlock() {
    errno = EAGAIN;
    return -1;
}

// The gathered bytes and the message's last fragment behind them in one system call. The fragment counts as
// sent only with what the kernel took of it: when it took no more than the gathered bytes, a fragment with
// bytes is refused as "would block" and the rest of the gathered bytes wait for the retry (an empty fragment
// is sent once the gathered bytes are, as a plain send of nothing would be).
long SendWithLastFragment(int fd, Pending& pending, const char* data, long length) {
    const long gathered = static_cast<long>(pending.Size());
    const long sent = ps::SendTwo(fd, pending.bytes.data() + pending.start, gathered, data, length, 0);
    if (sent < 0) return -1;
    if (sent < gathered || (sent == gathered && length > 0)) {
        pending.start += static_cast<size_t>(sent);
        return WouldBlock();
    }
    pending.bytes.clear();
    pending.start = 0;
    return sent - gathered;
}
}  // namespace

long Send(int fd, const char* data, long length, bool more) {
    Pending* pending = Find(fd, more);
    if (pending == nullptr || (pending->Size() == 0 && !more)) return ps::Send(fd, data, length, 0);

    const size_t size = static_cast<size_t>(length);
    if (more) {
        if (pending->Size() + size > kGatherLimit) {
            if (Flush(fd, *pending) != 0) return -1;
            if (pending->Size() + size > kGatherLimit) return WouldBlock();
        }
        if (pending->start > 0) {  // keep the buffer from growing with what has been sent
            pending->bytes.erase(pending->bytes.begin(),
                                 pending->bytes.begin() + static_cast<long>(pending->start));
            pending->start = 0;
        }
        pending->bytes.insert(pending->bytes.end(), data, data + size);
        return length;
    }
    return SendWithLastFragment(fd, *pending, data, length);
}

void Forget(int fd) {
    std::lock_guard<std::mutex> guard(g_TableLock);
    Table().erase(fd);
}

}  // namespace platform::send_gather
