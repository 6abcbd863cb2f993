#include "corlink/handlers/controller_list_commands.h"

#include <cstddef>
#include <cstring>

#include "corlink/capi/wrappers_unified.h"
#include "corlink/capi_wire/byte_order.h"
#include "corlink/database/capi_session.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/database/database_state.h"
#include "corlink/database/reply_buffers.h"
#include "corlink/database/storage_system.h"
#include "corlink/database/storage_systems.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/handlers/handler_frame.h"
#include "corlink/proxy_wire/controller_list_wire.h"

namespace {

constexpr uint32_t kSideListSize = 32;
constexpr char kUninitializedPassword[] = "uninitialized";

// The responding controllers of one side (failoverId 1 for A, 0 for B), in database order.
struct SideList {
    int32_t index[kSideListSize] = {};
    bool used[kSideListSize] = {};
    uint32_t count = 0;
};

// Sorts the responding controllers that answer the sequence-number command into the A and B lists.
void CollectSides(SideList& a, SideList& b) {
    for (uint32_t i = 0; i < g_NumControllers; ++i) {
        const int32_t index = static_cast<int32_t>(i);
        g_CurrentController = index;
        if (!IsControllerResponding(index)) {
            DebugPrint("skipping controller %u (no response?)", i);
            continue;
        }
        if (CAPI_U_GetConfigSequenceNumber(ControllerHandleOf(index)) != 0) {
            DebugPrint("CAPI_U_GetConfigSequenceNumber(%d) failed\n", index);
            continue;
        }
        const uint8_t failoverId = g_ControllerDb[i].controller.failover.failoverId;
        SideList* side = failoverId == 1 ? &a : failoverId == 0 ? &b : nullptr;
        if (side == nullptr || side->count >= kSideListSize) continue;
        DebugPrint(
            side == &a ? "Adding controller %d to entry A[%d]\n" : "Adding controller %d to entry B[%d]\n",
            index, side->count);
        side->index[side->count++] = index;
    }
}

class HandleDbWriter {
  public:
    explicit HandleDbWriter(uint8_t* buffer) : reply_(rre_wire::BufferAs<RRE_HANDLE_DB_BUFFER>(buffer)) {}

    void Add(int32_t entry, int32_t a, int32_t b) {
        if (count_ >= RRE_HANDLE_DB_MAX_RECORDS) return;
        RRE_HANDLE_DB_RECORD& record = reply_->records[count_];
        const char* uniqueSN = g_ControllerDb[static_cast<uint32_t>(entry)].UniqueSN;
        std::memcpy(record.UniqueSN, uniqueSN, strnlen(uniqueSN, RAID_CONTROLLER_UNIQUE_SN_SIZE - 1));
        record.controllerIdA = os_htonl(a >= 0 ? GetClientControllerId(a) : 0);
        record.controllerIdB = os_htonl(b >= 0 ? GetClientControllerId(b) : 0);
        ++count_;
    }

    uint32_t Finish() const {
        reply_->recordCount = os_htonl(count_);
        for (uint32_t r = 0; r < count_; ++r) {
            const RRE_HANDLE_DB_RECORD& record = reply_->records[r];
            DebugPrint("[%d].A=%08x B=%08x\n", r, record.controllerIdA, record.controllerIdB);
        }
        return count_;
    }

  private:
    RRE_HANDLE_DB_BUFFER* reply_;
    uint32_t count_ = 0;
};

bool SameSerial(int32_t a, int32_t b) {
    return std::memcmp(g_ControllerDb[static_cast<uint32_t>(b)].controller.serialNumber,
                       g_ControllerDb[static_cast<uint32_t>(a)].controller.failover.otherSerialNumber,
                       sizeof(g_ControllerDb[0].controller.serialNumber)) == 0;
}

void WritePairs(SideList& a, SideList& b, HandleDbWriter& writer) {
    for (uint32_t i = 0; i < a.count; ++i) {
        for (uint32_t j = 0; j < b.count; ++j) {
            if (b.used[j] || !SameSerial(a.index[i], b.index[j])) continue;
            writer.Add(a.index[i], a.index[i], b.index[j]);
            a.used[i] = b.used[j] = true;
            break;
        }
    }
    for (uint32_t k = 0; k < kSideListSize; ++k) {
        if (k < a.count && !a.used[k]) writer.Add(a.index[k], a.index[k], -1);
        if (k < b.count && !b.used[k]) writer.Add(b.index[k], -1, b.index[k]);
    }
}

}  // namespace

void capiGetControllerHandleDb(Rre* pRre, const RreCommandInfo& info) {
    DebugPrint("capicmd==>>capiGetControllerHandleDb (gNumControllers=%d)\n", g_NumControllers);
    if (!RreFrameChecks(pRre, info)) return;
    if (pRre->Length > RRE_HANDLE_DB_REDISCOVER_OFFSET &&
        rre_wire::BufferAs<RRE_HANDLE_DB_BUFFER>(pRre->Buffer)->rediscover == 1) {
        CAPI_Initialize_Main();
    }
    std::memset(pRre->Buffer, 0, RRE_HANDLE_DB_LENGTH);
    SideList a;
    SideList b;
    CollectSides(a, b);
    HandleDbWriter writer(pRre->Buffer);
    WritePairs(a, b, writer);
    const uint32_t count = writer.Finish();
    RreWriteHead(pRre, 0, 0);
    pRre->ReplyLength = static_cast<int32_t>(RRE_HANDLE_DB_LENGTH);
    DebugPrint("capicmd==>>capiGetControllerHandleDb success systemCount=%d\n", count);
}

void capiGetStorageSystems(Rre* pRre, const RreCommandInfo& info) {
    if (!RreFrameBegin(pRre, info)) return;
    UpdateStorageSystems();
    uint8_t* buffer = pRre->Buffer;
    auto* reply = rre_wire::BufferAs<RRE_STORAGE_SYSTEMS_BUFFER>(buffer);
    reply->systemCount = static_cast<uint32_t>(nStorageSystem);
    STORAGE_SYSTEM* table = reply->systems;
    static_assert(sizeof gStorageSystems == sizeof reply->systems);
    std::memcpy(static_cast<void*>(table), gStorageSystems, sizeof gStorageSystems);
    for (uint32_t i = 0; i < STORAGE_SYSTEM_TABLE_SIZE; ++i) {
        const uint32_t authenticated = table[i].authenticated;
        if (authenticated != 0) continue;
        char password[sizeof(table[i].password)] = {};
        std::memcpy(password, kUninitializedPassword, sizeof kUninitializedPassword);
        std::memcpy(table[i].password, password, sizeof password);
    }
    std::memset(buffer, 0, offsetof(RRE_STORAGE_SYSTEMS_BUFFER, systemCount));
    DebugPrint("capicmd==>>capiGetStorageSystems %s nStorageSystem=%d!\n", "success", nStorageSystem);
    PackRreGetStorageSystems(PACK_TO_NETWORK, buffer);
}

void capiNeedUpdateController(Rre* pRre, const RreCommandInfo& info) {
    if (!RreFrameBegin(pRre, info)) return;
    uint8_t* buffer = pRre->Buffer;
    PackRreNeedUpdateController(PACK_FROM_NETWORK, buffer);
    auto* request = rre_wire::BufferAs<RRE_NEED_UPDATE_BUFFER>(buffer);
    const char* uniqueSN = request->UniqueSN;
    uint8_t answer = 0;
    for (int32_t s = 0; s < nStorageSystem && s < static_cast<int32_t>(STORAGE_SYSTEM_TABLE_SIZE); ++s) {
        const STORAGE_SYSTEM& system = gStorageSystems[s];
        if (!HasUniqueSn(system, uniqueSN)) continue;
        const int32_t a = FindControllerByHandle(system.controllerHandleA);
        const int32_t b = FindControllerByHandle(system.controllerHandleB);
        if (a >= 0 && isNeedRefreshController(a) == 1) {
            answer = 1;
            g_ControllerDb[static_cast<uint32_t>(a)].needRefresh = 0;
            if (b >= 0) g_ControllerDb[static_cast<uint32_t>(b)].needRefresh = 0;
            break;
        }
        if (b >= 0 && isNeedRefreshController(b) == 1) {
            answer = 1;
            g_ControllerDb[static_cast<uint32_t>(b)].needRefresh = 0;
            break;
        }
    }
    request->answer = answer;
    std::memset(&request->head, 0, sizeof request->head);
    DebugPrint("capicmd==>>capiNeedUpdateController %s!\n", "success");
    PackRreNeedUpdateController(PACK_TO_NETWORK, buffer);
    pRre->ReplyLength = static_cast<int32_t>(RRE_NEED_UPDATE_LENGTH);
}

namespace {

// The controller's unified record as it answers now; the reply callback stores it in the shared buffer.
int32_t RunGetUnifiedControllerData(CommandContext& c) {
    g_ControllerDb[static_cast<uint32_t>(c.index)].updateStatus = UPDATE_STATUS_PENDING;
    const int32_t result = CAPI_U_GetControllerData(ControllerHandleOf(c.index));
    if (g_ControllerDb[static_cast<uint32_t>(c.index)].shutdown != 1) WaitForUpdate(result, c.index);
    c.index = FindControllerAgain(c.identity);
    if (c.index < 0) {
        c.refusal = RRE_ERROR_NO_CONTROLLER;
        return result;
    }
    RefreshController(c.index);
    std::memcpy(&rre_wire::BufferAs<RRE_UNIFIED_CONTROLLER_DATA_BUFFER>(c.buffer)->controller,
                static_cast<const void*>(&g_UnifiedControllerBuffer), sizeof g_UnifiedControllerBuffer);
    c.replyLength = static_cast<int32_t>(RRE_UNIFIED_CONTROLLER_DATA_LENGTH);
    return result;
}

}  // namespace

const FramedCommand kGetUnifiedControllerData{
    Lookup::RealController, FirstRead::Refresh, false, nullptr, RunGetUnifiedControllerData, false, nullptr};
