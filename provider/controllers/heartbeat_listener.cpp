#include "provider/controllers/heartbeat_listener.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>

#include "corlink/proxy_protocol/proxy_header.h"
#include "platform/files/file_calls.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"
#include "platform/net/named_pipe.h"
#include "platform/time/clock.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/provider_events.h"
#include "provider/controllers/proxy_session.h"

namespace {

constexpr size_t kPipeBufferSize = 4u * 1024 * 1024;
constexpr DWORD kPipeInstances = 2;
constexpr DWORD kPipeIoBytes = 1024;
constexpr DWORD kPipeDefaultTimeOutMs = 1000;
constexpr DWORD kErrorPauseMs = 5000;
// The bound of one whole message, from the client's connect to its last byte: a client that has not sent
// its message within it is dropped, so that no client, however it spreads its bytes, keeps the proxy's heart
// beats from the pipe.
constexpr DWORD kMessageBoundMs = 5000;
constexpr DWORD WRITE_DAC = 0x00040000;

// One listener: its pipe and the thread that serves it, which owns the pipe while it runs.
struct Listener {
    char name[64] = {};
    HANDLE pipe = INVALID_HANDLE_VALUE;
    HANDLE thread = nullptr;
    // manual reset: set when the listener stops, it ends the thread's pauses and reads
    HANDLE wake = nullptr;
    HANDLE readDone = nullptr;  // manual reset: an overlapped read of the pipe completed
    std::atomic<bool> stop{false};
};

std::mutex g_lock;
std::unique_ptr<Listener> g_listener;  // the running listener, guarded by g_lock

void PipeName(uint32_t number, char* name, size_t size) {
    std::snprintf(name, size, "\\\\.\\pipe\\DODO_Rivoz_%u", number);
}

// After an error: 5 s, unless the listener is stopping.
void Pause(Listener& listener) {
    if (!listener.stop.load()) WaitForSingleObject(listener.wake, kErrorPauseMs);
}

void Disconnect(Listener& listener) {
    if (!DisconnectNamedPipe(listener.pipe))
        LogErrorEvent(L"DisconnectNamedPipe failed with error 0x%x\n", GetLastError());
}

// The clock reading at which a message that starts now must have come whole. The client is another
// process: its bytes take real time, however fast this clock runs.
uint64_t MessageDeadline() {
    platform::Clock& clock = platform::GetClock();
    return clock.MonotonicMs() + clock.RealTimeBound(kMessageBoundMs);
}

// The time left until deadline, 0 once it has passed.
DWORD TimeLeft(uint64_t deadline) {
    const uint64_t now = platform::GetClock().MonotonicMs();
    if (now >= deadline) return 0;
    return static_cast<DWORD>(std::min<uint64_t>(deadline - now, platform::kNoTimeLimit - 1));
}

// One read of what the client has sent, within the message's deadline, and ended early when the listener
// stops: a client that sends nothing, or too slowly, holds neither the pipe nor the thread. False with the
// error set when it fails, was ended (ERROR_OPERATION_ABORTED) or the deadline passed (WAIT_TIMEOUT; bytes
// that come only then are late too).
bool ReadPipe(Listener& listener, uint8_t* bytes, DWORD count, uint64_t deadline, DWORD* got) {
    OVERLAPPED request{};
    request.hEvent = listener.readDone;
    DWORD waited = WAIT_OBJECT_0;
    if (!ReadFile(listener.pipe, bytes, count, got, &request)) {
        if (GetLastError() != ERROR_IO_PENDING) return false;
        const HANDLE waits[2] = {listener.readDone, listener.wake};
        {
            platform::WaitingForPeer peer;
            waited = WaitForMultipleObjects(2, waits, FALSE, TimeLeft(deadline));
        }
        if (waited != WAIT_OBJECT_0) {
            CancelIo(listener.pipe);
            GetOverlappedResult(listener.pipe, &request, got, TRUE);
        } else if (!GetOverlappedResult(listener.pipe, &request, got, FALSE)) {
            return false;
        }
    }
    if (waited == WAIT_OBJECT_0 && TimeLeft(deadline) == 0) waited = WAIT_TIMEOUT;
    if (waited == WAIT_OBJECT_0) return true;
    if (waited == WAIT_TIMEOUT)
        BVSS_DebugPrint(L"pipe read: the message did not come whole within %u ms, the client is dropped\n",
                        kMessageBoundMs);
    SetLastError(waited == WAIT_TIMEOUT ? WAIT_TIMEOUT : ERROR_OPERATION_ABORTED);
    return false;
}

// Reads until `count` bytes arrived; false when a read fails, the deadline passes or the client closes first.
bool ReadWhole(Listener& listener, uint8_t* bytes, DWORD count, uint64_t deadline) {
    DWORD total = 0;
    while (total < count) {
        DWORD got = 0;
        if (!ReadPipe(listener, bytes + total, count - total, deadline, &got) || got == 0) return false;
        total += got;
    }
    return true;
}

void Answer(Listener& listener, uint8_t* buffer) {
    proxy_build_header(buffer, PROXY_HEARTBEAT, 0);
    DWORD written = 0;
    if (!WriteFile(listener.pipe, buffer, PROXY_HEADER_LENGTH, &written, nullptr))
        LogErrorEvent(L"WriteFile failed to write heartbeat response with error 0x%x\n", GetLastError());
    BVSS_DebugPrint(L"WriteFile(pipe) wrote %d bytes\n", written);
    if (!FlushFileBuffers(listener.pipe))
        BVSS_DebugPrint(L"FlushFileBuffers(pipe) failed, error %d\n", GetLastError());
}

// Serves one connected client; every way out disconnects it.
void ServeClient(Listener& listener, uint8_t* buffer) {
    const uint64_t deadline = MessageDeadline();
    BVSS_DebugPrint(L"pipe read...\n");
    DWORD got = 0;
    if (!ReadPipe(listener, buffer, kPipeBufferSize, deadline, &got)) {
        LogErrorEvent(L"ReadFile failed to read packet header error 0x%x\n", GetLastError());
        Disconnect(listener);
        Pause(listener);
        return;
    }
    const uint32_t dataLength = got >= PROXY_HEADER_LENGTH ? ReadBigEndian32(buffer + 32) : 0;
    BVSS_DebugPrint(L"pipe read %d bytes, DataLen=%d\n", got, dataLength);
    DWORD total = got;
    if (got == PROXY_HEADER_LENGTH && dataLength != 0) {
        if (dataLength > kPipeBufferSize - PROXY_HEADER_LENGTH) {
            BVSS_DebugPrint(L"recv_events: error: DataLen=%u exceeds the buffer, message refused\n",
                            dataLength);
            Disconnect(listener);
            return;
        }
        if (!ReadWhole(listener, buffer + PROXY_HEADER_LENGTH, dataLength, deadline)) {
            LogErrorEvent(L"ReadFile failed to read additional data with error 0x%x\n", GetLastError());
            Disconnect(listener);
            Pause(listener);
            return;
        }
        total += dataLength;
        BVSS_DebugPrint(L"pipe read %d ADDITIONAL bytes, DataLen=%d read=%d\n", dataLength, dataLength,
                        total);
    }
    if (total == 0) {
        BVSS_DebugPrint(L"recv_events: error: size=%d at line %d \n", total, __LINE__);
        Disconnect(listener);
        Pause(listener);
        return;
    }
    if (total < PROXY_HEADER_LENGTH) {
        BVSS_DebugPrint(L"recv_events: error: message too short, size=%d at line %d \n", total, __LINE__);
        Disconnect(listener);
        Pause(listener);
        return;
    }
    if (is_heartbeat(buffer)) Answer(listener, buffer);
    Disconnect(listener);
}

unsigned recv_events(void* argument) {
    BVSS_FunctionTrace trace(L"recv_events");
    Listener& listener = *static_cast<Listener*>(argument);
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kPipeBufferSize]);
    if (buffer == nullptr) BVSS_DebugPrint(L"recv_events: no memory for the pipe buffer\n");
    while (buffer != nullptr && !listener.stop.load()) {
        BVSS_DebugPrint(L"pipe connect...\n");
        if (!ConnectNamedPipe(listener.pipe, nullptr)) {
            const DWORD error = GetLastError();
            if (error != ERROR_PIPE_CONNECTED) {
                LogErrorEvent(L"ConnectNamedPipe failed with error 0x%x", error);
                break;
            }
        }
        if (listener.stop.load()) break;
        ServeClient(listener, buffer.get());
    }
    if (listener.pipe != INVALID_HANDLE_VALUE) {
        HANDLE pipe = listener.pipe;
        listener.pipe = INVALID_HANDLE_VALUE;
        BVSS_DebugPrint(L"closing pipe handle...\n");
        if (CloseHandle(pipe)) {
            BVSS_DebugPrint(L"closed pipe handle\n");
        } else {
            BVSS_DebugPrint(L"CloseHandle(pipe) failed: error 0x%x\n", GetLastError());
        }
        delete_listener();
    }
    return 0;
}

}  // namespace

uint32_t listener_number() { return GetCurrentProcessId() & 0xFFFF; }

int is_heartbeat(const uint8_t* message) {
    if (message == nullptr) {
        BVSS_DebugPrint(L"Can't handle a null event.\n");
        return 0;
    }
    return ReadBigEndian32(message + 20) == PROXY_HEARTBEAT ? 1 : 0;
}

int create_listen() {
    stop_listener();
    auto listener = std::make_unique<Listener>();
    PipeName(listener_number(), listener->name, sizeof listener->name);
    BVSS_DebugPrint(L"create_listen: creating named pipe %S\n", listener->name);
    listener->pipe = CreateNamedPipeA(listener->name, PIPE_ACCESS_DUPLEX | WRITE_DAC | FILE_FLAG_OVERLAPPED,
                                      PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, kPipeInstances,
                                      kPipeIoBytes, kPipeIoBytes, kPipeDefaultTimeOutMs, nullptr);
    if (listener->pipe == INVALID_HANDLE_VALUE) {
        LogErrorEvent(L"CreateNamedPipe() failed with error %d", GetLastError());
        return 1;
    }
    listener->wake = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    listener->readDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    BVSS_DebugPrint(L"starting recv_events thread\n");
    listener->thread =
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, recv_events, listener.get(), 0, nullptr));
    if (listener->thread == nullptr) {
        CloseHandle(listener->pipe);
        CloseHandle(listener->wake);
        CloseHandle(listener->readDone);
        return 1;
    }
    std::lock_guard<std::mutex> g(g_lock);
    g_listener = std::move(listener);
    return 0;
}

void stop_listener() {
    std::unique_ptr<Listener> listener;
    {
        std::lock_guard<std::mutex> g(g_lock);
        listener = std::move(g_listener);
    }
    if (listener == nullptr) return;
    listener->stop.store(true);
    SetEvent(listener->wake);
    // A thread waiting for a client is woken by one: it then sees the flag and ends.
    HANDLE client =
        CreateFileA(listener->name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (client != INVALID_HANDLE_VALUE) CloseHandle(client);
    // Every wait of the thread ends now (a wait for a client is woken above, a pause or a read by the
    // event), so the join needs no time limit, which under virtual time could pass before the woken thread
    // runs.
    if (WaitForSingleObject(listener->thread, INFINITE) != WAIT_OBJECT_0) {
        BVSS_DebugPrint(L"stop_listener: waiting for the heart-beat thread failed, error %u\n",
                        GetLastError());
        listener.release();  // still in use by its thread: left to it rather than freed under it
        return;
    }
    CloseHandle(listener->thread);
    CloseHandle(listener->wake);
    CloseHandle(listener->readDone);
}

int listener_running() {
    std::lock_guard<std::mutex> g(g_lock);
    return g_listener != nullptr && WaitForSingleObject(g_listener->thread, 0) == WAIT_TIMEOUT ? 1 : 0;
}

int delete_listener() {
    BVSS_FunctionTrace trace(L"delete_pipe");
    char name[64];
    PipeName(listener_number(), name, sizeof name);
    BVSS_DebugPrint(L"delete_listener: deleting named pipe %S\n", name);
    if (DeleteFileA(name)) return 1;
    BVSS_DebugPrint(L"delete_listener: DeleteFile(%S) failed: error 0x%x (0x57 or 0x2 is expected)\n", name,
                    GetLastError());
    return 0;
}
