// The hardware provider's preparation of a snapshot set: BeginPrepareSnapshot starts a new set or joins
// the current one, checks each LUN of a volume (a partition a controller knows, linear and virtual not
// mixed in one call, snapshots possible on it, an owning controller, room under the snapshot limits) and
// records each LUN once in the snapshot list that the sequence methods then work on. The first LUN that
// fails ends the call and aborts the whole set.
#include <algorithm>
#include <cstring>

#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/hresult_guard.h"
#include "provider/controllers/lun_identification.h"
#include "provider/controllers/provider_events.h"
#include "provider/controllers/provider_parameters.h"
#include "provider/controllers/serial_numbers.h"
#include "provider/vss/hardware_provider.h"

namespace {

// The most full copies one controller may own for a set.
constexpr uint32_t kFullCopiesPerController = 2048;
constexpr size_t kControllerSerialBytes = 32;
constexpr size_t kArraySerialBytes = 32;
constexpr uint8_t kStandardVolumeClass = 0;

// What the checks find out about one LUN of the call.
struct LunFindings {
    BYTE serial[kParsedSerialBytes] = {};  // the parsed serial text; its first 16 bytes are the partition ID
    BYTE id[kPartitionIdBytes] = {};
    CAPI_ARRAY_PARTITION* partition = nullptr;
    CAPI_ARRAY* array = nullptr;
    BVSS_CapiRaidController* controller = nullptr;
    bool isVirtual = false;
    uint8_t ownerSerial[kControllerSerialBytes] = {};  // of the controller that owns the volume's array now
    BYTE arraySerial[kArraySerialBytes] = {};          // the array serial number of the partition record
};

// The linear and virtual LUNs of one call: the two kinds may not be mixed within it.
struct LunKinds {
    uint32_t linear = 0;
    uint32_t isVirtual = 0;
};

bool SnapshotsEnabled(const CAPI_ARRAY_PARTITION& partition) {
    if (partition.specialClass == kClassSnapshotFamily && partition.type == CAPI_PTSNAP_MASTER_VOLUME)
        return true;
    // A standard volume becomes a master volume with its own snap pool when the set's preparation ends.
    return partition.specialClass == kStandardVolumeClass &&
           ProviderParameters().StandardVolumesAreSupported == kStandardVolumesSupported;
}

// The checks and the recording of one LUN; each failing check writes its event and returns its result.
class LunPreparation {
  public:
    LunPreparation(BVSS_HardwareProvider& provider, BVSS_RaidControllerSet& controllers,
                   std::vector<BVSS_SnapshotInfo>& luns, LONG context, LONG lunCount)
        : provider_(provider),
          controllers_(controllers),
          luns_(luns),
          context_(context),
          lunCount_(lunCount) {}

    HRESULT Prepare(LONG index, const VDS_LUN_INFORMATION& lun, const WCHAR* deviceName) {
        LunFindings found;
        HRESULT hr = ReadPartitionId(index, lun, &found);
        if (SUCCEEDED(hr)) hr = FindPartition(&found);
        if (SUCCEEDED(hr)) hr = CheckKind(&found);
        if (SUCCEEDED(hr)) hr = FindOwner(&found);
        if (SUCCEEDED(hr)) hr = CheckLimits(found, deviceName);
        if (FAILED(hr)) return hr;
        BYTE alreadyListed[kPartitionIdBytes];
        if (provider_.findSnapshotBySourceLun(found.id, alreadyListed)) return S_OK;  // recorded once only
        return Record(found, lun, deviceName);
    }

  private:
    HRESULT ReadPartitionId(LONG index, const VDS_LUN_INFORMATION& lun, LunFindings* found) {
        HRESULT hr = provider_.readPartitionSerialNumber(
            &lun, found->serial, sizeof found->serial,
            L"BeginPrepareSnapshot(): unable to parse partition serial number for LUN ('%1$S')");
        if (FAILED(hr)) return hr;
        hr = BVSS_PartitionIDToSerialNumber(found->serial, sizeof found->serial, found->id);
        if (FAILED(hr)) {
            LogErrorEvent(
                L"BeginPrepareSnapshot(): unable to convert partition serial number to volume id for LUN "
                L"('%1$S')",
                BVSS_SerialNumberInsert(&lun));
            return hr;
        }
        BVSS_DebugPrint(L"BeginPrepareSnapshot(): Volume #%u partition ID=%S.\n",
                        static_cast<unsigned>(index), PartitionIdText(found->id).text);
        return S_OK;
    }

    HRESULT FindPartition(LunFindings* found) {
        const HRESULT hr = controllers_.findPartitionArrayAndController(
            found->serial, kParsedSerialBytes, &found->partition, &found->array, &found->controller);
        if (FAILED(hr)) {
            LogErrorEvent(
                L"%S:%S=%S.",
                "BeginPrepareSnapshot(): unable to find partition or controller for LUN with partition ID",
                "partition id", PartitionIdText(found->id).text);
            return VSS_E_OBJECT_NOT_FOUND;
        }
        // A copy: a refresh of the controller's tables during the limit test may rewrite the record.
        std::memcpy(found->arraySerial, found->partition->arraySerialNumber, sizeof found->arraySerial);
        return S_OK;
    }

    // A virtual (paged) volume skips the snapshot test; a linear one must allow snapshots.
    HRESULT CheckKind(LunFindings* found) {
        const CAPI_ARRAY_PARTITION& partition = *found->partition;
        found->isVirtual = found->controller->isQ700() && partition.paged != 0;
        ++(found->isVirtual ? kinds_.isVirtual : kinds_.linear);
        if (kinds_.linear > 0 && kinds_.isVirtual > 0) {
            LogErrorEvent(L"%S: %.32S (%S)\n",
                          "BeginPrepareSnapshot(): called with mix of linear and virtual LUNs",
                          partition.name, PartitionIdText(found->id).text);
            return VSS_E_PROVIDER_VETO;
        }
        if (!found->isVirtual && !SnapshotsEnabled(partition)) {
            LogErrorEvent(L"%S:%S=%d, %S=%d, %S=%S.",
                          "BeginPrepareSnapshot(): called with LUN that does not have snapshot enabled",
                          "partition class", partition.specialClass, "partition type", partition.type,
                          "partition id", PartitionIdText(found->id).text);
            return VSS_E_PROVIDER_VETO;
        }
        return S_OK;
    }

    HRESULT FindOwner(LunFindings* found) {
        const uint8_t* owner = found->controller->getArrayOwnerSN(*found->array);
        if (owner == nullptr || owner[0] == 0) {
            LogErrorEvent(L"%S:%S=%S.",
                          "BeginPrepareSnapshot(): unable to determine ID of controller owning partition ID",
                          "partition id", PartitionIdText(found->id).text);
            return VSS_E_PROVIDER_VETO;
        }
        // A copy, for the same reason.
        std::memcpy(found->ownerSerial, owner, sizeof found->ownerSerial);
        return S_OK;
    }

    // By the context as the service passed it: the differential limits, the bound of full copies per
    // controller, or (neither bit) no test.
    HRESULT CheckLimits(const LunFindings& found, const WCHAR* deviceName) {
        HRESULT hr = S_OK;
        if ((context_ & VSS_VOLSNAP_ATTR_DIFFERENTIAL) != 0) {
            // This call's LUNs are counted once more as they are recorded: an estimate on the safe side.
            const uint64_t wanted = uint64_t{static_cast<uint32_t>(lunCount_)} + luns_.size();
            const auto newSnapshots = static_cast<uint32_t>(std::min<uint64_t>(wanted, UINT32_MAX));
            hr = controllers_.checkSnapshotLimits(newSnapshots, found.partition, found.array,
                                                  found.controller);
        } else if ((context_ & VSS_VOLSNAP_ATTR_PLEX) != 0) {
            const uint64_t owned = uint64_t{provider_.existingSnapsForController(found.ownerSerial)} + 1;
            if (owned > kFullCopiesPerController) hr = VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED;
        }
        if (FAILED(hr)) {
            BVSS_DebugPrint(
                L"BeginPrepareSnapshot(): violated snapshot limits for device \"%s\", Master Volume ID=%S, "
                L"error = 0x%X.\n",
                BVSS_DeviceNameInsert(deviceName), PartitionIdText(found.id).text, static_cast<unsigned>(hr));
        }
        return hr;
    }

    HRESULT Record(const LunFindings& found, const VDS_LUN_INFORMATION& lun, const WCHAR* deviceName) {
        // An address that cannot be read leaves the record's zeros: the cache flush goes through the
        // device's handle.
        BYTE path = 0, target = 0;
        ULONG lunNumber = 0;
        if (FAILED(provider_.getSCSIPath(&lun, deviceName, &path, &target, &lunNumber))) {
            BVSS_DebugPrint(
                L"BeginPrepareSnapshot called with LUN without correct SCSI path, partition ID=%S.\n",
                PartitionIdText(found.id).text);
        }
        luns_.emplace_back();
        BVSS_SnapshotInfo& entry = luns_.back();
        entry.mSource.mController = found.controller;
        entry.mSnapshot.mController = found.controller;
        entry.mSource.setLunID(found.id);
        const BYTE noSnapshotYet[kPartitionIdBytes] = {};
        entry.mSnapshot.setLunID(noSnapshotYet);
        entry.mSource.setDeviceName(deviceName);
        entry.mSource.mPath = path;
        entry.mSource.mTarget = target;
        entry.mSource.mLun = lunNumber;
        entry.mSource.mIsVirtual = found.isVirtual ? 1 : 0;
        entry.mSnapshot.mIsVirtual = entry.mSource.mIsVirtual;
        std::memcpy(entry.mSource.mSerialNumber, found.serial, sizeof entry.mSource.mSerialNumber);
        std::memcpy(entry.mSource.mArraySerialNumber, found.arraySerial,
                    sizeof entry.mSource.mArraySerialNumber);
        std::memcpy(entry.mSnapshot.mArraySerialNumber, entry.mSource.mArraySerialNumber,
                    sizeof entry.mSnapshot.mArraySerialNumber);
        CAPI_ARRAY_PARTITION* partition = nullptr;
        CAPI_ARRAY* array = nullptr;
        return controllers_.findPartitionArrayAndControllerList(
            entry.mSource.mSerialNumber, kParsedSerialBytes, &partition, &array, &entry.mControllers);
    }

    BVSS_HardwareProvider& provider_;
    BVSS_RaidControllerSet& controllers_;
    std::vector<BVSS_SnapshotInfo>& luns_;
    const LONG context_;
    const LONG lunCount_;
    LunKinds kinds_;
};

}  // namespace

HRESULT BVSS_HardwareProvider::BeginPrepareSnapshot(VSS_ID snapshotSetId, VSS_ID snapshotId, LONG context,
                                                    LONG lunCount, VSS_PWSZ* devices,
                                                    VDS_LUN_INFORMATION* lunInformation) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::BeginPrepareSnapshot");
    BVSS_LogGuid("SnapshotSetId", snapshotSetId);
    BVSS_LogGuid("SnapshotId", snapshotId);
    BVSS_CritSecLock lock(&mCritSec);
    BVSS_DebugPrint(L"BeginPrepareSnapshot(): Context=0x%X, LunCount=%u, mVSSState=0x%X.\n",
                    static_cast<unsigned>(context), static_cast<unsigned>(lunCount),
                    static_cast<unsigned>(mSet.State()));
    HRESULT result = CatchHresult([&]() -> HRESULT {
        HRESULT hr = StartOrJoinSet(snapshotSetId);
        if (FAILED(hr)) return hr;
        if (lunCount < 0 || (lunCount > 0 && lunInformation == nullptr)) return E_INVALIDARG;
        if (!isSupportedContext(context)) {
            LogErrorEvent(L"BeginPrepareSnapshot(): called with unsupported context for LUN ('%1$S')",
                          BVSS_SerialNumberInsert(lunCount > 0 ? lunInformation : nullptr));
            return VSS_E_UNSUPPORTED_CONTEXT;
        }
        LunPreparation preparation(*this, mRaidControllerSet, mSet.Luns(), context, lunCount);
        for (LONG k = 0; k < lunCount; ++k) {
            const WCHAR* deviceName = devices != nullptr ? devices[k] : nullptr;
            hr = preparation.Prepare(k, lunInformation[k], deviceName);
            if (FAILED(hr)) return hr;
        }
        return S_OK;
    });
    if (result != S_OK) {
        // The whole set goes: its entries have no snapshots yet, unless an earlier set's deletion failed.
        const HRESULT deleted = CatchHresult([&] { return DeleteAbortedSnapshots(); });
        RestoreDiscovery(false);
        if (FAILED(deleted)) {
            result = deleted;  // the snapshots not deleted stay listed for the next deletion
        } else {
            mSet.MarkFailed();
        }
    }
    BVSS_DebugPrint(L"returning 0x%08x\n", result);
    return result;
}

HRESULT BVSS_HardwareProvider::StartOrJoinSet(const VSS_ID& snapshotSetId) {
    HRESULT hr = S_OK;
    switch (mSet.State()) {
        case SnapshotSetState::None:
        case SnapshotSetState::Completed:  // a completed set keeps its snapshots
        case SnapshotSetState::Failed:     // a failed set was cleaned up already
            mSet.DropLuns();
            break;
        case SnapshotSetState::Preparing:
            if (snapshotSetId == mSet.Id()) break;  // another volume of the current set
            BVSS_DebugPrint(
                L"BeginPrepareSnapshot(): snapshot set ID mismatch, clearing old snapshot data.\n");
            hr = DeleteAbortedSnapshots();
            break;
        default:  // an unfinished set: the snapshots it made go
            hr = DeleteAbortedSnapshots();
            break;
    }
    RestoreDiscovery(false);  // an earlier set that ended here switched it off
    if (FAILED(hr)) return hr;
    mSet.StartPreparing(snapshotSetId);
    return S_OK;
}

uint32_t BVSS_HardwareProvider::existingSnapsForController(const uint8_t* controllerSerialNumber) {
    uint32_t count = 0;
    for (const BVSS_SnapshotInfo& entry : mSet.Luns()) {
        CAPI_ARRAY_PARTITION* partition = nullptr;
        CAPI_ARRAY* array = nullptr;
        BVSS_CapiRaidController* controller = nullptr;
        const HRESULT hr = mRaidControllerSet.findPartitionArrayAndController(
            entry.mSource.mSerialNumber, kParsedSerialBytes, &partition, &array, &controller);
        if (FAILED(hr)) throw hr;
        const uint8_t* owner = controller->getArrayOwnerSN(*array);
        if (owner != nullptr && std::memcmp(owner, controllerSerialNumber, kControllerSerialBytes) == 0)
            ++count;
    }
    BVSS_DebugPrint(L"existingSnapsForController(): returning 0x%08x\n", count);
    return count;
}
