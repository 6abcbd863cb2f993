#include "corlink/database/partition_view_cache.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "corlink/foundation/nt_os.h"

bool PartViewCacheValid(const RAID_CONTROLLER& entry) {
    return entry.partViewCache != nullptr && entry.lastConfigSequenceNumber != -1 &&
           entry.partViewCacheSequenceNumber == entry.lastConfigSequenceNumber;
}

void KeepPartViews(RAID_CONTROLLER& entry, const uint8_t* views, uint32_t n, int32_t sequence) {
    DropPartViewCache(entry);
    const size_t bytes = size_t{n} * sizeof(CAPI_PARTITION_VIEW_TABLE);
    // An empty list is kept too: a block of one view's size stands for it.
    entry.partViewCache = static_cast<CAPI_PARTITION_VIEW_TABLE*>(
        safe_malloc(std::max(bytes, sizeof(CAPI_PARTITION_VIEW_TABLE))));
    std::memcpy(entry.partViewCache, views, bytes);
    entry.partViewCacheCount = n;
    entry.partViewCacheSequenceNumber = sequence;
}

void DropPartViewCache(RAID_CONTROLLER& entry) {
    entry.partViewCacheSequenceNumber = -1;
    std::free(entry.partViewCache);
    entry.partViewCache = nullptr;
    entry.partViewCacheCount = 0;
}
