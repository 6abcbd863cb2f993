#include "corlink/commands/discovery_flag.h"

#include "corlink/commands/executor_state.h"
#include "corlink/commands/handler_frame.h"
#include "corlink/service/log.h"

void capiSetDiscoveryFlag(Rre* pRre, const RreCommandInfo& info) {
    if (!RreFrameBegin(pRre, info)) return;
    if (os_Lock(g_DiscoveryLock)) {
        DebugPrint("Acquired Lock\n");
        g_DiscoveryFlag = pRre->Buffer[8];
    } else {
        DebugPrint("Acqire Lock failed\n");
    }
    os_Unlock(g_DiscoveryLock);
    RreWriteHead(pRre, 0, 0);
    pRre->ReplyLength = 12;
    DebugPrint("capicmd==>>capiSetDiscoveryFlag success\n");
}
