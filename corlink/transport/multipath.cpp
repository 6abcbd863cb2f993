#include "corlink/transport/multipath.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cinttypes>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "corlink/foundation/log_switches.h"
#include "corlink/transport/mpio_log.h"
#include "corlink/transport/mpio_path_choice.h"
#include "corlink/transport/wmi_wrapper.h"
#include "platform/com/com_init.h"
#include "platform/kernel/last_error.h"
#include "platform/system/os_version.h"

namespace {

constexpr char kDiskPrefix[] = "\\\\.\\PhysicalDrive";
constexpr uint8_t kOpWriteBuffer = 0x3B;
constexpr uint8_t kOpReadBuffer = 0x3C;
constexpr DWORD kMpioCapableVersion = 0x600;
// The flags a buffer command asks its path with: the path id and its SCSI address.
constexpr uint32_t kPassThroughPathFlags = 6;

// The multipath request block: the path pass-through, sense bytes at offset 80, spare room.
struct MPIO_REQUEST_BLOCK {
    MPIO_PASS_THROUGH_PATH_DIRECT request;
    uint8_t filler[8];
    uint8_t sense[256];
    uint8_t spare[512];
};
static_assert(sizeof(MPIO_REQUEST_BLOCK) == 848);
static_assert(offsetof(MPIO_REQUEST_BLOCK, sense) == 80);

std::map<std::string, std::unique_ptr<mpd>>& MpioCache() {
    static std::map<std::string, std::unique_ptr<mpd>> cache;
    return cache;
}

mpd& LookupMpd(const std::string& deviceName) {
    std::unique_ptr<mpd>& record = MpioCache()[deviceName];
    if (!record) {
        record = std::make_unique<mpd>();
        MpioLogAt(1, "initializing mpd @%p", static_cast<void*>(record.get()));
    }
    return *record;
}

bool HasDiskPrefix(const char* name) {
    for (size_t i = 0; i < sizeof kDiskPrefix - 1; ++i) {
        if (name[i] == '\0' || std::tolower(static_cast<unsigned char>(name[i])) !=
                                   std::tolower(static_cast<unsigned char>(kDiskPrefix[i]))) {
            return false;
        }
    }
    return true;
}

// WQL text in double quotes without escaping quotes: every backslash doubled.
std::string QuoteWqlPlain(const std::string& text) {
    std::string quoted;
    for (char c : text) {
        if (c == '\\') quoted += '\\';
        quoted += c;
    }
    return "\"" + quoted + "\"";
}

// WQL text in single quotes: backslashes and quotes escaped with a backslash.
std::string QuoteWqlSingle(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\\' || c == '\'') quoted += '\\';
        quoted += c;
    }
    return quoted + "'";
}

// The two WMI connections, made on first use and kept for the whole process.
WmiWrapper& Cimv2() {
    static WmiWrapper wrapper("root\\cimv2", nullptr);
    return wrapper;
}

WmiWrapper& RootWmi() {
    static WmiWrapper wrapper("root\\wmi", nullptr);
    return wrapper;
}

bool ReadNumber(const IWbemClassObject& object, const char* name, uint64_t* value) {
    WmiValue v;
    if (object.Get(name, &v) != WBEM_S_NO_ERROR) return false;
    if (const auto* u = std::get_if<uint32_t>(&v))
        *value = *u;
    else if (const auto* i = std::get_if<int32_t>(&v))
        *value = static_cast<uint64_t>(static_cast<int64_t>(*i));
    else if (const auto* l = std::get_if<uint64_t>(&v))
        *value = *l;
    else if (const auto* b = std::get_if<bool>(&v))
        *value = *b ? 1 : 0;
    else
        return false;
    return true;
}

uint32_t ReadU32(const IWbemClassObject& object, const char* name) {
    uint64_t value = 0;
    ReadNumber(object, name, &value);
    return static_cast<uint32_t>(value);
}

WmiObjectRef ReadObject(const IWbemClassObject& object, const char* name) {
    WmiValue v;
    if (object.Get(name, &v) != WBEM_S_NO_ERROR) return nullptr;
    const auto* o = std::get_if<WmiObjectRef>(&v);
    return o != nullptr ? *o : nullptr;
}

bool ReadObjects(const IWbemClassObject& object, const char* name, std::vector<WmiObjectRef>* objects) {
    WmiValue v;
    if (object.Get(name, &v) != WBEM_S_NO_ERROR) return false;
    const auto* list = std::get_if<std::vector<WmiObjectRef>>(&v);
    if (list == nullptr) return false;
    *objects = *list;
    return true;
}

// Runs a query and keeps only its first object.
HRESULT QueryFirst(WmiWrapper& wmi, const std::string& query, WmiObjectRef* first) {
    IEnumWbemClassObject* enumerator = nullptr;
    HRESULT hr = wmi.ExecQuery(query, &enumerator, first);
    if (enumerator != nullptr) enumerator->Release();
    return hr;
}

// The PNP device id of a disk, or "" when WMI does not know it.
std::string QueryPnpDeviceId(const char* deviceName) {
    const std::string query = "SELECT * FROM Win32_DiskDrive WHERE DeviceID=" + QuoteWqlPlain(deviceName);
    MpioLogAt(1, "Running ExecQuery(%s). ptrs %p and %p", query.c_str(), static_cast<void*>(&Cimv2()),
              static_cast<void*>(&RootWmi()));
    WmiObjectRef disk;
    if (QueryFirst(Cimv2(), query, &disk) != S_OK) {
        MpioLog("ExecQuery(%s) failed", query.c_str());
        return "";
    }
    WmiValue id;
    const std::string* text = nullptr;
    if (disk->Get("PNPDeviceID", &id) == WBEM_S_NO_ERROR) text = std::get_if<std::string>(&id);
    if (text == nullptr) {
        MpioLog("failed to get PNPDeviceID for %s", deviceName);
        return "";
    }
    return *text;
}

// Fills the record's policy, path count and paths from DSM_QueryLBPolicy_V2; false when WMI lacks them.
bool ReadPolicy(const char* deviceName, const std::string& instance, mpd* record) {
    const std::string query = "SELECT * FROM DSM_QueryLBPolicy_V2 WHERE InstanceName LIKE " +
                              QuoteWqlSingle(instance + "%") + " AND Active=TRUE";
    MpioLogAt(1, "running query (%s)", query.c_str());
    WmiObjectRef result;
    if (QueryFirst(RootWmi(), query, &result) != S_OK) {
        MpioLog("failed to retrieve DSM_QueryLBPolicy_V2 for %s", deviceName);
        return false;
    }
    WmiObjectRef policy = ReadObject(*result, "LoadBalancePolicy");
    if (!policy) {
        MpioLog("failed to retrieve LoadBalancePolicy object for %s", deviceName);
        return false;
    }
    uint64_t loadBalance = 0, pathCount = 0;
    if (!ReadNumber(*policy, "LoadBalancePolicy", &loadBalance)) {
        MpioLog("failed to retrieve LoadBalancePolicy value for %s", deviceName);
        return false;
    }
    if (!ReadNumber(*policy, "DSMPathCount", &pathCount)) {
        MpioLog("failed to retrieve DSMPathCount value for %s", deviceName);
        return false;
    }
    MpioLogAt(1, "policy = %d, path_count = %d", static_cast<int>(loadBalance), static_cast<int>(pathCount));
    record->instanceName = instance;
    record->policy = static_cast<int32_t>(loadBalance);
    record->pathCount = static_cast<uint32_t>(pathCount);
    std::memset(record->paths, 0, sizeof record->paths);
    std::vector<WmiObjectRef> paths;
    if (!ReadObjects(*policy, "DSM_Paths", &paths)) {
        MpioLog("failed to retrieve DSM_Paths value for %s", deviceName);
        return false;
    }
    for (size_t i = 0; i < paths.size() && i < MPD_MAX_PATHS; ++i) {
        if (!paths[i]) continue;
        const IWbemClassObject& path = *paths[i];
        MPD_PATH& entry = record->paths[i];
        ReadNumber(path, "DsmPathId", &entry.pathId);
        entry.primary = ReadU32(path, "PrimaryPath");
        entry.preferred = ReadU32(path, "PreferredPath");
        entry.weight = ReadU32(path, "PathWeight");
        entry.optimized = ReadU32(path, "OptimizedPath");
        entry.failed = ReadU32(path, "FailedPath");
        entry.tpgPreferred = ReadU32(path, "TargetPortGroup_Preferred");
        MpioLogAt(1,
                  "Path ID = %" PRIx64 " failed=%d optimized=%d weight=%d preferred=%d primary=%d tpgpref=%d",
                  entry.pathId, entry.failed, entry.optimized, entry.weight, entry.preferred, entry.primary,
                  entry.tpgPreferred);
    }
    return true;
}

// The SCSI address of one path of the device, from MPIO_GET_DESCRIPTOR.
bool FindScsiAddress(const char* deviceName, const std::string& instance, uint64_t pathId,
                     SCSI_ADDRESS* address) {
    const std::string query = "SELECT * FROM MPIO_GET_DESCRIPTOR WHERE InstanceName LIKE " +
                              QuoteWqlSingle(instance + "%") + " AND Active=TRUE";
    MpioLogAt(1, "running query (%s)", query.c_str());
    WmiObjectRef descriptor;
    HRESULT hr = QueryFirst(RootWmi(), query, &descriptor);
    if (hr != S_OK) {
        MpioLog("WMI query failed: 0x%x (%s)", static_cast<unsigned>(hr), query.c_str());
        return false;
    }
    std::vector<WmiObjectRef> pdos;
    if (!ReadObjects(*descriptor, "PdoInformation", &pdos)) {
        MpioLog("failed to retrieve MPIO PdoInformation object for %s", deviceName);
        return false;
    }
    for (const WmiObjectRef& pdo : pdos) {
        uint64_t id = 0;
        if (!pdo || !ReadNumber(*pdo, "PathIdentifier", &id)) {
            MpioLog("failed to get PathIdentifier for PDO of %s", deviceName);
            continue;
        }
        if (id != pathId) {
            MpioLogAt(1, "ignoring PDO for pathid %" PRIx64, id);
            continue;
        }
        WmiObjectRef scsi = ReadObject(*pdo, "ScsiAddress");
        if (!scsi) {
            MpioLog("failed to get PDO ScsiAddress for %s", deviceName);
            continue;
        }
        address->Length = sizeof(SCSI_ADDRESS);
        address->PortNumber = static_cast<BYTE>(ReadU32(*scsi, "PortNumber"));
        address->PathId = static_cast<BYTE>(ReadU32(*scsi, "ScsiPathId"));
        address->TargetId = static_cast<BYTE>(ReadU32(*scsi, "TargetId"));
        address->Lun = static_cast<BYTE>(ReadU32(*scsi, "Lun"));
        MpioLogAt(1, "found SCSI address %d.%d.%d.%d for pathid %" PRIx64 " of %s", address->PortNumber,
                  address->PathId, address->TargetId, address->Lun, pathId, deviceName);
        return true;
    }
    return false;
}

// Looks the device up in WMI and chooses its path (steps after the cache).
uint64_t ChoosePath(const char* deviceName, mpd* record, bool wantAddress, SCSI_ADDRESS* address) {
    const std::string instance = QueryPnpDeviceId(deviceName);
    if (instance.empty()) return 0;
    if (instance[0] != 'M') {
        MpioLogAt(1, "skipping non-MPIO device %s", instance.c_str());
        return 0;
    }
    if (!ReadPolicy(deviceName, instance, record)) return 0;
    const uint64_t chosen = analyze(*record);
    if (chosen == 0) return 0;
    if (!wantAddress) {
        record->chosenPath = chosen;
        record->address = SCSI_ADDRESS{};
        return chosen;
    }
    SCSI_ADDRESS found{};
    if (!FindScsiAddress(deviceName, instance, chosen, &found)) {
        MpioLog("pathid %08" PRIx64 ": could not find SCSI address", chosen);
        record->chosenPath = 0;
        return 0;
    }
    record->chosenPath = chosen;
    record->address = found;
    *address = found;
    MpioLogAt(1, "pathid %08" PRIx64 " => scsi %d.%d.%d.%d", chosen, found.PortNumber, found.PathId,
              found.TargetId, found.Lun);
    return chosen;
}

void DumpRequest(const char* caption, const SCSI_PASS_THROUGH_DIRECT* sptd) {
    if (g_MultipathLogLevel.load() < 1) return;
    MpioLog("%s", caption);
    MpioLog("SPTD @ 0x%p Length=%d Status=0x%x Path.Tgt.Lun=%d.%d.%d CdbLen=%d SenseInfoLen=%d",
            static_cast<const void*>(sptd), sptd->Length, sptd->ScsiStatus, sptd->PathId, sptd->TargetId,
            sptd->Lun, sptd->CdbLength, sptd->SenseInfoLength);
    MpioLog("     Op=0x%x DataIn=%d, DataTransferLen=%d, Timeout=%d Buf=0x%p, SenseInfoOffset=%d",
            sptd->Cdb[0], sptd->DataIn, static_cast<int>(sptd->DataTransferLength),
            static_cast<int>(sptd->TimeOutValue), sptd->DataBuffer, static_cast<int>(sptd->SenseInfoOffset));
}

// The error line of a failed pass-through; the last error is kept for the caller.
void LogPassThroughError(const char* controlName, const char* deviceName,
                         const SCSI_PASS_THROUGH_DIRECT* sptd, const SCSI_ADDRESS* path) {
    const DWORD error = GetLastError();
    char text[256] = {};
    if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                       text, sizeof text, nullptr) != 0) {
        size_t n = strnlen(text, sizeof text - 1);
        while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r')) text[--n] = '\0';
    }
    if (path != nullptr) {
        MpioLog("%s failed: 0x%x=%s op=0x%02x (%s) %d.%d.%d => %d.%d.%d.%d", controlName, error, text,
                sptd->Cdb[0], deviceName, sptd->PathId, sptd->TargetId, sptd->Lun, path->PortNumber,
                path->PathId, path->TargetId, path->Lun);
    } else {
        MpioLog("%s failed: 0x%x=%s op=0x%02x (%s) %d.%d.%d", controlName, error, text, sptd->Cdb[0],
                deviceName, sptd->PathId, sptd->TargetId, sptd->Lun);
    }
    SetLastError(error);
}

BOOL PathPassThrough(const char* deviceName, HANDLE device, DWORD ioControlCode,
                     SCSI_PASS_THROUGH_DIRECT* sptd, DWORD requestSize, uint64_t pathId,
                     const SCSI_ADDRESS& path, DWORD* bytesReturned, OVERLAPPED* overlapped) {
    auto block = std::make_unique<MPIO_REQUEST_BLOCK>();
    std::memset(block.get(), 0, sizeof *block);
    MPIO_PASS_THROUGH_PATH_DIRECT& mpio = block->request;
    mpio.PassThrough = *sptd;
    mpio.PassThrough.SenseInfoOffset = offsetof(MPIO_REQUEST_BLOCK, sense);
    mpio.PassThrough.PathId = path.PathId;
    mpio.PassThrough.TargetId = path.TargetId;
    mpio.PassThrough.Lun = path.Lun;
    mpio.Version = 0;
    mpio.Length = sizeof(MPIO_PASS_THROUGH_PATH_DIRECT);
    mpio.Flags = MPIO_IOCTL_FLAG_USE_SCSIADDRESS | MPIO_IOCTL_FLAG_INVOLVE_DSM;
    mpio.PortNumber = path.PortNumber;
    mpio.MpioPathId = pathId;
    MpioLogAt(1, "MPIO PASS THRU file=%s cmd=0x%x", deviceName, ioControlCode);
    MpioLogAt(1, "sizeof (*mbp)=%d, lpBytesReturned=%p, lpOverlapped=%p", static_cast<int>(sizeof *block),
              static_cast<void*>(bytesReturned), static_cast<void*>(overlapped));
    DumpRequest("Original SPTD:", sptd);
    DumpRequest("Modified SPTD:", &mpio.PassThrough);
    BOOL ok = DeviceIoControl(device, IOCTL_MPIO_PASS_THROUGH_PATH_DIRECT, block.get(), sizeof *block,
                              block.get(), sizeof *block, bytesReturned, overlapped);
    if (!ok) {
        LogPassThroughError("IOCTL_MPIO_PASS_THROUGH_PATH_DIRECT", deviceName, sptd, &path);
        return ok;
    }
    const SCSI_PASS_THROUGH_DIRECT& answered = mpio.PassThrough;
    MpioLogAt(
        1, "IOCTL_MPIO_PASS_THROUGH_PATH_DIRECT succeeded, op %x status %x SenseInfoLength %d transferlen %d",
        answered.Cdb[0], answered.ScsiStatus, answered.SenseInfoLength,
        static_cast<int>(answered.DataTransferLength));
    // Sense bytes go back no further than the caller's sense room and request block allow.
    size_t sense = std::min<size_t>({answered.SenseInfoLength, sptd->SenseInfoLength, sizeof block->sense});
    if (sptd->SenseInfoOffset >= requestSize) sense = 0;
    sense = std::min<size_t>(sense, requestSize - std::min<DWORD>(sptd->SenseInfoOffset, requestSize));
    uint8_t* callerSense = reinterpret_cast<uint8_t*>(sptd) + sptd->SenseInfoOffset;
    MpioLogAt(1, "copying back sense data back with: memcpy(0x%p, 0x%p, %d)", static_cast<void*>(callerSense),
              static_cast<void*>(block->sense), static_cast<int>(sense));
    if (sense > 0) std::memcpy(callerSense, block->sense, sense);
    sptd->ScsiStatus = answered.ScsiStatus;
    sptd->SenseInfoLength = static_cast<BYTE>(sense);
    sptd->DataTransferLength = std::min(answered.DataTransferLength, sptd->DataTransferLength);
    return ok;
}

}  // namespace

bool IsMpioCapableOs() {
    static std::atomic<DWORD> version{0};
    if (version.load() == 0) {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;
        if (GetVersionExA(&info)) version = info.dwMajorVersion * 256 + info.dwMinorVersion;
    }
    return version.load() >= kMpioCapableVersion;
}

void InvalidateMpioCache(const char* deviceName) {
    MpioLogAt(1, "invalidating mpio cache for %s", deviceName != nullptr ? deviceName : "all devices");
    if (deviceName == nullptr) {
        MpioCache().clear();
    } else {
        MpioCache().erase(deviceName);
    }
}

uint64_t GetMpioPath(const char* deviceName, uint32_t flags, SCSI_ADDRESS* address) {
    if (deviceName == nullptr || !HasDiskPrefix(deviceName)) {
        MpioLogAt(2, "No MPIO passthru needed for %s", deviceName != nullptr ? deviceName : "");
        return 0;
    }
    mpd& record = LookupMpd(deviceName);
    const bool wantAddress = (flags & MPIO_PATH_WANT_SCSI_ADDRESS) != 0;
    if (wantAddress && address == nullptr) return 0;
    if (record.chosenPath != 0) {
        if (wantAddress) {
            *address = record.address;
            MpioLogAt(1, "returning cached scsi address %d.%d.%d.%d (path %" PRIx64 ") for %s",
                      record.address.PortNumber, record.address.PathId, record.address.TargetId,
                      record.address.Lun, record.chosenPath, deviceName);
        } else {
            MpioLogAt(1, "returning cached path %" PRIx64 " for %s", record.chosenPath, deviceName);
        }
        return record.chosenPath;
    }
    try {
        return ChoosePath(deviceName, &record, wantAddress, address);
    } catch (const _com_error& e) {
        MpioLog("COM error: 0x%x", static_cast<unsigned>(e.Error()));
        MpioLog("COM error source: %s", e.Source().c_str());
        MpioLog("COM error description: %s", e.Description().c_str());
        if (!e.ErrorMessage().empty()) MpioLog("COM error message: %s", e.ErrorMessage().c_str());
        return 0;
    }
}

BOOL MpioPassThrough(const char* deviceName, HANDLE device, DWORD ioControlCode, void* request,
                     DWORD requestSize, DWORD* bytesReturned, OVERLAPPED* overlapped) {
    if (request == nullptr || requestSize < sizeof(SCSI_PASS_THROUGH_DIRECT)) {
        return DeviceIoControl(device, ioControlCode, request, requestSize, request, requestSize,
                               bytesReturned, overlapped);
    }
    auto* sptd = static_cast<SCSI_PASS_THROUGH_DIRECT*>(request);
    const uint8_t op = sptd->Cdb[0];
    if (ioControlCode == IOCTL_SCSI_PASS_THROUGH_DIRECT && (op == kOpWriteBuffer || op == kOpReadBuffer)) {
        SCSI_ADDRESS path{};
        const uint64_t pathId = GetMpioPath(deviceName, kPassThroughPathFlags, &path);
        if (pathId != 0) {
            return PathPassThrough(deviceName, device, ioControlCode, sptd, requestSize, pathId, path,
                                   bytesReturned, overlapped);
        }
    }
    DumpRequest("Before IOCTL_SCSI_PASS_THROUGH_DIRECT:", sptd);
    BOOL ok = DeviceIoControl(device, ioControlCode, request, requestSize, request, requestSize,
                              bytesReturned, overlapped);
    if (ok) {
        MpioLog("IOCTL_SCSI_PASS_THROUGH_PATH_DIRECT succeeded (%s)", deviceName);
    } else {
        LogPassThroughError("IOCTL_SCSI_PASS_THROUGH_PATH_DIRECT", deviceName, sptd, nullptr);
    }
    return ok;
}
