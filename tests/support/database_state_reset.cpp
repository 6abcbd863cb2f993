#include "corlink/database/capi_session.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/database/database_state.h"
#include "corlink/database/event_buffer.h"
#include "corlink/database/master_callback.h"
#include "corlink/database/reply_buffers.h"
#include "corlink/database/storage_system.h"
#include "tests/support/state_reset.h"

namespace testsupport {

void ResetDatabaseState() {
    EmptyControllerDb();
    ClearStorageSystems();
    g_CurrentController = -1;
    g_DiscoveryFlag = 0;
    g_DiscoveryRunning = 0;
    g_FirstDiscovery = 1;
    g_badControllerNumberError = 0;
    g_InitializeComplete = 0;
    g_UpdateTimeouts = 0;
    g_EventBuffer = nullptr;
    g_EventCount = 0;
    ClearStoredReplies();
    ResetTransportState();
}

}  // namespace testsupport
