// Snap pools for the standard volumes of a snapshot set: the room check on every vdisk, one snap pool per
// volume (created, or found by its name) with the volume converted into a master volume of it, and the
// undo of what a failed run did.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/provider_events.h"
#include "provider/controllers/raid_controller_set.h"
#include "provider/controllers/serial_numbers.h"

namespace {

constexpr uint64_t kBlockBytes = 512;
constexpr uint64_t kMinimumPoolBlocks = 0xC00000;  // 6 GiB
constexpr uint64_t kPoolBlockAlignment = 32;
constexpr uint32_t kMaxPoolsPerVdisk = 1024;
constexpr size_t kSerialFieldBytes = 32;
constexpr size_t kPoolNameDigits = 17;
constexpr size_t kPoolNameFirstDigit = 2;  // the third digit of the partition ID's text
constexpr uint8_t kPoolErrorPolicy = 5;
constexpr uint8_t kPoolCriticalPolicy = 255;

uint64_t BlocksOf(const CAPI_U64& value) { return (uint64_t{value.longs[1]} << 32) | value.longs[0]; }
unsigned long long DecimalMegabytes(uint64_t blocks) { return blocks * kBlockBytes / 1000000; }

bool AllZero(const uint8_t* bytes, size_t count) {
    return std::all_of(bytes, bytes + count, [](uint8_t b) { return b == 0; });
}

bool IsMasterVolume(const CAPI_ARRAY_PARTITION& p) {
    return p.specialClass == kClassSnapshotFamily && p.type == CAPI_PTSNAP_MASTER_VOLUME;
}

// What one vdisk must hold for the set's snap pools.
struct VdiskDemand {
    uint8_t id[kSerialFieldBytes] = {};
    size_t idLength = 0;
    uint64_t free = 0;
    uint64_t required = 0;
    uint32_t pools = 0;
};

// "sp" and digits 3 to 19 of the partition ID's text: two volumes that agree there share a pool.
void PoolNameOf(const uint8_t* partitionId, char* name, size_t size) {
    const PartitionIdText hex(partitionId);
    std::snprintf(name, size, "sp%.*s", static_cast<int>(kPoolNameDigits), hex.text + kPoolNameFirstDigit);
}

// The undo of one run: carried out at most once, at the first failure.
class RunUndo {
  public:
    explicit RunUndo(BVSS_RaidControllerSet& set) : set_(set) {}
    std::vector<SnapPoolCleanupEntry>& entries() { return entries_; }
    void Undo() {
        if (undone_) return;
        undone_ = true;
        if (!entries_.empty()) set_.cleanupSimpleSnapshotCreate(entries_);
    }

  private:
    BVSS_RaidControllerSet& set_;
    std::vector<SnapPoolCleanupEntry> entries_;
    bool undone_ = false;
};

// The snap pool of one volume of the set, and the volume converted onto it. A failure undoes the run.
HRESULT ReserveSpaceFor(BVSS_RaidControllerSet& set, const BVSS_SnapshotInfo& entry, RunUndo& run) {
    const uint8_t* volumeSerial = entry.mSource.mSerialNumber;
    CAPI_ARRAY_PARTITION* partition = nullptr;
    CAPI_ARRAY* array = nullptr;
    BVSS_CapiRaidController* controller = nullptr;
    HRESULT hr =
        set.findPartitionArrayAndController(volumeSerial, kSerialFieldBytes, &partition, &array, &controller);
    if (FAILED(hr)) {
        run.Undo();
        return hr;
    }
    if (partition->specialClass == kClassSnapshotFamily || partition->type == CAPI_PTSNAP_MASTER_VOLUME) {
        BVSS_DebugPrint(L"createReserveSpace(): skipping DMS master volume or snapshot '%.32S' (XXX)\n",
                        partition->name);
        return S_OK;
    }
    if (partition->specialClass == kClassStandard && partition->paged != 0) {
        BVSS_DebugPrint(L"createReserveSpace(): skipping simple paged partition '%.32S'(XXX)\n",
                        partition->name);
        return S_OK;
    }
    SnapPoolCleanupEntry cleanup{};
    PoolNameOf(partition->serialNumber, cleanup.poolName, sizeof cleanup.poolName);
    BVSS_DebugPrint(L"createReserveSpace(): The snap pool to be created name is '%S'\n", cleanup.poolName);

    CAPI_ARRAY_PARTITION* pool = nullptr;
    CAPI_ARRAY* poolArray = nullptr;
    BVSS_CapiRaidController* poolController = nullptr;
    const HRESULT found =
        set.findPartitionArrayAndController(cleanup.poolName, std::strlen(cleanup.poolName), &pool,
                                            &poolArray, &poolController, PartitionKeyKind::Name);
    uint8_t poolSerial[kSerialFieldBytes] = {};
    if (FAILED(found) || pool == nullptr) {
        const uint64_t size = BVSS_RaidControllerSet::getBackingStoreSize(*partition);
        BVSS_DebugPrint(L"createReserveSpace(): getBackingStoreSize(%.32S): %lluM\n", partition->name,
                        DecimalMegabytes(size));
        const uint64_t asked = size & ~(kPoolBlockAlignment - 1);
        CAPI_ARRAY_PARTITION created;
        int32_t retCode = 0;
        hr = controller->capiBSCreate(array->serialNumber, asked, cleanup.poolName, &created, &retCode);
        if (FAILED(hr)) {
            LogErrorEvent(L"createReserveSpace():Can't create snap pool %1$S on vdisk %2$.32S",
                          cleanup.poolName, array->name);
            run.Undo();
            hr = VSS_E_PROVIDER_VETO;
            BVSS_DebugPrint(L"createReserveSpace(): Create snap pool failed, retCode = %d, hr = %d.\n",
                            retCode, hr);
            return hr;
        }
        cleanup.poolCreated = 1;
        std::memcpy(cleanup.poolId, created.serialNumber, sizeof cleanup.poolId);
        if (FAILED(controller->updateConfigAll()))
            BVSS_DebugPrint(L"createReserveSpace(): Update controller failed.\n");
        controller->capiBSSetPolicy(cleanup.poolId, kPoolErrorPolicy, kPoolCriticalPolicy,
                                    BlocksOf(created.size));
        std::memcpy(poolSerial, cleanup.poolId, sizeof poolSerial);
    } else {
        BVSS_DebugPrint(L"createReserveSpace(): find the snap-pool '%S', partition ID =%S\n",
                        cleanup.poolName, PartitionIdText(pool->serialNumber).text);
        if (AllZero(pool->serialNumber, sizeof pool->serialNumber)) {
            BVSS_DebugPrint(L"createReserveSpace(): Invalid snap pool partition ID, The SN is NULL.\n");
            run.Undo();
            return VSS_E_PROVIDER_VETO;
        }
        std::memcpy(poolSerial, pool->serialNumber, sizeof poolSerial);
    }
    int32_t retCode = 0;
    hr = controller->capiConvertStdToMaster(volumeSerial, poolSerial, &retCode);
    if (FAILED(hr)) {
        run.entries().push_back(cleanup);
        run.Undo();
        hr = VSS_E_PROVIDER_VETO;
        BVSS_DebugPrint(
            L"createReserveSpace(): Convert the standard volume to master volume failed, retCode = %d, "
            L"hr = %d.\n",
            retCode, hr);
        return hr;
    }
    controller->capiGetArrayPartitions(array, 1);
    cleanup.volumeConverted = 1;
    std::memcpy(cleanup.volumeId, volumeSerial, sizeof cleanup.volumeId);
    run.entries().push_back(cleanup);
    return S_OK;
}

}  // namespace

uint64_t BVSS_RaidControllerSet::getBackingStoreSize(const CAPI_ARRAY_PARTITION& partition) {
    const uint64_t fifth = BlocksOf(partition.size) / 5;
    return std::max(fifth, kMinimumPoolBlocks);
}

HRESULT BVSS_RaidControllerSet::calculateReserveSize(std::vector<BVSS_SnapshotInfo>& snapshots) {
    BVSS_FunctionTrace trace(L"BVSS_RaidControllerSet::calculateReserveSize");
    HRESULT hr = S_OK;
    std::vector<VdiskDemand> vdisks;
    for (const BVSS_SnapshotInfo& entry : snapshots) {
        CAPI_ARRAY_PARTITION* partition = nullptr;
        CAPI_ARRAY* array = nullptr;
        BVSS_CapiRaidController* controller = nullptr;
        hr = findPartitionArrayAndController(entry.mSource.mSerialNumber, kSerialFieldBytes, &partition,
                                             &array, &controller);
        if (FAILED(hr)) break;
        const bool isNewPS = partition->paged != 0 && controller->isQ700();
        BVSS_DebugPrint(
            L"calculateReserveSize(): %.32S isNewPS %d isPaged %d specialclass %d specialType %d\n",
            partition->name, isNewPS ? 1 : 0, partition->paged, partition->specialClass, partition->type);
        if (isNewPS || IsMasterVolume(*partition)) continue;
        const uint64_t size = getBackingStoreSize(*partition);
        BVSS_DebugPrint(L"calculateReserveSize(): getBackingStoreSize(%.32S): %lluM\n", partition->name,
                        DecimalMegabytes(size));
        const size_t idLength = std::min<size_t>(array->serialNumberLength, kSerialFieldBytes);
        auto known = std::find_if(vdisks.begin(), vdisks.end(), [&](const VdiskDemand& vdisk) {
            return std::memcmp(vdisk.id, array->serialNumber, idLength) == 0;
        });
        if (known != vdisks.end()) {
            known->required += size;
            known->pools += 1;
            continue;
        }
        VdiskDemand vdisk;
        std::memcpy(vdisk.id, array->serialNumber, idLength);
        vdisk.idLength = idLength;
        vdisk.free = BlocksOf(array->freeCapacity);
        vdisk.required = size;
        vdisk.pools = 1;
        vdisks.push_back(vdisk);
    }
    for (const VdiskDemand& vdisk : vdisks) {
        const bool short_ =
            (vdisk.pools >= 1 && vdisk.required > vdisk.free) || vdisk.pools > kMaxPoolsPerVdisk;
        if (!short_) continue;
        LogErrorEvent(L"%S:%S=%S",
                      "calculateReserveSize(): The vdisk doesn't have sufficient space to create snap pool",
                      "array id", PartitionIdText(vdisk.id).text);
        hr = VSS_E_INSUFFICIENT_STORAGE;
        break;
    }
    BVSS_DebugPrint(L"calculateReserveSize(): returning 0x%08x\n", hr);
    return hr;
}

HRESULT BVSS_RaidControllerSet::createReserveSpace(std::vector<BVSS_SnapshotInfo>& snapshots) {
    BVSS_FunctionTrace trace(L"BVSS_RaidControllerSet::createReserveSpace");
    RunUndo run(*this);
    HRESULT hr = S_OK;
    try {
        for (const BVSS_SnapshotInfo& entry : snapshots) {
            hr = ReserveSpaceFor(*this, entry, run);
            if (FAILED(hr)) break;
        }
    } catch (HRESULT thrown) {
        // What this run created goes before the error is passed on.
        BVSS_DebugPrint(L"createReserveSpace(): error 0x%08x thrown, undoing this run.\n", thrown);
        run.Undo();
        throw;
    }
    BVSS_DebugPrint(L"createReserveSpace(): returning 0x%08x\n", hr);
    return hr;
}

namespace {

// The controller that has the partition; the set is rebuilt once when none has it. Null when still none:
// *hr is then the lookup's failure.
BVSS_CapiRaidController* ControllerForUndo(BVSS_RaidControllerSet& set, const uint8_t* id, HRESULT* hr) {
    CAPI_ARRAY_PARTITION* partition = nullptr;
    BVSS_CapiRaidController* controller = nullptr;
    *hr = set.findPartitionAndController(id, kSerialFieldBytes, &partition, &controller);
    if (FAILED(*hr)) {
        set.discoverRaidControllers(TRUE);
        *hr = set.findPartitionAndController(id, kSerialFieldBytes, &partition, &controller);
    }
    if (SUCCEEDED(*hr) && controller != nullptr) return controller;
    LogErrorEvent(L"cleanupSimpleSnapshotCreate():%S ", "Clean up snap pool failed");
    if (SUCCEEDED(*hr)) *hr = VSS_E_OBJECT_NOT_FOUND;
    return nullptr;
}

}  // namespace

HRESULT BVSS_RaidControllerSet::cleanupSimpleSnapshotCreate(std::vector<SnapPoolCleanupEntry>& undo) {
    BVSS_FunctionTrace trace(L"BVSS_RaidControllerSet::cleanupSimpleSnapshotCreate");
    HRESULT first = S_OK;
    bool changed = false;
    BVSS_CapiRaidController* last = nullptr;
    // One undo step on the controller that has the partition.
    const auto undoOn = [&](const uint8_t* id,
                            const std::function<HRESULT(BVSS_CapiRaidController&)>& action) {
        HRESULT hr = S_OK;
        BVSS_CapiRaidController* controller = ControllerForUndo(*this, id, &hr);
        if (controller != nullptr) {
            last = controller;
            hr = action(*controller);
        }
        if (SUCCEEDED(hr)) {
            changed = true;
        } else if (SUCCEEDED(first)) {
            first = hr;
        }
    };
    // Newest first: every volume this run converted goes back to a standard volume before the pool it used
    // is deleted, also when a later volume of the run found that pool by its name.
    for (auto entry = undo.rbegin(); entry != undo.rend(); ++entry) {
        if (entry->volumeConverted != 0)
            undoOn(entry->volumeId,
                   [&](BVSS_CapiRaidController& c) { return c.capiConvertMasterToStd(entry->volumeId); });
        if (entry->poolCreated != 0)
            undoOn(entry->poolId, [&](BVSS_CapiRaidController& c) { return c.capiBSDelete(entry->poolId); });
    }
    if (changed && last != nullptr) last->updateConfigAll();
    BVSS_DebugPrint(L"cleanupSimpleSnapshotCreate(): returning 0x%08x\n", first);
    return first;
}
