#include "corlink/commands/capi_session.h"

#include "corlink/capi/discovery_hooks.h"
#include "corlink/commands/controller_db.h"
#include "corlink/commands/executor_state.h"
#include "corlink/service/log.h"

volatile int32_t g_DiscoveryRunning = 0;
volatile int32_t g_badControllerNumberError = 0;

namespace {

const CapiDiscoveryHooks kDiscoveryHooks = {
    [] { return g_DiscoveryFlag == 1; },
    [] { return g_DiscoveryRunning != 0; },
    [] { g_badControllerNumberError = 0; },
};

}  // namespace

void InstallCapiDatabaseHooks() {
    InstallControllerDbInCapi();
    CAPI_SetDiscoveryHooks(&kDiscoveryHooks);
}

int CAPI_Initialize_Main() {
    g_DiscoveryRunning = 1;
    DebugPrint("CAPI_Initialize_Main: no controller discovery in this build\n");
    g_DiscoveryRunning = 0;
    return 0;
}
