// The point-in-time copy commands: data-management tags, snapshots created from master volumes (up to 16 in
// one command, committed at once or later), their reset and deletion, master volumes converted from and to
// standard volumes over a backing store, roll-back, and the lists of snapshots, their statistics, master
// volumes, backing stores and backing-store policies.
#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "corlink/capi_wire/capi_array.h"
#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_snapshot.h"
#include "sim/capi/command_rows.h"
#include "sim/capi/object_id.h"

namespace sim {
namespace {

constexpr uint32_t kIncludePartitionParams = 27;
constexpr uint32_t kIncludeBackingStores = 67;
constexpr uint32_t kIncludeMasterVolumes = 68;
constexpr uint32_t kIncludeSnapshots = 69;
constexpr uint32_t kIncludeSnapshotStats = 70;
constexpr uint32_t kIncludeDmsTag = 71;
constexpr uint32_t kIncludeCreateSnapshots = 72;
constexpr uint32_t kIncludeSnapshotIds = 73;
constexpr uint32_t kIncludeSnapshotIdList = 74;
constexpr uint32_t kIncludeRollback = 75;
constexpr uint32_t kIncludePolicy = 76;
constexpr uint32_t kIncludePolicies = 77;
constexpr uint8_t kCommitAtOnce = 2;
// CONVERT_MASTER_VOLUMES: the operation, in the parameter record's byte 127.
constexpr uint8_t kToStandard = 8;
constexpr uint8_t kToMaster = 9;

constexpr Serial16 kNoObject{};

Serial16 SerialAt(const uint8_t* bytes) {
    Serial16 serial;
    std::memcpy(serial.data(), bytes, serial.size());
    return serial;
}

// The object a list or delete names in its CAPI_OBJECT_ID; zeros name the whole controller.
Serial16 NamedObject(const Call& call) {
    const uint8_t* id = call.IncludeAt(0, 16);
    return id != nullptr ? SerialAt(id) : kNoObject;
}

Partition* OfClass(StorageSystem& pair, const Serial16& serial, PartitionClass kind) {
    Partition* partition = FindPartition(pair, serial.data());
    return partition != nullptr && partition->partitionClass == kind ? partition : nullptr;
}

template <class Record>
void Append(std::vector<uint8_t>& records, const Record& record) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
    records.insert(records.end(), bytes, bytes + sizeof record);
}

void PutU64(CAPI_U64& field, uint64_t value) {
    field.longs[0] = static_cast<uint32_t>(value);
    field.longs[1] = static_cast<uint32_t>(value >> 32);
}
uint64_t U64Of(const CAPI_U64& field) { return (uint64_t{field.longs[1]} << 32) | field.longs[0]; }

// The tag of the controller that the request's A/B selector (param 4) names.
void DmsGetTag(Call& call) {
    CAPI_DMS_TAG tag;
    PutU64(tag.tag, NextTag(call.pair().snapshotServices, static_cast<uint8_t>(call.header().param4 & 1)));
    call.ReplyRecord(kIncludeDmsTag, tag);
}

// Whether a create or commit carries the tag that the controller owning the volume's array handed out
// last: the owner runs the pair's snapshot services for its arrays, whichever half the command reached.
bool CurrentTag(Call& call, uint64_t tag, const Partition& volume) {
    StorageSystem& pair = call.pair();
    const uint8_t owner = volume.array < pair.arrays.size() ? pair.arrays[volume.array].currentOwner : 1;
    return tag != 0 && tag == pair.snapshotServices.lastTag[owner & 1];
}

// Every source must be a master volume, and the set carries the current tag of the controller reached.
void CreateSnapshots(Call& call) {
    CAPI_CREATE_SNAPSHOTS_PARAMS params;
    if (!call.Include(&params)) return call.Fail(CAPI_ERROR_COMMAND_FAILED);
    StorageSystem& pair = call.pair();
    if (params.numEntries == 0) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    if (params.numEntries > kMaxSnapshotsPerCommand) return call.Fail(CAPI_ERROR_EXCEED_MAX_SNAPSHOT);
    const uint64_t tag = U64Of(params.tag);
    for (uint32_t i = 0; i < params.numEntries; ++i) {
        const Serial16 source = SerialAt(params.entries[i].volumeSerialNumber);
        if (FindPartition(pair, source.data()) == nullptr) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
        if (OfClass(pair, source, PartitionClass::Master) == nullptr)
            return call.Fail(CAPI_ERROR_NOT_A_MASTER_VOLUME);
    }
    const Partition& first = *FindPartition(pair, params.entries[0].volumeSerialNumber);
    if (!CurrentTag(call, tag, first)) return call.Fail(CAPI_ERROR_CREATE_SNAPSHOT_INVALID_TAG);
    CAPI_SNAPSHOT_ID_LIST created;
    std::memset(&created, 0, sizeof created);
    for (uint32_t i = 0; i < params.numEntries; ++i) {
        const CAPI_SNAPSHOT_CREATE_ENTRY& entry = params.entries[i];
        const Partition master = *FindPartition(pair, entry.volumeSerialNumber);
        Partition& snapshot = AddVolumeLike(pair, master, PartitionClass::Snapshot,
                                            std::string(entry.name, strnlen(entry.name, sizeof entry.name)));
        snapshot.snapshot = {master.serial, call.nowMs(), tag, params.commitMode == kCommitAtOnce};
        std::memcpy(created.serialNumbers[created.numIds++], snapshot.serial.data(), snapshot.serial.size());
    }
    call.ReplyRecord(kIncludeSnapshotIdList, created);
}

// The snapshots a commit or delete names, all of them snapshots; null when one is not.
std::vector<Partition*> NamedSnapshots(Call& call, CAPI_SNAPSHOT_ID_PARAMS& params) {
    if (!call.Include(&params) || params.snapshots.numIds > kMaxSnapshotsPerCommand) return {};
    std::vector<Partition*> snapshots;
    for (uint32_t i = 0; i < params.snapshots.numIds; ++i) {
        Partition* snapshot =
            OfClass(call.pair(), SerialAt(params.snapshots.serialNumbers[i]), PartitionClass::Snapshot);
        if (snapshot == nullptr) return {};
        snapshots.push_back(snapshot);
    }
    return snapshots;
}

// A commit carries the current tag of the owner of the snapshots' array: one read after the create (the tag
// went stale) still commits the snapshots, which then belong to it.
void CommitSnapshots(Call& call) {
    CAPI_SNAPSHOT_ID_PARAMS params;
    const std::vector<Partition*> snapshots = NamedSnapshots(call, params);
    if (snapshots.empty()) return call.Fail(CAPI_ERROR_SNAPSHOT_DOES_NOT_EXIST);
    const uint64_t tag = U64Of(params.tag);
    if (!CurrentTag(call, tag, *snapshots.front())) return call.Fail(CAPI_ERROR_CREATE_SNAPSHOT_INVALID_TAG);
    for (Partition* snapshot : snapshots) {
        snapshot->snapshot.committed = true;
        snapshot->snapshot.takenMs = call.nowMs();
        snapshot->snapshot.tag = tag;
    }
}

void RemovePartitions(StorageSystem& pair, const std::function<bool(const Partition&)>& removed) {
    pair.partitions.erase(std::remove_if(pair.partitions.begin(), pair.partitions.end(), removed),
                          pair.partitions.end());
}

void DeleteSnapshots(Call& call) {
    CAPI_SNAPSHOT_ID_PARAMS params;
    const std::vector<Partition*> snapshots = NamedSnapshots(call, params);
    if (snapshots.empty()) return call.Fail(CAPI_ERROR_SNAPSHOT_DOES_NOT_EXIST);
    std::vector<Serial16> serials;
    for (const Partition* snapshot : snapshots) serials.push_back(snapshot->serial);
    RemovePartitions(call.pair(), [&](const Partition& p) {
        return std::find(serials.begin(), serials.end(), p.serial) != serials.end();
    });
}

// Of one master volume, or of every master volume when the identifier is zero.
void DeleteAllSnapshots(Call& call) {
    const Serial16 master = NamedObject(call);
    if (master != kNoObject && OfClass(call.pair(), master, PartitionClass::Master) == nullptr) {
        return call.Fail(CAPI_ERROR_NOT_A_MASTER_VOLUME);
    }
    RemovePartitions(call.pair(), [&](const Partition& p) {
        return p.partitionClass == PartitionClass::Snapshot &&
               (master == kNoObject || p.snapshot.master == master);
    });
}

// The snapshot shows its master volume as it is now.
void ResetSnapshot(Call& call) {
    Partition* snapshot = OfClass(call.pair(), NamedObject(call), PartitionClass::Snapshot);
    if (snapshot == nullptr) return call.Fail(CAPI_ERROR_NOT_A_SNAPSHOT);
    snapshot->snapshot.takenMs = call.nowMs();
}

void ConvertMasterVolumes(Call& call) {
    CAPI_ARRAY_PARTITION_PARAMS params;
    if (!call.Include(&params)) return call.Fail(CAPI_ERROR_COMMAND_FAILED);
    StorageSystem& pair = call.pair();
    Partition* volume = FindPartition(pair, params.partitionSerialNumber);
    if (volume == nullptr) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    if (params.isPaged == kToMaster) {
        const Serial16 pool = SerialAt(params.reserved136);
        if (volume->partitionClass != PartitionClass::Standard)
            return call.Fail(CAPI_ERROR_NOT_ALLOWED_ON_MASTER_VOLUME);
        if (OfClass(pair, pool, PartitionClass::BackingStore) == nullptr)
            return call.Fail(CAPI_ERROR_NOT_A_BACKING_STORE);
        volume->partitionClass = PartitionClass::Master;
        volume->snapshot.master = pool;
    } else if (params.isPaged == kToStandard) {
        if (volume->partitionClass != PartitionClass::Master)
            return call.Fail(CAPI_ERROR_NOT_A_MASTER_VOLUME);
        if (SnapshotCount(pair, volume->serial) != 0) return call.Fail(CAPI_ERROR_SNAPSHOTS_ASSOC);
        volume->partitionClass = PartitionClass::Standard;
        volume->snapshot = {};
    } else {
        return call.Fail(CAPI_ERROR_COMMAND_FAILED);
    }
    volume->type = SpecialTypeOf(volume->partitionClass);
}

// The master volume takes the snapshot's contents: the snapshot must be one of its own.
void RollbackMasterVolume(Call& call) {
    CAPI_ROLLBACK_PARAMS params;
    if (!call.Include(&params)) return call.Fail(CAPI_ERROR_COMMAND_FAILED);
    const Partition* snapshot = OfClass(call.pair(), SerialAt(params.reserved0), PartitionClass::Snapshot);
    if (snapshot == nullptr) return call.Fail(CAPI_ERROR_NOT_A_SNAPSHOT);
    if (snapshot->snapshot.master != SerialAt(params.masterVolumeSerialNumber)) {
        return call.Fail(CAPI_ERROR_MASTER_NOT_ASSOCIATED_WITH_SNAPSHOT);
    }
}

DmsPolicy* PolicyFor(Call& call, const CAPI_DMS_POLICY& record) {
    StorageSystem& pair = call.pair();
    const Serial16 pool = SerialAt(record.snapPoolPartitionId);
    if (OfClass(pair, pool, PartitionClass::BackingStore) == nullptr) return nullptr;
    std::vector<DmsPolicy>& policies = pair.snapshotServices.policies;
    auto found = std::find_if(policies.begin(), policies.end(),
                              [&](const DmsPolicy& p) { return p.backingStore == pool; });
    if (found != policies.end()) return &*found;
    policies.push_back(DmsPolicy{pool});
    return &policies.back();
}

void DmsSetPolicy(Call& call) {
    CAPI_DMS_POLICY record;
    DmsPolicy* policy = call.Include(&record) ? PolicyFor(call, record) : nullptr;
    if (policy == nullptr) return call.Fail(CAPI_ERROR_NOT_A_BACKING_STORE);
    policy->warning = record.WarningPolicy;
    policy->error = record.ErrorPolicy;
    policy->critical = record.CriticalPolicy;
}

void DmsSetThresholdLevels(Call& call) {
    CAPI_DMS_POLICY record;
    DmsPolicy* policy = call.Include(&record) ? PolicyFor(call, record) : nullptr;
    if (policy == nullptr) return call.Fail(CAPI_ERROR_NOT_A_BACKING_STORE);
    policy->threshold = U64Of(record.policyValue);
}

// The partitions of a class that a list names: all of them for a zero identifier.
template <class Build>
void ListPartitions(Call& call, uint32_t includeType, PartitionClass kind, const Serial16& named,
                    Build build) {
    std::vector<uint8_t> records;
    uint32_t count = 0;
    for (const Partition& partition : call.pair().partitions) {
        if (partition.partitionClass != kind) continue;
        if (named != kNoObject && !build.Names(partition, named)) continue;
        Append(records, build.Record(call.pair(), partition));
        ++count;
    }
    call.ReplyList(includeType, count, std::move(records));
}

// A snapshot list names a master volume (its snapshots) or one snapshot.
bool SnapshotNamed(const Partition& snapshot, const Serial16& named) {
    return snapshot.serial == named || snapshot.snapshot.master == named;
}

struct SnapshotRecords {
    static bool Names(const Partition& p, const Serial16& named) { return SnapshotNamed(p, named); }
    static CAPI_SNAPSHOT Record(const StorageSystem&, const Partition& p) {
        CAPI_SNAPSHOT record;
        std::memset(&record, 0, sizeof record);
        std::memcpy(record.partitionId, p.serial.data(), p.serial.size());
        record.value16 = p.snapshot.committed ? 1 : 0;
        std::memcpy(record.masterPartitionId, p.snapshot.master.data(), p.snapshot.master.size());
        return record;
    }
};

struct SnapshotStatsRecords {
    static bool Names(const Partition& p, const Serial16& named) { return SnapshotNamed(p, named); }
    static CAPI_SNAPSHOT_STATS Record(const StorageSystem&, const Partition& p) {
        CAPI_SNAPSHOT_STATS record;
        std::memset(&record, 0, sizeof record);
        std::memcpy(record.partitionId, p.serial.data(), p.serial.size());
        PutU64(record.counters[0], p.blocks);
        return record;
    }
};

struct MasterVolumeRecords {
    static bool Names(const Partition& p, const Serial16& named) { return p.serial == named; }
    static CAPI_MASTER_VOLUME Record(const StorageSystem& pair, const Partition& p) {
        CAPI_MASTER_VOLUME record;
        std::memset(&record, 0, sizeof record);
        std::memcpy(record.partitionId, p.serial.data(), p.serial.size());
        std::memcpy(record.snapPoolPartitionId, p.snapshot.master.data(), p.snapshot.master.size());
        record.numSnapshots = SnapshotCount(pair, p.serial);
        return record;
    }
};

struct BackingStoreRecords {
    static bool Names(const Partition&, const Serial16&) { return true; }
    static CAPI_BACKING_STORE Record(const StorageSystem& pair, const Partition& p) {
        CAPI_BACKING_STORE record;
        std::memset(&record, 0, sizeof record);
        std::memcpy(record.partitionId, p.serial.data(), p.serial.size());
        PutU64(record.value32, p.blocks);
        record.numMasterVolumes = MasterVolumeCount(pair, p.serial);
        return record;
    }
};

void GetSnapshotList(Call& call) {
    ListPartitions(call, kIncludeSnapshots, PartitionClass::Snapshot, NamedObject(call), SnapshotRecords{});
}
void GetSnapshotStats(Call& call) {
    ListPartitions(call, kIncludeSnapshotStats, PartitionClass::Snapshot, NamedObject(call),
                   SnapshotStatsRecords{});
}
void GetMasterVolumeList(Call& call) {
    ListPartitions(call, kIncludeMasterVolumes, PartitionClass::Master, NamedObject(call),
                   MasterVolumeRecords{});
}
void GetBackingStoreList(Call& call) {
    ListPartitions(call, kIncludeBackingStores, PartitionClass::BackingStore, kNoObject,
                   BackingStoreRecords{});
}

void DmsGetPolicyThresholdList(Call& call) {
    const Serial16 named = NamedObject(call);
    std::vector<uint8_t> records;
    uint32_t count = 0;
    for (const DmsPolicy& policy : call.pair().snapshotServices.policies) {
        if (named != kNoObject && policy.backingStore != named) continue;
        CAPI_DMS_POLICY record;
        std::memset(&record, 0, sizeof record);
        std::memcpy(record.snapPoolPartitionId, policy.backingStore.data(), policy.backingStore.size());
        record.WarningPolicy = policy.warning;
        record.ErrorPolicy = policy.error;
        record.CriticalPolicy = policy.critical;
        PutU64(record.policyValue, policy.threshold);
        Append(records, record);
        ++count;
    }
    call.ReplyList(kIncludePolicies, count, std::move(records));
}

constexpr Sequence kSeq = Sequence::PairInParams23;

constexpr CommandRow kRows[] = {
    // clang-format off
    {CAPI_COMMAND_U_DELETE_ALL_SNAPSHOTS, "U_DELETE_ALL_SNAPSHOTS", kIncludeObjectId, 32, true, kSeq, DeleteAllSnapshots},
    {CAPI_COMMAND_U_GET_SNAPSHOT_LIST, "U_GET_SNAPSHOT_LIST", kIncludeObjectId, 32, false, kSeq, GetSnapshotList},
    {CAPI_COMMAND_U_GET_SNAPSHOT_STATS, "U_GET_SNAPSHOT_STATS", kIncludeObjectId, 32, false, kSeq, GetSnapshotStats},
    {CAPI_COMMAND_U_CREATE_SNAPSHOTS, "U_CREATE_SNAPSHOTS", kIncludeCreateSnapshots,
     sizeof(CAPI_CREATE_SNAPSHOTS_PARAMS), true, kSeq, CreateSnapshots},
    {CAPI_COMMAND_U_COMMIT_SNAPSHOTS, "U_COMMIT_SNAPSHOTS", kIncludeSnapshotIds, sizeof(CAPI_SNAPSHOT_ID_PARAMS), true,
     kSeq, CommitSnapshots},
    {CAPI_COMMAND_U_DELETE_SNAPSHOTS, "U_DELETE_SNAPSHOTS", kIncludeSnapshotIds, sizeof(CAPI_SNAPSHOT_ID_PARAMS), true,
     kSeq, DeleteSnapshots},
    {CAPI_COMMAND_U_RESET_SNAPSHOT, "U_RESET_SNAPSHOT", kIncludeObjectId, 32, true, kSeq, ResetSnapshot},
    {CAPI_COMMAND_U_GET_BACKING_STORE_LIST, "U_GET_BACKING_STORE_LIST", 0, 0, false, kSeq, GetBackingStoreList},
    {CAPI_COMMAND_U_GET_MASTER_VOLUME_LIST, "U_GET_MASTER_VOLUME_LIST", kIncludeObjectId, 32, false, kSeq,
     GetMasterVolumeList},
    {CAPI_COMMAND_U_CONVERT_MASTER_VOLUMES, "U_CONVERT_MASTER_VOLUMES", kIncludePartitionParams,
     sizeof(CAPI_ARRAY_PARTITION_PARAMS), true, kSeq, ConvertMasterVolumes},
    {CAPI_COMMAND_U_ROLLBACK_MASTER_VOLUME, "U_ROLLBACK_MASTER_VOLUME", kIncludeRollback, sizeof(CAPI_ROLLBACK_PARAMS),
     true, kSeq, RollbackMasterVolume},
    {CAPI_COMMAND_U_DMS_GET_TAG, "U_DMS_GET_TAG", 0, 0, false, kSeq, DmsGetTag},
    {CAPI_COMMAND_U_DMS_SET_POLICY, "U_DMS_SET_POLICY", kIncludePolicy, sizeof(CAPI_DMS_POLICY), true, kSeq,
     DmsSetPolicy},
    {CAPI_COMMAND_U_DMS_SET_THRESHOLD_LEVELS, "U_DMS_SET_THRESHOLD_LEVELS", kIncludePolicy, sizeof(CAPI_DMS_POLICY),
     true, kSeq, DmsSetThresholdLevels},
    {CAPI_COMMAND_U_DMS_GET_POLICY_THRESHOLD_LIST, "U_DMS_GET_POLICY_THRESHOLD_LIST", kIncludeObjectId, 32, false, kSeq,
     DmsGetPolicyThresholdList},
    // clang-format on
};

}  // namespace

CommandFamily SnapshotCommands() { return kRows; }

}  // namespace sim
