#include "corlink/server/heartbeat.h"

#include <cstdio>

#include "corlink/foundation/nt_os.h"
#include "corlink/proxy_protocol/proxy_header.h"
#include "corlink/server/run_state.h"
#include "platform/files/file_io.h"
#include "platform/files/files.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"
#include "platform/net/named_pipe.h"
#include "platform/time/clock.h"

namespace {

// One write or read on the pipe, started by `start` with an OVERLAPPED request and bounded: a step that
// does not complete in time is cancelled and fails.
template <class Start>
BOOL BoundedPipeStep(HANDLE pipe, DWORD* done, Start start) {
    OVERLAPPED request{};
    request.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (request.hEvent == nullptr) return FALSE;
    BOOL ok = start(&request);
    if (!ok && GetLastError() == ERROR_IO_PENDING) {
        // The listener is another process: its answer takes real time, however fast this clock runs.
        const DWORD bound = platform::GetClock().RealTimeBound(HEARTBEAT_PIPE_STEP_MS);
        if (WaitForSingleObject(request.hEvent, bound) != WAIT_OBJECT_0) CancelIo(pipe);
        ok = GetOverlappedResult(pipe, &request, done, TRUE);
    }
    DWORD error = GetLastError();
    CloseHandle(request.hEvent);
    SetLastError(error);
    return ok;
}

// Exchanges one heart beat with the listener; true when its pipe took the message and answered.
bool ExchangeHeartbeat(const CClient* client, const uint8_t* message) {
    char name[64];
    std::snprintf(name, sizeof name, "\\\\.\\pipe\\DODO_Rivoz_%d", client->m_Number);
    DebugPrint("opening client pipe %s\n", name);

    bool failed = false;
    if (!WaitNamedPipeA(name, NMPWAIT_USE_DEFAULT_WAIT)) {
        DebugPrint("WaitNamedPipe returned false for %s\n", name);
        failed = true;
    }
    HANDLE pipe = INVALID_HANDLE_VALUE;
    if (!failed) {
        pipe = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
        if (pipe == INVALID_HANDLE_VALUE) {
            failed = true;
            DebugPrint("CreateFile(pipe) failed with error %d\n", static_cast<int>(GetLastError()));
        }
    }
    DWORD moved = 0;
    if (!failed) {
        DebugPrint("opened the pipe\n");
        if (BoundedPipeStep(pipe, &moved, [&](OVERLAPPED* request) {
                return WriteFile(pipe, message, PROXY_HEADER_LENGTH, &moved, request);
            })) {
            DebugPrint("WriteFile(pipe) wrote %d bytes\n", static_cast<int>(moved));
        } else {
            failed = true;
            DebugPrint("pipe WriteFile() failed, error %d\n", static_cast<int>(GetLastError()));
        }
    }
    if (!failed) {
        uint8_t answer[PROXY_HEADER_LENGTH] = {};  // read and not examined
        if (BoundedPipeStep(pipe, &moved, [&](OVERLAPPED* request) {
                return ReadFile(pipe, answer, sizeof answer, &moved, request);
            })) {
            DebugPrint("ReadFile(pipe) returned %d bytes\n", static_cast<int>(moved));
        } else {
            failed = true;
            DebugPrint("pipe ReadFile() failed, error %d\n", static_cast<int>(GetLastError()));
        }
    }
    if (pipe != INVALID_HANDLE_VALUE) {
        if (CloseHandle(pipe)) {
            DebugPrint("CloseFile(pipe) succeeded\n");
        } else {
            DebugPrint("error: CloseHandle(pipe) failed with error %d\n", static_cast<int>(GetLastError()));
        }
    }
    return !failed;
}

}  // namespace

void Sendheartbeat(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    if (g_IpsMode) return;
    auto* listeners = reinterpret_cast<ListenerList*>(user);
    DebugPrint("$$$$$$$$$$$$$$$$$$$$$$$$$$Sent heart beats$$$$$$$$$$$$$$$$$$$\n");
    uint8_t message[PROXY_HEADER_LENGTH];
    EncodeProxyHeader(MakeProxyHeader(PROXY_HEARTBEAT, 0, 0), message);

    if (listeners == nullptr || !listeners->Lock()) return;
    if (listeners->GetCount() == 0) {
        listeners->Unlock();
        return;
    }
    os_ReleaseSemaphore(g_ThreadCountSem);
    CClient* client = listeners->GetHead();
    while (client != nullptr) {
        if (ExchangeHeartbeat(client, message)) {
            LogClientLine(0, "OK: send hb to client(%d:%s) succ.\n", client);
            client = listeners->GetNext(client);
        } else {
            DebugPrint("######### OOPS!!! Sendheartbeat() deleting client! \n");
            listeners->Remove(client);
            delete client;  // also ends the registering session
            client = listeners->GetHead();
        }
        if (os_IsFlagSet(g_ShutDownSem)) break;
    }
    listeners->Unlock();
    os_TryWait(g_ThreadCountSem);
}
