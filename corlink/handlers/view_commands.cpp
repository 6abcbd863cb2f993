#include "corlink/handlers/view_commands.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "corlink/database/array_partitions.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/database/partition_view_cache.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/handlers/controller_reresolve.h"
#include "corlink/proxy_wire/buffers_hosts.h"

namespace {

using rre_wire::BufferAs;

constexpr uint32_t kViewSize = sizeof(CAPI_PARTITION_VIEW_TABLE);
// GET_ALL_PART_VIEW: the count, the views, and the bytes after them.
constexpr uint32_t kViewsAt = offsetof(RRE_ALL_VIEWS_BUFFER, views);
constexpr uint32_t kViewsTail = sizeof(RRE_ALL_VIEWS_BUFFER::tail);
constexpr int kViewReadTries = 3;
constexpr int32_t kViewRetrySeconds = 10;

RAID_CONTROLLER& Entry(int32_t index) { return g_ControllerDb[static_cast<uint32_t>(index)]; }

// After a send the controller is found again (a rediscovery may have moved it); false when it is gone.
bool StillThere(CommandContext& c) {
    c.index = FindControllerAgain(c.identity);
    if (c.index < 0) c.refusal = RRE_ERROR_NO_CONTROLLER;
    return c.index >= 0;
}

int32_t RunGetPartitionView(CommandContext& c) {
    auto* buffer = BufferAs<RRE_PARTITION_VIEW_BUFFER>(c.buffer);
    const int32_t code = UpdatePartitionView(c.index, buffer->serialNumber);
    if (!StillThere(c)) return code;
    std::memcpy(&buffer->view, &Entry(c.index).partitionView, kViewSize);
    return code;
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
    const uint32_t arrays =
        std::min<uint32_t>(Entry(c.index).controller.raid.numArrays, RAID_CONTROLLER_MAX_ARRAYS);
    for (uint32_t a = 0; a < arrays; ++a) {
        UpdateArrayPartition(c.index, static_cast<int32_t>(a));
        if (!StillThere(c)) return list;
        const uint32_t partitions = Entry(c.index).arrays[a].largeNumArrayPartitions;
        for (uint32_t p = 0; p < partitions; ++p) {
            const CAPI_ARRAY_PARTITION* record =
                gCapiArrayPartitions.Find(static_cast<uint32_t>(c.index), a, p);
            if (record == nullptr) {
                DebugPrint("ERROR: assertion failed! (%s) at %s line %d\n",
                           "gCapiArrayPartitions[controller][i][j]", __FILE__, __LINE__);
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
            std::memcpy(c.buffer + kViewsAt + list.count * kViewSize, &Entry(c.index).partitionView,
                        kViewSize);
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
        if (list.complete) KeepPartViews(Entry(c.index), c.buffer + kViewsAt, n, sequence);
    }
    std::memset(c.buffer + kViewsAt + size_t{n} * kViewSize, 0, kViewsTail);
    BufferAs<RRE_ALL_VIEWS_BUFFER>(c.buffer)->viewCount = n;
    c.replyLength = static_cast<int32_t>(kViewsAt + n * kViewSize + kViewsTail);
    return code;
}

void LogAllPartViewClosing(const CommandContext& c, const char* outcome) {
    const uint32_t n = BufferAs<RRE_ALL_VIEWS_BUFFER>(c.buffer)->viewCount;
    DebugPrint("capicmd==>>capiGetAllPartView %s! nViewItem=%d\n", outcome, static_cast<int>(n));
}

}  // namespace

const FramedCommand kGetPartitionView{
    Lookup::RealController, FirstRead::Refresh, false, nullptr, RunGetPartitionView, false, nullptr};
const FramedCommand kGetAllPartView{Lookup::ClientId, FirstRead::Refresh,   false,
                                    nullptr,          RunGetAllPartView,    false,
                                    nullptr,          LogAllPartViewClosing};
