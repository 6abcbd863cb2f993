#include "corlink/server/mainapp.h"

#include "corlink/database/capi_session.h"
#include "corlink/foundation/method_trace.h"
#include "corlink/foundation/scope_trace.h"
#include "corlink/foundation/service_status.h"
#include "corlink/server/configuration.h"
#include "corlink/server/errmsg.h"
#include "corlink/server/run_state.h"
#include "corlink/server/server_event.h"
#include "platform/net/winsock_startup.h"

namespace {

constexpr DWORD kStatusWaitHintMs = 3000;

[[noreturn]] void ThrowStartError(int32_t kind, int32_t category, int32_t code) {
    throw new CErrMsg(COMM_SEVERITY_CRITICAL, kind, category, 1, code);
}

// The server answers on the loopback interface only, whatever the configuration says, except in "ips"
// runs, which listen where the configuration says (every interface).
uint32_t ListenAddress() { return g_IpsMode ? g_ListenAddress : os_htonl(INADDR_LOOPBACK); }

}  // namespace

CMainApp::CMainApp(Rediscovery rediscovery)
    : m_Registry(m_Listeners), m_Rediscovery(rediscovery != nullptr ? rediscovery : CAPI_Initialize_Main) {
    METHOD_TRACE("CMainApp::CMainApp");
}

CMainApp::~CMainApp() {
    METHOD_TRACE("CMainApp::^CMainApp");
    Kill();  // no heart-beat pass may outlive the listener list
    if (&SessionListeners() == &m_Registry) SetSessionListeners(nullptr);
}

void CMainApp::InitLock() {
    METHOD_TRACE("CMainApp::InitLock");
    const bool sessions = m_Sessions.CreateLock();
    if (!sessions) DebugPrint("Create HotLink Lock Error");
    const bool listeners = m_Listeners.CreateLock();
    if (!listeners) DebugPrint("Create Cold link Lock Error");
    if (!sessions || !listeners) ThrowStartError(COMM_KIND_SERVER_START, COMM_CATEGORY_SYSTEM, COMM_ERR_LOCK);
    SetSessionListeners(&m_Registry);
}

void CMainApp::Listen() {
    METHOD_TRACE("CMainApp::Listen");
    if (!ReportStatus(SERVICE_START_PENDING, kStatusWaitHintMs)) {
        ThrowStartError(COMM_KIND_SERVER_START, COMM_CATEGORY_SYSTEM, COMM_ERR_REPORT_STATUS);
    }
    WSADATA winsock;
    if (WSAStartup(MAKEWORD(1, 1), &winsock) != 0 || !m_ListenSocket.Socket(AF_INET, SOCK_STREAM, 0)) {
        ThrowStartError(COMM_KIND_SERVER_START, COMM_CATEGORY_COMMUNICATION, COMM_ERR_OPEN);
    }
    const uint32_t port = GetServerPort();
    bool bound = false;
    // Port 0 would bind any free port, and no port above 65535 exists: both count as a failed bind.
    for (uint32_t i = 0; port != 0 && i < LISTEN_PORT_TRIES && port + i <= 0xFFFF && !bound; ++i) {
        bound = m_ListenSocket.Bind(ListenAddress(), static_cast<uint16_t>(port + i)) != 0;
        if (bound) {
            m_BoundPort = static_cast<uint16_t>(port + i);
        } else if (m_ListenSocket.TakeLastError() != WSAEADDRINUSE) {
            break;
        }
    }
    if (!bound) ThrowStartError(COMM_KIND_SERVER_START, COMM_CATEGORY_COMMUNICATION, COMM_ERR_BIND);
    if (!m_ListenSocket.Listen(LISTEN_BACKLOG)) {
        ThrowStartError(COMM_KIND_SERVER_START, COMM_CATEGORY_COMMUNICATION, COMM_ERR_LISTEN);
    }
    if (!ReportStatus(SERVICE_START_PENDING, kStatusWaitHintMs)) {
        ThrowStartError(COMM_KIND_SERVER_START, COMM_CATEGORY_SYSTEM, COMM_ERR_REPORT_STATUS);
    }
}

void CMainApp::AsyncEventSetup() {
    METHOD_TRACE("CMainApp::AsyncEventSetup");
    if (!Setup(&m_Listeners)) {
        ThrowStartError(COMM_KIND_EVENT_SENDER, COMM_CATEGORY_SYSTEM, COMM_ERR_CREATE_SESSION);
    }
}

void CMainApp::Run() {
    ScopeTrace trace("CMainApp::Run");
    unsigned (*const workers[])(void*) = {AcceptConn, Discovery};
    for (auto* routine : workers) {
        // Each worker is counted before it starts, so that a shut-down that follows at once (a stop
        // requested during start-up) waits for it instead of closing the semaphores under it.
        os_ReleaseSemaphore(g_ThreadCountSem);
        HANDLE thread = os_BeginThread(routine, this);
        if (thread == nullptr) {
            os_TryWait(g_ThreadCountSem);
            ThrowStartError(COMM_KIND_SERVER_START, COMM_CATEGORY_SYSTEM, COMM_ERR_CREATE_SESSION);
        }
        os_CloseThread(thread);
    }
    if (!ReportStatus(SERVICE_RUNNING, kStatusWaitHintMs)) {
        DebugPrint("Fail to Report Status");
        ThrowStartError(COMM_KIND_SERVER_START, COMM_CATEGORY_SYSTEM, COMM_ERR_REPORT_STATUS);
    }
}

uint16_t CMainApp::GetServerPort() {
    METHOD_TRACE("CMainApp::GetServerPort");
    return g_ServerPort;
}

int CMainApp::ReportStatus(DWORD state, DWORD waitHint) {
    METHOD_TRACE("CMainApp::ReportStatus");
    return ReportServiceStatus(state, 0, waitHint) ? 1 : 0;
}

void CMainApp::ShutDownAllSockets() {
    METHOD_TRACE("CMainApp::ShutDownAllSockets");
    m_ListenSocket.SetClosing();
    if (m_Sessions.Lock()) {
        m_Sessions.ForEach([](SessionEntry* entry) {
            entry->socket->SetNonBlocking();
            entry->socket->SetClosing();
        });
        m_Sessions.Unlock();
    }
    if (m_Listeners.Lock()) {
        m_Listeners.ForEach([](CClient* client) {
            if (client->m_pEventSocket == nullptr) return;
            client->m_pEventSocket->SetNonBlocking();
            client->m_pEventSocket->SetClosing();
        });
        m_Listeners.Unlock();
    }
}

void CMainApp::CloseAllConnection() {
    METHOD_TRACE("CMainApp::CloseAllConnection");
    m_ListenSocket.SetClosing().Close();
    // The other connections belong to the threads that use them: they are marked closing, and each
    // thread closes its own.
    if (m_Sessions.Lock()) {
        m_Sessions.ForEach([](SessionEntry* entry) { entry->socket->SetClosing(); });
        m_Sessions.Unlock();
    }
    if (m_Listeners.Lock()) {
        m_Listeners.ForEach([](CClient* client) {
            if (client->m_pEventSocket != nullptr) client->m_pEventSocket->SetClosing();
        });
        m_Listeners.Unlock();
    }
}

void CMainApp::StopProgram() {
    METHOD_TRACE("CMainApp::StopProgram");
    CloseAllConnection();
    // A session still in the list belongs to a thread that is still running: the thread frees it.
    if (m_Sessions.Lock()) {
        while (SessionEntry* entry = m_Sessions.GetHead()) m_Sessions.Remove(entry);
        m_Sessions.Unlock();
    }
    if (m_Listeners.Lock()) {
        while (CClient* client = m_Listeners.GetHead()) {
            m_Listeners.Remove(client);
            delete client;
        }
        m_Listeners.Unlock();
    }
    Stop();
}

void CMainApp::SendServerStopEvent() {
    METHOD_TRACE("CMainApp::SendServerStopEvent");
    SYSTEMTIME now;
    GetLocalTime(&now);
    uint8_t event[SERVER_STOP_EVENT_LENGTH];
    BuildServerStopEvent(now, event);
    SendAsyncEvent(m_Listeners, event, sizeof event);
}
