// The provider's heart-beat pipe over arbitrary messages, sent as the proxy sends them: the client opens
// the pipe, writes the message in one or two writes, reads the answer and closes. Whatever the message
// holds (header, DataLen, data), the listener answers a heart beat with exactly one header, anything else
// with nothing, and keeps serving the next client.
//
// An input: the length of the first write (1 byte; 0 sends the message in one write), then the message.
// A message whose header announces data that never comes is sent and closed without reading, as a proxy
// that gives up would, since the listener is still waiting for that data; a heart beat then waits for the
// listener to finish with it, so that no thread of the input outlives it.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "corlink/proxy_protocol/proxy_header.h"
#include "fuzz_root.h"
#include "platform/files/file_io.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/last_error.h"
#include "platform/net/named_pipe.h"
#include "platform/time/clock.h"
#include "provider/controllers/heartbeat_listener.h"
#include "provider/controllers/proxy_session.h"
#include "tests/unit/provider/scripted_proxy.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

void Prepare() {
    const std::string& root = UseTemporaryMachineRoot("heartbeat_pipe_fuzz");
    std::filesystem::create_directories(root + "/C/Windows/System32");
    static auto* clock = new platform::VirtualClock;  // the listener's pauses after an error cost nothing
    platform::SetClock(clock);
    static auto* proxy = new providertest::ScriptedProxy;
    std::ofstream(root + "/C/Windows/System32/corlink4.conf")
        << "version  :1\nipaddress:127.0.0.1\nusername :u\npassword :p\nport     :" << proxy->port() << "\n";
    Check(ProxyInit() == 0);  // opens the session and starts the listener
    // The listener's thread must end before the exit handlers destroy the listener it serves.
    std::atexit([] { stop_listener(); });
}

// False when the listener, having read the header, would still wait for announced data.
bool ListenerFinishes(const std::vector<uint8_t>& message) {
    if (message.size() < PROXY_HEADER_LENGTH) return true;
    const uint64_t dataLength = ReadBigEndian32(message.data() + 32);
    return dataLength == 0 || message.size() >= PROXY_HEADER_LENGTH + dataLength;
}

// Opens the pipe as the proxy does, waiting while it is busy (the listener may still be serving a client
// that closed without reading). A listener that is gone, or never frees its pipe, is a finding.
HANDLE OpenPipe(const char* name) {
    for (int attempt = 0; attempt < 10000; ++attempt) {
        HANDLE pipe = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) return pipe;
        const DWORD error = GetLastError();
        if (error != ERROR_PIPE_BUSY) {
            std::fprintf(stderr, "heart-beat pipe cannot be opened: error %u\n", error);
            std::abort();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::fprintf(stderr, "heart-beat pipe busy for 10 s\n");
    std::abort();
}

// Sends one heart beat and reads its answer to the end. The listener serves one client at a time and ends
// each (every thread its read started included) before it takes the next, so once this answer is read the
// listener has finished with every earlier client of the input: nothing the input started outlives it.
void AwaitListenerIdle(const char* name) {
    HANDLE pipe = OpenPipe(name);
    uint8_t beat[PROXY_HEADER_LENGTH];
    proxy_build_header(beat, PROXY_HEARTBEAT, 0);
    DWORD count = 0;
    Check(WriteFile(pipe, beat, sizeof beat, &count, nullptr) && count == sizeof beat);
    DWORD total = 0;
    uint8_t answer[PROXY_HEADER_LENGTH + 1];
    while (total < sizeof answer && ReadFile(pipe, answer + total, sizeof answer - total, &count, nullptr) &&
           count > 0)
        total += count;
    CloseHandle(pipe);
    Check(total == PROXY_HEADER_LENGTH && is_heartbeat(answer) == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool prepared = (Prepare(), true);
    (void)prepared;
    if (size < 1) return 0;
    const std::vector<uint8_t> message(data + 1, data + size);
    const size_t first = data[0] == 0 ? message.size() : std::min<size_t>(data[0], message.size());

    char name[64];
    std::snprintf(name, sizeof name, "\\\\.\\pipe\\DODO_Rivoz_%u", listener_number());
    HANDLE pipe = OpenPipe(name);
    DWORD written = 0;
    if (first > 0) WriteFile(pipe, message.data(), static_cast<DWORD>(first), &written, nullptr);
    if (message.size() > first)
        WriteFile(pipe, message.data() + first, static_cast<DWORD>(message.size() - first), &written,
                  nullptr);
    if (message.empty() || !ListenerFinishes(message)) {
        CloseHandle(pipe);
        AwaitListenerIdle(name);  // the listener may still be reading what was sent
        return 0;
    }
    std::vector<uint8_t> answer;
    uint8_t bytes[64];
    DWORD got = 0;
    while (ReadFile(pipe, bytes, sizeof bytes, &got, nullptr) && got > 0)
        answer.insert(answer.end(), bytes, bytes + got);
    CloseHandle(pipe);
    // A whole heart beat read in one fragment gets one header back; nothing else is ever answered.
    Check(answer.empty() || answer.size() == PROXY_HEADER_LENGTH);
    if (!answer.empty()) Check(is_heartbeat(answer.data()) == 1);
    return 0;
}
