#include "corlink/commands/view_commands.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "corlink/capi/wrappers_unified.h"
#include "corlink/commands/array_partitions.h"
#include "corlink/commands/authentication.h"
#include "corlink/commands/controller_db.h"
#include "corlink/commands/controller_kinds.h"
#include "corlink/commands/controller_refresh.h"
#include "corlink/commands/controller_reresolve.h"
#include "corlink/commands/custom_view_record.h"
#include "corlink/commands/executor_state.h"
#include "corlink/service/log.h"
#include "corlink/service/nt_os.h"

namespace {

namespace rq = custom_view_request;

constexpr uint32_t kViewSize = sizeof(CAPI_PARTITION_VIEW_TABLE);
// GET_PARTITION_VIEW
constexpr uint32_t kSerialAt = 16;
constexpr uint32_t kViewAt = 48;
// GET_ALL_PART_VIEW: the count, the views, and 32 bytes after them.
constexpr uint32_t kViewCountAt = 12;
constexpr uint32_t kViewsAt = 16;
constexpr uint32_t kViewsTail = 32;
constexpr int kViewReadTries = 3;
constexpr int32_t kViewRetrySeconds = 10;
// CREATE_CUSTOM_VIEW
constexpr uint32_t kRequestCountAt = 8;
constexpr uint32_t kRequestsAt = 12;
constexpr int32_t kMapRetrySeconds = 3;

RAID_CONTROLLER& Entry(int32_t index) { return g_ControllerDb[static_cast<uint32_t>(index)]; }

uint32_t ReadU32(const uint8_t* at) {
    uint32_t value = 0;
    std::memcpy(&value, at, sizeof value);
    return value;
}
void PutU32(uint8_t* at, uint32_t value) { std::memcpy(at, &value, sizeof value); }

// After a send the controller is found again (a rediscovery may have moved it); false when it is gone.
bool StillThere(CommandContext& c) {
    c.index = FindControllerAgain(c.identity);
    if (c.index < 0) c.refusal = RRE_ERROR_NO_CONTROLLER;
    return c.index >= 0;
}

int32_t RunGetPartitionView(CommandContext& c) {
    const int32_t code = UpdatePartitionView(c.index, c.buffer + kSerialAt);
    if (!StillThere(c)) return code;
    std::memcpy(c.buffer + kViewAt, &Entry(c.index).partitionView, kViewSize);
    return code;
}

// --- GET_ALL_PART_VIEW ---

void DropPartViewCache(RAID_CONTROLLER& entry) {
    entry.partViewCacheSequenceNumber = -1;
    std::free(entry.partViewCache);
    entry.partViewCache = nullptr;
    entry.partViewCacheCount = 0;
}

bool PartViewCacheValid(const RAID_CONTROLLER& entry) {
    return entry.partViewCache != nullptr && entry.lastConfigSequenceNumber != -1 &&
           entry.partViewCacheSequenceNumber == entry.lastConfigSequenceNumber;
}

// One partition's view into the entry: up to three reads, 10 s apart.
int32_t ReadViewWithRetries(int32_t index, const uint8_t* serial) {
    int32_t code = -1;
    for (int attempt = 0; attempt < kViewReadTries; ++attempt) {
        if (attempt > 0) os_SleepSeconds(kViewRetrySeconds);
        code = UpdatePartitionView(index, serial);
        if (code == 0) break;
    }
    ClearAbsentChannelFlags(index);
    return code;
}

struct ViewList {
    uint32_t count = 0;
    bool complete = true;  // every partition's view was read and fits
    bool cut = false;      // views were left out for want of room
    int32_t code = 0;      // the result of the last partition's read
};

// Reads the view of every partition of the entry's arrays into the reply, at most `capacity` of them.
ViewList ReadAllViews(CommandContext& c, uint32_t capacity) {
    ViewList list;
    const uint32_t arrays = std::min<uint32_t>(Entry(c.index).controller.raid.numArrays, RAID_CONTROLLER_MAX_ARRAYS);
    for (uint32_t a = 0; a < arrays; ++a) {
        UpdateArrayPartition(c.index, static_cast<int32_t>(a));
        if (!StillThere(c)) return list;
        const uint32_t partitions = Entry(c.index).arrays[a].largeNumArrayPartitions;
        for (uint32_t p = 0; p < partitions; ++p) {
            const CAPI_ARRAY_PARTITION* record = gCapiArrayPartitions.Find(static_cast<uint32_t>(c.index), a, p);
            if (record == nullptr) {
                DebugPrint("ERROR: assertion failed! (%s) at %s line %d\n", "gCapiArrayPartitions[controller][i][j]",
                           __FILE__, __LINE__);
                list.complete = false;
                continue;
            }
            if (list.count == capacity) {
                list.complete = false;
                list.cut = true;
                return list;
            }
            uint8_t serial[sizeof record->serialNumber];
            std::memcpy(serial, record->serialNumber, sizeof serial);
            list.code = ReadViewWithRetries(c.index, serial);
            if (!StillThere(c)) return list;
            if (list.code != 0) {
                DebugPrint("capiGetAllPartView %.32s fail!\n", reinterpret_cast<const char*>(serial));
                list.complete = false;
                continue;
            }
            std::memcpy(c.buffer + kViewsAt + list.count * kViewSize, &Entry(c.index).partitionView, kViewSize);
            ++list.count;
        }
    }
    return list;
}

// Views are answered from the entry's cache while the controller's configuration is unchanged. A list cut
// at the reply buffer answers -1; a list with a failed read or cut short is not kept.
int32_t RunGetAllPartView(CommandContext& c) {
    RAID_CONTROLLER& entry = Entry(c.index);
    const uint32_t capacity = (c.rre->BufferSize - kViewsAt - kViewsTail) / kViewSize;
    uint32_t n = 0;
    int32_t code = 0;
    if (PartViewCacheValid(entry)) {
        n = std::min(entry.partViewCacheCount, capacity);
        std::memcpy(c.buffer + kViewsAt, entry.partViewCache, size_t{n} * kViewSize);
        if (n < entry.partViewCacheCount) code = -1;
    } else {
        DropPartViewCache(entry);
        const int32_t sequence = entry.lastConfigSequenceNumber;
        const ViewList list = ReadAllViews(c, capacity);
        if (c.refusal != 0) return -1;
        n = list.count;
        code = list.cut ? -1 : list.code;
        if (list.complete) {
            RAID_CONTROLLER& now = Entry(c.index);
            now.partViewCache = static_cast<CAPI_PARTITION_VIEW_TABLE*>(safe_malloc(std::max<size_t>(n, 1) * kViewSize));
            std::memcpy(now.partViewCache, c.buffer + kViewsAt, size_t{n} * kViewSize);
            now.partViewCacheCount = n;
            now.partViewCacheSequenceNumber = sequence;
        }
    }
    std::memset(c.buffer + kViewsAt + size_t{n} * kViewSize, 0, kViewsTail);
    PutU32(c.buffer + kViewCountAt, n);
    c.replyLength = static_cast<int32_t>(kViewsAt + n * kViewSize + kViewsTail);
    return code;
}

void LogAllPartViewClosing(const CommandContext& c, const char* outcome) {
    DebugPrint("capicmd==>>capiGetAllPartView %s! nViewItem=%d\n", outcome, static_cast<int>(ReadU32(c.buffer + kViewCountAt)));
}

// --- CREATE_CUSTOM_VIEW ---

HostInterfaceKind KindOf(int32_t index) {
    HostInterfaceKind kind;
    kind.fc = IsFCHIM(index);
    kind.sas = IsSASHIM(index);
    kind.iscsi = IsiSCSIHIM(index);
    kind.hybrid = IsHybrid(index);
    kind.channels = std::min(Entry(index).controller.numHostChannels, CUSTOM_VIEW_CHANNELS);
    return kind;
}

// The partition's view into the entry, waited for (at most 60 s); false when no view was stored.
bool ReadViewForMapping(int32_t index, const uint8_t* serial, int32_t* code) {
    RAID_CONTROLLER& entry = Entry(index);
    entry.updateStatus = UPDATE_STATUS_PENDING;
    std::memset(&entry.partitionView, 0, sizeof entry.partitionView);
    const int32_t result = CAPI_U_GetPartitionView(entry.controllerHandle, serial);
    const int wait = WaitForUpdate(result, index);
    if (wait == UPDATE_WAIT_STORED) return true;
    *code = result != 0 ? result : -1;
    return false;
}

void LogMapRequest(const CAPI_MAP_UNMAP_PARAMS& record) {
    const uint8_t* s = record.partitionSerialNumber;
    const uint8_t* w = record.flexId.FCPortWWN;
    const uint8_t* f = record.mapping.flags;
    DebugPrint("Map request:\n");
    DebugPrint("    partSN: %02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X\n", s[0], s[1], s[2], s[3],
               s[4], s[5], s[6], s[7], s[8], s[9], s[10], s[11], s[12], s[13], s[14], s[15]);
    DebugPrint("     flags: 0x%x\n", record.value76);
    DebugPrint("       iqn: %.223s\n", InitiatorNameOf(record));
    DebugPrint("       wwn: %02X%02X%02X%02X%02X%02X%02X%02X\n", w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7]);
    DebugPrint("    flexid: type %d deviceId 0x%x chIndex %d unitNum %d\n", record.flexId.type, record.flexId.deviceId,
               record.flexId.channelIndex, record.flexId.unitNum);
    DebugPrint("       map: hlun %d flags %x %x %x %x %x %x %x %x\n", record.mapping.hlun, f[0], f[1], f[2], f[3], f[4],
               f[5], f[6], f[7]);
}

// Sends the record, and once more after the flex host list and 3 s when the controller refused it.
int32_t SendMapRecord(int32_t index, uint8_t ab, const CAPI_MAP_UNMAP_PARAMS& record) {
    const CAPI_HANDLE handle = Entry(index).controllerHandle;
    int32_t code = CAPI_U_MapUnmapPartition(handle, &record);
    if (code == 0) return 0;
    DebugPrint("Map request failed with hr=0x%x, retrying\n", static_cast<uint32_t>(code));
    CAPI_U_GetFlexHostList(handle, ab);
    os_SleepSeconds(kMapRetrySeconds);
    return CAPI_U_MapUnmapPartition(handle, &record);
}

enum class Step : uint8_t { Sent, Refused, Ended };

// One mapping request: its controller looked up and authorised, its view read, its flags merged and
// checked, the record sent. Ended: the command ends with *code (a failed view read, conflicting flags).
Step CarryOutMapping(CommandContext& c, const uint8_t* request, CAPI_PARTITION_VIEW_TABLE& view,
                     CAPI_MAP_UNMAP_PARAMS& record, int32_t* code) {
    uint8_t ab = 0;
    int32_t index = FindRealControllerByClientId(ReadU32(request + rq::kControllerId), &ab);
    if (index < 0 || (c.rre->Trusted == 0 && IsControllerAuthorized(index) == 0)) {
        c.refusal = RRE_ERROR_NO_CONTROLLER;
        return Step::Refused;
    }
    if (IsConfigChangeRefused(index) != 0) {
        c.refusal = RRE_ERROR_CHANGE_REFUSED;
        return Step::Refused;
    }
    g_CurrentController = index;
    const ControllerIdentity identity = IdentityOf(index, true);
    auto again = [&] {
        index = FindControllerAgain(identity);
        if (index < 0) c.refusal = RRE_ERROR_NO_CONTROLLER;
        return index >= 0;
    };

    std::memset(&record, 0, sizeof record);
    const HostInterfaceKind kind = KindOf(index);
    FillMapRecord(record, request, kind);
    const bool read = ReadViewForMapping(index, request + rq::kSerial, code);
    if (!again()) return Step::Refused;
    if (!read) return Step::Ended;
    ClearAbsentChannelFlags(index);
    std::memcpy(&view, &Entry(index).partitionView, sizeof view);
    uint8_t keep[CUSTOM_VIEW_CHANNELS];
    std::memcpy(keep, request + rq::kKeepMarkers, sizeof keep);
    MergeChannelFlags(record, keep, view, kind);
    DebugPrint("IsFCHIM %d IsiSCSIHIM %d sSASHIM %d IsHybrid %d\n", kind.fc, kind.iscsi, kind.sas, kind.hybrid);
    bool readOnlySpread = false;
    if (!CheckChannelFlags(record, kind, &readOnlySpread)) {
        *code = -1;
        return Step::Ended;
    }
    if (readOnlySpread) DebugPrint("capiCreateCustomView set readonly flag for all channels!\n");

    RefreshController(index);
    if (!again()) return Step::Refused;
    LogMapRequest(record);
    *code = SendMapRecord(index, ab, record);
    if (!again()) return Step::Refused;
    RefreshController(index);
    if (!again()) return Step::Refused;
    DropPartViewCache(Entry(index));
    return Step::Sent;
}

// Each mapping request carries its own controller id; a refusal ends the command even after mappings
// were sent. A count above 128 is answered -1 with nothing sent.
int32_t RunCreateCustomView(CommandContext& c) {
    const uint32_t count = ReadU32(c.buffer + kRequestCountAt);
    if (count > CUSTOM_VIEW_MAX_REQUESTS) {
        DebugPrint("capiCreateCustomView: %u mapping requests, at most %u\n", count, CUSTOM_VIEW_MAX_REQUESTS);
        return -1;
    }
    auto view = std::make_unique<CAPI_PARTITION_VIEW_TABLE>();
    CAPI_MAP_UNMAP_PARAMS record;
    std::memset(&record, 0, sizeof record);
    int32_t code = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const Step step = CarryOutMapping(c, c.buffer + kRequestsAt + i * CUSTOM_VIEW_REQUEST_SIZE, *view, record, &code);
        if (step == Step::Refused) return code;
        if (step == Step::Ended) break;
    }
    DebugPrint("capicmd==>>capiCreateCustomView lun=%d flags=%02x %02x!\n", record.mapping.hlun, record.mapping.flags[0],
               record.mapping.flags[1]);
    return code;
}

}  // namespace

const FramedCommand kGetPartitionView{Lookup::RealController, FirstRead::Refresh, false, nullptr, RunGetPartitionView,
                                      false, nullptr};
const FramedCommand kGetAllPartView{Lookup::ClientId, FirstRead::Refresh, false, nullptr, RunGetAllPartView, false,
                                    nullptr, LogAllPartViewClosing};
const FramedCommand kCreateCustomView{Lookup::None, FirstRead::None, false, nullptr, RunCreateCustomView, false, nullptr};
