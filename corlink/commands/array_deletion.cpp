#include "corlink/commands/array_deletion.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "corlink/capi/capi_error_codes.h"
#include "corlink/capi/wrappers_unified.h"
#include "corlink/commands/array_lookup.h"
#include "corlink/commands/array_partitions.h"
#include "corlink/commands/controller_db.h"
#include "corlink/commands/controller_refresh.h"
#include "corlink/commands/controller_reresolve.h"
#include "corlink/commands/drive_maintenance.h"
#include "corlink/service/log.h"
#include "corlink/service/nt_os.h"

namespace {

constexpr int32_t kDeletePauseSeconds = 3;
constexpr int kFirstTries = 2;
constexpr int kTriesAfterAbort = 10;
constexpr int kPartitionTries = 3;
constexpr uint32_t kRescanAllChannels = 0xFFFFFFFFu;
constexpr uint32_t kViewChannels = 8;
constexpr uint32_t kViewHosts = 128;
constexpr uint8_t kHostByPortName = 16;  // flex id type of a host port named by its WWN

RAID_CONTROLLER& Entry(int32_t index) { return g_ControllerDb[static_cast<uint32_t>(index)]; }
CAPI_HANDLE HandleOf(int32_t index) { return ControllerHandleOf(index); }

// The member drives of array `a` as the entry lists them now.
std::vector<CAPI_DRIVE> MemberDrives(int32_t index, int32_t a) {
    std::vector<CAPI_DRIVE> members;
    for (uint32_t k = 0; k < DriveCount(index); ++k) {
        const CAPI_DRIVE& drive = DriveAt(index, k);
        if (drive.containerIndex == a && drive.howUsed == DRIVE_USED_AS_MEMBER) members.push_back(drive);
    }
    return members;
}

// A deletion whose controller went away meanwhile (a rediscovery moved it out of the database) has not
// been seen to succeed.
constexpr int32_t kControllerLost = -1;

int32_t Outcome(const TrackedController& c, int32_t code) { return c.lost() ? kControllerLost : code; }

int32_t RetryDeletes(TrackedController& c, const uint8_t* serial, int tries) {
    for (int k = 0; k < tries && FindArrayBySerial(c.index(), serial) != -1; ++k) {
        os_SleepSeconds(kDeletePauseSeconds);
        DebugPrint("capicmd==>>CAPI_U_DeleteArray %d!\n", CAPI_U_DeleteArray(HandleOf(c.index()), serial));
        c.Update();
    }
    return FindArrayBySerial(c.index(), serial);
}

// The last resort: down the member drives, delete, rescan, clear what were the members.
int32_t DeleteWithoutMembers(TrackedController& c, const uint8_t* serial, int32_t a) {
    const std::vector<CAPI_DRIVE> members = MemberDrives(c.index(), a);
    for (const CAPI_DRIVE& drive : members) {
        const int32_t result = CAPI_U_DownDrive(HandleOf(c.index()), DriveWwn(drive));
        DebugPrint("capicmd==>>CAPI_U_DownDrive(%d)=%d!\n", drive.scsiId, result);
    }
    os_SleepSeconds(kDeletePauseSeconds);
    DebugPrint("capicmd==>>CAPI_U_DeleteArray=%d!\n", CAPI_U_DeleteArray(HandleOf(c.index()), serial));
    DebugPrint("capicmd==>>CAPI_U_RescanBus=%d!\n", CAPI_U_RescanBus(HandleOf(c.index()), kRescanAllChannels));
    for (const CAPI_DRIVE& drive : members) ClearLeftoverDrive(c.index(), drive);
    c.Update();
    return Outcome(c, FindArrayBySerial(c.index(), serial) == -1 ? 0 : DELETE_SURVIVED);
}

bool AnyMapped(const CAPI_PARTITION_MAP& map, uint32_t channels) {
    for (uint32_t c = 0; c < channels; ++c) {
        if (CapiChannelFlagsMapped(map.flags[c])) return true;
    }
    return false;
}

uint32_t HostCount(const CAPI_PARTITION_VIEW_TABLE& view) { return std::min<uint32_t>(view.numHosts, kViewHosts); }

// Unmaps the partition by default and from each host of the view; the default unmap's result.
int32_t UnmapEverywhere(int32_t index, const uint8_t* serial, const CAPI_PARTITION_VIEW_TABLE& view) {
    auto record = std::make_unique<CAPI_MAP_UNMAP_PARAMS>();
    std::memset(record.get(), 0, sizeof *record);
    std::memcpy(record->partitionSerialNumber, serial, sizeof record->partitionSerialNumber);
    const int32_t result = CAPI_U_MapUnmapPartition(HandleOf(index), record.get());
    for (uint32_t m = 0; m < HostCount(view); ++m) {
        std::memset(record.get(), 0, sizeof *record);
        std::memcpy(record->partitionSerialNumber, serial, sizeof record->partitionSerialNumber);
        record->flexId.type = kHostByPortName;
        std::memcpy(record->flexId.FCPortWWN, view.wwn[m], sizeof record->flexId.FCPortWWN);
        CAPI_U_MapUnmapPartition(HandleOf(index), record.get());
    }
    return result;
}

}  // namespace

int32_t deleteArrayRetry(int32_t index, const uint8_t* serial, int tries) {
    TrackedController c(index);
    return RetryDeletes(c, serial, tries);
}

int32_t deleteOneArray(int32_t index, const uint8_t* serial) {
    TrackedController c(index);
    int32_t i = RetryDeletes(c, serial, kFirstTries);
    DebugPrint("This for first delete, capicmd==>>CAPI_U_DeleteArray array = %d!\n", i);
    if (i == -1) return Outcome(c, 0);
    const int32_t r = CAPI_U_DeleteArray(HandleOf(c.index()), serial);
    DebugPrint("capicmd==>>CAPI_U_DeleteArray %d!\n", r);
    c.Update();
    if (FindArrayBySerial(c.index(), serial) == -1) return Outcome(c, 0);
    if (r != CAPI_ERROR_UTILITY_ALREADY_RUNNING) return r;

    DebugPrint("capicmd==>>CAPI_U_AbortUtility %d!\n", CAPI_U_AbortUtility(HandleOf(c.index()), serial));
    i = RetryDeletes(c, serial, kTriesAfterAbort);
    DebugPrint("This for second delete, capicmd==>>CAPI_U_DeleteArray array = %d!\n", i);
    if (i == -1) return Outcome(c, 0);
    const int32_t a = FindArrayBySerial(c.index(), serial);
    if (a == -1) return Outcome(c, 0);
    return DeleteWithoutMembers(c, serial, a);
}

const CAPI_ARRAY_PARTITION* FindPartitionBySerial(int32_t index, const uint8_t* serial) {
    TrackedController c(index);
    if (!c.Update()) return nullptr;
    index = c.index();
    const uint32_t arrays = std::min<uint32_t>(Entry(index).controller.raid.numArrays, RAID_CONTROLLER_MAX_ARRAYS);
    for (uint32_t a = 0; a < arrays; ++a) {
        UpdateArrayPartition(index, static_cast<int32_t>(a));
        const CAPI_ARRAY& array = Entry(index).arrays[a];
        const size_t length = std::min<size_t>(array.serialNumberLength, kObjectSerialSize);
        for (uint32_t p = 0; p < array.largeNumArrayPartitions && length != 0; ++p) {
            const CAPI_ARRAY_PARTITION* record = gCapiArrayPartitions.Find(static_cast<uint32_t>(index), a, p);
            if (record != nullptr && std::memcmp(record->serialNumber, serial, length) == 0) return record;
        }
    }
    return nullptr;
}

bool IsPartitionMapped(int32_t index, const CAPI_PARTITION_VIEW_TABLE& view) {
    const uint32_t channels = std::min<uint32_t>(Entry(index).controller.numHostChannels, kViewChannels);
    if (AnyMapped(view.defaultMapping, channels)) return true;
    for (uint32_t m = 0; m < HostCount(view); ++m) {
        if (AnyMapped(view.mappings[m], channels)) return true;
    }
    return false;
}

int32_t deleteOnePartition(int32_t index, const uint8_t* serial) {
    int32_t unmapped = -1;
    int32_t r = UpdatePartitionView(index, serial);
    if (r == 0) {
        unmapped = -2;
        // The view stays as read while the unmaps are sent.
        auto view = std::make_unique<CAPI_PARTITION_VIEW_TABLE>();
        std::memcpy(view.get(), &Entry(index).partitionView, sizeof *view);
        if (IsPartitionMapped(index, *view)) unmapped = UnmapEverywhere(index, serial, *view);
    }
    // Each search reads the controller again: a partition that is not found on a controller that is
    // still there is gone.
    TrackedController c(index);
    const auto search = [&] {
        const CAPI_ARRAY_PARTITION* record = c.Find() ? FindPartitionBySerial(c.index(), serial) : nullptr;
        c.Find();
        return record;
    };
    const CAPI_ARRAY_PARTITION* found = nullptr;
    for (int attempt = 0; attempt < kPartitionTries && !c.lost(); ++attempt) {
        r = CAPI_U_DeleteArrayPartition(HandleOf(c.index()), serial);
        if (r != 0) continue;
        found = search();
        if (found == nullptr) break;
    }
    if (r == 0 && found != nullptr) {
        r = DELETE_SURVIVED;
    } else if (r != 0) {
        found = search();
        if (found == nullptr) r = 0;
    }
    r = Outcome(c, r);
    const uint8_t* s = serial;
    DebugPrint("capicmd==>>deleteOnePartition controller=%d partSerialNumber==%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x"
               "%02x%02x%02x%02x%02x%02x %d %d pPart=%p!\n",
               index, s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9], s[10], s[11], s[12], s[13], s[14],
               s[15], r, unmapped, static_cast<const void*>(found));
    return r == CAPI_ERROR_BAD_IDENTIFIER ? 0 : r;
}
