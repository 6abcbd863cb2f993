#include "corlink/transport/discovery.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "corlink/foundation/console.h"
#include "corlink/foundation/event_reporting.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/log_switches.h"
#include "corlink/transport/csmi.h"
#include "corlink/transport/disk_names.h"
#include "corlink/transport/host_adapters.h"
#include "corlink/transport/model_list.h"
#include "corlink/transport/processor_device_table.h"
#include "corlink/transport/scsi_command.h"
#include "corlink/transport/windows_error.h"
#include "platform/devices/device_io.h"
#include "platform/devices/scsi_layouts.h"
#include "platform/files/registry.h"

namespace {

constexpr int kCaptureOnly = 7;
constexpr const char* kParametersKey = "SYSTEM\\CurrentControlSet\\Services\\corlink4\\Parameters";
constexpr uint32_t kDiskNameLength = 260;
// The vendor identifier of a listing record must lie below this offset for the bus repair to read it.
constexpr uint32_t kRepairVendorLimit = 0xBFF0;
// Bytes of a record's inquiry data that discovery reads (through the product revision).
constexpr uint32_t kInquiryBytesRead = 36;
constexpr uint32_t kRecordHeaderSize = offsetof(SCSI_INQUIRY_DATA, InquiryData);

// Discovery state kept for the whole run.
struct DiscoveryState {
    uint32_t managementLunMax = 0;
    uint32_t skippedOutsideRaidDrives = 0;  // logical drives of outside RAID adapters, never reset
    bool noControllersWarningWritten = false;
};
DiscoveryState g_Discovery;

uint32_t ReadU32(const uint8_t* bytes) {
    uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// One record of an adapter's inquiry listing, read from the buffer with its bounds checked.
struct ListingRecord {
    uint32_t offset = 0;
    uint8_t pathId = 0;
    uint8_t targetId = 0;
    uint8_t lun = 0;
    bool claimed = false;
    uint32_t next = 0;
    const uint8_t* inquiry = nullptr;  // kInquiryBytesRead bytes inside the buffer
};

bool ReadRecord(const uint8_t* buffer, uint32_t offset, ListingRecord* record) {
    if (offset < sizeof(SCSI_BUS_DATA) ||
        offset > ADAPTER_INQUIRY_BUFFER_SIZE - kRecordHeaderSize - kInquiryBytesRead) {
        return false;
    }
    const uint8_t* at = buffer + offset;
    record->offset = offset;
    record->pathId = at[offsetof(SCSI_INQUIRY_DATA, PathId)];
    record->targetId = at[offsetof(SCSI_INQUIRY_DATA, TargetId)];
    record->lun = at[offsetof(SCSI_INQUIRY_DATA, Lun)];
    record->claimed = at[offsetof(SCSI_INQUIRY_DATA, DeviceClaimed)] != 0;
    record->next = ReadU32(at + offsetof(SCSI_INQUIRY_DATA, NextInquiryDataOffset));
    record->inquiry = at + kRecordHeaderSize;
    return true;
}

uint32_t BusCount(const uint8_t* buffer) { return buffer[offsetof(SCSI_ADAPTER_BUS_INFO, NumberOfBuses)]; }

uint32_t BusDataOffset(uint32_t bus) {
    return static_cast<uint32_t>(offsetof(SCSI_ADAPTER_BUS_INFO, BusData) + bus * sizeof(SCSI_BUS_DATA) +
                                 offsetof(SCSI_BUS_DATA, InquiryDataOffset));
}

uint32_t FirstRecordOffset(const uint8_t* buffer, uint32_t bus) {
    return ReadU32(buffer + BusDataOffset(bus));
}

// Calls visit(record) for each record of the chain that starts at `offset`, while it returns true. The
// records of a listing follow each other, so a chain that does not move forward ends (no loop), as does
// one that leaves the buffer.
template <typename Visit>
void WalkChain(const uint8_t* buffer, uint32_t offset, Visit visit) {
    ListingRecord record;
    while (offset != 0 && ReadRecord(buffer, offset, &record)) {
        if (!visit(record) || record.next <= offset) return;
        offset = record.next;
    }
}

bool HasSupportedVendor(const uint8_t* inquiry) {
    static const char* const kVendors[] = {"Brenlow ", "JW      ", "Vardin  ", "Pelliox "};
    for (const char* vendor : kVendors) {
        if (std::memcmp(inquiry + 8, vendor, 8) == 0) return true;
    }
    return false;
}

// A bus listed without its first record: when the records right after the bus array name array
// vendors, they belong to it.
void RepairBuses(uint8_t* buffer) {
    const uint32_t buses = BusCount(buffer);
    const uint32_t start =
        static_cast<uint32_t>(offsetof(SCSI_ADAPTER_BUS_INFO, BusData) + buses * sizeof(SCSI_BUS_DATA));
    for (uint32_t bus = 0; bus < buses; ++bus) {
        if (FirstRecordOffset(buffer, bus) != 0) continue;
        uint32_t arrays = 0;
        WalkChain(buffer, start, [&](const ListingRecord& record) {
            if (record.offset + kRecordHeaderSize + 8 > kRepairVendorLimit) return false;
            if (HasSupportedVendor(record.inquiry)) ++arrays;
            return true;
        });
        if (arrays != 0) std::memcpy(buffer + BusDataOffset(bus), &start, sizeof start);
    }
}

void LogListing(const uint8_t* buffer) {
    bool any = false;
    for (uint32_t bus = 0; bus < BusCount(buffer); ++bus) {
        WalkChain(buffer, FirstRecordOffset(buffer, bus), [&](const ListingRecord& record) {
            any = true;
            const uint8_t* q = record.inquiry;
            DebugPrint("  %d.%d.%d %s \"%.28s\" %02X %02X %02X %02X %02X %02X %02X %02X\n", record.pathId,
                       record.targetId, record.lun, record.claimed ? "Y" : "N",
                       reinterpret_cast<const char*>(q + 8), q[0], q[1], q[2], q[3], q[4], q[5], q[6], q[7]);
            return true;
        });
    }
    if (!any) DebugPrint("No luns found.\n");
}

// ---- the LUN filters of FindProcessorDevices, in the order they are tested

struct LunAddress {
    uint32_t adapter;
    uint32_t bus;
    uint8_t target;
    uint8_t lun;
};

bool StartsWith(const uint8_t* inquiry, const char* prefix) {
    return std::memcmp(inquiry + 8, prefix, std::strlen(prefix)) == 0;
}

bool VendorBad(const uint8_t* q) { return q[8] == 0 || q[8] == ' '; }
bool NotDiskOrEnclosure(const uint8_t* q) { return (q[0] & 0x1F) != 0x00 && (q[0] & 0x1F) != 0x0D; }
bool Removable(const uint8_t* q) { return (q[1] & 0x80) != 0; }
bool WindowsBugVendor(const uint8_t* q) { return StartsWith(q, "WDC"); }
bool OutsideRaidDrive(const uint8_t* q) {
    return StartsWith(q, "VELTRA") || StartsWith(q, "ORV     LOGICAL") ||
           StartsWith(q, "ORVE    Host Adapter");
}
bool UnsupportedType(const uint8_t* q) { return q[0] != 0x00 && q[0] != 0x03 && q[0] != 0x0D; }
bool UnsupportedModel(const uint8_t* q) {
    char text[25] = {};
    std::memcpy(text, q + 8, 24);
    return IsSupportedInquiry(text) == 0;
}
bool NotScsi3(const uint8_t* q) { return q[2] < 5 || q[2] > 7; }

enum class FilterLog { Address, TypeAndModel, Model };

struct LunFilter {
    bool (*holds)(const uint8_t* inquiry);
    FilterLog log;
    const char* format;
    bool countsOutsideRaidDrive;
};

const LunFilter kLunFilters[] = {
    // clang-format off
    {VendorBad, FilterLog::Address,
     "FindProcessorDevices: skipping %d.%d.%d.%d because inquiry vendor id bad\n", false},
    {NotDiskOrEnclosure, FilterLog::Address,
     "FindProcessorDevices: skipping %d.%d.%d.%d because it's not a direct-access disk or SES device\n",
     false},
    {Removable, FilterLog::Address,
     "FindProcessorDevices: skipping %d.%d.%d.%d because it's removable media (INQUIRY RMB=1)\n", false},
    {WindowsBugVendor, FilterLog::Address,
     "FindProcessorDevices: skipping non-CAPI device at %d.%d.%d.%d to work around Windows bug\n", false},
    {OutsideRaidDrive, FilterLog::Address, "FindProcessorDevices: skipping non-CAPI device at %d.%d.%d.%d\n",
     true},
    {UnsupportedType, FilterLog::TypeAndModel,
     "FindProcessorDevices: skipping unsupported device type (0x%02X) for \"%24.24s\" at %d.%d.%d.%d\n",
     false},
    {UnsupportedModel, FilterLog::Model,
     "FindProcessorDevices: skipping unsupported device inquiry string  \"%24.24s\" at %d.%d.%d.%d\n", false},
    {NotScsi3, FilterLog::Address,
     "FindProcessorDevices: skipping %d.%d.%d.%d because not SCSI-3 compatible device (INQUIRY VERSION != "
     "5)\n",
     false},
    // clang-format on
};

// True when a filter skips the LUN (its line logged).
bool SkippedByFilter(const uint8_t* q, const LunAddress& a) {
    const int adapter = static_cast<int>(a.adapter), bus = static_cast<int>(a.bus);
    const char* model = reinterpret_cast<const char*>(q + 8);
    for (const LunFilter& filter : kLunFilters) {
        if (!filter.holds(q)) continue;
        switch (filter.log) {
            case FilterLog::Address: DebugPrint(filter.format, adapter, bus, a.target, a.lun); break;
            case FilterLog::TypeAndModel:
                DebugPrint(filter.format, q[0], model, adapter, bus, a.target, a.lun);
                break;
            case FilterLog::Model: DebugPrint(filter.format, model, adapter, bus, a.target, a.lun); break;
        }
        if (filter.countsOutsideRaidDrive) ++g_Discovery.skippedOutsideRaidDrives;
        return true;
    }
    return false;
}

// The name commands open for the LUN: its disk name when a class driver claimed it (or every LUN's
// when asked), else the adapter name.
void ChooseDeviceName(const ListingRecord& record, const LunAddress& a, const char* adapterName, char* name,
                      size_t size) {
    std::snprintf(name, size, "%s", adapterName);
    const int adapter = static_cast<int>(a.adapter), bus = static_cast<int>(a.bus);
    if (!record.claimed && !g_ResolveAllDiskNames) {
        if (g_ScsiVerbose) DebugPrint("skipping GetNtPortName for unclaimed device");
        return;
    }
    SCSI_ADDRESS address{};
    address.Length = sizeof address;
    address.PortNumber = static_cast<BYTE>(a.adapter);
    address.PathId = static_cast<BYTE>(a.bus);
    address.TargetId = a.target;
    address.Lun = a.lun;
    char diskName[kDiskNameLength] = {};
    if (GetNtPortName(&address, diskName, sizeof diskName) != 0) {
        DebugPrint("FindProcessorDevices: %d.%d.%d.%d replaced %s with %s\n", adapter, bus, a.target, a.lun,
                   name, diskName);
        std::snprintf(name, size, "%s", diskName);
    } else {
        DebugPrint("FindProcessorDevices: %d.%d.%d.%d not found by GetNtPortName()\n", adapter, bus, a.target,
                   a.lun);
    }
}

// Whether a committed record of the adapter was reached by SAS address.
bool AdapterHasSasDevice(uint32_t adapter) {
    for (uint32_t i = 0; i < processorDeviceTableSize && i < PROCESSOR_DEVICE_TABLE_CAPACITY; ++i) {
        if (processorDeviceTable[i].adapter == adapter && processorDeviceTable[i].hasSasAddress != 0)
            return true;
    }
    return false;
}

}  // namespace

uint32_t ManagementLunMax() { return g_Discovery.managementLunMax; }

void ReadManagementLunMax() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kParametersKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    const LONG status =
        RegQueryValueExA(key, "ManagementLunMax", nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return;
    if (value != g_Discovery.managementLunMax) {
        g_Discovery.managementLunMax = value;
        DebugPrint("ManagementLunMax = %d\n", static_cast<int>(value));
    }
}

int Inquiry_To_HBA(uint32_t adapter, uint8_t* inquiryBuffer, char* adapterName) {
    std::snprintf(adapterName, 16, "\\\\.\\Scsi%u:", adapter);
    ConsolePrint(kCaptureOnly, "Adapter: %s", adapterName);
    HANDLE handle = CreateFileA(adapterName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        ConsolePrint(kCaptureOnly, "\t ...not installed\n");
        return ADAPTER_ABSENT;
    }
    std::memset(inquiryBuffer, 0, ADAPTER_INQUIRY_BUFFER_SIZE);
    DWORD returned = 0;
    if (!DeviceIoControl(handle, IOCTL_SCSI_GET_INQUIRY_DATA, nullptr, 0, inquiryBuffer,
                         ADAPTER_INQUIRY_BUFFER_SIZE, &returned, nullptr)) {
        ConsolePrint(kCaptureOnly, "\t ...Error reading inquiry data information\n");
        CloseHandle(handle);
        return ADAPTER_INQUIRY_FAILED;
    }
    RepairBuses(inquiryBuffer);
    ConsolePrint(kCaptureOnly, "\t Checking Adapter %u for controllers.\n", adapter);
    LogListing(inquiryBuffer);
    if (!CloseHandle(handle)) {
        ReportWindowsError();
        DebugPrint("Inquiry_To_HBA: CloseHandle failed\n");
    }
    return ADAPTER_INQUIRY_OK;
}

void FindProcessorDevices(uint32_t adapter, const uint8_t* inquiryBuffer, const char* adapterName) {
    ReadManagementLunMax();
    if (!CsmiFindProcessorDevices(adapter, &ProbeProcessorDevice, &AdapterHasSasDevice)) return;
    bool ignoringLogged = false;
    for (uint32_t bus = 0; bus < BusCount(inquiryBuffer); ++bus) {
        WalkChain(inquiryBuffer, FirstRecordOffset(inquiryBuffer, bus), [&](const ListingRecord& record) {
            const LunAddress a{adapter, bus, record.targetId, record.lun};
            const int adapterNo = static_cast<int>(adapter), busNo = static_cast<int>(bus);
            if (record.lun > 0 && record.lun > g_Discovery.managementLunMax) {
                if (!ignoringLogged) {
                    DebugPrint("ignoring LUNs > %d on all HBAs\n",
                               static_cast<int>(g_Discovery.managementLunMax));
                    ignoringLogged = true;
                }
                return true;
            }
            const uint8_t* q = record.inquiry;
            if (SkippedByFilter(q, a)) return true;
            char name[PROCESSOR_DEVICE_NAME_LENGTH] = {};
            ChooseDeviceName(record, a, adapterName, name, sizeof name);
            if (record.claimed && strncasecmp(name, "\\\\.\\Scsi", 8) == 0) {
                DebugPrint("FindProcessorDevices: Skipping claimed device %s %d.%d.%d.%d\n", name, adapterNo,
                           busNo, a.target, a.lun);
                return true;
            }
            DebugPrint(
                " %d.%d.%d.%d Claimed=%s Inq[8]=\"%.28s\" InquiryHdr = "
                "%3.2X%3.2X%3.2X%3.2X%3.2X%3.2X%3.2X%3.2X\n",
                adapterNo, busNo, a.target, a.lun, record.claimed ? "Y" : "N",
                reinterpret_cast<const char*>(q + 8), q[0], q[1], q[2], q[3], q[4], q[5], q[6], q[7]);
            ProbeProcessorDevice(name, adapter, bus, a.target, a.lun, nullptr);
            return true;
        });
    }
    DebugPrint("\n");
}

void DiscoverProcessorDevices() {
    ClearProcessorDeviceTable();
    ClearHBAInfoGlobalList();
    DebugPrint("SCSI32LMX_Initialize: Searching for CAPI LUNs\n");
    CsmiQueryAdapters();  // finds nothing unless the phy query is switched on
    if (gDisableCSMI) {
        DebugPrint("SCSI32LMX_Initialize: gDisableCSMI=%d bSupportCSMI=%d\n", 1,
                   CsmiPhyRecords().empty() ? 0 : 1);
    }
    std::unique_ptr<uint8_t[]> inquiryBuffer(new uint8_t[ADAPTER_INQUIRY_BUFFER_SIZE]);
    bool anyFailed = false;
    for (uint32_t adapter = 0; adapter < DISCOVERY_ADAPTER_COUNT; ++adapter) {
        char adapterName[16] = {};
        const int result = Inquiry_To_HBA(adapter, inquiryBuffer.get(), adapterName);
        if (result == ADAPTER_INQUIRY_OK) {
            FindProcessorDevices(adapter, inquiryBuffer.get(), adapterName);
        } else if (result == ADAPTER_ABSENT) {
            if (g_ScsiVerbose) DebugPrint("SCSI32LMX_Initialize: HBA%u absent\n", adapter);
        } else {
            DebugPrint("SCSI32LMX_Initialize: Inquiry to HBA%u failed\n", adapter);
            anyFailed = true;
        }
    }
    if (anyFailed) EnumerateDisk();
    DebugPrint("Finished search for CAPI Processors (LUNs).\n");
    if (processorDeviceTableSize == 0 && g_Discovery.managementLunMax == 0 &&
        g_Discovery.skippedOutsideRaidDrives > 0 && !g_Discovery.noControllersWarningWritten) {
        g_Discovery.noControllersWarningWritten = true;
        char text[] =
            "No compatible array controllers were found. If using an outside RAID adapter to connect a "
            "SAS-attached "
            "array, increase ManagementLunMax as described in the hardware provider installation "
            "instructions.";
        EventLogWarning(text, 0);
    }
    DumpProcessorDeviceTable();
}
