#include "corlink/commands/capi_session.h"

#include "corlink/service/log.h"

int CAPI_Initialize_Main() {
    DebugPrint("CAPI_Initialize_Main: no controller discovery in this build\n");
    return 0;
}
