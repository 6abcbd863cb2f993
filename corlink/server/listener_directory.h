// The listener list as a client session uses it: register the session's peer as a listener, or remove
// the listener that the session registered. The server installs its list here; until it does, the list
// counts as not created: it cannot be locked, and a session answers CTRL_SERVER_ERROR.
#pragma once

#include <cstdint>

class CRRESocket;

// Why a session removes its listener (the list logs the two differently).
enum class ListenerRemoval {
    OutOfList,  // SERVER_OUTOF_LIST: the session goes on
    Goodbye,    // CTRL_GOODBYE: the session ends
};

class ListenerDirectory {
  public:
    virtual ~ListenerDirectory() = default;
    // Registers the session's peer with this listener number, or points an existing listener of the
    // same address and number at this session. False when the list cannot be locked.
    virtual bool Register(CRRESocket* session, uint16_t number) = 0;
    // Removes, detaches and deletes the listener whose session connection is this socket, if there is
    // one; the session's connection stays open. False when the list cannot be locked.
    virtual bool Remove(CRRESocket* session, ListenerRemoval why) = 0;
};

// The process's listener list as sessions see it.
ListenerDirectory& SessionListeners();
// Installs the server's list (null restores the list that cannot be locked). The caller keeps ownership.
void SetSessionListeners(ListenerDirectory* directory);
