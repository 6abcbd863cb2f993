// Enumerating the controllers into the database and reading each new entry.
#include "corlink/database/controller_discovery.h"

#include <cstdint>
#include <cstring>

#include "corlink/capi/capi_library.h"
#include "corlink/capi_wire/capi_protocol.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/database/master_callback.h"
#include "corlink/diagnostics/dumps.h"
#include "corlink/foundation/console.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"

namespace {

// A receive buffer: the packet buffer rounded up so that its start can be aligned to 8 bytes.
constexpr size_t kRawReceiveBufferSize = 262231;
static_assert(kRawReceiveBufferSize >= CAPI_RECEIVE_GENERAL_BUFFER_SIZE + 7);
constexpr int kUpdateTries = 3;
// The transport reports its initialisation before CAPI_Initialize returns; a transport that never does
// is given this long before enumeration goes on without it.
constexpr int64_t kInitializeCompleteSeconds = 60;
constexpr uint32_t kVerboseDiscoveryOption = 0x20;

uint32_t Low32(const void* pointer) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer)); }

uint8_t* AllocateReceiveBuffer(uint8_t** raw) {
    *raw = static_cast<uint8_t*>(safe_malloc(kRawReceiveBufferSize));
    std::memset(*raw, 0, kRawReceiveBufferSize);
    const uintptr_t aligned = (reinterpret_cast<uintptr_t>(*raw) + 7) & ~static_cast<uintptr_t>(7);
    return reinterpret_cast<uint8_t*>(aligned);
}

// An unused slot starts afresh: no event sequence numbers and no receive buffers.
void ResetSlot(uint32_t index) {
    RAID_CONTROLLER* entry = g_ControllerDb.Peek(index);
    if (entry == nullptr) {
        return;  // never used: zero already
    }
    FreeController(static_cast<int32_t>(index));
    entry->isPartner = 0;
    entry->lastLoggedSequenceNumber = 0;
    entry->lastReceivedSequenceNumber = 0;
    entry->pCapiBuffer = nullptr;
    entry->pEventBuffer = nullptr;
}

void WaitForInitializeComplete() {
    const int64_t start = GetTimeSeconds();
    while (!g_InitializeComplete) {
        if (GetTimeSeconds() - start >= kInitializeCompleteSeconds) {
            DebugPrint("InitializeCAPI: the transport did not complete its initialisation\n");
            return;
        }
        PollCapi();
        os_Sleep(10);
    }
}

// Enumerates into slot g_NumControllers; false when the transport has no further controller.
void FindIntoNextSlot(uint8_t first, uint8_t* done) {
    const uint32_t slot = g_NumControllers;
    RAID_CONTROLLER& entry = g_ControllerDb[slot];
    if (entry.pCapiBuffer == nullptr) {
        entry.pCapiBuffer = AllocateReceiveBuffer(&entry.rawCapiBuffer);
        entry.pEventBuffer = AllocateReceiveBuffer(&entry.rawEventBuffer);
        if (DebugConfig.Options & kVerboseDiscoveryOption) {
            DebugPrint("Allocated %p, %p...\n", static_cast<void*>(entry.rawCapiBuffer),
                       static_cast<void*>(entry.rawEventBuffer));
        }
    }
    CAPI_FindNextController(first, done, &entry.controllerHandle, &entry.controllerContext, entry.pCapiBuffer,
                            entry.pEventBuffer);
    entry.isPartner = 0;
    if (entry.controllerHandle == CAPI_NO_HANDLE) {
        FreeController(static_cast<int32_t>(slot));
        entry.pCapiBuffer = nullptr;
        entry.pEventBuffer = nullptr;
        entry.controllerHandle = 0;
        return;
    }
    entry.lastConfigSequenceNumber = -1;
    entry.partViewCacheSequenceNumber = -1;
    ++g_NumControllers;
}

}  // namespace

int InitializeCAPI(int quiet, int allowDuplicates) {
    (void)allowDuplicates;  // duplicates are merged afterwards, by RemoveDuplicatedController
    if (!quiet) {
        ConsolePrint(3, "InitializeCAPI(): Initializing...\n");
    }
    for (uint32_t i = g_NumControllers; i < CONTROLLER_DB_SIZE; ++i) {
        ResetSlot(i);
    }
    if (CAPI_RegisterCallback(&MasterCallback) != 0) {
        DebugPrint("Failed CAPI_RegisterCallback\n");
    } else if (!quiet) {
        ConsolePrint(7, "CAPI_RegisterCallback succeeded\n");
    }
    if (CAPI_Initialize() != 0) {
        DebugPrint("Failed CAPI_Initialize\n");
    }
    WaitForInitializeComplete();
    if (!quiet) {
        ConsolePrint(7, "Finding Controllers...\n");
    }
    uint8_t done = 0;
    for (uint32_t step = 0; step < CONTROLLER_DB_SIZE && !done && g_NumControllers < CONTROLLER_DB_SIZE;
         ++step) {
        FindIntoNextSlot(step == 0 ? 1 : 0, &done);
    }
    if (g_NumControllers == 0) {
        ConsolePrint(5, "Couldn't find any controllers\n");
        ConsolePrint(5, "\n");
    } else if (!quiet) {
        ConsolePrint(3, "\n\n######## Found %d controller LUN(s). ########\n\n\n", g_NumControllers);
    }
    if (!quiet) {
        ConsolePrint(3, "Initialization Complete.\n");
    }
    return 0;
}

void UpdateControllers(int32_t first, int32_t last) {
    for (int32_t index = last; index >= first && index >= 0; --index) {
        int result = -1;
        for (int attempt = 0; attempt < kUpdateTries && result != 0; ++attempt) {
            result = UpdateController(index);
        }
        if (result != 0) {
            ConsolePrint(5, "UpdateController %d FAILED \n", index);
            RemoveController(index);
            continue;
        }
        // A controller that answered without its record (shut down) has no identity: it would stand beside
        // the real controller on the same path, matched by nothing.
        if (SerialLengthOf(g_ControllerDb[static_cast<uint32_t>(index)]) == 0) {
            ConsolePrint(5, "UpdateController %d: no serial number read\n", index);
            RemoveController(index);
            continue;
        }
        const RAID_CONTROLLER& entry = g_ControllerDb[static_cast<uint32_t>(index)];
        const LMX_IOB& iob = entry.controllerContext.lmxIob;
        ConsolePrint(5, "ControllerHandle %d=0x%08x 0x%08x 0x%08x 0x%08x %.*s\n", index,
                     entry.controllerHandle, Low32(&entry.controllerContext), Low32(iob.pControllerContext),
                     Low32(iob.pLmxContext), static_cast<int>(SerialLengthOf(entry)), SerialTextOf(entry));
    }
}

void UpdateUniqueSN(int32_t first) {
    const int32_t count = static_cast<int32_t>(g_NumControllers);
    for (int32_t index = first; index < count; ++index) {
        const uint32_t arrays = g_ControllerDb[static_cast<uint32_t>(index)].controller.raid.numArrays;
        for (uint32_t array = 0; array < arrays && array < RAID_CONTROLLER_MAX_ARRAYS; ++array) {
            UpdateArrayPartition(index, static_cast<int32_t>(array));
        }
    }
    for (int32_t index = first; index < count; ++index) {
        RAID_CONTROLLER& entry = g_ControllerDb[static_cast<uint32_t>(index)];
        const int32_t mate = FindPartnerController(index);
        if (entry.isPartner == 1 && mate >= 0) {
            std::memcpy(entry.UniqueSN, g_ControllerDb[static_cast<uint32_t>(mate)].UniqueSN,
                        sizeof(entry.UniqueSN));
        } else {
            UpdateDriveEnclosures(index);
            DumpCapiAdvancedDriveEnclosure(&entry.advancedEnclosures[0]);
            SetUniqueSNFromEnclosures(entry);
        }
        ConsolePrint(3, "controller %d UniqueSN=%s\n", index, entry.UniqueSN);
    }
    for (int32_t index = first; index < count; ++index) {
        RAID_CONTROLLER& entry = g_ControllerDb[static_cast<uint32_t>(index)];
        DebugPrint("controller %d UniqueSN %s p=%p\n", index, entry.UniqueSN, static_cast<void*>(&entry));
        const int32_t mate = FindPartnerController(index);
        if (entry.enclosureCount == 0 && mate >= 0) {
            std::memcpy(entry.UniqueSN, g_ControllerDb[static_cast<uint32_t>(mate)].UniqueSN,
                        sizeof(entry.UniqueSN));
        }
    }
}
