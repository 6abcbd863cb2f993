// Rolloff volumes: full copies of a volume into a new volume of its own, started, aborted and listed.
#include <cstring>

#include "corlink/capi/capi_reply_codes.h"
#include "corlink/capi/capi_snapshot.h"
#include "corlink/capi/wrappers_unified.h"
#include "corlink/commands/controller_db.h"
#include "corlink/commands/reply_buffers.h"
#include "corlink/commands/snapshot_commands.h"
#include "corlink/foundation/log.h"

namespace {

constexpr uint32_t kRolloffParamsAt = 12;  // ROLLOFF_VOLUME: the rolloff parameters, the source's serial first
constexpr uint32_t kCreatedVolumeAt = 524;  // ROLLOFF_VOLUME: the reply's serial of the new rolloff volume
constexpr uint32_t kAbortRecordAt = 12;     // ABORT_ROLLOFF_VOLUME: the abort record
constexpr uint32_t kSelectorAt = 12;        // GET_ROLLOFF_VOLUME_LIST: the A/B selector
constexpr uint32_t kCountAt = 16;           // GET_ROLLOFF_VOLUME_LIST: the reply's count and entries
constexpr uint32_t kEntriesAt = 20;
constexpr uint8_t kRolloffListSelector = 2;
constexpr uint32_t kSerialLength = 16;

const char* Outcome(int32_t code) { return code == 0 ? "success" : "failed"; }

const CAPI_ROLLOFF_VOLUME* StoredRolloffVolumes() {
    return reinterpret_cast<const CAPI_ROLLOFF_VOLUME*>(g_RolloffVolumeListReply);
}

// The rolloff volume created from the request's source is looked up in the controller's list; the reply's
// serial field keeps what the client sent when the list does not show it.
int32_t RunRolloffVolume(CommandContext& c) {
    const auto* params = reinterpret_cast<const CAPI_ROLLOFF_PARAMS*>(c.buffer + kRolloffParamsAt);
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
        std::memcpy(c.buffer + kCreatedVolumeAt, entry.serialNumber, kSerialLength);
        break;
    }
    return code;
}

int32_t RunAbortRolloffVolume(CommandContext& c) {
    return CAPI_U_AbortRolloff(ControllerHandleOf(c.index), c.buffer + kAbortRecordAt);
}

// Only a list the controller gave is copied; after a failure the entries go back as the client sent them.
int32_t RunGetRolloffVolumeList(CommandContext& c) {
    ClearStoredReply(CAPI_REPLY_U_GET_ROLLOFF_VOLUME_LIST);
    const int32_t code = CAPI_U_GetRolloffVolumeList(ControllerHandleOf(c.index), c.buffer[kSelectorAt]);
    if (code != 0) return code;
    std::memset(c.buffer + kEntriesAt, 0, ROLLOFF_VOLUME_LIST_REPLY_SIZE);
    std::memcpy(c.buffer + kEntriesAt, g_RolloffVolumeListReply,
                static_cast<size_t>(g_RolloffVolumeCount) * ROLLOFF_VOLUME_RECORD_SIZE);
    std::memcpy(c.buffer + kCountAt, &g_RolloffVolumeCount, sizeof g_RolloffVolumeCount);
    return code;
}

}  // namespace

// The rolloff writes its own closing lines, one per controller command.
const FramedCommand kRolloffVolume{Lookup::RealController, FirstRead::Refresh, false, nullptr, RunRolloffVolume, false,
                                   ""};
const FramedCommand kAbortRolloffVolume{Lookup::RealController, FirstRead::Refresh, false, nullptr,
                                        RunAbortRolloffVolume, false, nullptr};
const FramedCommand kGetRolloffVolumeList{Lookup::RealController, FirstRead::Refresh, false, nullptr,
                                          RunGetRolloffVolumeList, false, nullptr};
