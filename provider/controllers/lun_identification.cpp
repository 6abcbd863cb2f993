#include "provider/controllers/lun_identification.h"

#include <cstring>

#include "platform/devices/device_io.h"
#include "platform/devices/scsi_layouts.h"
#include "platform/files/file_calls.h"
#include "platform/kernel/last_error.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/hresult_guard.h"
#include "provider/controllers/lun_information.h"
#include "provider/controllers/provider_events.h"
#include "provider/controllers/serial_numbers.h"
#include "provider/controllers/task_memory.h"

namespace {

constexpr BYTE kArraysIdentifierFirstByte = 0x11;
constexpr ULONG kArraysIdentifierBytes = 32;
constexpr BYTE kKeepInterconnects = 0xFF;
constexpr uint8_t kMasterVolumeClass = 1;
constexpr VDS_STORAGE_BUS_TYPE kExaminedBusTypes[] = {VDSBusTypeScsi, VDSBusTypeFibre, VDSBusTypeRAID,
                                                      VDSBusTypeiScsi, VDSBusTypeSas};

bool IsMasterVolume(const CAPI_ARRAY_PARTITION& partition) {
    return partition.specialClass == kMasterVolumeClass && partition.type == CAPI_PTSNAP_MASTER_VOLUME;
}

// The firmware families whose arrays the provider serves; a LUN without a revision text passes.
bool IsServedFirmware(const char* revision) {
    if (revision == nullptr) return true;
    return revision[0] == 'C' || revision[0] == 'G' || revision[0] == 'I' || revision[0] == 'V';
}

// One LUN of an identification: the partition and controller found for its parsed serial number.
struct FoundPartition {
    CAPI_ARRAY_PARTITION* partition = nullptr;
    CAPI_ARRAY* array = nullptr;
    BVSS_CapiRaidController* controller = nullptr;

    HRESULT LookUp(BVSS_RaidControllerSet& set, const BYTE* serial) {
        return set.findPartitionArrayAndController(serial, kParsedSerialBytes, &partition, &array,
                                                   &controller);
    }
};

void LogPartitionId(const BYTE* id, const WCHAR* deviceName) {
    BVSS_DebugPrint(
        L"   PartitionSerialNumber=%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x"
        L", device name=%s.\n",
        id[0], id[1], id[2], id[3], id[4], id[5], id[6], id[7], id[8], id[9], id[10], id[11], id[12], id[13],
        id[14], id[15], BVSS_DeviceNameInsert(deviceName));
}

// Finds the LUN's partition, rediscovering the controllers when allowed, else refreshing the controller's
// tables so that the record is the array's current one. False (after its report) when it is not found.
bool FindForIdentification(BVSS_RaidControllerSet& set, const VDS_LUN_INFORMATION& lun,
                           const WCHAR* deviceName, const BYTE* serial, bool* rediscoveryAllowed,
                           FoundPartition* found) {
    HRESULT hr = found->LookUp(set, serial);
    BVSS_DebugPrint(L"AreLunsSupported: hr = 0x%x at line %d\n", hr, __LINE__);
    if (FAILED(hr)) {
        if (*rediscoveryAllowed) {
            BVSS_DebugPrint(L"findPartitionAndController failed.\n");
            if (FAILED(set.discoverRaidControllers(TRUE))) {
                BVSS_DebugPrint(L"discoverRaidControllers(TRUE) failed?!?\n");
                return false;
            }
            *rediscoveryAllowed = false;
            hr = found->LookUp(set, serial);
        }
    } else {
        hr = found->controller->capiGetArrayPartitions(found->array, 1);
        BVSS_DebugPrint(L"AreLunsSupported: hr = 0x%x at line %d\n", hr, __LINE__);
        if (SUCCEEDED(hr)) hr = found->LookUp(set, serial);
    }
    BVSS_DebugPrint(L"AreLunsSupported: hr = 0x%x at line %d\n", hr, __LINE__);
    if (SUCCEEDED(hr)) return true;
    LogErrorEvent(L"AreLunsSupported(): called with nonexistent partition for LUN ('%1$S'), device name=%2$s",
                  BVSS_SerialNumberInsert(&lun), BVSS_DeviceNameInsert(deviceName));
    BVSS_DebugPrint(L"Ignoring LUN because partition not found at line %d\n", __LINE__);
    return false;
}

// Whether the provider can snapshot this LUN.
bool AcceptLun(BVSS_RaidControllerSet& set, VDS_LUN_INFORMATION& lun, const WCHAR* deviceName,
               DWORD standardVolumesAreSupported, bool* rediscoveryAllowed) {
    BVSS_DumpLunInformation(&lun);
    if (!IsServedFirmware(lun.m_szProductRevision)) {
        BVSS_DebugPrint(L"Ignoring LUN because array has %S firmware.\n", lun.m_szProductRevision);
        return false;
    }
    BYTE serial[kParsedSerialBytes];
    if (FAILED(BVSS_GetPartitionSerialNumber(&lun, serial, sizeof serial))) {
        BVSS_DebugPrint(L"Ignoring LUN because partition not found at line %d\n", __LINE__);
        return false;
    }
    LogPartitionId(serial, deviceName);
    FoundPartition found;
    if (!FindForIdentification(set, lun, deviceName, serial, rediscoveryAllowed, &found)) return false;
    const CAPI_ARRAY_PARTITION& partition = *found.partition;
    BVSS_DebugPrint(L"AreLunsSupported: volume %.32S specialClass=%d specialType=%d isPaged=%d\n",
                    partition.name, partition.specialClass, partition.type, partition.paged);
    const bool pagedOnQ700 = found.controller->isQ700() && partition.paged != 0;
    if (!pagedOnQ700 && !IsMasterVolume(partition) && standardVolumesAreSupported == 0) {
        LogErrorEvent(
            L"AreLunsSupported(): called with non-master volume for LUN ('%1$S'), device name=%2$s, "
            L"partition class = %3$d, partition type = %4$d.",
            BVSS_SerialNumberInsert(&lun), BVSS_DeviceNameInsert(deviceName), partition.specialClass,
            partition.type);
        return false;
    }
    BVSS_DebugPrint(L"Volume is master volume or snapshot-capable (%d)\n",
                    static_cast<int>(standardVolumesAreSupported));
    return true;
}

// Finds the partition of a LUN to complete, rediscovering once. False (logged) when it is not found.
bool FindForCompletion(BVSS_RaidControllerSet& set, const BYTE* serial, FoundPartition* found) {
    if (SUCCEEDED(found->LookUp(set, serial))) return true;
    BVSS_DebugPrint(
        L"FillInLunInfo(): Unable to find partition on any attached controller, rescanning and retrying.\n");
    if (FAILED(set.discoverRaidControllers(TRUE))) return false;
    if (SUCCEEDED(found->LookUp(set, serial))) return true;
    BVSS_DebugPrint(L"FillInLunInfo(): Unable to find partition on any attached controller.\n");
    return false;
}

}  // namespace

const char* BVSS_SerialNumberInsert(const VDS_LUN_INFORMATION* lun) {
    return lun != nullptr && lun->m_szSerialNumber != nullptr ? lun->m_szSerialNumber : "";
}

const WCHAR* BVSS_DeviceNameInsert(const WCHAR* deviceName) {
    return deviceName != nullptr ? deviceName : L"";
}

HRESULT BVSS_GetPartitionSerialNumber(const VDS_LUN_INFORMATION* lun, BYTE* buffer, DWORD length) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::getPartitionSerialNumber");
    HRESULT hr = E_POINTER;
    if (buffer != nullptr && lun != nullptr && lun->m_szSerialNumber != nullptr) {
        hr = BVSS_StringToSerialNumber(lun->m_szSerialNumber, buffer, length);
    }
    BVSS_DebugPrint(L"returning 0x%08x\n", hr);
    return hr;
}

HRESULT BVSS_ReadPartitionSerialNumber(const VDS_LUN_INFORMATION* lun, BYTE* buffer, DWORD length,
                                       const WCHAR* parseFailedEvent) {
    const HRESULT hr = BVSS_GetPartitionSerialNumber(lun, buffer, length);
    if (FAILED(hr)) LogErrorEvent(parseFailedEvent, BVSS_SerialNumberInsert(lun));
    return hr;
}

BOOL BVSS_IsOurDevice(const VDS_LUN_INFORMATION* lun) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::isOurDevice");
    BOOL ours = FALSE;
    const VDS_STORAGE_DEVICE_ID_DESCRIPTOR* descriptor =
        lun != nullptr ? &lun->m_deviceIdDescriptor : nullptr;
    for (ULONG i = 0;
         descriptor != nullptr && descriptor->m_rgIdentifiers != nullptr && i < descriptor->m_cIdentifiers;
         ++i) {
        const VDS_STORAGE_IDENTIFIER& id = descriptor->m_rgIdentifiers[i];
        if (id.m_CodeSet != VDSStorageIdCodeSetBinary || id.m_Type != VDSStorageIdTypeVendorSpecific ||
            id.m_cbIdentifier != kArraysIdentifierBytes) {
            continue;
        }
        ours = id.m_rgbIdentifier != nullptr && id.m_rgbIdentifier[0] == kArraysIdentifierFirstByte;
        break;
    }
    BVSS_DebugPrint(L"returning %S\n", ours ? "TRUE" : "FALSE");
    return ours;
}

HRESULT BVSS_GetSCSIPath(const WCHAR* deviceName, BYTE* path, BYTE* target, ULONG* lun) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::getSCSIPath");
    HANDLE device = CreateFileW(deviceName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        BVSS_DebugPrint(L"Error opening %s. Error: %d\n", BVSS_DeviceNameInsert(deviceName), error);
        printWindowsError(error);
        return VSS_E_PROVIDER_VETO;
    }
    HRESULT hr = S_OK;
    SCSI_ADDRESS address{};
    address.Length = sizeof address;
    DWORD returned = 0;
    if (DeviceIoControl(device, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof address, &returned,
                        nullptr)) {
        *path = address.PathId;
        *target = address.TargetId;
        *lun = address.Lun;
        BVSS_DebugPrint(L"        getSCSIPath(): scsiHandle=%p, path=0x%X, target=0x%X, lun=0x%X\n", device,
                        address.PathId, address.TargetId, address.Lun);
    } else {
        const DWORD error = GetLastError();
        BVSS_DebugPrint(L"    getSCSIPath(): Error on DeviceIoControl call.\n");
        printWindowsError(error);
        hr = VSS_E_PROVIDER_VETO;
    }
    CloseHandle(device);
    BVSS_DebugPrint(L"returning 0x%08x\n", hr);
    return hr;
}

bool BVSS_FindSnapshotBySourceLun(const std::vector<BVSS_SnapshotInfo>& snapshots, const BYTE* sourceLunId,
                                  BYTE* snapshotLunId, size_t* position) {
    for (size_t i = 0; i < snapshots.size(); ++i) {
        if (std::memcmp(snapshots[i].mSource.mLunID, sourceLunId, kPartitionIdBytes) != 0) continue;
        std::memcpy(snapshotLunId, snapshots[i].mSnapshot.mLunID, kPartitionIdBytes);
        if (position != nullptr) *position = i;
        return true;
    }
    return false;
}

HRESULT BVSS_IdentifyLuns(BVSS_RaidControllerSet& set, LONG lunCount, WCHAR* const* deviceNames,
                          VDS_LUN_INFORMATION* luns, DWORD standardVolumesAreSupported, BOOL* supported) {
    if (supported == nullptr) return E_POINTER;
    *supported = FALSE;
    if (lunCount < 0 || (lunCount > 0 && luns == nullptr)) return E_INVALIDARG;
    return CatchHresult([&] {
        bool rediscoveryAllowed = true;
        for (LONG i = 0; i < lunCount; ++i) {
            const WCHAR* deviceName = deviceNames != nullptr ? deviceNames[i] : nullptr;
            if (!AcceptLun(set, luns[i], deviceName, standardVolumesAreSupported, &rediscoveryAllowed))
                return S_OK;
        }
        *supported = TRUE;
        return S_OK;
    });
}

HRESULT BVSS_CompleteLunInformation(BVSS_RaidControllerSet& set, const WCHAR* deviceName,
                                    VDS_LUN_INFORMATION* lun, BOOL* supported) {
    if (supported == nullptr) return E_POINTER;
    BVSS_DebugPrint(L"FillInLunInfo(): DeviceName=%s\n", BVSS_DeviceNameInsert(deviceName));
    BVSS_DebugPrint(L"FillInLunInfo(): initial LUN_INFORMATION structure:\n");
    *supported = FALSE;
    if (lun == nullptr) return E_POINTER;
    BVSS_DumpLunInformation(lun);
    return CatchHresult([&]() -> HRESULT {
        bool examined = false;
        for (VDS_STORAGE_BUS_TYPE type : kExaminedBusTypes) examined = examined || lun->m_BusType == type;
        if (!examined || !BVSS_IsOurDevice(lun)) return S_OK;
        BYTE serial[kParsedSerialBytes];
        if (FAILED(BVSS_GetPartitionSerialNumber(lun, serial, sizeof serial))) {
            BVSS_DebugPrint(L"FillInLunInfo(): Unable to get partition serial number.\n");
            return S_OK;
        }
        FoundPartition found;
        if (!FindForCompletion(set, serial, &found)) return S_OK;
        const CAPI_ARRAY_PARTITION& partition = *found.partition;
        if (IsMasterVolume(partition)) {
            BVSS_DebugPrint(
                L"FillInLunInfo(): Partition is a mastervolume,skip it, specialClass=0x%X, specialType=0x%X.\n",
                partition.specialClass, partition.type);
            return S_OK;
        }
        BVSS_DebugPrint(L"FillInLunInfo(): Partition %.32S isPaged=%d specialClass=%d specialType=%d\n",
                        partition.name, partition.paged, partition.specialClass, partition.type);
        BYTE id[kPartitionIdBytes];
        HRESULT hr = BVSS_PartitionIDToSerialNumber(serial, sizeof serial, id);
        if (FAILED(hr)) throw hr;
        // The new text is made before the old one goes, so a failure leaves the record's text in place.
        char* text = nullptr;
        hr = BVSS_SerialNumberToString(id, &text);
        if (FAILED(hr)) throw hr;
        BVSS_FreeCoTaskMem(&lun->m_szSerialNumber);
        lun->m_szSerialNumber = text;
        hr = BVSS_UpdateLunInformation(lun, id, sizeof id, kKeepInterconnects, 0, 0);
        *supported = TRUE;
        BVSS_DebugPrint(L"FillInLunInfo(): returning LUN_INFORMATION structure:\n");
        BVSS_DumpLunInformation(lun);
        return hr;
    });
}
