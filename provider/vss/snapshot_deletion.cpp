// The end and the use of a hardware shadow copy: a snapshot LUN no longer needed is deleted on the array
// (with the clean-up of its master volume and snap pool where the setting asks for it), and volumes are
// rolled back to their snapshots with a finished job handed to the snapshot service.
#include <cstring>

#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/hresult_guard.h"
#include "provider/controllers/lun_identification.h"
#include "provider/controllers/lun_information.h"
#include "provider/controllers/provider_events.h"
#include "provider/controllers/provider_parameters.h"
#include "provider/controllers/serial_numbers.h"
#include "provider/vss/hardware_provider.h"
#include "provider/vss/lun_lookup.h"
#include "provider/vss/vss_async.h"

namespace {

// The error event "<message>:<label>=<32 hex digits of the first 16 bytes of id>."
void LogIdErrorEvent(const char* message, const char* label, const BYTE* id) {
    LogErrorEvent(L"%S:%S=%S.", message, label, PartitionIdText(id).text);
}

// Deletes the snapshot partition through this controller: a snapshot-family partition under the
// standard-volume setting also has its master volume and snap pool cleaned up, except on a paged-storage
// controller that is not a Q700, or on a Q700 for a paged partition.
HRESULT DeleteSnapshotPartition(BVSS_CapiRaidController* controller, const CAPI_ARRAY_PARTITION& partition,
                                const BYTE* partitionId) {
    bool cleanup = false;
    if (ProviderParameters().StandardVolumesAreSupported == kStandardVolumesSupported &&
        partition.specialClass == kClassSnapshotFamily) {
        cleanup = !controller->IsPS() || (controller->isQ700() && partition.paged == 0);
    }
    return cleanup ? controller->cleanupSimpleSnapshotDelete(partitionId)
                   : controller->capiDeleteSnapshot(partitionId, 0);
}

}  // namespace

HRESULT BVSS_HardwareProvider::OnLunEmpty(VSS_PWSZ device, VDS_LUN_INFORMATION* lunInformation) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::OnLunEmpty");
    BVSS_CritSecLock lock(&mCritSec);
    const WCHAR* deviceName = BVSS_DeviceNameInsert(device);
    const HRESULT hr = CatchHresult([&]() -> HRESULT {
        BVSS_DebugPrint(L"OnLunEmpty(): DeviceName=%s, LunInformation:\n", deviceName);
        BVSS_DumpLunInformation(lunInformation);
        BVSS_LunLookup found(mRaidControllerSet, LunControllers::All);
        HRESULT result = found.Parse(
            lunInformation, L"OnLunEmpty(): unable to parse partition serial number for LUN ('%1$S')");
        if (FAILED(result)) return result;
        result = found.Find(LunRediscovery::Never);
        const CAPI_ARRAY_PARTITION* partition = found.partition;
        const BYTE* partitionId = found.serial;
        if (FAILED(result) || partition == nullptr || found.controllers.empty()) {
            LogIdErrorEvent("OnLunEmpty(): unable to find controller for LUN", "serial number", partitionId);
            return FAILED(result) ? result : VSS_E_OBJECT_NOT_FOUND;
        }
        if (partition->specialClass == kClassSnapshotFamily && partition->type == CAPI_PTSNAP_MASTER_VOLUME) {
            LogIdErrorEvent("OnLunEmpty(): called for non-snapshot(master volume) LUN", "serial number",
                            partitionId);
            return VSS_E_PROVIDER_VETO;
        }
        if (partition->paged != 0 && partition->type != kTypePagedSnapshot) {
            LogErrorEvent(
                L"Paged partition %.32S does not have specialType PAGED_SNAPSHOT (specialClass=%d "
                L"specialType=%d)\n",
                partition->name, partition->specialClass, partition->type);
            return VSS_E_PROVIDER_VETO;
        }
        BVSS_DebugPrint(
            L"OnLunEmpty(): DeviceName=%s, partition %.32S isPaged %d specialClass %d specialType %d\n",
            deviceName, partition->name, partition->paged, partition->specialClass, partition->type);

        // The first controller that deletes the snapshot and re-reads its array ends the walk; a partner
        // taking over after a failed re-read does not delete again.
        bool deleted = false;
        for (BVSS_CapiRaidController* controller : found.controllers) {
            CAPI_ARRAY_PARTITION* own = nullptr;
            CAPI_ARRAY* ownArray = nullptr;
            result = controller->findPartitionAndArray(partitionId, sizeof found.serial, &own, &ownArray);
            if (FAILED(result) || own == nullptr) {
                LogIdErrorEvent("OnLunEmpty(): unable to remove host for LUN ", "serial number", partitionId);
                if (SUCCEEDED(result)) result = VSS_E_OBJECT_NOT_FOUND;
                continue;
            }
            // The array is named by a copy of its serial number: the deletion refreshes the controller's
            // tables, which may rewrite the records found here.
            CAPI_ARRAY kept{};
            std::memcpy(kept.serialNumber, own->arraySerialNumber, sizeof kept.serialNumber);
            if (!deleted) {
                result = DeleteSnapshotPartition(controller, *own, partitionId);
                if (FAILED(result)) {
                    LogIdErrorEvent("OnLunEmpty(): unable to delete snapshot for partition", "partition id",
                                    partitionId);
                    continue;
                }
                deleted = true;
            }
            result = controller->capiGetArrayPartitions(&kept, 0);
            if (SUCCEEDED(result)) return S_OK;
            LogIdErrorEvent("OnLunEmpty(): unable to re-read partition data for array", "array id",
                            kept.serialNumber);
        }
        return result;
    });
    BVSS_DebugPrint(L"returning 0x%08x\n", hr);
    return hr;
}

HRESULT BVSS_HardwareProvider::ResyncLuns(VDS_LUN_INFORMATION* sourceLuns, VDS_LUN_INFORMATION* targetLuns,
                                          DWORD count, IVssAsync** async) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::ResyncLuns");
    BVSS_CritSecLock lock(&mCritSec);
    if (async == nullptr || (count != 0 && (sourceLuns == nullptr || targetLuns == nullptr)))
        return E_POINTER;
    return CatchHresult([&]() -> HRESULT {
        bool rediscoveryAllowed = true;
        for (DWORD i = 0; i < count; ++i) {
            const VDS_LUN_INFORMATION* source = &sourceLuns[i];
            const VDS_LUN_INFORMATION* target = &targetLuns[i];
            auto unknownPair = [&] {
                LogEvent(L"ResyncLuns called with unknown (source, target) LUN ('%S', '%S')",
                         BVSS_SerialNumberInsert(source), BVSS_SerialNumberInsert(target));
                return VSS_E_PROVIDER_VETO;
            };
            BVSS_DumpLunInformation(source);
            // Both IDs are parsed into the full serial-number buffer; lookups and the roll-back use its
            // first 16 bytes.
            BVSS_LunLookup snapshot(mRaidControllerSet, LunControllers::First);
            if (FAILED(snapshot.Parse(source))) return unknownPair();
            HRESULT result =
                snapshot.Find(rediscoveryAllowed ? LunRediscovery::LookAgain : LunRediscovery::Never);
            if (snapshot.Rediscovered()) rediscoveryAllowed = false;
            if (FAILED(result) || snapshot.controller == nullptr) return unknownPair();
            BYTE volumeId[kParsedSerialBytes];
            if (FAILED(BVSS_GetPartitionSerialNumber(target, volumeId, sizeof volumeId)))
                return unknownPair();

            BVSS_DebugPrint(L"ResyncLuns rolling back snapshot %S to master vol %S\n",
                            BVSS_SerialNumberInsert(source), BVSS_SerialNumberInsert(target));
            result = snapshot.controller->rollbackSnapshot(snapshot.serial, volumeId);
            if (result == VSS_E_PROVIDER_VETO) {
                BVSS_DebugPrint(
                    L"ResyncLuns() failed: rollbackSnapshot() failed, returning VSS_E_PROVIDER_VETO\n");
                return result;
            }
            if (result == E_OUTOFMEMORY) return result;
            if (result != S_OK) {
                LogEvent(
                    L"ResyncLuns called with unknown source (error %d / 0x%x), target LUN m_szSerialNumber "
                    L"('%S'), ('%S')",
                    result, result, BVSS_SerialNumberInsert(source), BVSS_SerialNumberInsert(target));
                return VSS_E_PROVIDER_VETO;
            }
        }
        IVssAsync* finished = CVssAsync::CreateInstanceAndStartJob(S_OK);
        if (finished == nullptr) return E_OUTOFMEMORY;
        *async = finished;
        return S_OK;
    });
}
