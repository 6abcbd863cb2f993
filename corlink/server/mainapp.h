// The proxy's TCP server: the listening socket, the running sessions, the registered listeners and the
// heart-beat timer, and three kinds of threads: the accept thread, the periodic discovery thread and
// one thread per session. Every start step throws a CErrMsg pointer when it fails.
#pragma once

#include <cstdint>

#include "corlink/server/asyncevent.h"
#include "corlink/server/client.h"
#include "corlink/server/listener_registry.h"
#include "corlink/server/locked_list.h"
#include "corlink/server/login_wait.h"
#include "corlink/server/socket.h"
#include "platform/win_types.h"

class CHotLink;
class CMainApp;

// One running session: its connection (owned by the session's thread) and the session object.
struct SessionEntry {
    CMainApp* app;
    CRRESocket* socket;
    CHotLink* session;
};
using SessionList = CLockedList<SessionEntry*>;

// Ports tried when the configured one is in use: port, port + 1, port + 2.
constexpr int LISTEN_PORT_TRIES = 3;
// The system's longest queue of connections not yet accepted: a burst of connects never waits for a
// retried SYN.
constexpr int LISTEN_BACKLOG = SOMAXCONN;
// The periodic discovery's period, in one-second steps.
constexpr int32_t DISCOVERY_PERIOD_SECONDS = 300;
// The pause before the accept thread tries again after a failed accept.
constexpr int32_t ACCEPT_RETRY_MS = 100;
// How long the accept thread waits at shut-down for the other workers to end, and how often it looks.
constexpr int32_t ACCEPT_SHUTDOWN_WAIT_MS = 120000;
constexpr int32_t ACCEPT_SHUTDOWN_POLL_MS = 10;

class CMainApp : public CAsyncEvent {
  public:
    // The controller discovery that the discovery thread re-runs.
    using Rediscovery = int (*)();

    explicit CMainApp(Rediscovery rediscovery = nullptr);
    ~CMainApp();
    CMainApp(const CMainApp&) = delete;
    CMainApp& operator=(const CMainApp&) = delete;

    // Start steps, in this order.
    void InitLock();
    void Listen();
    void AsyncEventSetup();
    void Run();

    uint16_t GetServerPort();
    int ReportStatus(DWORD state, DWORD waitHint);
    // Marks the listening socket, every session's connection and every event connection closing, so that
    // every thread lets go of its socket.
    void ShutDownAllSockets();
    void CloseAllConnection();
    // The clean-up after a failed start: connections, sessions, listeners and the heart-beat timer.
    void StopProgram();
    void SendServerStopEvent();

    // Thread routines: the argument is the CMainApp for AcceptConn and Discovery, the SessionEntry for
    // ProcessMsg. The starter counts the thread on the thread counter; the routine takes it off at its end.
    static unsigned AcceptConn(void* argument);
    static unsigned ProcessMsg(void* argument);
    static unsigned Discovery(void* argument);

    // The port listened on; 0 until Listen succeeds.
    uint16_t BoundPort() const { return m_BoundPort; }
    SessionList& Sessions() { return m_Sessions; }
    ListenerList& Listeners() { return m_Listeners; }

  private:
    // Creates the session of an accepted connection and starts its thread. A connection finding every
    // place of those not yet logged in taken is closed at once; the others get the login deadline.
    void StartSession(CRRESocket* socket);

    CRRESocket m_ListenSocket;
    SessionList m_Sessions;
    ListenerList m_Listeners;
    ListenerRegistry m_Registry;
    LoginWaits m_LoginWaits;
    uint16_t m_BoundPort = 0;
    Rediscovery m_Rediscovery;
};
