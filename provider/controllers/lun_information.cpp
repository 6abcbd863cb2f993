#include "provider/controllers/lun_information.h"

#include <cstring>
#include <memory>
#include <utility>

#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/serial_numbers.h"
#include "provider/controllers/task_memory.h"

namespace {

constexpr BYTE kNoPath = 0xFF;
constexpr ULONG kPortBytes = 2;
constexpr ULONG kAddressBytes = 4;

bool IsProvidersIdentifier(const VDS_STORAGE_IDENTIFIER& id) {
    return id.m_CodeSet == VDSStorageIdCodeSetBinary && id.m_Type == VDSStorageIdTypeFCPHName;
}

// A task-memory block freed unless released.
struct TaskBlock {
    void* block = nullptr;
    explicit TaskBlock(size_t size) : block(CoTaskMemAlloc(size)) {
        if (block == nullptr) throw static_cast<HRESULT>(E_OUTOFMEMORY);
    }
    ~TaskBlock() { CoTaskMemFree(block); }
    template <class T>
    T* As() {
        return static_cast<T*>(block);
    }
    void* Release() { return std::exchange(block, nullptr); }
    TaskBlock(const TaskBlock&) = delete;
    TaskBlock& operator=(const TaskBlock&) = delete;
};

void FreeInterconnects(VDS_LUN_INFORMATION* record) {
    for (ULONG i = 0; i < record->m_cInterconnects && record->m_rgInterconnects != nullptr; ++i) {
        BVSS_FreeCoTaskMem(&record->m_rgInterconnects[i].m_pbPort);
        BVSS_FreeCoTaskMem(&record->m_rgInterconnects[i].m_pbAddress);
    }
    BVSS_FreeCoTaskMem(&record->m_rgInterconnects);
    record->m_cInterconnects = 0;
}

void DumpBytes(const BYTE* bytes, ULONG count) {
    for (ULONG i = 0; i < count && bytes != nullptr; ++i)
        BVSS_DebugPrint(i == 0 ? L"0x%02X" : L"%02X", bytes[i]);
}

}  // namespace

void BVSS_SetBasicLunInfo(VDS_LUN_INFORMATION* record, ULONG version, BYTE deviceType,
                          BYTE deviceTypeModifier, BOOL commandQueueing, VDS_STORAGE_BUS_TYPE busType,
                          const char* vendorId, const char* productId, const char* productRevision,
                          const BYTE* serialId16, const GUID* diskSignature) {
    BVSS_FunctionTrace trace(L"BVSS_SetBasicLunInfo");
    std::memset(record, 0, sizeof *record);
    record->m_version = version;
    record->m_DeviceType = deviceType;
    record->m_DeviceTypeModifier = deviceTypeModifier;
    record->m_bCommandQueueing = commandQueueing;
    record->m_BusType = busType;
    record->m_szVendorId = BVSS_CoTaskStrDup(vendorId);
    record->m_szProductId = BVSS_CoTaskStrDup(productId);
    record->m_szProductRevision = BVSS_CoTaskStrDup(productRevision);
    const HRESULT hr = BVSS_SerialNumberToString(serialId16, &record->m_szSerialNumber);
    if (FAILED(hr)) throw hr;
    if (diskSignature != nullptr) record->m_diskSignature = *diskSignature;
}

VDS_LUN_INFORMATION* BVSS_CopyBasicLunInfo(VDS_LUN_INFORMATION* destination,
                                           const VDS_LUN_INFORMATION* source) {
    destination->m_version = source->m_version;
    destination->m_DeviceType = source->m_DeviceType;
    destination->m_DeviceTypeModifier = source->m_DeviceTypeModifier;
    destination->m_bCommandQueueing = source->m_bCommandQueueing;
    destination->m_BusType = source->m_BusType;
    destination->m_diskSignature = source->m_diskSignature;
    destination->m_szVendorId = BVSS_CoTaskStrDup(source->m_szVendorId);
    destination->m_szProductId = BVSS_CoTaskStrDup(source->m_szProductId);
    destination->m_szProductRevision = BVSS_CoTaskStrDup(source->m_szProductRevision);
    destination->m_szSerialNumber = BVSS_CoTaskStrDup(source->m_szSerialNumber);
    return destination;
}

HRESULT BVSS_UpdateLunInformation(VDS_LUN_INFORMATION* record, const BYTE* partitionId,
                                  DWORD partitionIdLength, BYTE path, BYTE target, ULONG lun) {
    BVSS_FunctionTrace trace(L"BVSS_UpdateLunInformation");
    if (record == nullptr || partitionId == nullptr) {
        BVSS_DebugPrint(L"returning 0x%08x\n", E_POINTER);
        return E_POINTER;
    }
    VDS_STORAGE_DEVICE_ID_DESCRIPTOR& ids = record->m_deviceIdDescriptor;
    ULONG kept = 0;
    for (ULONG i = 0; i < ids.m_cIdentifiers && ids.m_rgIdentifiers != nullptr; ++i)
        if (!IsProvidersIdentifier(ids.m_rgIdentifiers[i])) ++kept;

    // Everything new first; nothing of the record changes until all of it is there.
    TaskBlock identifiers((kept + 1) * sizeof(VDS_STORAGE_IDENTIFIER));
    TaskBlock name(kPartitionIdBytes);
    const HRESULT hr =
        BVSS_PartitionIDToFCFSName(partitionId, partitionIdLength, name.As<BYTE>(), kPartitionIdBytes);
    if (FAILED(hr)) throw hr;
    std::unique_ptr<TaskBlock> interconnect, port, address;
    if (path != kNoPath) {
        interconnect = std::make_unique<TaskBlock>(sizeof(VDS_INTERCONNECT));
        port = std::make_unique<TaskBlock>(kPortBytes);
        address = std::make_unique<TaskBlock>(kAddressBytes);
    }

    auto* table = identifiers.As<VDS_STORAGE_IDENTIFIER>();
    ULONG at = 0;
    for (ULONG i = 0; i < ids.m_cIdentifiers && ids.m_rgIdentifiers != nullptr; ++i) {
        VDS_STORAGE_IDENTIFIER& id = ids.m_rgIdentifiers[i];
        if (IsProvidersIdentifier(id)) {
            BVSS_FreeCoTaskMem(&id.m_rgbIdentifier);
        } else {
            table[at++] = id;  // its bytes move along
        }
    }
    table[at] =
        VDS_STORAGE_IDENTIFIER{VDSStorageIdCodeSetBinary, VDSStorageIdTypeFCPHName,
                               static_cast<ULONG>(kPartitionIdBytes), static_cast<BYTE*>(name.Release())};
    CoTaskMemFree(ids.m_rgIdentifiers);
    ids.m_rgIdentifiers = static_cast<VDS_STORAGE_IDENTIFIER*>(identifiers.Release());
    ids.m_cIdentifiers = kept + 1;

    if (path != kNoPath) {
        auto* entry = interconnect->As<VDS_INTERCONNECT>();
        BYTE* portBytes = port->As<BYTE>();
        BYTE* addressBytes = address->As<BYTE>();
        portBytes[0] = path;
        portBytes[1] = target;
        for (ULONG i = 0; i < kAddressBytes; ++i) addressBytes[i] = static_cast<BYTE>(lun >> (8 * i));
        *entry = VDS_INTERCONNECT{VDS_IA_FCFS, kPortBytes, static_cast<BYTE*>(port->Release()), kAddressBytes,
                                  static_cast<BYTE*>(address->Release())};
        FreeInterconnects(record);
        record->m_rgInterconnects = static_cast<VDS_INTERCONNECT*>(interconnect->Release());
        record->m_cInterconnects = 1;
    }
    BVSS_DebugPrint(L"returning 0x%08x\n", S_OK);
    return S_OK;
}

VDS_LUN_INFORMATION* BVSS_FreeLunInformation(VDS_LUN_INFORMATION* record) {
    BVSS_FreeCoTaskMem(&record->m_szVendorId);
    BVSS_FreeCoTaskMem(&record->m_szProductId);
    BVSS_FreeCoTaskMem(&record->m_szProductRevision);
    BVSS_FreeCoTaskMem(&record->m_szSerialNumber);
    VDS_STORAGE_DEVICE_ID_DESCRIPTOR& ids = record->m_deviceIdDescriptor;
    for (ULONG i = 0; i < ids.m_cIdentifiers && ids.m_rgIdentifiers != nullptr; ++i)
        BVSS_FreeCoTaskMem(&ids.m_rgIdentifiers[i].m_rgbIdentifier);
    BVSS_FreeCoTaskMem(&ids.m_rgIdentifiers);
    ids.m_cIdentifiers = 0;
    FreeInterconnects(record);
    return record;
}

void BVSS_DumpLunInformation(const VDS_LUN_INFORMATION* record) {
    if (record == nullptr) return;
    const VDS_STORAGE_DEVICE_ID_DESCRIPTOR& ids = record->m_deviceIdDescriptor;
    BVSS_DebugPrint(L"m_deviceIdDescriptor.m_cIdentifiers=%d, m_deviceIdDescriptor.m_rgIdentifiers=0x%08x\n",
                    ids.m_cIdentifiers,
                    static_cast<unsigned>(reinterpret_cast<uintptr_t>(ids.m_rgIdentifiers)));
    BVSS_DebugPrint(
        L"    VendorID='%S', ProductID='%S', ProductRevision='%S', SerialNumber='%S', BusType = %d.\n",
        record->m_szVendorId, record->m_szProductId, record->m_szProductRevision, record->m_szSerialNumber,
        record->m_BusType);
    for (ULONG i = 0; i < ids.m_cIdentifiers && ids.m_rgIdentifiers != nullptr; ++i) {
        const VDS_STORAGE_IDENTIFIER& id = ids.m_rgIdentifiers[i];
        BVSS_DebugPrint(L"    ID#%u=(CodeSet=0x%02X, Type=0x%08X, Length=%2u, Id=", i, id.m_CodeSet,
                        id.m_Type, id.m_cbIdentifier);
        DumpBytes(id.m_rgbIdentifier, id.m_cbIdentifier);
        if (id.m_CodeSet == VDSStorageIdCodeSetAscii && id.m_rgbIdentifier != nullptr) {
            BVSS_DebugPrint(L" \"");
            for (ULONG b = 0; b < id.m_cbIdentifier; ++b) BVSS_DebugPrint(L"%C", id.m_rgbIdentifier[b]);
            BVSS_DebugPrint(L"\"");
        }
        BVSS_DebugPrint(L")\n");
    }
    BVSS_DebugPrint(L"    m_cInterconnects=%d, m_rgInterconnects=0x%08X\n", record->m_cInterconnects,
                    static_cast<unsigned>(reinterpret_cast<uintptr_t>(record->m_rgInterconnects)));
    for (ULONG i = 0; i < record->m_cInterconnects && record->m_rgInterconnects != nullptr; ++i) {
        const VDS_INTERCONNECT& c = record->m_rgInterconnects[i];
        BVSS_DebugPrint(L"        Interconnect#%u=(Type=0x%02X, PortLength=%2u, Port=", i, c.m_addressType,
                        c.m_cbPort);
        DumpBytes(c.m_pbPort, c.m_cbPort);
        BVSS_DebugPrint(L", AddrLength=%2u, Address=", c.m_cbAddress);
        DumpBytes(c.m_pbAddress, c.m_cbAddress);
        BVSS_DebugPrint(L")\n");
    }
}
