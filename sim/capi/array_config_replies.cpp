// The commands that create, expand and delete arrays and partitions, abort an array's utility and report
// its progress, and rescan the drive buses.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "corlink/capi_wire/capi_array.h"
#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "sim/capi/command_rows.h"
#include "sim/capi/object_id.h"
#include "sim/model/array_config.h"

namespace sim {
namespace {

using CreateParams = CAPI_UNIFIED_CREATE_ARRAY_PARAMS;
constexpr uint32_t kIncludeCreateArray = 60;
constexpr uint32_t kIncludePartitionParams = 27;
constexpr uint32_t kDriveSlots = 68;
constexpr uint32_t kExpandSerialAt = 688;  // the array an expansion adds to

// The available drives the first `count` identifier slots name, or nothing when one is unknown or in use.
bool AvailableDrives(StorageSystem& pair, const CreateParams& params, uint32_t first, uint32_t count,
                     std::vector<Drive*>* drives) {
    for (uint32_t i = first; i < first + count; ++i) {
        if (i >= kDriveSlots) return false;
        Drive* drive = FindDriveByWwn(pair, params.driveIds[i]);
        if (drive == nullptr || drive->use != DriveUse::Available) return false;
        drives->push_back(drive);
    }
    return true;
}

void CreateArray(Call& call) {
    CreateParams params;
    if (!call.Include(&params)) return call.Fail(CAPI_ERROR_COMMAND_FAILED);
    StorageSystem& pair = call.pair();
    const uint32_t members = params.createArrayParams.numMemberDriveIds;
    const uint32_t spares = params.createArrayParams.numFurtherDriveIds;
    std::vector<Drive*> memberDrives;
    std::vector<Drive*> spareDrives;
    if (members == 0 || !AvailableDrives(pair, params, 0, members, &memberDrives) ||
        !AvailableDrives(pair, params, members, spares, &spareDrives)) {
        return call.Fail(CAPI_ERROR_INVALID_NUMBER_OF_DRIVES);
    }
    Array array;
    array.serial = NewArraySerial(pair);
    array.name = "vd" + std::to_string(pair.arrays.size() + 1);
    array.numDrives = members;
    array.preferredOwner = params.createArrayParams.owner;
    array.currentOwner = array.preferredOwner;
    for (Drive* drive : memberDrives) {
        drive->use = DriveUse::Member;
        drive->array = array.serial;
    }
    for (Drive* drive : spareDrives) {
        drive->use = DriveUse::DedicatedSpare;
        drive->array = array.serial;
    }
    pair.arrays.push_back(array);
}

void ExpandArray(Call& call) {
    CreateParams params;
    if (!call.Include(&params)) return call.Fail(CAPI_ERROR_COMMAND_FAILED);
    StorageSystem& pair = call.pair();
    const auto* bytes = reinterpret_cast<const uint8_t*>(&params);
    Array* array = FindArray(pair, bytes + kExpandSerialAt);
    if (array == nullptr) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    std::vector<Drive*> added;
    const uint32_t count = params.createArrayParams.numMemberDriveIds;
    if (count == 0 || !AvailableDrives(pair, params, 0, count, &added)) {
        return call.Fail(CAPI_ERROR_INVALID_NUMBER_OF_DRIVES);
    }
    for (Drive* drive : added) {
        drive->use = DriveUse::Member;
        drive->array = array->serial;
    }
    array->numDrives += count;
}

void DeleteArray(Call& call) {
    const uint8_t* serial = call.IncludeAt(0, 32);
    const std::optional<size_t> a = serial != nullptr ? ArrayIndex(call.pair(), serial) : std::nullopt;
    if (!a) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    if (call.pair().arrays[*a].utilityRunning != 0) return call.Fail(CAPI_ERROR_UTILITY_ALREADY_RUNNING);
    RemoveArray(call.pair(), *a);
}

void AddArrayPartition(Call& call) {
    CAPI_ARRAY_PARTITION_PARAMS params;
    if (!call.Include(&params)) return call.Fail(CAPI_ERROR_COMMAND_FAILED);
    StorageSystem& pair = call.pair();
    const std::optional<size_t> a = ArrayIndex(pair, params.arraySerialNumber);
    if (!a) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    Partition partition;
    partition.name.assign(params.name, strnlen(params.name, sizeof params.name));
    partition.array = *a;
    partition.blocks = (uint64_t{params.size.longs[1]} << 32) | params.size.longs[0];
    if (partition.blocks > FreeBlocks(pair, *a)) return call.Fail(CAPI_ERROR_INSUFFICIENT_ARRAY_FREE_SPACE);
    partition.lun = static_cast<uint16_t>(params.lun);
    partition.serial = NewPartitionSerial(pair);
    partition.partitionClass = PartitionClassOf(params.specialClass, params.specialType);
    pair.partitions.push_back(partition);
}

// A snap pool that master volumes still use, or a master volume that still has snapshots, stays.
void DeleteArrayPartition(Call& call) {
    const uint8_t* serial = call.IncludeAt(0, sizeof(Serial16));
    StorageSystem& pair = call.pair();
    auto& partitions = pair.partitions;
    const auto named = std::find_if(partitions.begin(), partitions.end(), [&](const Partition& p) {
        return serial != nullptr && std::memcmp(p.serial.data(), serial, p.serial.size()) == 0;
    });
    if (named == partitions.end()) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    if (named->partitionClass == PartitionClass::BackingStore && MasterVolumeCount(pair, named->serial) != 0)
        return call.Fail(CAPI_ERROR_MASTER_VOLUMES_ASSOC);
    if (named->partitionClass == PartitionClass::Master && SnapshotCount(pair, named->serial) != 0)
        return call.Fail(CAPI_ERROR_SNAPSHOTS_ASSOC);
    ForgetPolicy(pair.snapshotServices, named->serial);
    partitions.erase(named);
}

Array* NamedArray(Call& call) {
    const uint8_t* serial = call.IncludeAt(0, 32);
    return serial != nullptr ? FindArray(call.pair(), serial) : nullptr;
}

void AbortUtility(Call& call) {
    Array* array = NamedArray(call);
    if (array == nullptr) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    array->utilityRunning = 0;
    array->percentComplete = 0;
}

void PercentComplete(Call& call) {
    const Array* array = NamedArray(call);
    if (array == nullptr) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    call.SetParam(0, array->percentComplete);
}

void Rescan(Call&) {}

constexpr CommandRow kRows[] = {
    // clang-format off
    {CAPI_COMMAND_U_RESCAN, "U_RESCAN", 0, 0, false, Sequence::PairInParams23, Rescan},
    {CAPI_COMMAND_U_CREATE_ARRAY, "U_CREATE_ARRAY", kIncludeCreateArray, sizeof(CreateParams), true,
     Sequence::PairInParams23, CreateArray},
    {CAPI_COMMAND_U_DELETE_ARRAY, "U_DELETE_ARRAY", kIncludeObjectId, 32, true, Sequence::PairInParams23, DeleteArray},
    {CAPI_COMMAND_U_EXPAND_ARRAY, "U_EXPAND_ARRAY", kIncludeCreateArray, sizeof(CreateParams), true,
     Sequence::PairInParams23, ExpandArray},
    {CAPI_COMMAND_U_ABORT_UTILITY, "U_ABORT_UTILITY", kIncludeObjectId, 32, true, Sequence::PairInParams23,
     AbortUtility},
    {CAPI_COMMAND_U_GET_PERCENT_COMPLETE, "U_GET_PERCENT_COMPLETE", kIncludeObjectId, 32, false,
     Sequence::PairInParams23, PercentComplete},
    {CAPI_COMMAND_U_ADD_ARRAY_PARTITION, "U_ADD_ARRAY_PARTITION", kIncludePartitionParams,
     sizeof(CAPI_ARRAY_PARTITION_PARAMS), true, Sequence::PairInParams23, AddArrayPartition},
    {CAPI_COMMAND_U_DELETE_ARRAY_PARTITION, "U_DELETE_ARRAY_PARTITION", kIncludeObjectId, sizeof(Serial16), true,
     Sequence::PairInParams23, DeleteArrayPartition},
    // clang-format on
};

}  // namespace

CommandFamily ArrayConfigCommands() { return kRows; }

}  // namespace sim
