// Snapshot LUNs made visible to this host: each snapshot LUN the snapshot service names is mapped, through
// one of the array controllers that see it, to this host's ports at a free LUN (the array's owner maps it,
// or the last controller of the list; a controller that fails is dropped and the others tried), and the
// service's record of the LUN gets the provider's NAA identifier.
#include <cstring>
#include <vector>

#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/hresult_guard.h"
#include "provider/controllers/lun_identification.h"
#include "provider/controllers/lun_information.h"
#include "provider/controllers/provider_events.h"
#include "provider/controllers/serial_numbers.h"
#include "provider/vss/hardware_provider.h"
#include "provider/vss/lun_lookup.h"

namespace {

constexpr uint32_t kMapFlag = 1;

bool IsMasterVolume(const CAPI_ARRAY_PARTITION& partition) {
    return partition.specialClass == kClassSnapshotFamily && partition.type == CAPI_PTSNAP_MASTER_VOLUME;
}

// The state of one assignment across the passes over the controller list: the LUN to report, whether a
// controller mapped the partition or found it mapped, and the records to hand back.
class LunAssignment {
  public:
    LunAssignment(const std::vector<FlexIDEntry>& ports, const BYTE* arraySerialNumber,
                  const BYTE* partitionId, DWORD partitionIdLength)
        : ports_(ports),
          partitionId_(partitionId),
          partitionIdLength_(partitionIdLength),
          idText_(partitionId) {
        std::memcpy(array_.serialNumber, arraySerialNumber, sizeof array_.serialNumber);
    }

    // One controller's turn in a pass: S_OK, or the failure that drops the controller from the list.
    HRESULT Turn(BVSS_CapiRaidController& controller, uint32_t position, bool lastOfList) {
        CAPI_ARRAY_PARTITION* partition = nullptr;
        CAPI_ARRAY* array = nullptr;
        HRESULT hr = Lookup(controller, &partition, &array);
        if (FAILED(hr)) return hr;
        uint32_t lun = kNoLun;
        hr = LunOf(controller, partition, &lun);
        if (FAILED(hr)) return hr;
        if (lun != kNoLun) {
            assigned = alreadyMapped = true;
            reported = lun;
            kept = partition;
            BVSS_DebugPrint(L"assignLUN(): partition with ID %S already using LUN 0x%X.\n", idText_.text,
                            lun);
            return S_OK;
        }
        if (!assigned && (lastOfList || controller.getFailoverId() == array->currentOwner)) {
            return Map(controller, position, array->currentOwner);
        }
        BVSS_DebugPrint(L"assignLUN(): new unit num not assigned to partition with ID %S on controller %u.\n",
                        idText_.text, position);
        return S_OK;
    }

    // After the passes: whether this controller shows the partition at the reported LUN (re-reading its
    // tables once when not). Only logs; the result is that of the last lookup.
    HRESULT Check(BVSS_CapiRaidController& controller) {
        uint32_t lun = kNoLun;
        HRESULT hr = LookupLun(controller, &lun);
        if (SUCCEEDED(hr) && lun == reported) return hr;
        ReRead(controller);
        hr = LookupLun(controller, &lun);
        const auto* serial = controller.getSerialNumber();
        if (FAILED(hr)) {
            BVSS_DebugPrint(
                L"assignLUN(): unable to find partition structure for partition with ID %S on controller "
                L"%.32S after LUN assignment.\n",
                idText_.text, serial);
        } else if (lun != reported) {
            BVSS_DebugPrint(
                L"assignLUN(): partition with ID %S LUN %u invalid on controller %.32S after LUN "
                L"assignment.\n",
                idText_.text, lun, serial);
        }
        return hr;
    }

    const char* IdText() const { return idText_.text; }

    uint32_t reported = kNoLun;            // the LUN the assignment reports
    bool assigned = false;                 // a controller mapped the partition or found it mapped
    bool alreadyMapped = false;            // a controller found a LUN without mapping
    CAPI_ARRAY_PARTITION* kept = nullptr;  // the record of the controller whose LUN was taken
    CAPI_ARRAY_PARTITION* lastLookedUp = nullptr;
    CAPI_ARRAY_PARTITION* handedBack = nullptr;  // the record of the last controller that mapped

  private:
    // This controller maps the partition; the LUN it then shows is the one to report.
    HRESULT Map(BVSS_CapiRaidController& controller, uint32_t position, uint8_t owner) {
        HRESULT hr = controller.assignLUN(partitionId_, ports_, owner, kMapFlag);
        if (FAILED(hr)) {
            BVSS_DebugPrint(L"assignLUN(): unable to assign LUN to partition with ID %S on controller #%u.\n",
                            idText_.text, position);
            return hr;
        }
        CAPI_ARRAY_PARTITION* partition = nullptr;
        hr = controller.findPartition(partitionId_, partitionIdLength_, &partition);
        if (FAILED(hr) || partition == nullptr) {
            BVSS_DebugPrint(L"assignLUN(): unable to find partition data for partition with ID %S.\n",
                            idText_.text);
            return FAILED(hr) ? hr : VSS_E_OBJECT_NOT_FOUND;
        }
        uint32_t lun = kNoLun;
        hr = LunOf(controller, partition, &lun);
        if (FAILED(hr)) return hr;
        handedBack = partition;
        if (lun == kNoLun) {
            // Mapped without a LUN showing is a failure of this controller, whatever the lookup answered.
            BVSS_DebugPrint(
                L"assignLUN(): no valid unit num after assign lun for partition with ID %S on controller "
                L"%u.\n",
                idText_.text, position);
            return VSS_E_PROVIDER_VETO;
        }
        assigned = true;
        reported = lun;
        kept = partition;
        return S_OK;
    }

    // The partition in the controller's tables, re-read once from the array when it is not there.
    HRESULT Lookup(BVSS_CapiRaidController& controller, CAPI_ARRAY_PARTITION** partition,
                   CAPI_ARRAY** array) {
        HRESULT hr = controller.findPartitionAndArray(partitionId_, partitionIdLength_, partition, array);
        if (FAILED(hr) || *partition == nullptr) {
            hr = ReRead(controller);
            if (FAILED(hr)) return hr;
            hr = controller.findPartitionAndArray(partitionId_, partitionIdLength_, partition, array);
            if (FAILED(hr) || *partition == nullptr) {
                BVSS_DebugPrint(
                    L"assignLUN(): unable to find partition structure for partition with ID %S.\n",
                    idText_.text);
                return FAILED(hr) ? hr : VSS_E_OBJECT_NOT_FOUND;
            }
        }
        lastLookedUp = *partition;
        return hr;
    }

    // The partition's LUN on this controller without a re-read: its table's, or the array's.
    HRESULT LookupLun(BVSS_CapiRaidController& controller, uint32_t* lun) {
        *lun = kNoLun;
        CAPI_ARRAY_PARTITION* partition = nullptr;
        CAPI_ARRAY* array = nullptr;
        const HRESULT hr =
            controller.findPartitionAndArray(partitionId_, partitionIdLength_, &partition, &array);
        if (FAILED(hr) || partition == nullptr) return FAILED(hr) ? hr : VSS_E_OBJECT_NOT_FOUND;
        return LunOf(controller, partition, lun);
    }

    // The LUN in the record, or, when the record has none, the one the array presents to this host.
    HRESULT LunOf(BVSS_CapiRaidController& controller, const CAPI_ARRAY_PARTITION* partition, uint32_t* lun) {
        *lun = static_cast<uint32_t>(partition->lun);
        if (*lun != kNoLun) return S_OK;
        const HRESULT hr = controller.capiGetArrayPartitionLUN(partition, ports_, lun);
        if (FAILED(hr)) {
            BVSS_DebugPrint(
                L"capiGetArrayPartitionLUN(): unable to get a LUN to partition with serial number %S.\n",
                PartitionIdText(partition->serialNumber).text);
        }
        return hr;
    }

    HRESULT ReRead(BVSS_CapiRaidController& controller) {
        const HRESULT hr = controller.capiGetArrayPartitions(&array_, 1);
        if (FAILED(hr)) {
            BVSS_DebugPrint(L"assignLUN(): unable to re-read partition data for partition with ID %S.\n",
                            idText_.text);
        }
        return hr;
    }

    const std::vector<FlexIDEntry>& ports_;
    const BYTE* partitionId_;
    DWORD partitionIdLength_;
    PartitionIdText idText_;
    CAPI_ARRAY array_{};  // names the array whose partitions are re-read
};

}  // namespace

HRESULT BVSS_HardwareProvider::assignLUN(std::vector<BVSS_CapiRaidController*>& controllers,
                                         const BYTE* arraySerialNumber, DWORD, const BYTE* partitionId,
                                         DWORD partitionIdLength, CAPI_ARRAY_PARTITION** partition) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::assignLUN");
    if (partition != nullptr) *partition = nullptr;
    if (arraySerialNumber == nullptr || partitionId == nullptr || partitionIdLength < kPartitionIdBytes)
        return kProviderBadArgument;
    LunAssignment run(mFlexIDList, arraySerialNumber, partitionId, partitionIdLength);
    HRESULT result = S_OK;

    // Passes over the list: a controller that fails leaves it and the pass starts again from the first.
    bool pass = !controllers.empty();
    while (pass) {
        pass = false;
        for (size_t n = 0; n < controllers.size(); ++n) {
            const HRESULT failure =
                run.Turn(*controllers[n], static_cast<uint32_t>(n), n + 1 == controllers.size());
            if (SUCCEEDED(failure)) continue;
            controllers.erase(controllers.begin() + static_cast<std::ptrdiff_t>(n));
            if (!controllers.empty()) {
                BVSS_DebugPrint(
                    L"assignLUN(): caught error %u, trying next controller for partition with ID %S.\n",
                    static_cast<unsigned>(failure), run.IdText());
                pass = true;
            } else {
                BVSS_DebugPrint(
                    L"assignLUN(): caught error %u, no more controllers to try for partition with ID "
                    L"%S.\n",
                    static_cast<unsigned>(failure), run.IdText());
                result = failure;
            }
            break;
        }
    }

    if (SUCCEEDED(result)) {
        for (BVSS_CapiRaidController* controller : controllers) result = run.Check(*controller);
    }
    if (SUCCEEDED(result) && !run.alreadyMapped) {
        BVSS_DebugPrint(L"assignLUN(): Assigned LUN 0x%X to partition with ID %S.\n", run.reported,
                        run.IdText());
        if (run.reported == kNoLun) {
            BVSS_DebugPrint(L"assignLUN(): Error: no LUN assigned.\n");
            throw static_cast<HRESULT>(VSS_E_PROVIDER_VETO);
        }
    }
    if (SUCCEEDED(result) && run.handedBack == nullptr)
        run.handedBack = run.kept != nullptr ? run.kept : run.lastLookedUp;
    if (partition != nullptr) *partition = run.handedBack;
    BVSS_DebugPrint(L"returning 0x%08x\n", result);
    return result;
}

HRESULT BVSS_HardwareProvider::LocateLuns(LONG lunCount, VDS_LUN_INFORMATION* sourceLuns) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::LocateLuns");
    BVSS_CritSecLock lock(&mCritSec);
    const HRESULT result = CatchHresult([&]() -> HRESULT {
        if (lunCount < 0 || (lunCount > 0 && sourceLuns == nullptr)) return E_INVALIDARG;
        // A LUN that cannot be found does not stop the others, but the call reports it at the end.
        bool anyNotFound = false;
        for (LONG i = 0; i < lunCount; ++i) {
            VDS_LUN_INFORMATION* lun = &sourceLuns[i];
            BVSS_DebugPrint(L"LocateLuns(): initial LUN_INFORMATION structure %d:\n", static_cast<int>(i));
            BVSS_DumpLunInformation(lun);

            BVSS_LunLookup found(mRaidControllerSet, LunControllers::All);
            HRESULT hr =
                found.Parse(lun, L"LocateLuns(): unable to parse partition serial number for LUN ('%1$S')");
            if (FAILED(hr)) return hr;
            hr = found.Find(LunRediscovery::LookAgainIfDiscovered);
            CAPI_ARRAY_PARTITION* partition = found.partition;
            const BYTE* serialNumber = found.serial;
            if (FAILED(hr) || partition == nullptr) {
                LogErrorEvent(L"LocateLuns(): unable to find partition or controller for LUN ('%1$S')",
                              BVSS_SerialNumberInsert(lun));
                anyNotFound = true;
                continue;
            }
            if (IsMasterVolume(*partition)) {
                BVSS_DebugPrint(L"LocateLuns(): LUN name %.32S specialClass=%d specialType=%d\n",
                                partition->name, partition->specialClass, partition->type);
                BVSS_DebugPrint(
                    L"LocateLuns(): ERROR: Not a snapshot?  LUN name %.32S specialClass=%d specialType=%d\n",
                    partition->name, partition->specialClass, partition->type);
                const BYTE* s = serialNumber;
                LogErrorEvent(L"%S:%S=%02x%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X.",
                              "LocateLuns(): called for non-snapshot(mastervolume) LUN", "serial number",
                              s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9], s[10], s[11], s[12],
                              s[13], s[14], s[15]);
                return VSS_E_PROVIDER_VETO;
            }
            if (partition->lun != -1) {
                BVSS_DebugPrint(L"LocateLuns(): This snapshot already using LUN 0x%X.\n",
                                static_cast<unsigned>(partition->lun));
            } else {
                // Copies: a controller's refresh during the assignment rewrites its partition records.
                BYTE arraySerial[sizeof partition->arraySerialNumber];
                BYTE partitionSerial[sizeof partition->serialNumber];
                std::memcpy(arraySerial, partition->arraySerialNumber, sizeof arraySerial);
                std::memcpy(partitionSerial, partition->serialNumber, sizeof partitionSerial);
                CAPI_ARRAY_PARTITION* mapped = nullptr;
                hr = assignLUN(found.controllers, arraySerial, sizeof arraySerial, partitionSerial,
                               sizeof partitionSerial, &mapped);
                if (FAILED(hr)) {
                    LogErrorEvent(L"%S:%S=%S.", "LocateLuns(): unable to assign a LUN to partition",
                                  "partition id", PartitionIdText(serialNumber).text);
                    return VSS_E_PROVIDER_VETO;
                }
            }
            hr = BVSS_UpdateLunInformation(lun, serialNumber, sizeof found.serial, 0xFF, 0, 0);
            if (FAILED(hr)) {
                LogErrorEvent(L"LocateLuns(): unable to update LUN_INFORMATION structure for LUN ('%1$S')",
                              BVSS_SerialNumberInsert(lun));
                return hr;
            }
            BVSS_DebugPrint(L"LocateLuns(): updated LUN_INFORMATION structure %d:\n", static_cast<int>(i));
            BVSS_DumpLunInformation(lun);
        }
        return anyNotFound ? VSS_E_OBJECT_NOT_FOUND : S_OK;
    });
    BVSS_DebugPrint(L"returning 0x%08x\n", result);
    return result;
}
