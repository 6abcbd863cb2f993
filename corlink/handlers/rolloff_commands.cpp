// Rolloff volumes: full copies of a volume into a new volume of its own, started, aborted and listed.
#include <cstring>

#include "corlink/capi/wrappers_unified.h"
#include "corlink/capi_wire/capi_reply_codes.h"
#include "corlink/capi_wire/capi_snapshot.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/reply_buffers.h"
#include "corlink/foundation/log.h"
#include "corlink/handlers/snapshot_commands.h"
#include "corlink/proxy_wire/buffers_snapshots.h"

namespace {

using rre_wire::BufferAs;

constexpr uint8_t kRolloffListSelector = 2;
constexpr uint32_t kSerialLength = RRE_ROLLOFF_SERIAL_SIZE;

const char* Outcome(int32_t code) { return code == 0 ? "success" : "failed"; }

const CAPI_ROLLOFF_VOLUME* StoredRolloffVolumes() {
    return reinterpret_cast<const CAPI_ROLLOFF_VOLUME*>(g_RolloffVolumeListReply);
}

// The rolloff volume created from the request's source is looked up in the controller's list; the reply's
// serial field keeps what the client sent when the list does not show it.
int32_t RunRolloffVolume(CommandContext& c) {
    auto* buffer = BufferAs<RRE_ROLLOFF_BUFFER>(c.buffer);
    const CAPI_ROLLOFF_PARAMS* params = &buffer->params;
    int32_t code = CAPI_U_Rolloff(ControllerHandleOf(c.index), params);
    DebugPrint("capicmd==>>capiRolloffVolume %s!\n", Outcome(code));
    if (code != 0) return code;
    // A rediscovery inside the first send may have moved the controller's entry.
    c.index = FindControllerAgain(c.identity);
    if (c.index < 0) return -1;
    ClearStoredReply(CAPI_REPLY_U_GET_ROLLOFF_VOLUME_LIST);
    code = CAPI_U_GetRolloffVolumeList(ControllerHandleOf(c.index), kRolloffListSelector);
    DebugPrint("capicmd==>>capiRolloffVolume Get Rolloff Volume List %s!\n", Outcome(code));
    if (code != 0) return code;
    for (uint32_t i = 0; i < g_RolloffVolumeCount; ++i) {
        const CAPI_ROLLOFF_VOLUME& entry = StoredRolloffVolumes()[i];
        if (std::memcmp(entry.sourceSerialNumber, params->volumeSerialNumber, kSerialLength) != 0) continue;
        std::memcpy(buffer->rolloffSerial, entry.serialNumber, kSerialLength);
        break;
    }
    return code;
}

int32_t RunAbortRolloffVolume(CommandContext& c) {
    return CAPI_U_AbortRolloff(ControllerHandleOf(c.index),
                               BufferAs<RRE_ABORT_ROLLOFF_BUFFER>(c.buffer)->abortRecord);
}

// Only a list the controller gave is copied; after a failure the entries go back as the client sent them.
int32_t RunGetRolloffVolumeList(CommandContext& c) {
    ClearStoredReply(CAPI_REPLY_U_GET_ROLLOFF_VOLUME_LIST);
    auto* buffer = BufferAs<RRE_ROLLOFF_LIST_BUFFER>(c.buffer);
    const int32_t code = CAPI_U_GetRolloffVolumeList(ControllerHandleOf(c.index), buffer->selector);
    if (code != 0) return code;
    static_assert(sizeof buffer->list == ROLLOFF_VOLUME_LIST_REPLY_SIZE);
    std::memset(buffer->list, 0, ROLLOFF_VOLUME_LIST_REPLY_SIZE);
    std::memcpy(buffer->list, g_RolloffVolumeListReply,
                static_cast<size_t>(g_RolloffVolumeCount) * ROLLOFF_VOLUME_RECORD_SIZE);
    buffer->count = g_RolloffVolumeCount;
    return code;
}

}  // namespace

// The rolloff writes its own closing lines, one per controller command.
const FramedCommand kRolloffVolume{
    Lookup::RealController, FirstRead::Refresh, false, nullptr, RunRolloffVolume, false, ""};
const FramedCommand kAbortRolloffVolume{
    Lookup::RealController, FirstRead::Refresh, false, nullptr, RunAbortRolloffVolume, false, nullptr};
const FramedCommand kGetRolloffVolumeList{
    Lookup::RealController, FirstRead::Refresh, false, nullptr, RunGetRolloffVolumeList, false, nullptr};
