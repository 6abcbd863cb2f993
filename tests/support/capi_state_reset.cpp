#include "corlink/capi/capi_library.h"
#include "corlink/capi/compression_state.h"
#include "corlink/capi/discovery_hooks.h"
#include "corlink/capi/passthrough.h"
#include "corlink/capi/reply_path.h"
#include "corlink/capi/send_path.h"
#include "tests/support/state_reset.h"

namespace testsupport {

void ResetCapiState() {
    CAPI_RegisterCallback(nullptr);
    CAPI_SetDiscoveryHooks(nullptr);
    g_PassThrough = {};
    ResetSendPath();
    ResetReplyPath();
    CAPI_SetCompressionBuffer(nullptr);
    CAPI_EnableCompression(0);
    g_DeviceGone = 0;
    ResetFoundationState();
}

}  // namespace testsupport
