#include "corlink/handlers/discovery_flag.h"

#include "corlink/database/database_state.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/handlers/handler_frame.h"
#include "corlink/proxy_wire/buffers_controller.h"

void capiSetDiscoveryFlag(Rre* pRre, const RreCommandInfo& info) {
    if (!RreFrameBegin(pRre, info)) return;
    if (os_Lock(g_DiscoveryLock)) {
        DebugPrint("Acquired Lock\n");
        g_DiscoveryFlag = rre_wire::BufferAs<RRE_DISCOVERY_FLAG_BUFFER>(pRre->Buffer)->flag;
    } else {
        DebugPrint("Acqire Lock failed\n");
    }
    os_Unlock(g_DiscoveryLock);
    RreWriteHead(pRre, 0, 0);
    pRre->ReplyLength = sizeof(RRE_DISCOVERY_FLAG_BUFFER);
    DebugPrint("capicmd==>>capiSetDiscoveryFlag success\n");
}
