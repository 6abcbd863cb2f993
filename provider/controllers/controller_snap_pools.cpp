// Snap pools and master volumes on one controller: a snap pool created on a vdisk and its policy set, a
// pool deleted, a standard volume converted into a master volume of a pool and back, and the clean-up
// after a snapshot's deletion that frees what the volume's conversion left behind.
#include <array>
#include <cstring>

#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/provider_events.h"
#include "provider/controllers/proxy_calls.h"
#include "provider/controllers/raid_controller_set.h"
#include "provider/controllers/serial_numbers.h"

namespace {

constexpr uint8_t kConvertToMaster = 9;
constexpr uint8_t kConvertToStandard = 8;
constexpr uint8_t kPolicyWithValue = 5;
constexpr size_t kPoolNameChars = 31;

using SerialField = std::array<uint8_t, 32>;

// A partition ID as the 32-byte serial-number field of a request: its 16 bytes, then zeros.
SerialField SerialFieldOf(const uint8_t* id) {
    SerialField field{};
    std::memcpy(field.data(), id, kPartitionIdBytes);
    return field;
}

enum class Kind { Standard, SnapPool, MasterVolume };

bool IsKind(const CAPI_ARRAY_PARTITION& partition, Kind kind) {
    switch (kind) {
        case Kind::Standard: return partition.specialClass == kClassStandard;
        case Kind::SnapPool:
            return partition.specialClass == kClassSnapshotFamily &&
                   partition.type == CAPI_PTSNAP_BACKING_STORE;
        case Kind::MasterVolume:
            return partition.specialClass == kClassSnapshotFamily &&
                   partition.type == CAPI_PTSNAP_MASTER_VOLUME;
    }
    return false;
}

// The event texts of an ID that names no partition and of one that names a partition of another kind.
struct KindMessages {
    const char* notFound;
    const char* wrongKind;
};

HRESULT RefuseId(const char* message, const uint8_t* id, HRESULT result) {
    LogErrorEvent(L"%S:%S=%S", message, "partition id", PartitionIdText(id).text);
    return result;
}

// The lookup's outcome judged (*found is read after the lookup has run): S_OK for a partition of the kind,
// else the event and the refusal.
HRESULT CheckKind(HRESULT lookup, CAPI_ARRAY_PARTITION* const* found, Kind kind, const KindMessages& messages,
                  const uint8_t* id, const WCHAR* kindLine = nullptr) {
    const CAPI_ARRAY_PARTITION* partition = *found;
    if (FAILED(lookup) || partition == nullptr)
        return RefuseId(messages.notFound, id, VSS_E_OBJECT_NOT_FOUND);
    if (IsKind(*partition, kind)) return S_OK;
    if (kindLine != nullptr)
        BVSS_DebugPrint(kindLine, partition->name, partition->type, partition->specialClass);
    return RefuseId(messages.wrongKind, id, VSS_E_VOLUME_NOT_SUPPORTED);
}

// The frame the five commands share: trace and lock, the checks, the command through the retry policy
// (its last code handed back when asked for), the failure line with the ID, the closing line.
struct PoolCommand {
    const WCHAR* qualifiedName;
    const WCHAR* name;
    const WCHAR* failureLine;  // one %S for the ID's digits; null: none
};

template <class Check, class Send>
HRESULT RunPoolCommand(BVSS_CapiRaidController& controller, const PoolCommand& command,
                       const uint8_t* failureId, Check check, Send send, int32_t* returnCode = nullptr) {
    BVSS_FunctionTrace trace(command.qualifiedName);
    BVSS_CritSecLock lock(&controller.mLock);
    HRESULT hr = check();
    if (SUCCEEDED(hr)) {
        int32_t code = 0;
        hr = controller.SendCommand(command.name, send, &code);
        if (returnCode != nullptr) *returnCode = code;
        if (FAILED(hr) && command.failureLine != nullptr)
            BVSS_DebugPrint(command.failureLine, PartitionIdText(failureId).text);
    }
    BVSS_DebugPrint(L"%s(): returning 0x%08x\n", command.name, hr);
    return hr;
}

}  // namespace

HRESULT BVSS_CapiRaidController::capiBSCreate(const uint8_t* vdiskSerial32, const uint64_t& blocks,
                                              const char* poolName, CAPI_ARRAY_PARTITION* newPartition,
                                              int32_t* returnCode) {
    CAPI_ARRAY_PARTITION_PARAMS params;
    std::memset(&params, 0, sizeof params);
    const auto check = [&]() -> HRESULT {
        if (vdiskSerial32 == nullptr || poolName == nullptr || newPartition == nullptr)
            return kProviderBadArgument;
        params.size.longs[0] = static_cast<uint32_t>(blocks);
        params.size.longs[1] = static_cast<uint32_t>(blocks >> 32);
        params.unitNum = 0;
        std::memcpy(params.arraySerialNumber, vdiskSerial32, sizeof params.arraySerialNumber);
        BVSS_DebugPrint(L"capiBSCreate(): copy serial number complete.\n");
        std::memcpy(params.name, poolName, strnlen(poolName, kPoolNameChars));
        BVSS_DebugPrint(L"capiBSCreate(): copy name complete.\n");
        params.lun = -1;
        params.specialClass = kClassSnapshotFamily;
        params.specialType = CAPI_PTSNAP_BACKING_STORE;
        params.isPaged = 0;
        std::memset(newPartition, 0, sizeof *newPartition);
        return S_OK;
    };
    return RunPoolCommand(
        *this,
        {L"BVSS_CapiRaidController::capiBSCreate", L"capiBSCreate",
         L"capiBSCreate(): create snap pool on vdisk failed, VdiskID=%S .\n"},
        vdiskSerial32, check, [&] { return add_array_part(mHandle, &params, newPartition); }, returnCode);
}

HRESULT BVSS_CapiRaidController::capiBSSetPolicy(const uint8_t* poolId, uint8_t errorPolicy,
                                                 uint8_t criticalPolicy, uint64_t value) {
    CAPI_DMS_POLICY policy;
    std::memset(&policy, 0, sizeof policy);
    const auto check = [&]() -> HRESULT {
        if (poolId == nullptr) return kProviderBadArgument;
        CAPI_ARRAY_PARTITION* pool = nullptr;
        const HRESULT hr =
            CheckKind(findPartition(poolId, kPartitionIdBytes, &pool), &pool, Kind::SnapPool,
                      {"capiBSSetPolicy(): The input parameter specified is not a valid snap pool",
                       "capiBSSetPolicy(): The partition is not a snap pool"},
                      poolId);
        std::memcpy(policy.snapPoolPartitionId, poolId, sizeof policy.snapPoolPartitionId);
        policy.WarningPolicy = 0;
        policy.ErrorPolicy = errorPolicy;
        policy.CriticalPolicy = criticalPolicy;
        if (errorPolicy == kPolicyWithValue) {
            policy.policyValue.longs[0] = static_cast<uint32_t>(value);
            policy.policyValue.longs[1] = static_cast<uint32_t>(value >> 32);
        }
        return hr;
    };
    return RunPoolCommand(*this,
                          {L"BVSS_CapiRaidController::capiBSSetPolicy", L"capiBSSetPolicy",
                           L"capiBSSetPolicy(): Set snap pool policy failed, SnapPoolID=%S.\n"},
                          poolId, check, [&] { return set_dms_policy(mHandle, &policy); });
}

HRESULT BVSS_CapiRaidController::capiBSDelete(const uint8_t* poolId) {
    const auto check = [&]() -> HRESULT {
        if (poolId == nullptr) return kProviderBadArgument;
        CAPI_ARRAY_PARTITION* pool = nullptr;
        return CheckKind(findInOwnPublishedSet(poolId, &pool), &pool, Kind::SnapPool,
                         {"capiBSDelete(): The input parameter specified is not a valid snap pool",
                          "capiBSDelete(): The partition is not a snap pool"},
                         poolId);
    };
    const SerialField serial = poolId != nullptr ? SerialFieldOf(poolId) : SerialField{};
    return RunPoolCommand(*this, {L"BVSS_CapiRaidController::capiBSDelete", L"capiBSDelete", nullptr}, poolId,
                          check, [&] { return delete_part(mHandle, serial.data()); });
}

HRESULT BVSS_CapiRaidController::capiConvertStdToMaster(const uint8_t* volumeId, const uint8_t* poolId,
                                                        int32_t* returnCode) {
    const auto check = [&]() -> HRESULT {
        if (volumeId == nullptr || poolId == nullptr) return kProviderBadArgument;
        CAPI_ARRAY_PARTITION* volume = nullptr;
        const HRESULT hr = CheckKind(
            findPartition(volumeId, kPartitionIdBytes, &volume), &volume, Kind::Standard,
            {"capiConvertStdToMaster(): The input parameter specified is not a valid standard volume",
             "capiConvertStdToMaster(): The partition is not a standard volume"},
            volumeId);
        if (FAILED(hr)) return hr;
        CAPI_ARRAY_PARTITION* pool = nullptr;
        return CheckKind(findPartition(poolId, kPartitionIdBytes, &pool), &pool, Kind::SnapPool,
                         {"capiConvertStdToMaster(): The input parameter specified is not a valid snap pool",
                          "capiConvertStdToMaster(): The partition is not a snap pool"},
                         poolId);
    };
    const SerialField serial = volumeId != nullptr ? SerialFieldOf(volumeId) : SerialField{};
    return RunPoolCommand(
        *this,
        {L"BVSS_CapiRaidController::capiConvertStdToMaster", L"capiConvertStdToMaster",
         L"capiConvertStdToMaster(): Convert volume to master volume failed, StandardVolumeID=%S .\n"},
        volumeId, check,
        [&] { return convert_master_volume(mHandle, kConvertToMaster, serial.data(), poolId); }, returnCode);
}

HRESULT BVSS_CapiRaidController::capiConvertMasterToStd(const uint8_t* volumeId) {
    const auto check = [&]() -> HRESULT {
        if (volumeId == nullptr) return kProviderBadArgument;
        CAPI_ARRAY_PARTITION* volume = nullptr;
        return CheckKind(
            findInOwnPublishedSet(volumeId, &volume), &volume, Kind::MasterVolume,
            {"capiConvertMasterToStd(): The input parameter specified is not a valid master volume",
             "capiConvertMasterToStd(): The partition is not a master volume"},
            volumeId, L"capiConvertMasterToStd(): Partition %.32S, type = %d, class = %d\n");
    };
    const SerialField serial = volumeId != nullptr ? SerialFieldOf(volumeId) : SerialField{};
    const uint8_t noPool[kPartitionIdBytes] = {};
    return RunPoolCommand(
        *this,
        {L"BVSS_CapiRaidController::capiConvertMasterToStd", L"capiConvertMasterToStd",
         L"capiConvertMasterToStd(): Convert master volume to standard failed, MasterVolumeID=%S .\n"},
        volumeId, check,
        [&] { return convert_master_volume(mHandle, kConvertToStandard, serial.data(), noPool); });
}

HRESULT BVSS_CapiRaidController::cleanupSimpleSnapshotDelete(const uint8_t* snapshotId) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::cleanupSimpleSnapshotDelete");
    if (IsPS() && !isQ700()) {
        BVSS_DebugPrint(
            L"WARNING: cleanupSimpleSnapshotDelete() called on old-style (QM420) paged storage controller "
            L"(XXX)\n");
        return S_OK;
    }
    if (snapshotId == nullptr) return kProviderBadArgument;
    HRESULT hr = capiGetSnapshotList(kSelectAllControllers, 1);
    if (FAILED(hr)) {
        BVSS_DebugPrint(L"cleanupSimpleSnapshotDelete(): Get snapshots failed.\n");
        return hr;
    }
    uint8_t master[kPartitionIdBytes] = {};
    for (uint32_t i = 0; i < mSnapshotCount && i < kControllerListSnapshots; ++i) {
        if (std::memcmp(mSnapshots[i].partitionId, snapshotId, kPartitionIdBytes) != 0) continue;
        std::memcpy(master, mSnapshots[i].masterPartitionId, sizeof master);
        break;
    }
    hr = capiDeleteSnapshot(snapshotId, 0);
    if (FAILED(hr)) {
        BVSS_DebugPrint(L"cleanupSimpleSnapshotDelete(): Delete snapshot failed. SN: %S",
                        PartitionIdText(snapshotId).text);
        return hr;
    }
    hr = capiGetMasterVolumeList(kSelectAllControllers, 1);
    if (FAILED(hr)) {
        BVSS_DebugPrint(L"cleanupSimpleSnapshotDelete(): Get master volumes failed.\n");
        return hr;
    }
    const CAPI_MASTER_VOLUME* unused = nullptr;
    for (uint32_t i = 0; i < mMasterVolumeCount && i < kControllerListMasterVolumes && unused == nullptr;
         ++i) {
        const CAPI_MASTER_VOLUME& row = mMasterVolumes[i];
        if (std::memcmp(row.partitionId, master, sizeof master) == 0 && row.numSnapshots == 0) unused = &row;
    }
    if (unused != nullptr) {
        uint8_t pool[kPartitionIdBytes];
        std::memcpy(pool, unused->snapPoolPartitionId, sizeof pool);
        hr = capiConvertMasterToStd(master);
        if (FAILED(hr)) {
            BVSS_DebugPrint(
                L"cleanupSimpleSnapshotDelete(): convert master volume to standerd volume failed. SN: %S",
                PartitionIdText(master).text);
        } else if (FAILED(hr = capiGetBackingStoreList(kSelectAllControllers, 1))) {
            BVSS_DebugPrint(L"cleanupSimpleSnapshotDelete(): Get backing store pool list failed.\n");
        } else {
            for (uint32_t i = 0; i < mBackingStoreCount && i < kControllerListBackingStores; ++i) {
                const CAPI_BACKING_STORE& row = mBackingStores[i];
                if (std::memcmp(row.partitionId, pool, sizeof pool) != 0 || row.numMasterVolumes != 0)
                    continue;
                hr = capiBSDelete(pool);
                if (SUCCEEDED(hr)) {
                    capiUpdateController(1);
                } else {
                    BVSS_DebugPrint(
                        L"cleanupSimpleSnapshotDelete(): Delete backing store pool failed. SN: %S",
                        PartitionIdText(pool).text);
                }
                break;
            }
        }
    }
    BVSS_DebugPrint(L"cleanupSimpleSnapshotDelete(): returning 0x%08x\n", hr);
    return hr;
}
