#include "tests/support/proxy_state.h"

#include "corlink/capi/capi_library.h"
#include "corlink/capi/compression_state.h"
#include "corlink/capi/discovery_hooks.h"
#include "corlink/capi/passthrough.h"
#include "corlink/capi/reply_path.h"
#include "corlink/capi/send_path.h"
#include "corlink/database/capi_session.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/database/database_state.h"
#include "corlink/database/event_buffer.h"
#include "corlink/database/master_callback.h"
#include "corlink/database/reply_buffers.h"
#include "corlink/database/storage_system.h"
#include "corlink/executor/executor_state.h"
#include "corlink/foundation/console.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/foundation/service_params.h"
#include "corlink/foundation/service_status.h"
#include "corlink/server/run_state.h"
#include "corlink/transport/host_adapters.h"
#include "corlink/transport/multipath.h"
#include "corlink/transport/processor_device_table.h"
#include "corlink/transport/sas_addresses.h"
#include "corlink/transport/scsi_command.h"

namespace testsupport {

void ResetProxyState() {
    // The controller database: its entries, the storage systems, the running command, discovery.
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

    // The command executor.
    g_TraceFlag = 0;

    // The CAPI library.
    CAPI_RegisterCallback(nullptr);
    CAPI_SetDiscoveryHooks(nullptr);
    g_PassThrough = {};
    ResetSendPath();
    ResetReplyPath();
    CAPI_SetCompressionBuffer(nullptr);
    CAPI_EnableCompression(0);
    g_DeviceGone = 0;

    // The in-band transport.
    InvalidateMpioCache(nullptr);
    processorDeviceTableSize = 0;
    g_LastTransferLength = 0;
    ClearHBAInfoGlobalList();
    g_HostSasAddresses = {};
    g_SupplementalSasAddresses = {};

    // The server's "ips" flag.
    g_IpsMode = false;

    // The foundation: the debug log, the capture files, the run flags and file names.
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
