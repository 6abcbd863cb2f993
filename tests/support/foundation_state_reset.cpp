#include <initializer_list>

#include "corlink/foundation/console.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/foundation/service_params.h"
#include "corlink/foundation/service_status.h"
#include "tests/support/state_reset.h"

namespace testsupport {

void ResetFoundationState() {
    ResetDebugLog();
    CloseCaptureFiles(CaptureRole::Both);
    g_StopFlag = 0;
    g_ServiceStatusHandle = nullptr;
    g_DebugConsole = false;
    for (char* name : {g_ServiceParamName, g_ServiceParamVersion, g_InstallDirectory, g_DumpSwitchFile,
                       g_DumpFile, g_ConfigFile}) {
        name[0] = '\0';
    }
}

}  // namespace testsupport
