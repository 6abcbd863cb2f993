#include "corlink/handlers/array_deletion.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "corlink/capi/wrappers_unified.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/database/array_lookup.h"
#include "corlink/database/array_partitions.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/handlers/controller_reresolve.h"
#include "corlink/handlers/drive_maintenance.h"

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

// What the entry shows of the array once the controller has been read again.
Listing ReadArrayListing(TrackedController& c, const uint8_t* serial) {
    if (!c.ReadArrays()) return Listing::Unknown;
    return FindArrayBySerial(c.index(), serial) == -1 ? Listing::Gone : Listing::Listed;
}

// The array before the first deletion: an entry that does not list it is read again to be sure.
Listing FirstListing(TrackedController& c, const uint8_t* serial) {
    return FindArrayBySerial(c.index(), serial) != -1 ? Listing::Listed : ReadArrayListing(c, serial);
}

struct Attempt {
    Listing listing;
    int32_t code;  // the controller's answer to the last deletion
};

// Up to `tries` deletions, 3 s apart, while the array has not been seen gone.
Attempt RetryDeletes(TrackedController& c, const uint8_t* serial, int tries, Attempt last) {
    for (int k = 0; k < tries && last.listing != Listing::Gone && !c.lost(); ++k) {
        os_SleepSeconds(kDeletePauseSeconds);
        last.code = CAPI_U_DeleteArray(HandleOf(c.index()), serial);
        DebugPrint("capicmd==>>CAPI_U_DeleteArray %d!\n", last.code);
        last.listing = ReadArrayListing(c, serial);
    }
    return last;
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
    DebugPrint("capicmd==>>CAPI_U_RescanBus=%d!\n",
               CAPI_U_RescanBus(HandleOf(c.index()), kRescanAllChannels));
    for (const CAPI_DRIVE& drive : members) ClearLeftoverDrive(c.index(), drive);
    return DeletionAnswer(ReadArrayListing(c, serial), 0);
}

bool AnyMapped(const CAPI_PARTITION_MAP& map, uint32_t channels) {
    for (uint32_t c = 0; c < channels; ++c) {
        if (CapiChannelFlagsMapped(map.flags[c])) return true;
    }
    return false;
}

uint32_t HostCount(const CAPI_PARTITION_VIEW_TABLE& view) {
    return std::min<uint32_t>(view.numHosts, kViewHosts);
}

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

int32_t DeletionAnswer(Listing listing, int32_t lastCode) {
    if (listing == Listing::Gone) return 0;
    if (lastCode != 0) return lastCode;
    return listing == Listing::Listed ? DELETE_SURVIVED : DELETE_NOT_SEEN_GONE;
}

int32_t deleteOneArray(int32_t index, const uint8_t* serial) {
    TrackedController c(index);
    Attempt last = RetryDeletes(c, serial, kFirstTries, {FirstListing(c, serial), 0});
    DebugPrint("This for first delete, capicmd==>>CAPI_U_DeleteArray array = %d!\n",
               FindArrayBySerial(c.index(), serial));
    if (last.listing == Listing::Gone || c.lost()) return DeletionAnswer(last.listing, last.code);
    const int32_t r = CAPI_U_DeleteArray(HandleOf(c.index()), serial);
    DebugPrint("capicmd==>>CAPI_U_DeleteArray %d!\n", r);
    last = {ReadArrayListing(c, serial), r};
    if (last.listing == Listing::Gone || r != CAPI_ERROR_UTILITY_ALREADY_RUNNING || c.lost()) {
        return DeletionAnswer(last.listing, r);
    }

    DebugPrint("capicmd==>>CAPI_U_AbortUtility %d!\n", CAPI_U_AbortUtility(HandleOf(c.index()), serial));
    last = RetryDeletes(c, serial, kTriesAfterAbort, last);
    const int32_t a = FindArrayBySerial(c.index(), serial);
    DebugPrint("This for second delete, capicmd==>>CAPI_U_DeleteArray array = %d!\n", a);
    if (last.listing == Listing::Gone || a == -1) return DeletionAnswer(last.listing, last.code);
    return DeleteWithoutMembers(c, serial, a);
}

Listing FindPartitionBySerial(int32_t index, const uint8_t* serial, const CAPI_ARRAY_PARTITION** record) {
    *record = nullptr;
    TrackedController c(index);
    if (!c.ReadArrays()) return Listing::Unknown;
    bool allRead = true;
    const uint32_t arrays =
        std::min<uint32_t>(Entry(c.index()).controller.raid.numArrays, RAID_CONTROLLER_MAX_ARRAYS);
    for (uint32_t a = 0; a < arrays; ++a) {
        const bool read = UpdateArrayPartition(c.index(), static_cast<int32_t>(a)) == 0;
        if (!c.Find()) return Listing::Unknown;
        allRead = allRead && read;
        const CAPI_ARRAY& array = Entry(c.index()).arrays[a];
        const size_t length = std::min<size_t>(array.serialNumberLength, kObjectSerialSize);
        for (uint32_t p = 0; read && p < array.largeNumArrayPartitions && length != 0; ++p) {
            const CAPI_ARRAY_PARTITION* found =
                gCapiArrayPartitions.Find(static_cast<uint32_t>(c.index()), a, p);
            if (found != nullptr && std::memcmp(found->serialNumber, serial, length) == 0) {
                *record = found;
                return Listing::Listed;
            }
        }
    }
    return allRead ? Listing::Gone : Listing::Unknown;
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
    // Each search reads the controller again: the partition is gone only when a search that read
    // everything no longer finds it.
    TrackedController c(index);
    const CAPI_ARRAY_PARTITION* found = nullptr;
    const auto search = [&] {
        found = nullptr;
        const Listing listing =
            c.Find() ? FindPartitionBySerial(c.index(), serial, &found) : Listing::Unknown;
        c.Find();
        return listing;
    };
    Listing listing = Listing::Unknown;
    for (int attempt = 0; attempt < kPartitionTries && !c.lost(); ++attempt) {
        r = CAPI_U_DeleteArrayPartition(HandleOf(c.index()), serial);
        if (r != 0) continue;
        listing = search();
        if (listing == Listing::Gone) break;
    }
    if (r != 0) listing = search();
    r = DeletionAnswer(listing, r);
    const uint8_t* s = serial;
    DebugPrint(
        "capicmd==>>deleteOnePartition controller=%d partSerialNumber==%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x"
        "%02x%02x%02x%02x%02x%02x %d %d pPart=%p!\n",
        index, s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9], s[10], s[11], s[12], s[13], s[14],
        s[15], r, unmapped, static_cast<const void*>(found));
    return r == CAPI_ERROR_BAD_IDENTIFIER ? 0 : r;
}
