// What the fragment rule costs: one message sent by CRRESocket::Send in 1,024-byte fragments (marked as
// followed by more, so the kernel joins them) against the same bytes handed to the kernel in one send, over
// loopback TCP to a reader that drains the connection. Sizes: a GET_STORAGESYSTEMS reply and a
// GET_CONTROLLER reply.
#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>
#include <vector>

#include "corlink/foundation/nt_os.h"
#include "corlink/server/socket.h"

namespace {

constexpr uint32_t kLoopback = 0x7F000001;

// A connected pair of proxy sockets whose far end is drained by a thread.
class DrainedConnection {
  public:
    DrainedConnection() {
        CRRESocket listener;
        listener.Socket(AF_INET, SOCK_STREAM, 0);
        listener.Bind(os_htonl(kLoopback), 0);
        listener.Listen(1);
        sockaddr_in bound{};
        int length = sizeof bound;
        getsockname(listener.Handle(), reinterpret_cast<sockaddr*>(&bound), &length);
        sender_.Socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        sender_.Connect(&bound, &local, os_ntohs(bound.sin_port));
        listener.Accept(receiver_);
        drainer_ = std::thread([this] {
            std::vector<char> sink(1 << 20);
            while (!done_) {
                if (recv(receiver_.Handle(), sink.data(), static_cast<int>(sink.size()), 0) <= 0) {
                    WSAPOLLFD entry{receiver_.Handle(), POLLRDNORM, 0};
                    WSAPoll(&entry, 1, 2);
                }
            }
        });
    }
    ~DrainedConnection() {
        done_ = true;
        drainer_.join();
    }
    CRRESocket& sender() { return sender_; }

  private:
    CRRESocket sender_;
    CRRESocket receiver_;
    std::atomic<bool> done_{false};
    std::thread drainer_;
};

void BM_FragmentLoopSend(benchmark::State& state) {
    DrainedConnection connection;
    const std::vector<char> message(static_cast<size_t>(state.range(0)), 'x');
    for (auto _ : state) {
        if (!connection.sender().Send(message.data(), static_cast<uint32_t>(message.size())))
            state.SkipWithError("send failed");
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_WholeSend(benchmark::State& state) {
    DrainedConnection connection;
    const std::vector<char> message(static_cast<size_t>(state.range(0)), 'x');
    const SOCKET s = connection.sender().Handle();
    for (auto _ : state) {
        size_t sent = 0;
        while (sent < message.size()) {
            const int n = send(s, message.data() + sent, static_cast<int>(message.size() - sent), 0);
            if (n > 0) {
                sent += static_cast<size_t>(n);
            } else {
                WSAPOLLFD entry{s, POLLWRNORM, 0};
                WSAPoll(&entry, 1, 2);
            }
        }
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_FragmentLoopSend)->Arg(25104)->Arg(3022008)->UseRealTime();
BENCHMARK(BM_WholeSend)->Arg(25104)->Arg(3022008)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
