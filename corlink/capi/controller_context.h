// The library's view of one controller: its handle and its transport context.
#pragma once

#include <cstdint>

#include "corlink/capi/lmx.h"
#include "corlink/capi_wire/capi_handle.h"
#include "corlink/capi_wire/capi_shared.h"

struct CAPI_CONTROLLER_CONTEXT {
    LMX_CONTEXT lmxContext;
    LMX_IOB lmxIob;
    uint8_t linkBusy;       // the send path refuses commands while set; every reply clears it
    uint8_t* pCapiBuffer;   // requests are built here; replies of all but the event commands land here
    uint8_t* pEventBuffer;  // replies of the event commands
    uint32_t configSequenceNumber;
    uint8_t linkType;
    uint32_t driveListConfigSequenceNumber;
    uint32_t arrayListConfigSequenceNumber;
};

// The processor device that the in-band transport keeps at the start of the context.
inline PROCESSOR_DEVICE& ProcessorDeviceOf(CAPI_CONTROLLER_CONTEXT& context) {
    return context.lmxContext.u.lmxScsi32Context.processorDevice;
}
inline const PROCESSOR_DEVICE& ProcessorDeviceOf(const CAPI_CONTROLLER_CONTEXT& context) {
    return context.lmxContext.u.lmxScsi32Context.processorDevice;
}

// The address of a command or report that concerns the whole controller: {handle, -1, -1, -1}.
inline CAPI_ADDRESS CapiControllerAddress(CAPI_HANDLE handle) {
    CAPI_ADDRESS address{};
    address.controllerHandle = handle;
    address.arrayIndex = 0xFFFFFFFF;
    address.channelIndex = 0xFFFFFFFF;
    address.driveIndex = 0xFFFFFFFF;
    return address;
}
