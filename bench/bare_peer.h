// The bare loopback baseline: a C++ server that reads each request (the 36-byte proxy header and its
// data) and answers with a header and a reply of a fixed size in one write, one thread per connection,
// without Nagle's delay. Clients talk to it with the same session client as to the proxy.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace bench {

class BarePeer {
  public:
    explicit BarePeer(uint32_t replyLength);
    ~BarePeer();
    BarePeer(const BarePeer&) = delete;
    BarePeer& operator=(const BarePeer&) = delete;

    // The loopback port it listens on (0 when it could not start).
    uint16_t port() const { return port_; }

  private:
    void AcceptLoop();
    void Serve(int fd);

    uint32_t replyLength_;
    int listener_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    std::mutex lock_;
    std::vector<std::thread> connections_;
    std::vector<int> fds_;
};

}  // namespace bench
