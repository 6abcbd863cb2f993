// A client session over arbitrary bytes from the peer: whatever arrives, the session never overruns,
// never hangs and ends when the peer has nothing more to say. The first byte chooses the run mode
// (proxy messages or raw "ips" packets) and whether the rest is sent as it is or as messages whose
// headers get the signature (so that the fuzzer reaches the message handling quickly).
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "session_fuzz_session.h"

namespace {

// Each message: the six header words as given (24 bytes), the signature put in front of them, then as
// many of the following bytes as DataLen asks for and the input still has.
std::vector<uint8_t> SignedMessages(const uint8_t* data, size_t size) {
    static constexpr uint8_t kSignature[12] = {'K', 'E', 'S', 'T', 'R', 'A', 'V', 'O', 'N', 0, 0, 0};
    std::vector<uint8_t> out;
    size_t at = 0;
    while (size - at >= 24) {
        out.insert(out.end(), kSignature, kSignature + sizeof kSignature);
        out.insert(out.end(), data + at, data + at + 24);
        const uint8_t* len = data + at + 20;
        const size_t dataLen = size_t{len[0]} << 24 | size_t{len[1]} << 16 | size_t{len[2]} << 8 | len[3];
        at += 24;
        const size_t take = std::min(dataLen, size - at);
        out.insert(out.end(), data + at, data + at + take);
        at += take;
    }
    out.insert(out.end(), data + at, data + size);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool prepared = (PrepareSessionFuzzing(), true);
    (void)prepared;
    if (size < 1) return 0;
    const bool ipsMode = (data[0] & 1) != 0;
    const std::vector<uint8_t> bytes =
        (data[0] & 2) != 0 ? SignedMessages(data + 1, size - 1) : std::vector<uint8_t>(data + 1, data + size);
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) abort();
    const int peer = fds[0];
    std::thread writer([&] {
        size_t sent = 0;
        while (sent < bytes.size()) {
            ssize_t n = ::send(peer, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) break;  // the session has ended and closed its end
            sent += static_cast<size_t>(n);
        }
        ::shutdown(peer, SHUT_WR);
    });
    std::thread reader([&] {
        char buffer[65536];
        while (::recv(peer, buffer, sizeof buffer, 0) > 0) {
        }
    });
    RunFuzzedSession(fds[1], ipsMode);
    writer.join();
    reader.join();
    ::close(peer);
    return 0;
}
