// The exports of the command executor: rreInitialize, rreExecCommand, rreTerminate.
#include <cstdio>

#include "corlink/capi/capi_library.h"
#include "corlink/capi/send_path.h"
#include "corlink/database/capi_session.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/database_state.h"
#include "corlink/executor/command_queue.h"
#include "corlink/executor/command_table.h"
#include "corlink/executor/executor.h"
#include "corlink/executor/executor_state.h"
#include "corlink/foundation/console_text.h"
#include "corlink/foundation/event_reporting.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/foundation/utilities.h"
#include "corlink/handlers/handler_frame.h"
#include "corlink/transport/inband_transport.h"
#include "platform/windows_api.h"

std::atomic<uint32_t> g_RreInitStatus{RRE_STATUS_NOT_INITIALIZED};
HANDLE g_StateChangeMutex = nullptr;
volatile int g_TraceFlag = 0;

namespace {

// Set once the executor's detach has begun, until the next attach: from then on no command runs and no
// one else takes the state-change mutex, while the detach releases and closes it and the database goes.
std::atomic<bool> g_Detaching{false};

constexpr uint32_t kProcessAttach = 1;
constexpr uint32_t kProcessDetach = 0;
constexpr int32_t kAttachWaitMs = 1000;

int AttachStateChangeMutex() {
    DebugPrint("DLL_PROCESS_ATTACH (start)\n");
    g_Detaching = false;
    HANDLE mutex = nullptr;
    for (int attempt = 0; attempt < 3; ++attempt) {
        mutex = os_CreateMutex(STATE_CHANGE_MUTEX_NAME);
        if (mutex == nullptr) mutex = os_OpenMutex(STATE_CHANGE_MUTEX_NAME);
        if (mutex == nullptr) {
            char text[256];
            GetSystemErrorText(text, sizeof text);
            std::fprintf(stderr, "%s\n%s\n", "Lock failed", text);
            DebugPrint("\n ");
            DebugPrint("ERROR! Unable to create Bind mutex in the dll.");
            return 0;
        }
        if (os_WaitForMutex(mutex, kAttachWaitMs) == 0) {
            os_ReleaseMutex(mutex);
            break;
        }
        os_ReleaseMutex(mutex);
        os_CloseMutex(mutex);
        mutex = nullptr;  // a closed handle must not be waited on later: commands then answer NO_MUTEX
    }
    g_StateChangeMutex = mutex;
    if (mutex == nullptr || os_WaitForMutex(mutex, kAttachWaitMs) != 0) {
        char text[] = "Unable to create the mutex";
        WriteEventLog(text, EVENTLOG_INFORMATION_TYPE, CORLINK_EVENT_INFO, 0, CORLINK_EVENT_SOURCE);
        return 0;
    }
    os_ReleaseMutex(mutex);
    DebugPrint("DLL_PROCESS_ATTACH (end)\n");
    return 1;
}

int DetachStateChangeMutex() {
    DebugPrint("DLL_PROCESS_DETACH\n");
    g_Detaching = true;
    if (g_StateChangeMutex != nullptr) {
        if (os_WaitForMutex(g_StateChangeMutex, 0) == 0) {
            os_ReleaseMutex(g_StateChangeMutex);
            os_CloseMutex(g_StateChangeMutex);
            g_StateChangeMutex = nullptr;
        } else {
            MessageBoxA(nullptr, "State Change Mutex lock is not released.", "Server Error",
                        MB_OK | MB_ICONERROR);
        }
    }
    return 1;
}

// "trace" runs: rebuild the controller database over and over, printing the command counters.
void RunTraceLoop() {
    while (g_TraceFlag == 1) {
        while (g_NumControllers > 0) RemoveController(0);
        CAPI_Initialize_Main();
        CapiCommandCounters& counters = CapiCounters();
        if (counters.activecommands > 0) {
            ConsoleWritef("activecommands = %d okcommands = %d failcommands = %d\n", counters.activecommands,
                          counters.okcommands, counters.failcommands);
            counters.activecommands = 0;
        }
    }
}

void Dispatch(Rre* pRre) {
    const RreCommandInfo* info = FindRreCommand(pRre->Command);
    if (info == nullptr || info->handlerName == nullptr) {
        RreErrorReply(pRre, RRE_ERROR_UNKNOWN_COMMAND);
        return;
    }
    if (info->handler == nullptr) {
        // A command whose handler this build does not have yet: the frame's tests, then unknown.
        if (RreFrameBegin(pRre, *info)) RreErrorReply(pRre, RRE_ERROR_UNKNOWN_COMMAND);
        return;
    }
    info->handler(pRre, *info);
}

}  // namespace

int DllMain(void*, uint32_t reason, void*) {
    DebugPrint("%s: fdwReason=%d\n", "DllMain", static_cast<int>(reason));
    if (reason == kProcessAttach) return AttachStateChangeMutex();
    if (reason == kProcessDetach) return DetachStateChangeMutex();
    return 1;
}

bool TakeStateChangeMutex() {
    if (g_Detaching) return false;
    HANDLE mutex = g_StateChangeMutex;  // the detach may close it meanwhile: give back what was taken
    const bool taken = os_WaitForMutex(mutex, 0) == 0;
    if (taken && !g_Detaching) return true;
    // An abandoned mutex is this thread's after the wait (a failed wait's release fails harmlessly); one
    // taken after the detach began goes back to the detach.
    os_ReleaseMutex(mutex);
    return false;
}

extern "C" uint32_t rreInitialize(void) {
    DebugPrint("%s()\n", "rreInitialize");
    DllMain(nullptr, kProcessAttach, nullptr);
    g_DiscoveryFlag = 1;
    g_DiscoveryLock = os_CreateLock();
    if (g_DiscoveryLock == nullptr) {
        DebugPrint("Lock creation failed\n");
        return 0xFFFFFFFF;
    }
    InstallCapiDatabaseHooks();
    CAPI_InstallTransport(&SCSI32LMX_Initialize);
    CAPI_Initialize_Main();
    RunTraceLoop();
    g_RreInitStatus = 0;
    return 0;
}

namespace {

void LeaveStateChange() { os_ReleaseMutex(g_StateChangeMutex); }

void RefuseCommand(Rre* pRre);

// One command, the state-change mutex held. A command queued behind others in a runner's turn is refused
// once the detach has begun.
void RunCommand(Rre* pRre) {
    if (g_Detaching) {
        RefuseCommand(pRre);
        return;
    }
    pRre->ReplyLength = static_cast<int32_t>(pRre->Length);
    g_CurrentController = -1;
    if (pRre->Length > pRre->BufferSize) {
        RreErrorReply(pRre, RRE_ERROR_WRONG_LENGTH);
    } else {
        Dispatch(pRre);
    }
    g_CurrentController = -1;
}

void RefuseCommand(Rre* pRre) {
    std::fprintf(stderr, "os_WaitForMutex %p %d Timeout", g_StateChangeMutex, 0);
    RreErrorReply(pRre, RRE_ERROR_MUTEX_WAIT);
}

bool CommandFromDatabase(const Rre* pRre) { return AnsweredFromDatabase(pRre->Command); }

// Made once and never destroyed: session threads may still queue commands while the process exits.
CommandQueue& TheCommandQueue() {
    static CommandQueue* queue = new CommandQueue(
        {TakeStateChangeMutex, LeaveStateChange, RunCommand, RefuseCommand, CommandFromDatabase});
    return *queue;
}

}  // namespace

extern "C" void rreExecCommand(Rre* pRre) {
    // The reply head is written over the request: without room for it there is nothing to answer with.
    if (pRre == nullptr || pRre->Buffer == nullptr || pRre->BufferSize < RRE_REPLY_HEAD_LENGTH) {
        if (pRre != nullptr) pRre->ReplyLength = 0;
        return;
    }
    if (uint32_t status = g_RreInitStatus.load(); status != 0) {
        RreErrorReply(pRre, status);
        return;
    }
    if (g_StateChangeMutex == nullptr) {
        RreErrorReply(pRre, RRE_ERROR_NO_MUTEX);
        return;
    }
    ConsoleFlushDeferral afterRelease;  // the command's lines leave once the mutex is released
    TheCommandQueue().Run(pRre);
}

extern "C" uint64_t rreTerminate(void) {
    DllMain(nullptr, kProcessDetach, nullptr);
    os_DeleteLock(g_DiscoveryLock);
    g_DiscoveryLock = nullptr;
    return 0;
}
