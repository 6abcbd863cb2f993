// The controller table as discovery prints it after each of its steps.
#include <cstdint>

#include "corlink/database/controller_db.h"
#include "corlink/database/controller_discovery.h"
#include "corlink/foundation/console.h"

namespace {

// The low 32 bits of an address, as the table lines show it.
uint32_t Low32(const void* pointer) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer)); }

}  // namespace

void DumpControllerTable(const char* title) {
    ConsolePrint(7, "%s:\n", title);
    for (uint32_t i = 0; i < g_NumControllers; ++i) {
        const RAID_CONTROLLER& entry = g_ControllerDb[i];
        const PROCESSOR_DEVICE& device = ProcessorDeviceOf(entry);
        const LMX_IOB& iob = entry.controllerContext.lmxIob;
        ConsolePrint(
            7,
            "  controller %d, handle=0x%08x 0x%08x 0x%08x 0x%08x sn=%.*s %.*s(%d.%d.%d.%d) isPartner %d "
            "responds %d id %d\n",
            i, entry.controllerHandle, Low32(&entry.controllerContext), Low32(iob.pControllerContext),
            Low32(iob.pLmxContext), static_cast<int>(sizeof(entry.controller.serialNumber)),
            reinterpret_cast<const char*>(entry.controller.serialNumber),
            static_cast<int>(sizeof(device.deviceName)), device.deviceName, device.adapter, device.bus,
            device.target, device.lun, entry.isPartner, device.responds, device.id);
    }
}
