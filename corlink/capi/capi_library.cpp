#include "corlink/capi/capi_library.h"

#include <cstdio>
#include <cstring>

#include "corlink/capi/controller_handles.h"
#include "corlink/capi_wire/capi_reply_codes.h"
#include "corlink/foundation/console_text.h"
#include "corlink/foundation/log.h"

volatile int32_t g_DeviceGone = 0;

LMX_ENTRY g_LmxTable[NUM_LMXS] = {};

namespace {

// The library's process-wide state: one command at a time runs under the proxy's state-change mutex.
struct CapiLibraryState {
    CAPI_CALLBACK callback = nullptr;
    uint32_t completedSlots = 0;
    // Enumeration: the slot being enumerated and, per slot, its first-call and last-time flags.
    uint32_t lmxNumber = 0;
    uint32_t firstCall[NUM_LMXS] = {};
    uint32_t lastTime[NUM_LMXS] = {};
};
CapiLibraryState g_Capi;

// Clears the context and ties it to the slot: buffers, its I/O block and the slot's operations.
void SetUpContext(LMX_ENTRY& slot, CAPI_CONTROLLER_CONTEXT* context, uint8_t* sendBuffer,
                  uint8_t* eventBuffer) {
    std::memset(static_cast<void*>(context), 0, sizeof(*context));
    context->pCapiBuffer = sendBuffer;
    context->pEventBuffer = eventBuffer;
    LMX_IOB& iob = context->lmxIob;
    iob.pControllerContext = context;
    iob.pLmxContext = &context->lmxContext;
    iob.pLmxOps = &slot.ops;
    iob.linkType = slot.linkType;
    iob.overrideCallback = slot.overrideCallback;
}

}  // namespace

int32_t CAPI_RegisterCallback(CAPI_CALLBACK callback) {
    g_Capi.callback = callback;
    return 0;
}

CAPI_CALLBACK CapiRegisteredCallback() { return g_Capi.callback; }

void CAPI_InstallTransport(LMX_INITIALIZE initialize) { g_LmxTable[0].initialize = initialize; }

int32_t CAPI_Initialize() {
    for (LMX_ENTRY& slot : g_LmxTable) {
        slot.state = 0;
        slot.overrideCallback = nullptr;
    }
    g_Capi.completedSlots = 0;
    for (LMX_ENTRY& slot : g_LmxTable) {
        if (slot.initialize != nullptr) {
            slot.initialize(&slot, &LmxInitComplete, &slot.ops);
        }
    }
    return 0;
}

void LmxInitComplete(LMX_ENTRY* slot, int32_t state) {
    ++g_Capi.completedSlots;
    if (slot != nullptr) {
        slot->state = state;
    }
    if (g_Capi.completedSlots == 1 && g_Capi.callback != nullptr) {
        // The report concerns no controller.
        const CAPI_ADDRESS address = CapiControllerAddress(0);
        g_Capi.callback(CAPI_REPLY_INITIALIZE_COMPLETE, 0, &address, 0, 0, 0, 0, nullptr);
    }
}

int32_t CAPI_FindNextController(uint8_t first, uint8_t* done, CAPI_HANDLE* handle,
                                CAPI_CONTROLLER_CONTEXT* context, uint8_t* sendBuffer, uint8_t* eventBuffer) {
    if (first) {
        g_Capi.lmxNumber = 0;
        g_Capi.firstCall[0] = 1;
        g_Capi.lastTime[0] = 0;
    }
    if (g_Capi.lmxNumber >= NUM_LMXS) {
        *done = 1;
        *handle = CAPI_NO_HANDLE;
        ConsoleWritef("CAPI_FindNextController: ERROR: lmxNumber>=NUM_LMXS; Apparent bug in CAPI app\n");
        return CAPI_SLOT_NOT_READY;
    }
    const uint32_t n = g_Capi.lmxNumber;
    LMX_ENTRY& slot = g_LmxTable[n];
    const bool ready = slot.state == LMX_STATE_READY;
    uint8_t found = 0;
    if (!ready) {
        g_Capi.lastTime[n] = 1;
    } else if (context != nullptr) {
        SetUpContext(slot, context, sendBuffer, eventBuffer);
        if (slot.ops.findNextController != nullptr) {
            found = slot.ops.findNextController(g_Capi.firstCall[n], &g_Capi.lastTime[n], context);
        } else {
            g_Capi.lastTime[n] = 1;
        }
        g_Capi.firstCall[n] = 0;
    }
    *handle = found ? Context2Handle(context) : CAPI_NO_HANDLE;
    if (g_Capi.lastTime[n]) {
        ++g_Capi.lmxNumber;
        g_Capi.lastTime[n] = 0;
        if (g_Capi.lmxNumber < NUM_LMXS) {
            g_Capi.firstCall[g_Capi.lmxNumber] = 1;
        }
    }
    *done = g_Capi.lmxNumber >= NUM_LMXS ? 1 : 0;
    return ready ? 0 : CAPI_SLOT_NOT_READY;
}

int32_t CAPI_AttachController(CAPI_HANDLE* handle, CAPI_CONTROLLER_CONTEXT* context, uint8_t* sendBuffer,
                              uint8_t* eventBuffer, uint8_t linkType) {
    for (LMX_ENTRY& slot : g_LmxTable) {
        if (slot.state == LMX_STATE_READY && slot.linkType == linkType && context != nullptr) {
            SetUpContext(slot, context, sendBuffer, eventBuffer);
            *handle = Context2Handle(context);
            return 0;
        }
    }
    *handle = CAPI_NO_HANDLE;
    return CAPI_SLOT_NOT_READY;
}

int32_t CAPI_Poll() {
    for (LMX_ENTRY& slot : g_LmxTable) {
        if (slot.state == LMX_STATE_READY && slot.ops.poll != nullptr) {
            slot.ops.poll();
        }
    }
    return 0;
}
