#include "corlink/handlers/snapshot_commands.h"

#include <cstring>

#include "corlink/capi/wrappers_unified.h"
#include "corlink/capi_wire/capi_reply_codes.h"
#include "corlink/capi_wire/capi_snapshot.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/reply_buffers.h"
#include "corlink/foundation/event_reporting.h"
#include "corlink/foundation/log.h"
#include "corlink/proxy_wire/buffers_arrays.h"
#include "corlink/proxy_wire/buffers_snapshots.h"

namespace {

using rre_wire::BufferAs;

constexpr uint32_t kVolumeSerialLength = 16;
constexpr uint8_t kManagementLunZero = 0;
constexpr uint32_t kManagementLunRollbackRefused = 233;

CAPI_HANDLE HandleOf(const CommandContext& c) { return ControllerHandleOf(c.index); }

int32_t RunDmsGetTag(CommandContext& c) {
    ClearStoredReply(CAPI_REPLY_U_DMS_GET_TAG);
    auto* buffer = BufferAs<RRE_DMS_TAG_BUFFER>(c.buffer);
    const int32_t code = CAPI_U_DmsGetTag(HandleOf(c), buffer->selector);
    static_assert(sizeof buffer->tag == DMS_TAG_REPLY_SIZE);
    std::memcpy(&buffer->tag, g_DmsTagReply, DMS_TAG_REPLY_SIZE);
    return code;
}

int32_t RunCreateSnapshot(CommandContext& c) {
    ClearStoredReply(CAPI_REPLY_U_CREATE_SNAPSHOTS);
    auto* buffer = BufferAs<RRE_CREATE_SNAPSHOT_BUFFER>(c.buffer);
    const int32_t code = CAPI_U_CreateSnapshots(HandleOf(c), &buffer->params);
    static_assert(sizeof buffer->created == CREATE_SNAPSHOT_REPLY_SIZE);
    std::memcpy(&buffer->created, g_CreateSnapshotReply, CREATE_SNAPSHOT_REPLY_SIZE);
    return code;
}

int32_t RunCommitSnapshot(CommandContext& c) {
    return CAPI_U_CommitSnapshots(HandleOf(c), &BufferAs<RRE_SNAPSHOT_IDS_BUFFER>(c.buffer)->params);
}

int32_t RunDeleteSnapshot(CommandContext& c) {
    return CAPI_U_DeleteSnapshots(HandleOf(c), &BufferAs<RRE_SNAPSHOT_IDS_BUFFER>(c.buffer)->params);
}

int32_t RunDeleteAllSnapshots(CommandContext& c) {
    const auto* request = BufferAs<RRE_DELETE_ALL_SNAPSHOTS_BUFFER>(c.buffer);
    return CAPI_U_DeleteAllSnapshots(HandleOf(c), request->identifier, request->param2);
}

int32_t RunResetSnapshot(CommandContext& c) {
    return CAPI_U_ResetSnapshot(HandleOf(c), BufferAs<RRE_OBJECT_BUFFER>(c.buffer)->serialNumber);
}

int32_t RunConvertMasterVolume(CommandContext& c) {
    return CAPI_U_ConvertMasterVolumes(HandleOf(c),
                                       &BufferAs<RRE_CONVERT_MASTER_VOLUME_BUFFER>(c.buffer)->params);
}

int32_t RunDmsSetPolicy(CommandContext& c) {
    const CAPI_DMS_POLICY* policy = &BufferAs<RRE_DMS_POLICY_BUFFER>(c.buffer)->policy;
    DebugPrint("capicmd==>>capiDmsSetPolicy WarningPolicy:%d, ErrorPolicy:%d, CriticalPolicy:%d\n",
               policy->WarningPolicy, policy->ErrorPolicy, policy->CriticalPolicy);
    return CAPI_U_DmsSetPolicy(HandleOf(c), policy);
}

int32_t RunDmsSetThresholdLevel(CommandContext& c) {
    return CAPI_U_DmsSetThresholdLevels(HandleOf(c), &BufferAs<RRE_DMS_POLICY_BUFFER>(c.buffer)->policy);
}

int32_t RunSetDmsPolicy(CommandContext& c) {
    return CAPI_U_DmsSetPolicy(HandleOf(c), &BufferAs<RRE_SET_DMS_POLICY_BUFFER>(c.buffer)->policy);
}

// A controller managed through a volume at LUN 0 must not roll that volume back: the host would lose the
// LUN it manages the array through. True when the request names that volume.
bool RollsBackManagementLun(const CommandContext& c) {
    const PROCESSOR_DEVICE& device = ProcessorDeviceOf(g_ControllerDb[static_cast<uint32_t>(c.index)]);
    if (device.lun != kManagementLunZero) return false;
    const uint8_t* m = BufferAs<RRE_ROLLBACK_BUFFER>(c.buffer)->params.masterVolumeSerialNumber;
    const uint8_t* s = device.volumeSerialNumber;
    DebugPrint(
        "capiRollbackMasterVolume: comparing MV %02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X "
        "with CAPI LUN S/N %02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X (controller=%d "
        "&sn=%p)\n",
        m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8], m[9], m[10], m[11], m[12], m[13], m[14], m[15],
        s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9], s[10], s[11], s[12], s[13], s[14], s[15],
        c.index, static_cast<const void*>(s));
    return std::memcmp(m, s, kVolumeSerialLength) == 0;
}

int32_t RunRollbackMasterVolume(CommandContext& c) {
    if (RollsBackManagementLun(c)) {
        char text[] =
            "ResyncLuns attempted on volume assigned to LUN 0, which is also being used to manage the array.  "
            "Remap the target volume to a non-zero LUN.";
        EventLogError(text, 0);
        c.refusal = kManagementLunRollbackRefused;
        return 0;
    }
    return CAPI_U_RollbackMasterVolume(HandleOf(c), &BufferAs<RRE_ROLLBACK_BUFFER>(c.buffer)->params);
}

}  // namespace

// lookup, first read, refusal test, check, body, read after, closing log words
const FramedCommand kDmsGetTag{
    Lookup::RealController, FirstRead::Refresh, false, nullptr, RunDmsGetTag, true, nullptr};
const FramedCommand kCreateSnapshot{
    Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunCreateSnapshot, true, nullptr};
const FramedCommand kCommitSnapshot{
    Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunCommitSnapshot, false, nullptr};
const FramedCommand kDeleteAllSnapshots{
    Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunDeleteAllSnapshots, true, nullptr};
const FramedCommand kDeleteSnapshot{
    Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunDeleteSnapshot, true, nullptr};
const FramedCommand kResetSnapshot{
    Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunResetSnapshot, true, nullptr};
const FramedCommand kRollbackMasterVolume{
    Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunRollbackMasterVolume, true, nullptr};
const FramedCommand kConvertMasterVolume{
    Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunConvertMasterVolume, true, nullptr};
const FramedCommand kDmsSetPolicy{Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunDmsSetPolicy, true,
                                  nullptr};
const FramedCommand kDmsSetThresholdLevel{
    Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunDmsSetThresholdLevel, true, nullptr};
const FramedCommand kSetDmsPolicy{
    Lookup::RealController, FirstRead::Refresh, false, nullptr, RunSetDmsPolicy, false, nullptr};
