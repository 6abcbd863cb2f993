// The server's threads: the accept thread, one thread per session and the periodic discovery thread.
// Each is counted on the thread counter by the code that starts it and takes itself off when it ends.
#include <new>

#include "corlink/database/database_state.h"
#include "corlink/executor/executor_state.h"
#include "corlink/foundation/console_text.h"
#include "corlink/foundation/method_trace.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/foundation/scope_trace.h"
#include "corlink/server/hotlink.h"
#include "corlink/server/mainapp.h"
#include "corlink/server/run_state.h"
#include "platform/time/clock.h"

namespace {

// Takes the thread off the worker count when destroyed. Declared first in a thread routine, it goes
// last, after every line the thread logs: once the count reaches 0 the shut-down may let the process
// end, and nothing of the thread may run then.
class CountedWorker {
  public:
    CountedWorker() = default;
    ~CountedWorker() { os_TryWait(g_ThreadCountSem); }
    CountedWorker(const CountedWorker&) = delete;
    CountedWorker& operator=(const CountedWorker&) = delete;
};

// Waits, within a bound, until this thread is the last running worker.
void WaitForOtherWorkers() {
    for (int32_t waited = 0; waited < ACCEPT_SHUTDOWN_WAIT_MS; waited += ACCEPT_SHUTDOWN_POLL_MS) {
        int32_t running = 0;
        os_GetCount(g_ThreadCountSem, &running);
        if (running <= 1) return;
        os_Sleep(ACCEPT_SHUTDOWN_POLL_MS);
    }
}

// Sleeps the discovery period in one-second steps; false as soon as the shut-down flag is raised.
bool SleepDiscoveryPeriod() {
    for (int32_t second = 0; second < DISCOVERY_PERIOD_SECONDS; ++second) {
        os_SleepSeconds(1);
        if (os_IsFlagSet(g_ShutDownSem)) return false;
    }
    return true;
}

// True when periodic discovery is switched on; the flag is read under the discovery lock.
bool DiscoveryWanted() {
    if (!os_Lock(g_DiscoveryLock)) {
        DebugPrint("Acqire Lock failed\n");
        return false;
    }
    DebugPrint("Acquired Lock\n");
    const uint8_t flag = g_DiscoveryFlag;
    os_Unlock(g_DiscoveryLock);
    return flag != 0;
}

}  // namespace

unsigned CMainApp::AcceptConn(void* argument) {
    auto* app = static_cast<CMainApp*>(argument);
    CountedWorker counted;
    ScopeTrace trace("CMainApp::AcceptConn");
    METHOD_TRACE("CMainApp::AcceptConn thread started");
    while (!os_IsFlagSet(g_ShutDownSem)) {
        auto* socket = new (std::nothrow) CRRESocket;
        if (socket == nullptr) {
            os_Sleep(ACCEPT_RETRY_MS);
            continue;
        }
        if (app->m_ListenSocket.Accept(*socket)) {
            app->StartSession(socket);
            continue;
        }
        DebugPrint("Accept Error !!!! This should only happen when terminating corlink");
        delete socket;
        // Only the closing mark (which reads as error 0) ends the thread; any other failure, exhausted
        // descriptors or buffers among them, is tried again after a pause.
        if (app->m_ListenSocket.TakeLastError() != 0) {
            os_Sleep(ACCEPT_RETRY_MS);
            continue;
        }
        DebugPrint("Accept: Wait for other child threads");
        if (os_IsFlagSet(g_ShutDownSem)) WaitForOtherWorkers();
        break;
    }
    DebugPrint("End AcceptConnection Thread");
    return 0;
}

void CMainApp::StartSession(CRRESocket* socket) {
    // An "ips" connection carries raw packets and never logs in: neither the cap nor the deadline apply.
    LoginWaitPlace loginWait;
    if (!g_IpsMode) {
        if (!m_LoginWaits.TryEnter()) {
            DebugPrint("Too many connections waiting for their login: connection closed\n");
            delete socket;
            return;
        }
        loginWait = LoginWaitPlace(&m_LoginWaits);
        socket->SetDeadline(platform::GetClock().MonotonicMs() + LOGIN_DEADLINE_MS);
    }
    auto* entry = new (std::nothrow) SessionEntry{this, socket, nullptr};
    if (entry != nullptr) entry->session = new (std::nothrow) CHotLink(socket, std::move(loginWait));
    if (entry == nullptr || entry->session == nullptr) {
        delete entry;
        delete socket;
        return;
    }
    DebugPrint("Create new ProcessMsg");
    // The session thread is counted from here on, not from its own start, so that a shut-down that
    // waits for the count to reach 0 cannot miss a thread that is about to start.
    os_ReleaseSemaphore(g_ThreadCountSem);
    HANDLE thread = os_BeginThread(ProcessMsg, entry);
    if (thread == nullptr) {
        os_TryWait(g_ThreadCountSem);
        DebugPrint("Unable to cread additional thread");
        delete socket;
        delete entry->session;
        delete entry;
        return;
    }
    os_CloseThread(thread);
}

unsigned CMainApp::ProcessMsg(void* argument) {
    auto* entry = static_cast<SessionEntry*>(argument);
    CMainApp* app = entry->app;
    CountedWorker counted;
    METHOD_TRACE("CMainApp::ProcessMsg");
    if (entry->socket->GetPeerName()) {
        if (app->m_Sessions.Lock()) {
            app->m_Sessions.AddTail(entry);
            // A shut-down that marked the sessions before this one was listed has marked the listening
            // socket first: the session then lets go at once instead of serving its client on.
            if (app->m_ListenSocket.IsClosing()) entry->socket->SetClosing();
            app->m_Sessions.Unlock();
        }
        entry->session->ProcessMsg();
        // Every listener the session registered goes (a session may register several numbers): none may
        // keep pointing at the connection freed below.
        if (app->m_Listeners.Lock()) {
            while (CClient* client = FindClientBySocket(app->m_Listeners, entry->socket)) {
                client->m_pSessionSocket = nullptr;
                LogClientLine(0, "OOPS: remove client(%d:%s) for get bError\n", client);
                app->m_Listeners.Remove(client);
                delete client;
            }
            app->m_Listeners.Unlock();
        }
    }
    if (app->m_Sessions.Lock()) {
        app->m_Sessions.Remove(entry);
        app->m_Sessions.Unlock();
    }
    delete entry->socket;
    delete entry->session;
    delete entry;
    DebugPrint("End ProcessMsg Thread");
    return 0;
}

unsigned CMainApp::Discovery(void* argument) {
    auto* app = static_cast<CMainApp*>(argument);
    CountedWorker counted;
    ScopeTrace trace("CMainApp::Discovery");
    DebugPrint("Discovery thread started\n");
    while (!os_IsFlagSet(g_ShutDownSem)) {
        if (!SleepDiscoveryPeriod()) break;
        if (!DiscoveryWanted() || g_StateChangeMutex == nullptr) continue;
        ConsoleFlushDeferral afterRelease;  // the rebuild's console lines leave once the mutex is released
        if (!TakeStateChangeMutex()) continue;
        app->m_Rediscovery();
        os_ReleaseMutex(g_StateChangeMutex);
    }
    return 0;
}
