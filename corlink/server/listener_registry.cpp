#include "corlink/server/listener_registry.h"

#include <new>

#include "corlink/server/socket.h"

namespace {

// What a removal logs, by its reason.
struct RemovalLines {
    ListenerRemoval why;
    const char* line;
    const char* marker;
};
constexpr RemovalLines kRemovalLines[] = {
    // clang-format off
    {ListenerRemoval::OutOfList, "OOPS: remove client(%d:%s) for get SERVER_OUTOF_LIST\n", "Throw 5X"},
    {ListenerRemoval::Goodbye, "Remove one Listen CLIENT(Port:%d, Addr:%s)\n", "Throw 6X"},
    // clang-format on
};

const RemovalLines& LinesFor(ListenerRemoval why) {
    for (const RemovalLines& lines : kRemovalLines) {
        if (lines.why == why) return lines;
    }
    return kRemovalLines[0];
}

}  // namespace

bool ListenerRegistry::Register(CRRESocket* session, uint16_t number) {
    if (!m_Listeners.Lock()) return false;
    CClient* client = FindClientByAddress(m_Listeners, *session->GetPeerAddr(), number);
    if (client != nullptr) {
        client->m_pSessionSocket = session;
    } else if ((client = new (std::nothrow) CClient) != nullptr) {
        client->m_Number = number;
        client->m_PeerAddr = *session->GetPeerAddr();
        client->m_LocalAddr = *session->GetLocalAddr();
        client->m_pSessionSocket = session;
        m_Listeners.AddTail(client);
        LogClientLine(1, "Add one Linsten CLIENT(Port:%d, Addr:%s) Local is: (Addr:%s)\n", client);
    }
    m_Listeners.Unlock();
    return client != nullptr;
}

bool ListenerRegistry::Remove(CRRESocket* session, ListenerRemoval why) {
    if (!m_Listeners.Lock()) return false;
    CClient* client = FindClientBySocket(m_Listeners, session);
    if (client != nullptr) {
        const RemovalLines& lines = LinesFor(why);
        LogClientLine(0, lines.line, client);
        m_Listeners.Remove(client);
        DebugPrint("%s", lines.marker);
        client->m_pSessionSocket = nullptr;  // the session goes on with its connection
        delete client;
    }
    m_Listeners.Unlock();
    return true;
}
