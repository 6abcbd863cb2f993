// The cache commands: flush or free the cached data of an array or a partition (freeing an orphaned
// volume's data takes it from the orphan cache), and set their cache parameters.
#include <algorithm>
#include <cstring>

#include "corlink/capi_wire/capi_array.h"
#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "sim/capi/command_rows.h"
#include "sim/capi/object_id.h"

namespace sim {
namespace {

constexpr uint32_t kIncludeCacheParams = 36;

// Whether the 32-byte id names an array or a partition of the pair.
bool Known(StorageSystem& pair, const uint8_t* id) {
    return id != nullptr && (FindArray(pair, id) != nullptr || FindPartition(pair, id) != nullptr);
}

void FlushCache(Call& call) {
    if (!Known(call.pair(), call.IncludeAt(0, 32))) call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
}

void FreeCache(Call& call) {
    const uint8_t* id = call.IncludeAt(0, 32);
    if (id == nullptr) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    auto& orphans = call.pair().orphanCache;
    const auto orphan = std::find_if(orphans.begin(), orphans.end(), [&](const Serial16& s) {
        return std::memcmp(s.data(), id, s.size()) == 0;
    });
    if (orphan != orphans.end()) {
        orphans.erase(orphan);
    } else if (!Known(call.pair(), id)) {
        call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    }
}

void SetCacheParams(Call& call) {
    if (!Known(call.pair(), call.IncludeAt(offsetof(CAPI_UNIFIED_CACHE_PARAMS, reserved32), 32))) {
        call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    }
}

constexpr CommandRow kRows[] = {
    // clang-format off
    {CAPI_COMMAND_U_SET_ARRAY_PARTITION_CACHE_PARAMS, "U_SET_ARRAY_PARTITION_CACHE_PARAMS", kIncludeCacheParams,
     sizeof(CAPI_UNIFIED_CACHE_PARAMS), true, Sequence::PairInParams23, SetCacheParams},
    {CAPI_COMMAND_U_FLUSH_CACHE, "U_FLUSH_CACHE", kIncludeObjectId, 32, false, Sequence::PairInParams23, FlushCache},
    {CAPI_COMMAND_U_FREE_CACHE, "U_FREE_CACHE", kIncludeObjectId, 32, true, Sequence::PairInParams23, FreeCache},
    {CAPI_COMMAND_U_SET_CACHE_PARAMS, "U_SET_CACHE_PARAMS", kIncludeCacheParams, sizeof(CAPI_UNIFIED_CACHE_PARAMS),
     true, Sequence::PairInParams23, SetCacheParams},
    // clang-format on
};

}  // namespace

CommandFamily CacheCommands() { return kRows; }

}  // namespace sim
