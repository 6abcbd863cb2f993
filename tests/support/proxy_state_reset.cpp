#include "corlink/executor/executor_state.h"
#include "corlink/server/run_state.h"
#include "tests/support/state_reset.h"

namespace testsupport {

void ResetProxyState() {
    g_TraceFlag = 0;
    g_IpsMode = false;
    ResetDatabaseState();
}

}  // namespace testsupport
