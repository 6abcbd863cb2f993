#include "corlink/handlers/reinit_deletions.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "corlink/capi/wrappers_unified.h"
#include "corlink/capi_wire/capi_host.h"
#include "corlink/database/array_partitions.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/database/reply_buffers.h"
#include "corlink/foundation/assertion.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/handlers/array_deletion.h"
#include "corlink/handlers/cache_commands.h"
#include "corlink/handlers/drive_maintenance.h"

namespace {

constexpr int kTries = 3;
constexpr int kArrayTries = 2;
constexpr int32_t kSecondsBetweenTries = 3;
constexpr size_t kMostPartitions = 147456;
constexpr uint32_t kMostNicknames = 64;
constexpr uint32_t kInitiatorNamesAt = 12580;  // the known hosts' iSCSI names in the nickname reply
constexpr uint32_t kInitiatorNameSize = 224;

// Partition types, deleted in this order before the rest.
constexpr struct {
    uint8_t type;
    const char* failure;
} kPartitionPasses[] = {
    // clang-format off
    {3, "capicmd==>>deleteAllPartitionsEx.CAPI_PTSNAP_SNAPSHOT %d!\n"},
    {2, "capicmd==>>deleteAllPartitionsEx.CAPI_PTSNAP_MASTER_VOLUME %d!\n"},
    {1, "capicmd==>>deleteAllPartitionsEx.CAPI_PTSNAP_BACKING_STORE %d!\n"},
    // clang-format on
};

// Drive uses.
constexpr uint8_t kPoolSpare = 2;
constexpr uint8_t kDedicatedSpare = 3;

// The first non-zero of two results.
int32_t FirstFailure(int32_t first, int32_t next) { return first != 0 ? first : next; }

// Up to `tries` attempts, 3 s apart, until one returns 0; the last result.
template <class Attempt>
int32_t WithTries(int tries, const Attempt& attempt) {
    int32_t result = 0;
    for (int k = 0; k < tries; ++k) {
        if (k > 0) os_SleepSeconds(kSecondsBetweenTries);
        result = attempt();
        if (result == 0) break;
    }
    return result;
}

RAID_CONTROLLER& Entry(int32_t index) { return g_ControllerDb[static_cast<uint32_t>(index)]; }

// Each partition of a fresh list passing the filter deleted with up to three tries; failures are
// logged, and judged later by what remains.
template <class Filter>
void DeletePartitions(int32_t index, const Filter& selected, const char* failureLine) {
    std::vector<CAPI_ARRAY_PARTITION> partitions;
    CollectAllPartitions(index, &partitions);
    for (const CAPI_ARRAY_PARTITION& partition : partitions) {
        if (!selected(partition)) continue;
        const int32_t deleted =
            WithTries(kTries, [&] { return deleteOnePartition(index, partition.serialNumber); });
        if (deleted != 0) DebugPrint(failureLine, deleted);
    }
}

// The command sent for each drive of the entry's list with one of these uses, with up to three tries,
// between two reads of the controller; the first failure.
template <class Command>
int32_t OnEachDrive(int32_t index, uint8_t use, uint8_t otherUse, const char* failureLine,
                    const Command& command) {
    RefreshController(index);
    const RAID_CONTROLLER& entry = Entry(index);
    const uint32_t count = std::min<uint32_t>(entry.controller.raid.numDrives, RAID_CONTROLLER_MAX_DRIVES);
    std::vector<CAPI_DRIVE> drives;
    for (uint32_t d = 0; d < count; ++d) {
        if (entry.drives[d].howUsed == use || entry.drives[d].howUsed == otherUse)
            drives.push_back(entry.drives[d]);
    }
    int32_t result = 0;
    for (const CAPI_DRIVE& drive : drives) {
        const int32_t sent = WithTries(kTries, [&] { return command(drive); });
        if (sent != 0) DebugPrint(failureLine, sent);
        result = FirstFailure(result, sent);
    }
    RefreshController(index);
    return result;
}

// The operation on the controller and then on its mate.
int32_t OnControllerAndMate(int32_t index, int32_t (*operation)(int32_t), const char* failureLine) {
    const int32_t result = operation(index);
    if (result != 0) DebugPrint(failureLine, result);
    const int32_t mate = FindPartnerController(index);
    return mate >= 0 ? FirstFailure(result, operation(mate)) : result;
}

}  // namespace

bool CollectAllPartitions(int32_t index, std::vector<CAPI_ARRAY_PARTITION>* partitions) {
    partitions->clear();
    bool allRead = RefreshController(index) == 0;
    const uint32_t arrays =
        std::min<uint32_t>(Entry(index).controller.raid.numArrays, RAID_CONTROLLER_MAX_ARRAYS);
    for (uint32_t a = 0; a < arrays; ++a) {
        allRead = UpdateArrayPartition(index, static_cast<int32_t>(a)) == 0 && allRead;
        const uint32_t count = Entry(index).arrays[a].largeNumArrayPartitions;
        for (uint32_t p = 0; p < count && partitions->size() < kMostPartitions; ++p) {
            const CAPI_ARRAY_PARTITION* record =
                gCapiArrayPartitions.Find(static_cast<uint32_t>(index), a, p);
            OS_ASSERT_TEXT(record != nullptr, "gCapiArrayPartitions[controller][array][partition] != NULL");
            if (record != nullptr) partitions->push_back(*record);
        }
    }
    return allRead;
}

// Unmapped first, then snapshots, master volumes, backing stores and the rest; the result is what
// remains, so a step that failed and a later one that did the work leave no failure behind.
int32_t deleteAllPartitionsEx(int32_t index) {
    UpdateController(index);
    std::vector<CAPI_ARRAY_PARTITION> partitions;
    CollectAllPartitions(index, &partitions);
    for (const CAPI_ARRAY_PARTITION& partition : partitions) {
        CAPI_MAP_UNMAP_PARAMS unmap;
        std::memset(&unmap, 0, sizeof unmap);
        std::memcpy(&unmap, partition.serialNumber, sizeof partition.serialNumber);
        const int32_t unmapped =
            WithTries(kTries, [&] { return CAPI_U_MapUnmapPartition(ControllerHandleOf(index), &unmap); });
        if (unmapped != 0)
            DebugPrint("capicmd==>>deleteAllPartitionsEx.CAPI_U_MapUnmapPartition %d!\n", unmapped);
    }
    for (const auto& pass : kPartitionPasses) {
        DeletePartitions(
            index, [&](const CAPI_ARRAY_PARTITION& p) { return p.type == pass.type; }, pass.failure);
    }
    DeletePartitions(
        index, [](const CAPI_ARRAY_PARTITION&) { return true; },
        "capicmd==>>deleteAllPartitionsEx.deleteOnePartitionX %d!\n");
    const bool read = UpdateControllerArrays(index) && CollectAllPartitions(index, &partitions);
    const Listing left = !read ? Listing::Unknown : partitions.empty() ? Listing::Gone : Listing::Listed;
    return DeletionAnswer(left, 0);
}

int32_t deleteAllArrayEx(int32_t index) {
    RefreshController(index);
    const RAID_CONTROLLER& entry = Entry(index);
    const uint32_t arrays = std::min<uint32_t>(entry.controller.raid.numArrays, RAID_CONTROLLER_MAX_ARRAYS);
    std::vector<std::array<uint8_t, 32>> serials(arrays);
    for (uint32_t a = 0; a < arrays; ++a) std::memcpy(serials[a].data(), entry.arrays[a].serialNumber, 32);
    int32_t result = 0;
    for (const auto& serial : serials) {
        const int32_t deleted = WithTries(kArrayTries, [&] { return deleteOneArray(index, serial.data()); });
        if (deleted != 0) DebugPrint("capicmd==>>deleteAllArrayEx.CAPI_U_DeleteArray %d!\n", deleted);
        result = FirstFailure(result, deleted);
    }
    // Arrays are seen gone only by a read that succeeded.
    return UpdateControllerArrays(index) ? result : FirstFailure(result, DELETE_NOT_SEEN_GONE);
}

int32_t deleteAllDiskSpareEx(int32_t index) {
    return OnEachDrive(index, kPoolSpare, kDedicatedSpare,
                       "capicmd==>>deleteAllDiskSpareEx.CAPI_U_DeleteSpare %d!\n",
                       [&](const CAPI_DRIVE& drive) {
                           return CAPI_U_DeleteSpare(ControllerHandleOf(index), drive.flexId.FCNodeWWN);
                       });
}

int32_t clearAllDiskMetadataEx(int32_t index) {
    return OnEachDrive(index, DRIVE_LEFTOVER, DRIVE_LEFTOVER,
                       "capicmd==>>clearAllDiskMetadataEx.CAPI_U_DoScsiMaintenance %d!\n",
                       [&](const CAPI_DRIVE& drive) { return ClearLeftoverDrive(index, drive); });
}

int32_t deleteAllPartitions(int32_t index) {
    return OnControllerAndMate(index, deleteAllPartitionsEx,
                               "capicmd==>>deleteAllPartitions.deleteAllPartitionsEx %d!\n");
}
int32_t freeAllChache(int32_t index) {
    return OnControllerAndMate(index, freeAllChacheEx, "capicmd==>>freeAllChache.freeAllChacheEx %d!\n");
}
int32_t deleteAllArray(int32_t index) {
    return OnControllerAndMate(index, deleteAllArrayEx, "capicmd==>>deleteAllArray.deleteAllArrayEx %d!\n");
}
int32_t deleteAllDiskSpare(int32_t index) {
    return OnControllerAndMate(index, deleteAllDiskSpareEx,
                               "capicmd==>>deleteAllDiskSpare.deleteAllDiskSpareEx %d!\n");
}
int32_t deleteAllDiskMetadata(int32_t index) {
    return OnControllerAndMate(index, clearAllDiskMetadataEx,
                               "capicmd==>>deleteAllDiskMetadata.deleteAllDiskMetadataEx %d!\n");
}

// The nickname of every host the controller knows set empty; at most the list's 64 hosts.
int32_t deleteAllNickName(int32_t index) {
    RefreshController(index);
    const int32_t read = CAPI_U_GetHostNicknames(ControllerHandleOf(index));
    if (read != 0) {
        DebugPrint("capicmd==>>deleteAllNickName.deleteAllNickName %d!\n", read);
        return read;
    }
    // A copy: every read below may overwrite the reply buffer.
    auto list = std::make_unique<CAPI_HOST_NICKNAME_LIST>();
    std::memcpy(list.get(), g_HostNickNamesReply, sizeof *list);
    const auto* bytes = reinterpret_cast<const uint8_t*>(list.get());
    const uint32_t hosts = std::min<uint32_t>(bytes[0], kMostNicknames);
    int32_t result = 0;
    for (uint32_t j = 0; j < hosts; ++j) {
        RefreshController(index);
        const uint8_t emptyNickname[80] = {};
        char initiator[kInitiatorNameSize + 1] = {};
        std::memcpy(initiator, bytes + kInitiatorNamesAt + j * kInitiatorNameSize, kInitiatorNameSize);
        const CAPI_FLEX_ID flexId = list->hosts[j].flexId;
        const int32_t cleared = WithTries(kTries, [&] {
            return CAPI_U_AddHostNickname(ControllerHandleOf(index), &flexId, emptyNickname, initiator);
        });
        result = FirstFailure(result, cleared);
    }
    RefreshController(index);
    return result;
}
