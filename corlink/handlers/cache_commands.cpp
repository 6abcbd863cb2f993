#include "corlink/handlers/cache_commands.h"

#include <array>
#include <cstring>
#include <set>

#include "corlink/capi/wrappers_unified.h"
#include "corlink/database/array_lookup.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/foundation/log.h"
#include "corlink/proxy_wire/buffers_arrays.h"
#include "corlink/proxy_wire/buffers_drives.h"

namespace {

using rre_wire::BufferAs;

constexpr uint32_t kOrphanPassBudget = 147456;
constexpr uint32_t kPassesWithoutProgress = 10;

const RRE_CACHE_PARAM_BUFFER& CacheRequest(const CommandContext& c) {
    return *BufferAs<RRE_CACHE_PARAM_BUFFER>(c.buffer);
}

int32_t RunFlushCache(CommandContext& c) {
    return CAPI_U_FlushCache(ControllerHandleOf(c.index),
                             BufferAs<RRE_SERIAL_BUFFER>(c.buffer)->serialNumber);
}
int32_t RunFreeCache(CommandContext& c) {
    return CAPI_U_FreeCache(ControllerHandleOf(c.index),
                            BufferAs<RRE_FREE_CACHE_BUFFER>(c.buffer)->serialNumber);
}
int32_t RunSetPartitionCacheParam(CommandContext& c) {
    const RRE_CACHE_PARAM_BUFFER& request = CacheRequest(c);
    return CAPI_U_SetArrayPartitionCacheParams(ControllerHandleOf(c.index), request.serialNumber,
                                               &request.params);
}
int32_t RunSetArrayCacheParam(CommandContext& c) {
    const RRE_CACHE_PARAM_BUFFER& request = CacheRequest(c);
    return CAPI_U_SetCacheParams(ControllerHandleOf(c.index), request.serialNumber, &request.params);
}
int32_t RunFreeOrphanData(CommandContext& c) { return freeAllChacheEx(c.index); }

}  // namespace

int32_t freeChache(int32_t index, const uint8_t* serial) {
    RefreshController(index);
    const int32_t code = CAPI_U_FreeCache(ControllerHandleOf(index), serial);
    DebugPrint("capicmd==>>freeChache.CAPI_U_FreeCache %d!\n", code);
    UpdateController(index);
    return code;
}

// Frees the orphan the controller names until it names none. A free that succeeds shows its progress by
// the controller naming an orphan not freed before (or a lower amount): many small orphans may share one
// percentage point. Ten passes in a row without either mean the frees no longer work; a controller that
// names the same orphans again and again makes no progress.
int32_t freeAllChacheEx(int32_t index) {
    using Serial = std::array<uint8_t, kObjectSerialSize>;
    const CAPI_CONTROLLER& controller = g_ControllerDb[static_cast<uint32_t>(index)].controller;
    uint32_t budget = kOrphanPassBudget;
    uint32_t stalled = 0;
    std::set<Serial> freedAtThisAmount;  // the orphans freed since the amount last fell
    while (controller.orphanDataPercent != 0) {
        const uint8_t before = controller.orphanDataPercent;
        Serial serial;
        std::memcpy(serial.data(), controller.orphanDataSerialNumber, serial.size());
        const int32_t code = freeChache(index, serial.data());
        if (code != 0) {
            DebugPrint("capicmd==>>freeAllChacheEx.freeChache %d!\n", code);
            return code;
        }
        if (--budget == 0) return 0;
        freedAtThisAmount.insert(serial);
        Serial named;
        std::memcpy(named.data(), controller.orphanDataSerialNumber, named.size());
        bool progress = freedAtThisAmount.count(named) == 0;
        if (controller.orphanDataPercent < before) {
            progress = true;
            freedAtThisAmount.clear();
        }
        stalled = progress ? 0 : stalled + 1;
        if (stalled == kPassesWithoutProgress) {
            DebugPrint("capicmd==>>freeAllChacheEx: orphan data stays at %d%%\n",
                       controller.orphanDataPercent);
            return -1;
        }
    }
    return 0;
}

const FramedCommand kFlushCache{Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunFlushCache, true,
                                nullptr};
const FramedCommand kFreeCache{Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunFreeCache, true,
                               nullptr};
const FramedCommand kSetPartitionCacheParam{
    Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunSetPartitionCacheParam, true, nullptr};
const FramedCommand kSetArrayCacheParam{
    Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunSetArrayCacheParam, true, nullptr};
const FramedCommand kFreeOrphanData{Lookup::ClientId,  FirstRead::None, true,   nullptr,
                                    RunFreeOrphanData, false,           nullptr};
