#include "corlink/server/asyncevent.h"

#include "corlink/foundation/install_paths.h"
#include "corlink/foundation/method_trace.h"
#include "corlink/server/heartbeat.h"
#include "corlink/server/socket.h"

CAsyncEvent::CAsyncEvent() {
    InitFilePaths();
    OpenDebugFile(nullptr);
    METHOD_TRACE("CAsyncEvent::CAsyncEvent");
}

CAsyncEvent::~CAsyncEvent() {
    METHOD_TRACE("CAsyncEvent::^CAsyncEvent");
    timeKillEvent(m_TimerId);
}

int CAsyncEvent::Setup(ListenerList* listeners) {
    METHOD_TRACE("CAsyncEvent::Setup");
    m_TimerId = timeSetEvent(HEARTBEAT_PERIOD_MS, 0, Sendheartbeat, reinterpret_cast<DWORD_PTR>(listeners),
                             TIME_PERIODIC);
    return m_TimerId != 0 ? 1 : 0;
}

void CAsyncEvent::Kill() {
    if (m_TimerId != 0) timeKillEvent(m_TimerId);
}

void CAsyncEvent::Stop() {
    METHOD_TRACE("CAsyncEvent::Stop");
    Kill();
    m_TimerId = 0;
}

int CAsyncEvent::SetupConnect(CClient* client, CRRESocket* socket) {
    METHOD_TRACE("CAsyncEvent::SetupConnect");
    if (!socket->Socket(AF_INET, SOCK_STREAM, 0)) return SETUP_NO_SOCKET;
    if (!socket->Connect(&client->m_PeerAddr, &client->m_LocalAddr, client->m_Number))
        return SETUP_NO_CONNECTION;
    return SETUP_CONNECTED;
}
