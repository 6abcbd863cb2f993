// A registered listener: a client session that asked to be told of server events. Its number names the
// heart-beat pipe and is the TCP port of the event connection.
#pragma once

#include <cstdint>

#include "corlink/foundation/log.h"
#include "corlink/server/locked_list.h"
#include "platform/net/winsock.h"

class CRRESocket;

class CClient {
  public:
    CClient();
    // Marks the registering session's connection closing when it is still attached, so that the session
    // ends; the session's own thread closes it.
    ~CClient();
    CClient(const CClient&) = delete;
    CClient& operator=(const CClient&) = delete;

    uint16_t m_Number = 0;  // host order
    // The registering session's peer; its port is set to the listener number at each event delivery.
    sockaddr_in m_PeerAddr{};
    // The server address the registering session reached.
    sockaddr_in m_LocalAddr{};
    int32_t m_FailureCount = 0;
    // Set only while an event is being delivered to this listener; not owned.
    CRRESocket* m_pEventSocket = nullptr;
    // The connection of the session that registered (or last re-registered) the listener; not owned.
    CRRESocket* m_pSessionSocket = nullptr;
};

// The listener list of the server.
using ListenerList = CLockedList<CClient*>;

// The first listener with this peer IPv4 address and, when number is not 0, this number; the caller
// holds the list's lock.
CClient* FindClientByAddress(const ListenerList& listeners, const sockaddr_in& address, uint16_t number);
// The first listener whose session connection is this socket; the caller holds the list's lock.
CClient* FindClientBySocket(const ListenerList& listeners, const CRRESocket* socket);
// Logs format with the listener number and the peer address ("%d.%d.%d.%d"), and with withLocal also
// the local address; nothing for a null listener.
void LogClientLine(int withLocal, const char* format, const CClient* client) CORLINK_PRINTF(2, 0);
