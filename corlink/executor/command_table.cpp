#include "corlink/executor/command_table.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "corlink/handlers/array_backoff_command.h"
#include "corlink/handlers/array_creation_commands.h"
#include "corlink/handlers/array_deletion_commands.h"
#include "corlink/handlers/array_settings_commands.h"
#include "corlink/handlers/authdb_commands.h"
#include "corlink/handlers/authentication.h"
#include "corlink/handlers/cache_commands.h"
#include "corlink/handlers/controller_data_command.h"
#include "corlink/handlers/controller_list_commands.h"
#include "corlink/handlers/controller_params_commands.h"
#include "corlink/handlers/controller_restart_commands.h"
#include "corlink/handlers/controller_settings_commands.h"
#include "corlink/handlers/custom_view_command.h"
#include "corlink/handlers/discovery_flag.h"
#include "corlink/handlers/drive_commands.h"
#include "corlink/handlers/enclosure_list_commands.h"
#include "corlink/handlers/event_commands.h"
#include "corlink/handlers/file_transfer_commands.h"
#include "corlink/handlers/handler_frame.h"
#include "corlink/handlers/host_commands.h"
#include "corlink/handlers/progress_commands.h"
#include "corlink/handlers/reinit_controller.h"
#include "corlink/handlers/snapshot_commands.h"
#include "corlink/handlers/version_command.h"
#include "corlink/handlers/view_commands.h"
#include "corlink/proxy_wire/buffers_arrays.h"
#include "corlink/proxy_wire/buffers_drives.h"
#include "corlink/proxy_wire/buffers_events.h"
#include "corlink/proxy_wire/buffers_hosts.h"

namespace {

constexpr int32_t kArrayListReply = sizeof(RRE_ARRAY_LIST_BUFFER);
constexpr int32_t kDriveListReply = sizeof(RRE_DRIVE_LIST_BUFFER);
constexpr int32_t kProgressReply = sizeof(RRE_PROGRESS_BUFFER);
// As many partition views as the 4 MiB session buffer holds, with the head and the bytes after them.
constexpr int32_t kAllPartViewReply = sizeof(RRE_ALL_VIEWS_BUFFER);
constexpr int32_t kDriveEnclosuresReply = sizeof(RRE_DRIVE_ENCLOSURES_BUFFER);
constexpr int32_t kAdvEnclosuresReply = sizeof(RRE_ADV_ENCLOSURES_BUFFER);
constexpr int32_t kEventReply = sizeof(RRE_EVENT_BUFFER);

// code, name, handler name, request length, length test, reply length, what the command reaches, handler, the
// frame of a framed handler
constexpr RreCommandInfo kCommands[] = {
    // clang-format off
    {RRE_GET_CONTROLLERHANDLEDB, "GET_CONTROLLERHANDLEDB", "capiGetControllerHandleDb", kAnyLength, Checked::None, 2576, CommandReach::Outside, capiGetControllerHandleDb},
    {RRE_GET_CONTROLLER, "GET_CONTROLLER", "capiGetController", 4, Checked::LengthFirst, 3022008, CommandReach::Outside, capiGetController},
    {RRE_GET_ARRAY_PARTITION, "GET_ARRAY_PARTITION", "capiGetArrayPartition", 4, Checked::LengthFirst, 16, CommandReach::Outside, capiGetArrayPartition},
    {RRE_GET_PROGRESS, "GET_PROGRESS", "capiGetProgress", 0, Checked::AfterCode, kProgressReply, CommandReach::Outside, capiGetProgress},
    {RRE_GET_ARRAY_LIST, "GET_ARRAY_LIST", "capiGetArrayList", 4, Checked::LengthFirst, kArrayListReply, CommandReach::Outside, RunFramedCommand, &kGetArrayList},
    {RRE_GET_DRIVE_LIST, "GET_DRIVE_LIST", "capiGetDriveList", 4, Checked::LengthFirst, kDriveListReply, CommandReach::Database, RunFramedCommand, &kGetDriveList},
    {RRE_GET_DRIVE_ENCLOSURES, "GET_DRIVE_ENCLOSURES", "capiGetDriveEnclosures", 4, Checked::LengthFirst, kDriveEnclosuresReply, CommandReach::Outside, RunFramedCommand, &kGetDriveEnclosures},
    {RRE_GET_FIRST_EVENTNUMBER, "GET_FIRST_EVENTNUMBER", nullptr, kAnyLength, Checked::None, kAnyLength, CommandReach::Database, nullptr},
    {RRE_GET_LAST_EVENTNUMBER, "GET_LAST_EVENTNUMBER", nullptr, kAnyLength, Checked::None, kAnyLength, CommandReach::Database, nullptr},
    {RRE_GET_EVENT, "GET_EVENT", "capiGetEvent", 444, Checked::AfterCode, kEventReply, CommandReach::Outside, RunFramedCommand, &kGetEvent},
    {RRE_GET_MULTIPLEEVENTS, "GET_MULTIPLEEVENTS", nullptr, kAnyLength, Checked::None, kAnyLength, CommandReach::Database, nullptr},
    {RRE_GET_VERSION, "GET_VERSION", "capiGetVersion", 0, Checked::AfterCode, 76, CommandReach::Database, RunFramedCommand, &kGetVersion},
    {RRE_SET_PART_NAME, "SET_PART_NAME", "capiSetPartName", 80, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kSetPartName},
    {RRE_SET_ARRAY_NAME, "SET_ARRAY_NAME", "capiSetArrayName", 80, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kSetArrayName},
    {RRE_ADD_ARRAY_PART, "ADD_ARRAY_PART", "capiAddArrayPart", 728, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kAddArrayPart},
    {RRE_DELETE_PART, "DELETE_PART", "capiDeletePart", 48, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kDeletePart},
    {RRE_CREATE_ARRAY, "CREATE_ARRAY", "capiCreateArray", 4548, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kCreateArray},
    {RRE_EXPAND_PART, "EXPAND_PART", "capiExpandPart", 312, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kExpandPart},
    {RRE_EXPAND_ARRAY, "EXPAND_ARRAY", "capiExpandArray", 592, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kExpandArray},
    {RRE_ASSIGN_POOL_SPARE, "ASSIGN_POOL_SPARE", "capiAssignPoolSpare", 80, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kAssignPoolSpare},
    {RRE_BLINK_DRIVE, "BLINK_DRIVE", "capiBlinkDrive", 48, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kBlinkDrive},
    {RRE_FLUSH_CACHE, "FLUSH_CACHE", "capiFlushCache", 44, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kFlushCache},
    {RRE_FREE_CACHE, "FREE_CACHE", "capiFreeCache", 48, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kFreeCache},
    {RRE_SILENCE_ALARM, "SILENCE_ALARM", "capiSilenceAlarm", 16, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kSilenceAlarm},
    {RRE_DELETE_ARRAY, "DELETE_ARRAY", "capiDeleteArray", 48, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kDeleteArray},
    {RRE_ABORT_UTILITY, "ABORT_UTILITY=27", "capiAbortUtility", 44, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kAbortUtility},
    {RRE_GET_PERCENT_COMPLETED, "GET_PERCENT_COMPLETED", "capiPercentComplete", 48, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kPercentComplete},
    {RRE_SET_ADV_NET_INTERFACE, "SET_ADV_NET_INTERFACE", "capiSetAdvNetInterface", 3988, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kSetAdvNetInterface},
    {RRE_CHANGE_PART_LUN, "CHANGE_PART_LUN", "capiChangePartLun", 48, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kChangePartLun},
    {RRE_EXT_MASK_READFILE, "EXT_MASK_READFILE = 40", "capiExtMaskReadFile", kAnyLength, Checked::None, READFILE_LARGEST_REPLY, CommandReach::Outside, capiExtMaskReadFile},
    {RRE_EXT_MASK_WRITEFILE, "EXT_MASK_WRITEFILE", "capiExtMaskWriteFile", kAnyLength, Checked::None, WRITEFILE_REPLY_LENGTH, CommandReach::Outside, capiExtMaskWriteFile},
    {RRE_DMS_GET_TAG, "DMS_GET_TAG = 50", "capiDmsGetTag", 28, Checked::AfterCode, 28, CommandReach::Outside, RunFramedCommand, &kDmsGetTag},
    {RRE_CREATE_SNAPSHOT, "CREATE_SNAPSHOT", "capiCreateSnapshot", 1140, Checked::AfterCode, 1140, CommandReach::Outside, RunFramedCommand, &kCreateSnapshot},
    {RRE_COMMIT_SNAPSHOT, "COMMIT_SNAPSHOT", "capiCommitSnapshot", 360, Checked::AfterCode, 360, CommandReach::Outside, RunFramedCommand, &kCommitSnapshot},
    {RRE_DELETE_ALL_SNAPSHOTS, "DELETE_ALL_SNAPSHOTS", "capiDeleteAllSnapshots", 52, Checked::AfterCode, 52, CommandReach::Outside, RunFramedCommand, &kDeleteAllSnapshots},
    {RRE_DELETE_SNAPSHOT, "DELETE_SNAPSHOT", "capiDeleteSnapshot", 360, Checked::AfterCode, 360, CommandReach::Outside, RunFramedCommand, &kDeleteSnapshot},
    {RRE_GET_BACKING_STORE_LIST, "GET_BACKING_STORE_LIST", "capiGetBackingStoreList", 10264, Checked::AfterCode, 10264, CommandReach::Outside, RunFramedCommand, &kGetBackingStoreList},
    {RRE_GET_MASTER_VOLUME_LIST, "GET_MASTER_VOLUME_LIST", "capiGetMasterVolumeList", 180280, Checked::AfterCode, 180280, CommandReach::Outside, RunFramedCommand, &kGetMasterVolumeList},
    {RRE_GET_SNAPSHOT_LIST, "GET_SNAPSHOT_LIST", "capiGetSnapshotList", 90168, Checked::AfterCode, 90168, CommandReach::Outside, RunFramedCommand, &kGetSnapshotList},
    {RRE_GET_SNAPSHOT_STATISTICS, "GET_SNAPSHOT_STATISTICS", "capiGetSnapshotStatistics", 131128, Checked::AfterCode, 131128, CommandReach::Outside, RunFramedCommand, &kGetSnapshotStatistics},
    {RRE_RESET_SNAPSHOT, "RESET_SNAPSHOT", "capiResetSnapshot", 48, Checked::AfterCode, 48, CommandReach::Outside, RunFramedCommand, &kResetSnapshot},
    {RRE_ROLLBACK_MASTER_VOLUME, "ROLLBACK_MASTER_VOLUME", "capiRollbackMasterVolume", 112, Checked::AfterCode, 112, CommandReach::Outside, RunFramedCommand, &kRollbackMasterVolume},
    {RRE_CONVERT_MASTER_VOLUME, "CONVERT_MASTER_VOLUME", "capiConvertMasterVolume", 312, Checked::AfterCode, 312, CommandReach::Outside, RunFramedCommand, &kConvertMasterVolume},
    {RRE_DMS_SET_POLICY, "DMS_SET_POLICY", "capiDmsSetPolicy", 80, Checked::AfterCode, 80, CommandReach::Outside, RunFramedCommand, &kDmsSetPolicy},
    {RRE_DMS_SET_THRESHOLD_LEVEL, "DMS_SET_THRESHOLD_LEVEL", "capiDmsSetThresholdLevel", 80, Checked::AfterCode, 80, CommandReach::Outside, RunFramedCommand, &kDmsSetThresholdLevel},
    {RRE_DMS_GET_POLICY_THRESHOLD_LIST, "DMS_GET_POLICY_THRESHOLD_LIST", "capiDmsGetPolictThresholdList", 8248, Checked::AfterCode, 8248, CommandReach::Outside, RunFramedCommand, &kDmsGetPolicyThresholdList},
    {RRE_GET_PARTITION_VIEW, "GET_PARTITION_VIEW", "capiGetPartitionView", 37456, Checked::AfterCode, 37456, CommandReach::Outside, RunFramedCommand, &kGetPartitionView},
    {RRE_CREATE_CUSTOM_VIEW, "CREATE_CUSTOM_VIEW", "capiCreateCustomView", 42508, Checked::AfterCode, 42508, CommandReach::Outside, RunFramedCommand, &kCreateCustomView},
    {RRE_GET_ALL_PART_VIEW, "GET_ALL_PART_VIEW", "capiGetAllPartView", 37424, Checked::AfterCode, kAllPartViewReply, CommandReach::Outside, RunFramedCommand, &kGetAllPartView},
    {RRE_GET_HOST_VIEW, "GET_HOST_VIEW", "capiGetHostView", 64824, Checked::AfterCode, 64824, CommandReach::Outside, RunFramedCommand, &kGetHostView},
    {RRE_ADD_HOST_NICK_NAME, "ADD_HOST_NICK_NAME", "capiAddHostNickName", 304, Checked::AfterCode, 304, CommandReach::Outside, RunFramedCommand, &kAddHostNickName},
    {RRE_GET_HOST_NICK_NAMES, "GET_HOST_NICK_NAMES", "capiGetHostNickNames", 26964, Checked::AfterCode, 26964, CommandReach::Outside, RunFramedCommand, &kGetHostNickNames},
    {RRE_GET_KNOWN_HOSTS, "GET_KNOWN_HOSTS", "capiGetKnownHosts", 12596, Checked::AfterCode, 12596, CommandReach::Outside, RunFramedCommand, &kGetKnownHosts},
    {RRE_SET_PARTITION_CACHE_PARAM, "SET_PARTITION_CACHE_PARAM", "capiSetPartitionCacheParam", 80, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kSetPartitionCacheParam},
    {RRE_SET_ARRAY_CACHE_PARAM, "SET_ARRAY_CACHE_PARAM", "capiSetArrayCacheParam", 80, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kSetArrayCacheParam},
    {RRE_SET_CHANNEL_PARAM, "SET_CHANNEL_PARAM", "capiSetChannelParam", 248, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kSetChannelParam},
    {RRE_GET_DRIVE_ENCLOSURE, "GET_DRIVE_ENCLOSURE", nullptr, kAnyLength, Checked::None, kAnyLength, CommandReach::Database, nullptr},
    {RRE_SET_DRIVE_ENCLOSURE, "SET_DRIVE_ENCLOSURE", "capiSetDriveEnclosure", 416, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kSetDriveEnclosure},
    {RRE_REBOOT_CONTROLLER, "REBOOT_CONTROLLER", "capiRebootController", 16, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kRebootController},
    {RRE_VERIFY_ARRAY, "VERIFY_ARRAY", "capiVerifyArray", 48, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kVerifyArray},
    {RRE_SHUTDOWN_CONTROLLER, "SHUTDOWN_CONTROLLER", "capiShutdownController", 20, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kShutdownController},
    {RRE_SET_CONTROLLERTIMEDATE, "SET_CONTROLLERTIMEDATE", "capiSetControllerTimeDate", 20, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kSetControllerTimeDate},
    {RRE_GET_CONTROLLERTIMEDATE, "GET_CONTROLLERTIMEDATE", "capiGetControllerTimeDate", 20, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kGetControllerTimeDate},
    {RRE_SET_PREFERRED_OWNER, "SET_PREFERRED_OWNER", "capiSetPreferredOwner", 48, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kSetPreferredOwner},
    {RRE_DO_SCSI_MAINTENANCE, "DO_SCSI_MAINTANCE", "capiDoScsiMaintenance", 572, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kDoScsiMaintenance},
    {RRE_SET_CONTROLLER_PARAMS, "SET_CONTROLLER_PARAMS", "capiSetControllerParams", 10740, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kSetControllerParams},
    {RRE_SET_ENCLOSUREFEATUREFLAGS, "SET_ENCLOSUREFEATUREFLAGS", "capiSetEnclosureFeatureFlags", 100, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kSetEnclosureFeatureFlags},
    {RRE_GET_STORAGESYSTEMS, "GET_STORAGESYSTEMS", "capiGetStorageSystems", 25104, Checked::AfterCode, 25104, CommandReach::Database, capiGetStorageSystems},
    {RRE_VERIFY_PASSWORD, "VERIFY_PASSWORD", "capiVerifyPassword", 76, Checked::AfterCode, kAnyLength, CommandReach::Database, capiVerifyPassword},
    {RRE_SET_PASSWORD, "SET_PASSWORD", "capiSetPassword", 76, Checked::AfterCode, kAnyLength, CommandReach::Outside, capiSetPassword},
    {RRE_GET_ADV_DRIVE_ENCLOSURE, "GET_ADV_DRIVE_ENCLOSURE", "capiGetAdvDrvEnclosure", 12, Checked::AtLeast, kAdvEnclosuresReply, CommandReach::Database, RunFramedCommand, &kGetAdvDrvEnclosure},
    {RRE_REINIT_CONTROLLER, "REINIT_CONTROLLER", "capiReinitController", 16404, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kReinitController},
    {RRE_FREE_ORPHAN_DATA, "FREE_ORPHAN_DATA", "capiFreeOrphanData", 16, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kFreeOrphanData},
    {RRE_GET_CONTROLLER_STATUS, "GET_CONTROLLER_STATUS", "capiGetControllerStatus", 20, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kGetControllerStatus},
    {RRE_REVIVE_ARRAY, "REVIVE_ARRAY", "capiReviveArray", 48, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kReviveArray},
    {RRE_SET_ARRAY_BACKOFFPERCENT, "SET_ARRAY_BACKOFFPERCENT", "capiSetArrayBackoffPercent", 48, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kSetArrayBackoffPercent},
    {RRE_RESCAN_ALL_BUS, nullptr, "capiRescanAllBus", 16, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kRescanAllBus},
    {RRE_SET_DISCOVERY_FLAG, "SET_DISCOVERY_FLAG", "capiSetDiscoveryFlag", 12, Checked::LengthFirst, 12, CommandReach::Database, capiSetDiscoveryFlag},
    {RRE_GET_NEED_UPDATE_CONTROLLER, "GET_NEED_UPDATE_CONTROLLER", "capiNeedUpdateController", 56, Checked::AfterCode, 56, CommandReach::Database, capiNeedUpdateController},
    {RRE_GET_UNIFIED_CONTROLLER_DATA, "GET_UNIFIED_CONTROLLER_DATA", "capiGetUnifiedControllerData", 55748, Checked::AfterCode, 55748, CommandReach::Outside, RunFramedCommand, &kGetUnifiedControllerData},
    {RRE_ADD_AUTHDB_RECORD, "ADD_AUTHDB_RECORD", "capiAddAuthDBRecord", 1036, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kAddAuthDbRecord},
    {RRE_REMOVE_AUTHDB_RECORD, "REMOVE_AUTHDB_RECORD", "capiRemoveAuthDBRecord", 1036, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kRemoveAuthDbRecord},
    {RRE_MODIFY_AUTHDB_RECORD, "MODIFY_AUTHDB_RECORD", "capiModifyAuthDBRecord", 1036, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kModifyAuthDbRecord},
    {RRE_GET_AUTHDB_RECORD, "GET_AUTHDB_RECORD", "capiGetAuthDBRecord", 1036, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kGetAuthDbRecord},
    {RRE_GET_AUTHDB_RECORD_COUNT, "GET_AUTHDB_RECORD_COUNT", "capiGetAuthDBRecordCount", 1036, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kGetAuthDbRecordCount},
    {RRE_SET_ALL_TARGET_SECRET, "SET_ALL_TARGET_SECRET", "capiSetAllTargetSecret", 1036, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kSetAllTargetSecret},
    {RRE_CLEAR_ALL_TARGET_SECRET, "CLARE_ALL_TARGET_SECRECT", "capiClearAllTargetSecret", 1036, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kClearAllTargetSecret},
    {RRE_SET_TARGET_SECRET, "SET_TARGET_SECRET", "capiSetTargetSecret", 1036, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kSetTargetSecret},
    {RRE_REMEMBER_INITIATOR_SECRET, "REMEMBER_INITIATOR_SECRET", "capiRemeberInitiatorSecret", 1036, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kRememberInitiatorSecret},
    {RRE_GET_FLEX_KNOWN_HOSTS, "GET_FLEX_KNOWN_HOSTS", "capiGetFlexKnowHosts", 63576, Checked::AfterCode, 63576, CommandReach::Outside, RunFramedCommand, &kGetFlexKnownHosts},
    {RRE_ROLLOFF_VOLUME, "ROLLOFF_VOLUME", "capiRolloffVolume", 540, Checked::AfterCode, 540, CommandReach::Outside, RunFramedCommand, &kRolloffVolume},
    {RRE_ABORT_ROLLOFF_VOLUME, "ABORT_ROLLOFF_VOLUME", "capiAbortRolloffVolume", 524, Checked::AfterCode, 524, CommandReach::Outside, RunFramedCommand, &kAbortRolloffVolume},
    {RRE_GET_ROLLOFF_VOLUME_LIST, "GET_ROLLOFF_VOLUME_LIST", "capiGetRolloffVolumeList", 262164, Checked::AfterCode, 262164, CommandReach::Outside, RunFramedCommand, &kGetRolloffVolumeList},
    {RRE_GET_CONNECT_HBA_WWPN_LIST, "GET_CONNECT_HBA_WWPN_LIST", "capiGetConnectHbaWwpnList", 276, Checked::AfterCode, 276, CommandReach::Database, RunFramedCommand, &kGetConnectHbaWwpnList},
    {RRE_SET_DMS_POLICY, "SET_DMS_POLICY", "capiSetDMSPolicy", 76, Checked::AfterCode, 76, CommandReach::Outside, RunFramedCommand, &kSetDmsPolicy},
    {RRE_GET_CONNECT_HBA_INFO_LIST, "GET_CONNECT_HBA_INFO_LIST", "capiGetConnectHbaInfoList", 58128, Checked::AfterCode, 58128, CommandReach::Database, RunFramedCommand, &kGetConnectHbaInfoList},
    {RRE_CHANGE_PARTITION_DESCRIPTION, "CHANGE_PARTITION_DESCRIPTION", "capiChangePartitionDescription", 312, Checked::AfterCode, kAnyLength, CommandReach::Outside, RunFramedCommand, &kChangePartitionDescription},
    // clang-format on
};

constexpr size_t kNamedCount = [] {
    size_t n = 0;
    for (const RreCommandInfo& c : kCommands) n += c.name != nullptr ? 1 : 0;
    return n;
}();
static_assert(kNamedCount == RRE_COMMAND_NAME_COUNT);

// One row for each code in use, in the order of the code list.
static_assert(std::size(kCommands) == RRE_COMMANDS_IN_USE);
static_assert([] {
    for (size_t i = 0; i < RRE_COMMANDS_IN_USE; ++i) {
        if (kCommands[i].code != RRE_COMMAND_CODES[i]) return false;
    }
    return true;
}());

struct Dispatch {
    std::array<const RreCommandInfo*, RRE_COMMAND_COUNT> byCode{};
    std::array<RreCommandName, RRE_COMMAND_NAME_COUNT> names{};
};

// Names that the table ends with tabs instead of blank padding.
const char* TabSuffix(uint32_t code) {
    switch (code) {
        case RRE_SET_DISCOVERY_FLAG: return "\t\t\t";
        case RRE_GET_NEED_UPDATE_CONTROLLER: return "\t";
        default: return nullptr;
    }
}

// The name table is in code order but for one row that stands earlier, where clients reading it by row
// expect it: moves the row of `code` to just before the row of `before`.
void MoveNameBefore(std::array<RreCommandName, RRE_COMMAND_NAME_COUNT>& names, int32_t code, int32_t before) {
    auto rowOf = [&](int32_t c) {
        return std::find_if(names.begin(), names.end(), [c](const RreCommandName& n) { return n.code == c; });
    };
    const auto moved = rowOf(code);
    const auto target = rowOf(before);
    if (moved != names.end() && target < moved) std::rotate(target, moved, moved + 1);
}

const Dispatch& TheDispatch() {
    static const Dispatch d = [] {
        Dispatch built;
        size_t row = 0;
        for (const RreCommandInfo& c : kCommands) {
            built.byCode[c.code] = &c;
            if (c.name == nullptr) continue;
            RreCommandName& n = built.names[row++];
            n.code = static_cast<int32_t>(c.code);
            std::memset(n.name, 0, sizeof n.name);
            size_t length = std::strlen(c.name);
            std::memcpy(n.name, c.name, length);
            if (const char* tabs = TabSuffix(c.code)) {
                std::memcpy(n.name + length, tabs, std::strlen(tabs));
            } else {
                for (; length < 30; ++length) n.name[length] = ' ';
            }
        }
        MoveNameBefore(built.names, RRE_GET_AUTHDB_RECORD, RRE_ADD_AUTHDB_RECORD);
        return built;
    }();
    return d;
}

}  // namespace

const RreCommandInfo* FindRreCommand(uint32_t code) {
    return code < RRE_COMMAND_COUNT ? TheDispatch().byCode[code] : nullptr;
}

bool AnsweredFromDatabase(uint32_t code) {
    const RreCommandInfo* info = FindRreCommand(code);
    return info == nullptr || info->reach == CommandReach::Database;
}

const RreCommandName* const RreCommandNameTable = TheDispatch().names.data();

const char* RreCommandNameOf(uint32_t code) {
    for (const RreCommandName& n : TheDispatch().names) {
        if (static_cast<uint32_t>(n.code) == code) return n.name;
    }
    return "INVALID OPCODE";
}
