#include "corlink/capi/passthrough.h"

#include "corlink/capi/controller_handles.h"
#include "corlink/capi/send_path.h"
#include "corlink/capi_wire/capi_command_codes.h"

CapiPassThrough g_PassThrough = {};

int32_t CAPI_PassThrough() {
    const CAPI_ADDRESS address = CapiControllerAddress(ControllerTableHandleOf(0));
    return SendCapiCommand(static_cast<uint32_t>(CAPI_COMMAND_U_PASSTHROUGH), &address, 0, nullptr, 0, 0, 0,
                           0, 0, 0);
}
