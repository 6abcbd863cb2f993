#include "corlink/server/server_event.h"

#include <cstring>
#include <new>

#include "corlink/foundation/nt_os.h"
#include "corlink/proxy_protocol/proxy_header.h"
#include "corlink/server/asyncevent.h"
#include "corlink/server/run_state.h"
#include "corlink/server/socket.h"

namespace {

constexpr uint32_t kStopEventCode = 3;
constexpr uint32_t kStopEventClass = 2;

}  // namespace

void BuildServerStopEvent(const SYSTEMTIME& localTime, uint8_t* event) {
    std::memset(event, 0, SERVER_STOP_EVENT_LENGTH);
    WriteBigEndian32(event, kStopEventCode);
    event[4] = static_cast<uint8_t>(localTime.wMonth);
    event[5] = static_cast<uint8_t>(localTime.wDay);
    event[6] = static_cast<uint8_t>((localTime.wYear - 1900) & 0xFF);
    event[7] = static_cast<uint8_t>(localTime.wHour);
    event[8] = static_cast<uint8_t>(localTime.wMinute);
    event[9] = static_cast<uint8_t>(localTime.wSecond);
    event[10] = static_cast<uint8_t>(localTime.wDayOfWeek);
    WriteBigEndian32(event + 12, kStopEventClass);
}

void SendAsyncEvent(ListenerList& listeners, const void* payload, uint32_t length) {
    uint8_t header[PROXY_HEADER_LENGTH];
    EncodeProxyHeader(MakeProxyHeader(PROXY_EVENT, 0, length), header);

    if (!listeners.Lock()) return;
    CRRESocket* socket = listeners.GetCount() != 0 ? new (std::nothrow) CRRESocket : nullptr;
    if (socket == nullptr) {
        listeners.Unlock();
        return;
    }
    for (CClient* client = listeners.GetHead(); client != nullptr; client = listeners.GetNext(client)) {
        if (CAsyncEvent::SetupConnect(client, socket) == SETUP_CONNECTED) {
            client->m_pEventSocket = socket;
            if (socket->Send(header, sizeof header)) socket->Send(payload, length);
        }
        client->m_pEventSocket = nullptr;
        socket->Close();
        if (os_IsFlagSet(g_ShutDownSem)) break;
    }
    listeners.Unlock();
    delete socket;
}
