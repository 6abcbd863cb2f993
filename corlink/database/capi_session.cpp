#include "corlink/database/capi_session.h"

#include <cstdio>

#include "corlink/capi/discovery_hooks.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_discovery.h"
#include "corlink/database/database_state.h"
#include "corlink/database/storage_systems.h"
#include "corlink/diagnostics/dumps.h"
#include "corlink/foundation/console.h"
#include "corlink/foundation/hex_dump.h"
#include "corlink/foundation/log.h"
#include "corlink/transport/discovery.h"
#include "corlink/transport/sas_addresses.h"

volatile uint8_t g_DiscoveryFlag = 0;
OS_LOCK* g_DiscoveryLock = nullptr;

volatile int32_t g_DiscoveryRunning = 0;
volatile int32_t g_badControllerNumberError = 0;
int32_t g_FirstDiscovery = 1;

namespace {

const CapiDiscoveryHooks kDiscoveryHooks = {
    [] { return g_DiscoveryFlag == 1; },
    [] { return g_DiscoveryRunning != 0; },
    [] { g_badControllerNumberError = 0; },
};

// The first run opens the capture file, prints the library's figures and reads the supplemental SAS
// addresses.
void StartFirstDiscovery() {
    ConsoleInit();
    OpenCaptureFiles("capi.log", nullptr);
    ConsolePrint(5, "CAPI VERSION %d.%d\n", 3, 10);
    ConsolePrint(5, "sizeof(RAID_CONTROLLER)=%d\n", 3343232);
    ConsolePrint(5, "CAPI_RECEIVE_GENERAL_BUFFER_SIZE=%d\n", 262224);
    ConsolePrint(5, "sizeof( CAPI_ADVANCED_DRIVE_ENCLOSURE )=%d\n", 41896);
    ConsolePrint(5, "sizeof( CAPI_CONTROLLER )=%d\n", 23656);
    ConsolePrint(5, "sizeof( CAPI_CONTROLLER_RAID_PARAMS )=%d\n", 180);
    ConsolePrint(5, "sizeof( CAPI_UNIFIED_CONTROLLER )=%d\n", 55732);
    DebugPrint("CAPI_Initialize_Main: initializing supplemental list of SAS addresses\n");
    GetSupplementalSasAddresses(&g_SupplementalSasAddresses);
    DebugPrint("CAPI_Initialize_Main: found %d HPSA WWPNs\n", g_SupplementalSasAddresses.count);
}

void DumpNewEntries(uint32_t first) {
    for (uint32_t i = first; i < g_NumControllers; ++i) {
        const RAID_CONTROLLER& entry = g_ControllerDb[i];
        const PROCESSOR_DEVICE& device = ProcessorDeviceOf(entry);
        char title[128];
        std::snprintf(title, sizeof(title), "controller %u %.*s", i,
                      static_cast<int>(sizeof(device.deviceName)), device.deviceName);
        HexDump(title, &entry, sizeof(entry));
        DumpRaidController(&entry);
    }
}

}  // namespace

void InstallCapiDatabaseHooks() {
    InstallControllerDbInCapi();
    CAPI_SetDiscoveryHooks(&kDiscoveryHooks);
}

int CAPI_Initialize_Main() {
    g_DiscoveryRunning = 1;
    uint32_t first = g_NumControllers;
    if (g_FirstDiscovery == 1) {
        first = 0;
        StartFirstDiscovery();
    }
    InitializeCAPI(0, 0);
    DumpControllerTable("Controller table after InitializeCAPI");
    UpdateControllers(static_cast<int32_t>(first), static_cast<int32_t>(g_NumControllers) - 1);
    UpdateUniqueSN(static_cast<int32_t>(first));
    RemoveDuplicatedController(0);
    DumpControllerTable("Controller table after RemoveDuplicatedController");
    const uint32_t before = g_NumControllers;
    AddPartner();
    DumpControllerTable("Controller table after AddPartner");
    UpdateControllers(static_cast<int32_t>(before), static_cast<int32_t>(g_NumControllers) - 1);
    ConsolePrint(5, "g_NumControllers %d allowDuplicateControllers %d\n", g_NumControllers, 0);
    RemoveDuplicatedController(0);
    DumpControllerTable("Controller table after RemoveDuplicatedController2");
    replaceDeadDevices();
    DumpControllerTable("Controller table after replaceDeadDevices");
    for (uint32_t i = 0; i < g_NumControllers; ++i) {
        CheckProcessorDeviceReady(&ProcessorDeviceOf(g_ControllerDb[i]));
    }
    // Merges may have removed entries below `first`: the new entries are those from there on.
    DumpNewEntries(first < g_NumControllers ? first : g_NumControllers);
    g_FirstDiscovery = 0;
    UpdateStorageSystems();
    g_DiscoveryRunning = 0;
    DumpControllerTable("Controller table after CAPI_Initialize_Main");
    return 0;
}
