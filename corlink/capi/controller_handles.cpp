#include "corlink/capi/controller_handles.h"

#include "corlink/foundation/log.h"

namespace {

const CapiControllerTable* g_ControllerTable = nullptr;

CAPI_CONTROLLER_CONTEXT* ContextOfEntry(uint32_t index) {
    if (g_ControllerTable == nullptr || g_ControllerTable->contextOf == nullptr) {
        return nullptr;
    }
    return g_ControllerTable->contextOf(index);
}

}  // namespace

void CAPI_SetControllerTable(const CapiControllerTable* table) { g_ControllerTable = table; }

CAPI_HANDLE ControllerTableHandleOf(uint32_t index) {
    if (index >= CAPI_MAX_CONTROLLERS || g_ControllerTable == nullptr ||
        g_ControllerTable->handleOf == nullptr) {
        return 0;
    }
    return g_ControllerTable->handleOf(index);
}

void CapiSetResponds(CAPI_HANDLE handle, uint8_t value) {
    if (g_ControllerTable != nullptr && g_ControllerTable->setResponds != nullptr) {
        g_ControllerTable->setResponds(handle, value);
    }
}

int32_t CapiFindControllerBySerialNumber(const uint8_t serial[PROCESSOR_DEVICE_SERIAL_LENGTH]) {
    if (g_ControllerTable == nullptr || g_ControllerTable->findBySerialNumber == nullptr) {
        return -1;
    }
    return g_ControllerTable->findBySerialNumber(serial);
}

void CapiRebuildControllerDb() {
    if (g_ControllerTable != nullptr && g_ControllerTable->rebuild != nullptr) {
        g_ControllerTable->rebuild();
    }
}

CAPI_HANDLE Context2Handle(const CAPI_CONTROLLER_CONTEXT* context) {
    if (context != nullptr) {
        for (uint32_t index = 0; index < CAPI_MAX_CONTROLLERS; ++index) {
            if (ContextOfEntry(index) == context) {
                const CAPI_HANDLE handle = (index + 1) * CAPI_HANDLE_STEP;
                DebugPrint("Context2Handle(%p) = 0x%x\n", static_cast<const void*>(context), handle);
                return handle;
            }
        }
    }
    DebugPrint("Context2Handle(%p) = NOT FOUND\n", static_cast<const void*>(context));
    return 0;
}

CAPI_CONTROLLER_CONTEXT* Handle2Context(CAPI_HANDLE handle) {
    const uint32_t index = handle / CAPI_HANDLE_STEP - 1;  // unsigned: handles below 256 wrap to a huge index
    if (index >= CAPI_MAX_CONTROLLERS) {
        DebugPrint("Handle2Context(0x%x) = INVALID\n", handle);
        return nullptr;
    }
    CAPI_CONTROLLER_CONTEXT* context = ContextOfEntry(index);
    DebugPrint("Handle2Context(0x%x) = %p\n", handle, static_cast<void*>(context));
    return context;
}
