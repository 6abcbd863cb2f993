#include "corlink/database/controller_db.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "corlink/capi/controller_handles.h"
#include "corlink/database/capi_session.h"
#include "corlink/database/database_state.h"
#include "corlink/database/partition_view_cache.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"
#include "platform/time/clock.h"

int g_CurrentController = -1;

static_assert(std::is_trivially_copyable_v<RAID_CONTROLLER>, "entries are copied and zeroed as bytes");

ControllerDb g_ControllerDb;
uint32_t g_NumControllers = 0;

namespace {

constexpr uint32_t kSerialTextLength = sizeof(CAPI_CONTROLLER{}.serialNumber);

bool InUse(int32_t index) { return index >= 0 && static_cast<uint32_t>(index) < g_NumControllers; }

CAPI_CONTROLLER_CONTEXT* DbContextOf(uint32_t index) {
    RAID_CONTROLLER* entry = g_ControllerDb.Peek(index);
    return entry != nullptr ? &entry->controllerContext : nullptr;
}
CAPI_HANDLE DbHandleOf(uint32_t index) {
    RAID_CONTROLLER* entry = g_ControllerDb.Peek(index);
    return entry != nullptr ? entry->controllerHandle : 0;
}
void RebuildDb() { CAPI_Initialize_Main(); }
const CapiControllerTable kControllerDbTable = {&DbContextOf, &DbHandleOf, &SetResponds,
                                                &GetControllerBySerialNumber, &RebuildDb};

// Forgets receive buffers that were just freed wherever the entry or its context still names them.
void ForgetBuffers(RAID_CONTROLLER& entry, const uint8_t* freedCapi, const uint8_t* freedEvent) {
    for (uint8_t** p : {&entry.pCapiBuffer, &entry.pEventBuffer, &entry.controllerContext.pCapiBuffer,
                        &entry.controllerContext.pEventBuffer}) {
        if (*p != nullptr && (*p == freedCapi || *p == freedEvent)) {
            *p = nullptr;
        }
    }
}

}  // namespace

RAID_CONTROLLER& ControllerDb::operator[](uint32_t index) {
    if (index >= CONTROLLER_DB_SIZE) {
        DebugPrint("ERROR: controller database index %u out of range\n", index);
        std::abort();
    }
    if (entries_[index] == nullptr) {
        void* block = safe_malloc(sizeof(RAID_CONTROLLER));
        std::memset(block, 0, sizeof(RAID_CONTROLLER));
        entries_[index] = static_cast<RAID_CONTROLLER*>(block);
        InstallControllerDbInCapi();
    }
    return *entries_[index];
}

ControllerDb::~ControllerDb() {
    for (RAID_CONTROLLER*& entry : entries_) {
        if (entry != nullptr) {
            // The entry's own allocations; placeholders hold none (their pointers are their mate's).
            std::free(entry->rawCapiBuffer);
            std::free(entry->rawEventBuffer);
            DropPartViewCache(*entry);
        }
        std::free(entry);
        entry = nullptr;
    }
}

RAID_CONTROLLER* ControllerDb::Peek(uint32_t index) const {
    return index < CONTROLLER_DB_SIZE ? entries_[index] : nullptr;
}

void InstallControllerDbInCapi() { CAPI_SetControllerTable(&kControllerDbTable); }

int32_t FindControllerByClientId(uint32_t clientId) {
    for (uint32_t i = 0; i < g_NumControllers; ++i) {
        if (GetClientControllerId(static_cast<int32_t>(i)) == clientId) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

int32_t FindRealControllerByClientId(uint32_t clientId, uint8_t* ab) {
    const int32_t named = FindControllerByClientId(clientId);
    if (named < 0) {
        return -1;
    }
    const RAID_CONTROLLER& entry = g_ControllerDb[static_cast<uint32_t>(named)];
    if (ab != nullptr) {
        *ab = entry.controller.failover.failoverId;
    }
    return FindControllerByHandle(entry.controllerHandle);
}

int32_t FindControllerByHandle(CAPI_HANDLE handle) {
    for (uint32_t i = 0; i < g_NumControllers; ++i) {
        const RAID_CONTROLLER& entry = g_ControllerDb[i];
        if (entry.isPartner != 1 && entry.controllerHandle == handle) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

int32_t FindControllerBySerialText(const char* serialText) {
    if (serialText == nullptr) {
        return -1;
    }
    const size_t length = strnlen(serialText, kSerialTextLength + 1);
    if (length == 0 || length > kSerialTextLength) {
        return -1;  // an empty serial names no controller
    }
    for (uint32_t i = 0; i < g_NumControllers; ++i) {
        const RAID_CONTROLLER& entry = g_ControllerDb[i];
        if (entry.isPartner != 1 && ProcessorDeviceOf(entry).responds && SerialLengthOf(entry) == length &&
            std::memcmp(SerialTextOf(entry), serialText, length) == 0) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

int32_t GetControllerBySerialNumber(const uint8_t serial[PROCESSOR_DEVICE_SERIAL_LENGTH]) {
    char text[2 * PROCESSOR_DEVICE_SERIAL_LENGTH + 1] = {};
    for (uint32_t i = 0; i < PROCESSOR_DEVICE_SERIAL_LENGTH; ++i) {
        std::snprintf(text + 2 * i, sizeof(text) - 2 * i, "%02X", serial[i]);
    }
    return FindControllerBySerialText(text);
}

int32_t FindPartnerController(int32_t index) {
    if (!InUse(index)) {
        return -1;
    }
    const uint8_t* mateSerial =
        g_ControllerDb[static_cast<uint32_t>(index)].controller.failover.otherSerialNumber;
    if (mateSerial[0] == 0) {
        return -1;  // an empty mate serial names no controller
    }
    for (uint32_t i = 0; i < g_NumControllers; ++i) {
        if (static_cast<int32_t>(i) != index &&
            std::memcmp(g_ControllerDb[i].controller.serialNumber, mateSerial, kSerialTextLength) == 0) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

int32_t convertControllerHandle(const CAPI_ADDRESS* address) {
    if (address == nullptr) {
        return -1;
    }
    const CAPI_HANDLE handle = address->controllerHandle;
    if (InUse(g_CurrentController) &&
        g_ControllerDb[static_cast<uint32_t>(g_CurrentController)].controllerHandle == handle) {
        return g_CurrentController;
    }
    int32_t firstWithHandle = -1;
    for (uint32_t i = 0; i < g_NumControllers; ++i) {
        const RAID_CONTROLLER& entry = g_ControllerDb[i];
        if (entry.controllerHandle != handle) {
            continue;
        }
        if (entry.updateStatus == UPDATE_STATUS_PENDING) {
            return static_cast<int32_t>(i);
        }
        if (firstWithHandle < 0) {
            firstWithHandle = static_cast<int32_t>(i);
        }
    }
    return firstWithHandle;
}

uint32_t GetClientControllerId(int32_t index) {
    if (!InUse(index)) {
        return 0;
    }
    const RAID_CONTROLLER& entry = g_ControllerDb[static_cast<uint32_t>(index)];
    return entry.isPartner == 1 ? (entry.controllerHandle | 1U) : (entry.controllerHandle & ~1U);
}

CAPI_HANDLE ControllerHandleOf(int32_t index) {
    if (!InUse(index)) {
        DebugPrint("\nbad controller index...using controller 0\n");
        return 0;
    }
    return g_ControllerDb[static_cast<uint32_t>(index)].controllerHandle;
}

uint8_t IsControllerResponding(int32_t index) {
    return InUse(index) ? ProcessorDeviceOf(g_ControllerDb[static_cast<uint32_t>(index)]).responds : 0;
}

void SetResponds(CAPI_HANDLE handle, uint8_t value) {
    int found = 0;
    for (uint32_t i = 0; i < g_NumControllers; ++i) {
        PROCESSOR_DEVICE& device = ProcessorDeviceOf(g_ControllerDb[i]);
        if (g_ControllerDb[i].controllerHandle != handle) {
            continue;
        }
        DebugPrint(
            "capicmd==>>get g_ControllerDb[%d].controllerContext.lmxContext.u.lmxScsi32Context.processorDevice."
            "responds=%d\n",
            i, device.responds);
        device.responds = value;
        DebugPrint(
            "capicmd==>>set g_ControllerDb[%d].controllerContext.lmxContext.u.lmxScsi32Context.processorDevice."
            "responds=%d\n",
            i, device.responds);
        ++found;
    }
    DebugPrint("capicmd==>>SetResponds controllerHandle %x responds %d found %d\n", handle, value, found);
}

void FreeController(int32_t index) {
    if (index < 0 || static_cast<uint32_t>(index) >= CONTROLLER_DB_SIZE ||
        g_ControllerDb.Peek(index) == nullptr) {
        return;
    }
    RAID_CONTROLLER& entry = g_ControllerDb[static_cast<uint32_t>(index)];
    DebugPrint("Freed g_NumControllers=%d controller=%d isPartner=%d\n", g_NumControllers, index,
               entry.isPartner);
    if (entry.isPartner == 1) {
        return;
    }
    DebugPrint("Freed %p, %p, %p...\n", static_cast<void*>(entry.rawCapiBuffer),
               static_cast<void*>(entry.rawEventBuffer), static_cast<void*>(entry.partViewCache));
    // The aligned pointers into freed buffers go too, here and in every entry that shared them.
    const uint8_t* freedCapi = entry.rawCapiBuffer != nullptr ? entry.pCapiBuffer : nullptr;
    const uint8_t* freedEvent = entry.rawEventBuffer != nullptr ? entry.pEventBuffer : nullptr;
    std::free(entry.rawCapiBuffer);
    std::free(entry.rawEventBuffer);
    DropPartViewCache(entry);
    entry.rawCapiBuffer = nullptr;
    entry.rawEventBuffer = nullptr;
    ForgetBuffers(entry, freedCapi, freedEvent);
    for (uint32_t i = 0; i < g_NumControllers; ++i) {
        ForgetBuffers(g_ControllerDb[i], freedCapi, freedEvent);  // placeholders share their mate's buffers
    }
}

void PointIoBlockAt(RAID_CONTROLLER& entry, CAPI_CONTROLLER_CONTEXT* context) {
    entry.controllerContext.lmxIob.pControllerContext = context;
    entry.controllerContext.lmxIob.pLmxContext = &context->lmxContext;
}

uint32_t RemoveController(int32_t index) {
    if (!InUse(index)) {
        return g_NumControllers;
    }
    const uint32_t removed = static_cast<uint32_t>(index);
    DebugPrint("**** remove controller %d, %.*s \n", index,
               static_cast<int>(SerialLengthOf(g_ControllerDb[removed])),
               SerialTextOf(g_ControllerDb[removed]));
    FreeController(index);
    const uint32_t last = g_NumControllers - 1;
    for (uint32_t i = removed; i < last; ++i) {
        RAID_CONTROLLER& moved = g_ControllerDb[i];
        std::memcpy(static_cast<void*>(&moved), &g_ControllerDb[i + 1], sizeof(RAID_CONTROLLER));
        PointIoBlockAt(moved, &moved.controllerContext);
        moved.controllerHandle = Context2Handle(&moved.controllerContext);
    }
    // An entry that stayed in place but travels over a moved entry's transport (a placeholder of it)
    // follows that entry to its new place; one whose mate was removed falls back to its own context.
    // Otherwise its I/O block would reach whatever controller now sits at the old place.
    for (uint32_t i = 0; i < removed; ++i) {
        RAID_CONTROLLER& entry = g_ControllerDb[i];
        for (uint32_t old = removed; old <= last; ++old) {
            if (entry.controllerContext.lmxIob.pControllerContext != &g_ControllerDb[old].controllerContext) {
                continue;
            }
            CAPI_CONTROLLER_CONTEXT* target =
                old == removed ? &entry.controllerContext : &g_ControllerDb[old - 1].controllerContext;
            PointIoBlockAt(entry, target);
            entry.controllerHandle = Context2Handle(target);
            break;
        }
    }
    std::memset(static_cast<void*>(&g_ControllerDb[last]), 0, sizeof(RAID_CONTROLLER));
    g_NumControllers = last;
    return g_NumControllers;
}

void EmptyControllerDb() {
    while (g_NumControllers > 0) RemoveController(static_cast<int32_t>(g_NumControllers - 1));
    for (uint32_t i = 0; i < CONTROLLER_DB_SIZE; ++i) {
        if (RAID_CONTROLLER* entry = g_ControllerDb.Peek(i))
            std::memset(static_cast<void*>(entry), 0, sizeof(*entry));
    }
}

int64_t GetTimeSeconds() { return static_cast<int64_t>(platform::GetClock().NowMs() / 1000); }
