#include "session_fuzz_session.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "corlink/server/configuration.h"
#include "corlink/server/hotlink.h"
#include "corlink/server/run_state.h"
#include "corlink/server/socket.h"
#include "platform/files/machine_root.h"

void PrepareSessionFuzzing() {
    // Each session writes its capture file "HOT_0" into the system directory of the machine root.
    static char root[] = "/tmp/corlink-session-fuzz-XXXXXX";
    if (::mkdtemp(root) == nullptr) std::abort();
    platform::SetMachineRoot(root);
    std::atexit([] { std::filesystem::remove_all(root); });
    std::strcpy(g_ProxyUser, "proxyuser");
    std::strcpy(g_ProxyPassword, "Pa55-word_Sample");
}

void RunFuzzedSession(int fd, bool ipsMode) {
    g_IpsMode = ipsMode;
    CRRESocket socket;
    socket.Attach(static_cast<SOCKET>(fd));
    socket.SetNonBlocking();
    CHotLink session(&socket);
    session.ProcessMsg();
    socket.Close();
}
