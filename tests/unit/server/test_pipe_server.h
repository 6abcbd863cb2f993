// A listener's heart-beat pipe for tests: serves one exchange after the other on its own thread,
// recording every message it reads, and answers each with 36 bytes unless told to stay silent.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/named_pipe.h"

namespace servertest {

class TestPipeServer {
  public:
    TestPipeServer(uint16_t number, bool answers);
    ~TestPipeServer();
    TestPipeServer(const TestPipeServer&) = delete;
    TestPipeServer& operator=(const TestPipeServer&) = delete;

    bool Created() const { return pipe_ != INVALID_HANDLE_VALUE; }
    std::vector<std::vector<uint8_t>> Messages();
    // Waits (for real, at most 10 s) until at least count messages were read; false when they were not.
    // A listener that stays silent records its message only after the proxy's side has moved on.
    bool WaitForMessages(size_t count);

  private:
    void Serve(bool answers);

    std::string name_;
    HANDLE pipe_;
    std::atomic<bool> stop_{false};
    std::mutex m_;
    std::condition_variable recorded_;
    std::vector<std::vector<uint8_t>> messages_;
    std::thread thread_;
};

}  // namespace servertest
