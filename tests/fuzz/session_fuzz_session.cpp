#include "session_fuzz_session.h"

#include <cstring>

#include "corlink/service/configuration.h"
#include "corlink/service/hotlink.h"
#include "corlink/service/run_flags.h"
#include "corlink/service/socket.h"

void PrepareSessionFuzzing() {
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
