#include "corlink/program/proxy_run.h"

#include <string>

#include "corlink/executor/executor.h"
#include "corlink/executor/ips_bridge.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/method_trace.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/foundation/service_status.h"
#include "corlink/handlers/rre.h"
#include "corlink/server/configuration.h"
#include "corlink/server/errmsg.h"
#include "corlink/server/ips_pass_through.h"
#include "corlink/server/mainapp.h"
#include "corlink/server/run_state.h"

namespace {

// The server of the process, constructed before main (which opens the debug log).
CMainApp g_MainApp;

constexpr DWORD kStopPendingHintMs = 120000;

// Polls once a second until done() holds; false when it still does not after `polls` seconds.
template <class Done>
bool PollSeconds(int32_t polls, Done done) {
    for (int32_t elapsed = 0; !done(); ++elapsed) {
        if (elapsed >= polls) return false;
        os_SleepSeconds(1);
    }
    return true;
}

bool WaitForShutDownFlag() {
    return PollSeconds(SHUTDOWN_FLAG_POLLS, [] { return os_IsFlagSet(g_ShutDownSem) != 0; });
}

bool WaitForWorkerThreads(int32_t* running) {
    return PollSeconds(SHUTDOWN_THREAD_POLLS, [running] {
        os_GetCount(g_ThreadCountSem, running);
        return *running == 0;
    });
}

void CloseRunSemaphores() {
    if (g_ThreadCountSem != nullptr) os_CloseSemaphore(g_ThreadCountSem);
    g_ThreadCountSem = nullptr;
    if (g_ShutDownSem != nullptr) os_CloseSemaphore(g_ShutDownSem);
    g_ShutDownSem = nullptr;
}

}  // namespace

int RREMain(int argc, char** argv) {
    METHOD_TRACE("RRECommServiceStart");
    LoadProxyConfig();
    rreInitialize();
    SetIpsPassThrough(&RreIpsPassThrough);  // ips sessions reach the controllers through the executor's mutex
    if (StartRreCommunication(argc, argv) == 0) {
        DebugPrint("RREMain:: Wait for ShutDown...");
        while (g_StopFlag == 0) os_SleepSeconds(1);
        DoShutDown();
        rreTerminate();
        DebugPrint("RREMain:  End wait");
    }
    return g_MainApp.ReportStatus(SERVICE_STOPPED, 0);
}

int StartRreCommunication(int, char**) {
    METHOD_TRACE("StartRreCommunication");
    g_ShutDownSem = os_CreateSemaphore(SHUTDOWN_SEMAPHORE_NAME);
    if (g_ShutDownSem == nullptr) {
        g_StopFlag = 1;
        return -1;
    }
    g_ThreadCountSem = os_CreateSemaphore(THREAD_COUNT_SEMAPHORE_NAME);
    if (g_ThreadCountSem == nullptr) {
        os_CloseSemaphore(g_ShutDownSem);
        g_ShutDownSem = nullptr;
        g_StopFlag = 1;
        return -1;
    }
    try {
        g_MainApp.InitLock();
        g_MainApp.Listen();
        g_MainApp.AsyncEventSetup();
        g_MainApp.Run();
    } catch (CErrMsg* error) {
        const std::string report = error->Format();
        delete error;
        DebugPrint("%s\n", report.c_str());
        DoShutDown();
        g_MainApp.StopProgram();
        g_StopFlag = 1;
        return -1;
    }
    return 0;
}

void RRECommServiceStop() {
    DebugPrint("Begin RRECommServiceStop");
    ReportServiceStatus(SERVICE_STOP_PENDING, 0, kStopPendingHintMs);
    g_StopFlag = 1;
    DebugPrint("End RRECommServiceStop");
}

void DoShutDown() {
    METHOD_TRACE("DoShutDown");
    g_MainApp.SendServerStopEvent();
    g_MainApp.ShutDownAllSockets();
    g_MainApp.Kill();
    int32_t running = 0;
    bool workersEnded = true;
    if (g_ShutDownSem != nullptr && g_ThreadCountSem != nullptr) {
        DebugPrint("ShutDown is in progress...");
        os_SetFlag(g_ShutDownSem);
        DebugPrint("Wait on shutdown flag...");
        workersEnded = WaitForShutDownFlag() && WaitForWorkerThreads(&running);
    }
    if (workersEnded) {
        CloseRunSemaphores();
    } else {
        // Threads that are still running must go on seeing the raised flag: the semaphores stay open.
        DebugPrint("DoShutDown: %d worker threads still running, shut-down goes on without them\n",
                   static_cast<int>(running));
    }
    DebugPrint("End DoShutDown");
}
