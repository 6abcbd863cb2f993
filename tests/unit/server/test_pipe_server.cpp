#include "test_pipe_server.h"

#include <chrono>

#include "platform/kernel/handles.h"

namespace servertest {

constexpr DWORD kMessageLength = 36;

TestPipeServer::TestPipeServer(uint16_t number, bool answers)
    : name_("\\\\.\\pipe\\DODO_Rivoz_" + std::to_string(number)),
      pipe_(CreateNamedPipeA(name_.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 64, 64, 0,
                             nullptr)) {
    if (Created()) thread_ = std::thread([this, answers] { Serve(answers); });
}

TestPipeServer::~TestPipeServer() {
    stop_.store(true);
    // One last client wakes the thread if it waits for the next exchange.
    HANDLE wake =
        CreateFileA(name_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (wake != INVALID_HANDLE_VALUE) CloseHandle(wake);
    if (thread_.joinable()) thread_.join();
    if (Created()) CloseHandle(pipe_);
}

std::vector<std::vector<uint8_t>> TestPipeServer::Messages() {
    std::lock_guard<std::mutex> g(m_);
    return messages_;
}

bool TestPipeServer::WaitForMessages(size_t count) {
    std::unique_lock<std::mutex> g(m_);
    return recorded_.wait_for(g, std::chrono::seconds(10), [&] { return messages_.size() >= count; });
}

void TestPipeServer::Serve(bool answers) {
    while (ConnectNamedPipe(pipe_, nullptr) && !stop_.load()) {
        std::vector<uint8_t> message;
        uint8_t buffer[kMessageLength];
        DWORD n = 0;
        while (message.size() < kMessageLength &&
               ReadFile(pipe_, buffer, kMessageLength - static_cast<DWORD>(message.size()), &n, nullptr)) {
            message.insert(message.end(), buffer, buffer + n);
        }
        {
            std::lock_guard<std::mutex> g(m_);
            messages_.push_back(message);
        }
        recorded_.notify_all();
        if (answers) {
            const uint8_t answer[kMessageLength] = {'a', 'l', 'i', 'v', 'e'};
            WriteFile(pipe_, answer, kMessageLength, &n, nullptr);
        }
        while (ReadFile(pipe_, buffer, sizeof buffer, &n, nullptr)) {
        }  // until the proxy closes its end
        DisconnectNamedPipe(pipe_);
    }
}

}  // namespace servertest
