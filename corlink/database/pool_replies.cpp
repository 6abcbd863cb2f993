// Paged-storage pool replies: the pool list and the components of one pool.
#include <algorithm>
#include <cstring>

#include "corlink/capi_wire/capi_reply_codes.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/reply_storage.h"
#include "corlink/foundation/log.h"

int StorePoolReply(const ReplyArgs& reply) {
    RAID_CONTROLLER& entry = g_ControllerDb[static_cast<uint32_t>(reply.index)];
    const auto* records = static_cast<const uint8_t*>(reply.payload);
    switch (reply.replyCode) {
        case CAPI_REPLY_U_GET_PS_POOLS: {
            DebugPrint("Reply: get PS pools: param1(num pools)=%d\n", reply.param1);
            entry.updateStatus = UPDATE_STATUS_STORED;
            // Pools beyond the table are dropped.
            const uint32_t count = std::min<uint32_t>(reply.param1, RAID_CONTROLLER_MAX_POOLS);
            if (records != nullptr)
                std::memcpy(entry.pools, records, count * RAID_CONTROLLER_POOL_RECORD_SIZE);
            entry.numPools = count;
            entry.numPoolComponents = 0;
            entry.numComponents = 0;
            std::memset(entry.poolFirstComponent, 0, sizeof entry.poolFirstComponent);
            return 1;
        }
        case CAPI_REPLY_U_GET_PS_POOL_COMPONENTS: {
            DebugPrint("Reply: get PS components: param1(num components)=%d\n", reply.param1);
            entry.updateStatus = UPDATE_STATUS_STORED;
            // Components beyond the table's free slots are dropped.
            const uint32_t used =
                std::min<uint32_t>(entry.numComponents, RAID_CONTROLLER_MAX_POOL_COMPONENTS);
            const uint32_t count =
                std::min<uint32_t>(reply.param1, RAID_CONTROLLER_MAX_POOL_COMPONENTS - used);
            if (records != nullptr) {
                std::memcpy(entry.components[used], records, count * RAID_CONTROLLER_POOL_RECORD_SIZE);
            }
            entry.numPoolComponents = count;
            return 1;
        }
        default: return 0;
    }
}
