// The server's listener list as client sessions use it: registrations and removals requested by a
// session, each under the list's lock.
#pragma once

#include "corlink/server/client.h"
#include "corlink/server/listener_directory.h"

class ListenerRegistry final : public ListenerDirectory {
  public:
    explicit ListenerRegistry(ListenerList& listeners) : m_Listeners(listeners) {}

    bool Register(CRRESocket* session, uint16_t number) override;
    bool Remove(CRRESocket* session, ListenerRemoval why) override;

  private:
    ListenerList& m_Listeners;
};
