#include "corlink/commands/command_table.h"

#include <array>
#include <cstring>

#include "corlink/commands/authentication.h"
#include "corlink/commands/controller_data_command.h"
#include "corlink/commands/controller_list_commands.h"
#include "corlink/commands/discovery_flag.h"

namespace {

// code, name, handler name, request length, length test, reply length, handler
constexpr RreCommandInfo kCommands[] = {
    {0, "GET_CONTROLLERHANDLEDB", "capiGetControllerHandleDb", kAnyLength, Checked::None, 2576, capiGetControllerHandleDb},
    {1, "GET_CONTROLLER", "capiGetController", 4, Checked::LengthFirst, 3022008, capiGetController},
    {2, "GET_ARRAY_PARTITION", "capiGetArrayPartition", 4, Checked::LengthFirst, kAnyLength, nullptr},
    {3, "GET_PROGRESS", "capiGetProgress", 0, Checked::AfterCode, kAnyLength, nullptr},
    {4, "GET_ARRAY_LIST", "capiGetArrayList", 4, Checked::LengthFirst, kAnyLength, nullptr},
    {5, "GET_DRIVE_LIST", "capiGetDriveList", 4, Checked::LengthFirst, kAnyLength, nullptr},
    {6, "GET_DRIVE_ENCLOSURES", "capiGetDriveEnclosures", 4, Checked::LengthFirst, kAnyLength, nullptr},
    {7, "GET_FIRST_EVENTNUMBER", nullptr, kAnyLength, Checked::None, kAnyLength, nullptr},
    {8, "GET_LAST_EVENTNUMBER", nullptr, kAnyLength, Checked::None, kAnyLength, nullptr},
    {9, "GET_EVENT", "capiGetEvent", 444, Checked::AfterCode, kAnyLength, nullptr},
    {10, "GET_MULTIPLEEVENTS", nullptr, kAnyLength, Checked::None, kAnyLength, nullptr},
    {11, "GET_VERSION", "capiGetVersion", 0, Checked::AfterCode, kAnyLength, nullptr},
    {12, "SET_PART_NAME", "capiSetPartName", 80, Checked::AfterCode, kAnyLength, nullptr},
    {13, "SET_ARRAY_NAME", "capiSetArrayName", 80, Checked::AfterCode, kAnyLength, nullptr},
    {14, "ADD_ARRAY_PART", "capiAddArrayPart", 728, Checked::AfterCode, kAnyLength, nullptr},
    {15, "DELETE_PART", "capiDeletePart", 48, Checked::AfterCode, kAnyLength, nullptr},
    {16, "CREATE_ARRAY", "capiCreateArray", 4548, Checked::AfterCode, kAnyLength, nullptr},
    {17, "EXPAND_PART", "capiExpandPart", 312, Checked::AfterCode, kAnyLength, nullptr},
    {18, "EXPAND_ARRAY", "capiExpandArray", 592, Checked::AfterCode, kAnyLength, nullptr},
    {19, "ASSIGN_POOL_SPARE", "capiAssignPoolSpare", 80, Checked::AfterCode, kAnyLength, nullptr},
    {20, "BLINK_DRIVE", "capiBlinkDrive", 48, Checked::AfterCode, kAnyLength, nullptr},
    {21, "FLUSH_CACHE", "capiFlushCache", 44, Checked::AfterCode, kAnyLength, nullptr},
    {22, "FREE_CACHE", "capiFreeCache", 48, Checked::AfterCode, kAnyLength, nullptr},
    {23, "SILENCE_ALARM", "capiSilenceAlarm", 16, Checked::AfterCode, kAnyLength, nullptr},
    {24, "DELETE_ARRAY", "capiDeleteArray", 48, Checked::AfterCode, kAnyLength, nullptr},
    {27, "ABORT_UTILITY=27", "capiAbortUtility", 44, Checked::AfterCode, kAnyLength, nullptr},
    {28, "GET_PERCENT_COMPLETED", "capiPercentComplete", 48, Checked::AfterCode, kAnyLength, nullptr},
    {29, "SET_ADV_NET_INTERFACE", "capiSetAdvNetInterface", 3988, Checked::AfterCode, kAnyLength, nullptr},
    {30, "CHANGE_PART_LUN", "capiChangePartLun", 48, Checked::AfterCode, kAnyLength, nullptr},
    {40, "EXT_MASK_READFILE = 40", "capiExtMaskReadFile", kAnyLength, Checked::None, kAnyLength, nullptr},
    {41, "EXT_MASK_WRITEFILE", "capiExtMaskWriteFile", kAnyLength, Checked::None, kAnyLength, nullptr},
    {50, "DMS_GET_TAG = 50", "capiDmsGetTag", 28, Checked::AfterCode, kAnyLength, nullptr},
    {51, "CREATE_SNAPSHOT", "capiCreateSnapshot", 1140, Checked::AfterCode, kAnyLength, nullptr},
    {52, "COMMIT_SNAPSHOT", "capiCommitSnapshot", 360, Checked::AfterCode, kAnyLength, nullptr},
    {53, "DELETE_ALL_SNAPSHOTS", "capiDeleteAllSnapshots", 52, Checked::AfterCode, kAnyLength, nullptr},
    {54, "DELETE_SNAPSHOT", "capiDeleteSnapshot", 360, Checked::AfterCode, kAnyLength, nullptr},
    {55, "GET_BACKING_STORE_LIST", "capiGetBackingStoreList", 10264, Checked::AfterCode, kAnyLength, nullptr},
    {56, "GET_MASTER_VOLUME_LIST", "capiGetMasterVolumeList", 180280, Checked::AfterCode, kAnyLength, nullptr},
    {57, "GET_SNAPSHOT_LIST", "capiGetSnapshotList", 90168, Checked::AfterCode, kAnyLength, nullptr},
    {58, "GET_SNAPSHOT_STATISTICS", "capiGetSnapshotStatistics", 131128, Checked::AfterCode, kAnyLength, nullptr},
    {59, "RESET_SNAPSHOT", "capiResetSnapshot", 48, Checked::AfterCode, kAnyLength, nullptr},
    {60, "ROLLBACK_MASTER_VOLUME", "capiRollbackMasterVolume", 112, Checked::AfterCode, kAnyLength, nullptr},
    {61, "CONVERT_MASTER_VOLUME", "capiConvertMasterVolume", 312, Checked::AfterCode, kAnyLength, nullptr},
    {62, "DMS_SET_POLICY", "capiDmsSetPolicy", 80, Checked::AfterCode, kAnyLength, nullptr},
    {63, "DMS_SET_THRESHOLD_LEVEL", "capiDmsSetThresholdLevel", 80, Checked::AfterCode, kAnyLength, nullptr},
    {64, "DMS_GET_POLICY_THRESHOLD_LIST", "capiDmsGetPolictThresholdList", 8248, Checked::AfterCode, kAnyLength, nullptr},
    {70, "GET_PARTITION_VIEW", "capiGetPartitionView", 37456, Checked::AfterCode, kAnyLength, nullptr},
    {71, "CREATE_CUSTOM_VIEW", "capiCreateCustomView", 42508, Checked::AfterCode, kAnyLength, nullptr},
    {72, "GET_ALL_PART_VIEW", "capiGetAllPartView", 37424, Checked::AfterCode, kAnyLength, nullptr},
    {73, "GET_HOST_VIEW", "capiGetHostView", 64824, Checked::AfterCode, kAnyLength, nullptr},
    {74, "ADD_HOST_NICK_NAME", "capiAddHostNickName", 304, Checked::AfterCode, kAnyLength, nullptr},
    {75, "GET_HOST_NICK_NAMES", "capiGetHostNickNames", 26964, Checked::AfterCode, kAnyLength, nullptr},
    {76, "GET_KNOWN_HOSTS", "capiGetKnownHosts", 12596, Checked::AfterCode, kAnyLength, nullptr},
    {80, "SET_PARTITION_CACHE_PARAM", "capiSetPartitionCacheParam", 80, Checked::AfterCode, kAnyLength, nullptr},
    {81, "SET_ARRAY_CACHE_PARAM", "capiSetArrayCacheParam", 80, Checked::AfterCode, kAnyLength, nullptr},
    {82, "SET_CHANNEL_PARAM", "capiSetChannelParam", 248, Checked::AfterCode, kAnyLength, nullptr},
    {83, "GET_DRIVE_ENCLOSURE", nullptr, kAnyLength, Checked::None, kAnyLength, nullptr},
    {84, "SET_DRIVE_ENCLOSURE", "capiSetDriveEnclosure", 416, Checked::AfterCode, kAnyLength, nullptr},
    {85, "REBOOT_CONTROLLER", "capiRebootController", 16, Checked::AfterCode, kAnyLength, nullptr},
    {86, "VERIFY_ARRAY", "capiVerifyArray", 48, Checked::AfterCode, kAnyLength, nullptr},
    {87, "SHUTDOWN_CONTROLLER", "capiShutdownController", 20, Checked::AfterCode, kAnyLength, nullptr},
    {90, "SET_CONTROLLERTIMEDATE", "capiSetControllerTimeDate", 20, Checked::AfterCode, kAnyLength, nullptr},
    {91, "GET_CONTROLLERTIMEDATE", "capiGetControllerTimeDate", 20, Checked::AfterCode, kAnyLength, nullptr},
    {92, "SET_PREFERRED_OWNER", "capiSetPreferredOwner", 48, Checked::AfterCode, kAnyLength, nullptr},
    {93, "DO_SCSI_MAINTANCE", "capiDoScsiMaintenance", 572, Checked::AfterCode, kAnyLength, nullptr},
    {94, "SET_CONTROLLER_PARAMS", "capiSetControllerParams", 10740, Checked::AfterCode, kAnyLength, nullptr},
    {95, "SET_ENCLOSUREFEATUREFLAGS", "capiSetEnclosureFeatureFlags", 100, Checked::AfterCode, kAnyLength, nullptr},
    {96, "GET_STORAGESYSTEMS", "capiGetStorageSystems", 25104, Checked::AfterCode, 25104, capiGetStorageSystems},
    {97, "VERIFY_PASSWORD", "capiVerifyPassword", 76, Checked::AfterCode, kAnyLength, capiVerifyPassword},
    {98, "SET_PASSWORD", "capiSetPassword", 76, Checked::AfterCode, kAnyLength, capiSetPassword},
    {99, "GET_ADV_DRIVE_ENCLOSURE", "capiGetAdvDrvEnclosure", kAnyLength, Checked::None, kAnyLength, nullptr},
    {100, "REINIT_CONTROLLER", "capiReinitController", 16404, Checked::AfterCode, kAnyLength, nullptr},
    {101, "FREE_ORPHAN_DATA", "capiFreeOrphanData", 16, Checked::AfterCode, kAnyLength, nullptr},
    {102, "GET_CONTROLLER_STATUS", "capiGetControllerStatus", 20, Checked::AfterCode, kAnyLength, nullptr},
    {103, "REVIVE_ARRAY", "capiReviveArray", 48, Checked::AfterCode, kAnyLength, nullptr},
    {104, "SET_ARRAY_BACKOFFPERCENT", "capiSetArrayBackoffPercent", 48, Checked::AfterCode, kAnyLength, nullptr},
    {105, nullptr, "capiRescanAllBus", 16, Checked::AfterCode, kAnyLength, nullptr},
    {106, "SET_DISCOVERY_FLAG", "capiSetDiscoveryFlag", 12, Checked::LengthFirst, 12, capiSetDiscoveryFlag},
    {108, "GET_NEED_UPDATE_CONTROLLER", "capiNeedUpdateController", 56, Checked::AfterCode, 56, capiNeedUpdateController},
    {109, "GET_UNIFIED_CONTROLLER_DATA", "capiGetUnifiedControllerData", 55748, Checked::AfterCode, 55748, capiGetUnifiedControllerData},
    {110, "ADD_AUTHDB_RECORD", "capiAddAuthDBRecord", 1036, Checked::AfterCode, kAnyLength, nullptr},
    {111, "REMOVE_AUTHDB_RECORD", "capiRemoveAuthDBRecord", 1036, Checked::AfterCode, kAnyLength, nullptr},
    {112, "MODIFY_AUTHDB_RECORD", "capiModifyAuthDBRecord", 1036, Checked::AfterCode, kAnyLength, nullptr},
    {113, "GET_AUTHDB_RECORD", "capiGetAuthDBRecord", 1036, Checked::AfterCode, kAnyLength, nullptr},
    {114, "GET_AUTHDB_RECORD_COUNT", "capiGetAuthDBRecordCount", 1036, Checked::AfterCode, kAnyLength, nullptr},
    {115, "SET_ALL_TARGET_SECRET", "capiSetAllTargetSecret", 1036, Checked::AfterCode, kAnyLength, nullptr},
    {116, "CLARE_ALL_TARGET_SECRECT", "capiClearAllTargetSecret", 1036, Checked::AfterCode, kAnyLength, nullptr},
    {117, "SET_TARGET_SECRET", "capiSetTargetSecret", 1036, Checked::AfterCode, kAnyLength, nullptr},
    {118, "REMEMBER_INITIATOR_SECRET", "capiRemeberInitiatorSecret", 1036, Checked::AfterCode, kAnyLength, nullptr},
    {119, "GET_FLEX_KNOWN_HOSTS", "capiGetFlexKnowHosts", 63576, Checked::AfterCode, kAnyLength, nullptr},
    {120, "ROLLOFF_VOLUME", "capiRolloffVolume", 540, Checked::AfterCode, kAnyLength, nullptr},
    {121, "ABORT_ROLLOFF_VOLUME", "capiAbortRolloffVolume", 524, Checked::AfterCode, kAnyLength, nullptr},
    {122, "GET_ROLLOFF_VOLUME_LIST", "capiGetRolloffVolumeList", 262164, Checked::AfterCode, kAnyLength, nullptr},
    {123, "GET_CONNECT_HBA_WWPN_LIST", "capiGetConnectHbaWwpnList", 276, Checked::AfterCode, kAnyLength, nullptr},
    {124, "SET_DMS_POLICY", "capiSetDMSPolicy", 76, Checked::AfterCode, kAnyLength, nullptr},
    {125, "GET_CONNECT_HBA_INFO_LIST", "capiGetConnectHbaInfoList", 58128, Checked::AfterCode, kAnyLength, nullptr},
    {126, "CHANGE_PARTITION_DESCRIPTION", "capiChangePartitionDescription", 312, Checked::AfterCode, kAnyLength, nullptr},
};

constexpr size_t kNamedCount = [] {
    size_t n = 0;
    for (const RreCommandInfo& c : kCommands) n += c.name != nullptr ? 1 : 0;
    return n;
}();
static_assert(kNamedCount == RRE_COMMAND_NAME_COUNT);
static_assert(std::size(kCommands) == 97);

struct Dispatch {
    std::array<const RreCommandInfo*, RRE_COMMAND_COUNT> byCode{};
    std::array<RreCommandName, RRE_COMMAND_NAME_COUNT> names{};
};

// Names that the table ends with tabs instead of blank padding.
const char* TabSuffix(uint32_t code) {
    switch (code) {
        case 106: return "\t\t\t";
        case 108: return "\t";
        default: return nullptr;
    }
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
        return built;
    }();
    return d;
}

}  // namespace

const RreCommandInfo* FindRreCommand(uint32_t code) {
    return code < RRE_COMMAND_COUNT ? TheDispatch().byCode[code] : nullptr;
}

const RreCommandName* const RreCommandNameTable = TheDispatch().names.data();

const char* RreCommandNameOf(uint32_t code) {
    for (const RreCommandName& n : TheDispatch().names) {
        if (static_cast<uint32_t>(n.code) == code) return n.name;
    }
    return "INVALID OPCODE";
}
