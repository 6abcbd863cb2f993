#include "corlink/server/listener_directory.h"

#include <atomic>

namespace {

class NoListenerList final : public ListenerDirectory {
  public:
    bool Register(CRRESocket*, uint16_t) override { return false; }
    bool Remove(CRRESocket*, ListenerRemoval) override { return false; }
};

NoListenerList g_NoListenerList;
// One listener list per process, owned by the server object; sessions on many threads read this.
std::atomic<ListenerDirectory*> g_SessionListeners{&g_NoListenerList};

}  // namespace

ListenerDirectory& SessionListeners() { return *g_SessionListeners.load(); }

void SetSessionListeners(ListenerDirectory* directory) {
    g_SessionListeners.store(directory != nullptr ? directory : &g_NoListenerList);
}
