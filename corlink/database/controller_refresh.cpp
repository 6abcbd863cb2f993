#include "corlink/database/controller_refresh.h"

#include <algorithm>
#include <cstring>

#include "corlink/capi/capi_library.h"
#include "corlink/capi/wrappers_unified.h"
#include "corlink/database/capi_session.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/database_state.h"
#include "corlink/database/paged_storage.h"
#include "corlink/database/reply_buffers.h"
#include "corlink/database/unified_conversion.h"
#include "corlink/foundation/console.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"
#include "platform/time/clock.h"

uint32_t g_UpdateTimeouts = 0;

namespace {

constexpr int64_t kUpdateTimeoutSeconds = 60;
constexpr uint64_t kPollIntervalMs = 500;
constexpr int kRefreshTries = 3;
constexpr int kRefreshPauseSeconds = 5;
constexpr int kEnclosureTries = 3;
constexpr uint32_t kChangeRefusedByte = 321;  // in a controller half of the unified record
constexpr uint32_t kDhcpEnableByte = 7864;    // in the common block
constexpr uint32_t kSystemNameText = 7440;
constexpr uint32_t kFtpPasswordText = 7792;
constexpr uint32_t kNetIfInController = 532;
constexpr uint8_t kFruValid = 2;
constexpr uint8_t kFruStorageSystem = 9;
constexpr uint32_t kViewChannels = 8;

RAID_CONTROLLER& Entry(int32_t index) { return g_ControllerDb[static_cast<uint32_t>(index)]; }
bool InUse(int32_t index) { return index >= 0 && static_cast<uint32_t>(index) < g_NumControllers; }

const uint8_t* HalfBytes(const CAPI_UNIFIED_CONTROLLER& unified, uint32_t half) {
    return reinterpret_cast<const uint8_t*>(&unified.controllers[half]);
}

// Copies NUL-terminated text into a field of `size` bytes, terminated within it.
void CopyText(char* field, size_t size, const uint8_t* text, size_t limit) {
    const size_t length = std::min(strnlen(reinterpret_cast<const char*>(text), limit), size - 1);
    std::memcpy(field, text, length);
    field[length] = 0;
}

void PatchNetworkInterface(RAID_CONTROLLER& entry, const CAPI_UNIFIED_CONTROLLER& unified) {
    const auto* common = reinterpret_cast<const uint8_t*>(&unified);
    CAPI_ADVANCED_NETWORK_INTERFACE& net = entry.networkInterface;
    net.dhcpEnable = common[kDhcpEnableByte];
    CopyText(net.systemName, sizeof net.systemName, common + kSystemNameText,
             kFtpPasswordText - kSystemNameText);
    CopyText(net.ftpPassword, sizeof net.ftpPassword, common + kFtpPasswordText,
             kDhcpEnableByte - kFtpPasswordText);
    std::memcpy(&net.netIf, reinterpret_cast<const uint8_t*>(&entry.controller) + kNetIfInController,
                sizeof net.netIf);
}

// Sends one read whose reply sets updateStatus, and waits for it; 1 when the reply was stored.
template <class Send>
bool ReadIntoEntry(int32_t index, Send send) {
    Entry(index).updateStatus = UPDATE_STATUS_PENDING;
    WaitForUpdate(send(), index);
    return Entry(index).updateStatus == UPDATE_STATUS_STORED;
}

void ReadPoolComponents(int32_t index) {
    RAID_CONTROLLER& entry = Entry(index);
    const CAPI_HANDLE handle = entry.controllerHandle;
    for (uint32_t j = 0; j < entry.numPools && j < RAID_CONTROLLER_MAX_POOLS; ++j) {
        const uint8_t* pool = entry.pools[j];
        LogPool(pool);
        if (!ReadIntoEntry(index, [&] { return CAPI_U_GetPSPoolComponents(handle, PoolSerial(pool)); }))
            break;
        const uint32_t first = entry.numComponents;
        entry.poolFirstComponent[j] = static_cast<uint16_t>(first);
        entry.numComponents = std::min(first + entry.numPoolComponents, RAID_CONTROLLER_MAX_POOL_COMPONENTS);
        for (uint32_t k = first; k < entry.numComponents; ++k) LogPoolComponent(entry.components[k], pool);
    }
}

bool HoldsStorageSystemFru(const CAPI_ADVANCED_DRIVE_ENCLOSURE& enclosure) {
    for (uint32_t k = 0; k < std::size(enclosure.fruDataValidity); ++k) {
        if (enclosure.fruDataValidity[k] == kFruValid && enclosure.fruidInfo[k].fruType == kFruStorageSystem)
            return true;
    }
    return false;
}

}  // namespace

uint64_t PollCapi() {
    static bool polledBefore = false;
    static uint64_t lastPoll = 0;
    const uint64_t now = platform::GetClock().NowMs();
    if (!polledBefore) {
        polledBefore = true;
        lastPoll = now;
    }
    const uint64_t since = now - lastPoll;
    if (since >= kPollIntervalMs) {
        CAPI_Poll();
        lastPoll = now;
    }
    return since;
}

int WaitForUpdate(int32_t result, int32_t index) {
    if (result != 0) {
        if (result == CAPI_RESULT_LINK_BUSY) {
            ConsolePrint(5, "Fyi: link busy try again (on controller %lu)\n",
                         static_cast<unsigned long>(index));
        } else {
            ConsolePrint(5, "Warning: unable to update controller %lu\n", static_cast<unsigned long>(index));
        }
        return UPDATE_WAIT_FAILED;
    }
    if (!InUse(index)) return UPDATE_WAIT_FAILED;
    const int64_t start = GetTimeSeconds();
    while (Entry(index).updateStatus == UPDATE_STATUS_PENDING) {
        if (g_badControllerNumberError == 1) {
            ConsolePrint(5, "Fyi: returnCode = %d g_badControllerNumberError = %d (on controller %lu)\n",
                         result, g_badControllerNumberError, static_cast<unsigned long>(index));
            return UPDATE_WAIT_FAILED;
        }
        if (GetTimeSeconds() - start >= kUpdateTimeoutSeconds) {
            ++g_UpdateTimeouts;
            ConsolePrint(5, "Error: timeout %lu on update controller %d\n",
                         static_cast<unsigned long>(g_UpdateTimeouts), index);
            ConsolePrint(5, "TIMEOUT ON UPDATE\n");
            return UPDATE_WAIT_TIMED_OUT;
        }
        // Sleep until the next poll is due, so that the wait costs no processor time.
        const uint64_t since = PollCapi();
        platform::GetClock().Sleep(
            static_cast<uint32_t>(since < kPollIntervalMs ? kPollIntervalMs - since : 1));
    }
    if (Entry(index).updateStatus == UPDATE_STATUS_STORED) {
        Entry(index).everUpdated = 1;
        return UPDATE_WAIT_STORED;
    }
    return UPDATE_WAIT_FAILED;
}

int RequestUnifiedControllerData(int32_t index) {
    if (!InUse(index)) return UPDATE_WAIT_FAILED;
    g_CurrentController = index;
    RAID_CONTROLLER& entry = Entry(index);
    entry.updateStatus = UPDATE_STATUS_PENDING;
    const int32_t result = CAPI_U_GetControllerData(entry.controllerHandle);
    if (entry.shutdown == 1) return 0;
    return WaitForUpdate(result, index);
}

namespace {

// UpdateController's reads; `arraysRead` tells whether the array list was read as well.
int UpdateEntry(int32_t index, bool* arraysRead) {
    *arraysRead = false;
    if (!InUse(index)) return UPDATE_WAIT_FAILED;
    RAID_CONTROLLER& entry = Entry(index);
    const uint8_t ab = ProcessorDeviceOf(entry).id;
    g_CurrentController = index;
    entry.shutdown = 0;
    const int read = RequestUnifiedControllerData(index);
    if (read != 0) return read;

    // A shut-down controller sent no record: its entry keeps being built from its own last one, never
    // from whatever another controller left in the shared buffer.
    if (entry.shutdown == 0) {
        std::memcpy(&entry.unifiedController, &g_UnifiedControllerBuffer, sizeof entry.unifiedController);
    }
    const CAPI_UNIFIED_CONTROLLER& unified = entry.unifiedController;
    ConvertUnifiedController(&unified, &entry.controller, ab);
    entry.changeRefused = ab <= 1 ? HalfBytes(unified, ab)[kChangeRefusedByte] : 0;
    PatchNetworkInterface(entry, unified);

    const CAPI_HANDLE handle = entry.controllerHandle;
    *arraysRead = ReadIntoEntry(index, [&] { return CAPI_U_GetArrayList(handle, ab); });
    if (*arraysRead) entry.arrayListEverUpdated = 1;
    if (ReadIntoEntry(index, [&] { return CAPI_U_GetDriveList(handle, ab); })) entry.driveListEverUpdated = 1;

    entry.numPoolComponents = 0;
    entry.numComponents = 0;
    const bool pools = ReadIntoEntry(index, [&] {
        DebugPrint("getting paged storage pools, handle=0x%x, ab=0x%x\n", handle, ab);
        const int32_t result = CAPI_U_GetPSPools(handle, ab);
        DebugPrint("getting paged storage pools, returncode = 0x%x\n", static_cast<uint32_t>(result));
        return result;
    });
    entry.pagedStorageValid = pools ? 1 : 0;
    if (!pools) return 0;
    ReadPoolComponents(index);
    DebugPrint("paged storage component count = %d\n", entry.numComponents);
    return 0;
}

}  // namespace

int UpdateController(int32_t index) {
    bool arraysRead = false;
    return UpdateEntry(index, &arraysRead);
}

bool UpdateControllerArrays(int32_t index) {
    bool arraysRead = false;
    return UpdateEntry(index, &arraysRead) == 0 && arraysRead;
}

int UpdateControllerAndPartner(int32_t index) {
    UpdateController(index);
    const int32_t mate = FindPartnerController(index);
    return mate >= 0 ? UpdateController(mate) : -1;
}

int RefreshController(int32_t index) {
    if (!InUse(index)) return UPDATE_WAIT_FAILED;
    g_CurrentController = index;
    RAID_CONTROLLER& entry = Entry(index);
    const int32_t result = CAPI_U_GetConfigSequenceNumber(entry.controllerHandle);
    if (result != 0) return result;

    const int32_t last = entry.lastConfigSequenceNumber;
    const uint32_t current = static_cast<uint32_t>(last);
    if (last != -1 && current == entry.controller.configSequenceNumber &&
        current == entry.arrayListSequenceNumber && current == entry.driveListSequenceNumber) {
        return 0;
    }
    int updated = 0;
    for (int attempt = 0; attempt < kRefreshTries; ++attempt) {
        if (attempt > 0) os_SleepSeconds(kRefreshPauseSeconds);
        updated = UpdateController(index);
        if (updated == 0) break;
        DebugPrint("capicmd==>>UpdateController %d\n", updated);
    }
    Entry(index).needRefresh = 1;
    return updated;
}

int isNeedRefreshController(int32_t index) {
    if (!InUse(index) || !Entry(index).needRefresh) return 0;
    DebugPrint("capicmd==>>isNeedRefreshController: Need refresh controller!\n");
    return 1;
}

int UpdateArrayPartition(int32_t index, int32_t array) {
    if (!InUse(index) || array < 0 || static_cast<uint32_t>(array) >= RAID_CONTROLLER_MAX_ARRAYS)
        return UPDATE_WAIT_FAILED;
    g_CurrentController = index;
    RAID_CONTROLLER& entry = Entry(index);
    entry.updateStatus = UPDATE_STATUS_PENDING;
    const uint8_t* s = entry.arrays[array].serialNumber;
    DebugPrint("UpdateArrayPartition controller %d array %d\n", index, array);
    DebugPrint(
        "Calling CAPI_U_GetPartitionData with serial number "
        "%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X\n",
        s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9], s[10], s[11], s[12], s[13], s[14], s[15]);
    return WaitForUpdate(CAPI_U_GetPartitionData(ControllerHandleOf(index), s), index);
}

void UpdateDriveEnclosures(int32_t index) {
    if (!InUse(index)) return;
    g_CurrentController = index;
    RAID_CONTROLLER& entry = Entry(index);
    const CAPI_HANDLE handle = entry.controllerHandle;
    int32_t result = -1;
    for (int attempt = 0; attempt < kEnclosureTries; ++attempt) {
        result = CAPI_U_GetDriveEnclosures(handle);
        DebugPrint("CAPI_U_GetDriveEnclosures(%x)=%d, g_ControllerDb[%d].enclosureCount=%d\n", handle, result,
                   index, entry.enclosureCount);
        if (result == 0 && entry.enclosureCount > 0) break;
    }
    if (result != 0) return;
    const uint32_t count = std::min(entry.enclosureCount, RAID_CONTROLLER_MAX_ENCLOSURES);
    for (uint32_t j = 0; j < count; ++j) {
        for (int attempt = 0; attempt < kEnclosureTries; ++attempt) {
            if (CAPI_U_GetDriveEnclosure(handle, entry.enclosures[j].enclosureWWN) != 0) continue;
            std::memcpy(&entry.advancedEnclosures[j], &g_AdvancedDriveEnclosureReply,
                        sizeof g_AdvancedDriveEnclosureReply);
            if (HoldsStorageSystemFru(entry.advancedEnclosures[j])) break;
        }
    }
}

void ClearAbsentChannelFlags(int32_t index) {
    if (!InUse(index)) return;
    RAID_CONTROLLER& entry = Entry(index);
    CAPI_PARTITION_VIEW_TABLE& view = entry.partitionView;
    const uint32_t present = entry.controller.numHostChannels;
    auto clear = [present](CAPI_PARTITION_MAP& map) {
        for (uint32_t c = present; c < kViewChannels; ++c) map.flags[c] = 0;
    };
    clear(view.defaultMapping);
    const uint32_t hosts = std::min<uint32_t>(view.numHosts, std::size(view.mappings));
    for (uint32_t h = 0; h < hosts; ++h) clear(view.mappings[h]);
}

int UpdatePartitionView(int32_t index, const uint8_t* partitionSerial) {
    if (!InUse(index)) return UPDATE_WAIT_FAILED;
    g_CurrentController = index;
    RAID_CONTROLLER& entry = Entry(index);
    entry.updateStatus = UPDATE_STATUS_PENDING;
    std::memset(&entry.partitionView, 0, sizeof entry.partitionView);
    const int32_t result = CAPI_U_GetPartitionView(entry.controllerHandle, partitionSerial);
    ClearAbsentChannelFlags(index);
    return result;
}

int IsConfigChangeRefused(int32_t index) {
    if (!InUse(index)) return 0;
    const CAPI_UNIFIED_CONTROLLER& own = Entry(index).unifiedController;
    return HalfBytes(own, 0)[kChangeRefusedByte] == 1 && HalfBytes(own, 1)[kChangeRefusedByte] == 1 ? 1 : 0;
}
