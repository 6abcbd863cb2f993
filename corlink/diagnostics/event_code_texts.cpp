// The controllers' words for status, state and reason codes of events.
#include <string>

#include "corlink/diagnostics/code_text_table.h"
#include "corlink/diagnostics/event_decoders.h"
#include "corlink/diagnostics/text_format.h"

namespace {

constexpr char kUnknown[] = "unknown";

constexpr CodeText kBatteryStatus[] = {
    // clang-format off
    {0, "good"},
    {1, "dead"},
    {2, "fast charge"},
    {3, "overcharge"},
    {4, "overcurrent"},
    {5, "charger failure"},
    {6, "pack temp out of range"},
    {7, "system temp out of range"},
    {8, "voltage out of range"},
    {9, "pack over voltage"},
    {10, "under voltage"},
    {11, "over voltage"},
    {12, "not installed"},
    {13, "pack short circuit"},
    {14, "low"},
    {15, "dead"},
    {16, "HW charger fault"},
    {17, "temperature fault"},
    {18, "dead cell in pack"},
    {19, "bad thermistor"},
    // clang-format on
};

constexpr CodeText kBatteryState[] = {
    // clang-format off
    {0, "reset"},
    {1, "fast charge started"},
    {2, "fast charge active"},
    {3, "fast charge verify"},
    {4, "charger pending"},
    {5, "fully charged"},
    {6, "failure"},
    {7, "trickle charge pending"},
    // clang-format on
};

constexpr CodeText kModuleStatus[] = {
    // clang-format off
    {0, "none"},     {1, "initializing"}, {2, "offline"},       {3, "offline"},
    {4, "offline"},  {5, "offline"},      {6, "not installed"}, {7, "excess"},
    {8, "shutdown"}, {9, "failure"},      {10, "stuck latch"},
    // clang-format on
};

constexpr CodeText kConfigChangeReason[] = {
    // clang-format off
    {0, "POLL_SEP_DEVICE"},
    {1, "PROCESS_AIF_QUEUE"},
    {2, "CHANGE_ARRAY_NAME"},
    {3, "ADD_ARRAY"},
    {4, "ADD_DEDICATED_SPARE"},
    {5, "DELETE_ARRAY"},
    {6, "DELETE_SPARE"},
    {7, "ADD_ARRAY_PARTITION"},
    {8, "DELETE_ARRAY_PARTITION"},
    {9, "CHANGE_ARRAY_PARTITION_LUN"},
    {10, "CHANGE_ARRAY_PARTITION_NAME"},
    {11, "CHANGE_ARRAY_PARTITION_GEOMETRY"},
    {12, "DOWN_DRIVE"},
    {13, "SET_CACHE_PARAMS"},
    {14, "SET_CHANNEL_PARAMS"},
    {15, "SET_CONTROLLER_PARAMS"},
    {16, "SET_LUN_MAPPING"},
    {17, "RESTORE_CONTROLLER_DEFAULTS"},
    {18, "SCSI_MAINTENANCE"},
    {19, "SET_PREFERRED_OWNER"},
    {20, "ARRAY_SCRUB_STARTED"},
    {21, "CREATE_ARRAY_DONE"},
    {22, "RESCAN_BUS_DONE"},
    {23, "UNPAUSE_BUS_SINGLE_CONTROLLER"},
    {24, "UNPAUSE_BUS"},
    {25, "RAID_CHANGE_ARRAY_NAME"},
    {26, "TRUST_ARRAY"},
    {27, "RESCAN_DURING_BUILD_CONTROLLER"},
    {28, "EXPAND_ARRAY"},
    {29, "ADD_POOL_SPARE"},
    {30, "ADD_HOST_TO_LZ_LIST"},
    {31, "REMOVE_HOST_FROM_LZ_LIST"},
    {32, "CHANGE_VOLUME_MAPPING_TYPE"},
    {33, "FOUND_SCRUB_PENDING"},
    {34, "ARRAY_SCRUB_DONE"},
    {35, "SHUTDOWN_DURING_REBUILD"},
    {36, "ARRAY_REBUILD_DONE"},
    {37, "MIRROR_DRIVE_FAIL"},
    {38, "MIRROR_SCRUB_STARTED"},
    {39, "MIRROR_SCRUB_DONE"},
    {40, "CREATE_ARRAY_WITH_INIT_DONE"},
    {41, "CREATE_ARRAY_WITH_INIT2_DONE"},
    {42, "EXPAND_ARRAY_DONE"},
    {43, "SPARE_DRIVE_FAILURE"},
    {44, "RECEIVED_OTHER_LUN_INFO"},
    {45, "FAILOVER_FAILBACK_DONE"},
    {46, "SYNC_WITH_MIRRORED_CONFIG"},
    {47, "SET_ADV_NETWORK_INTF"},
    {48, "DRIVE_BLINK"},
    {49, "DRIVE_UNBLINK"},
    {50, "LINK_STATE_CHANGE"},
    {51, "DRIVE_ERRORS"},
    {52, "RCM_PUT_OFFLINE"},
    {53, "RCM_PUT_ONLINE"},
    {54, "RCM_FORCE_OFFLINE"},
    {55, "RCM_FORCE_ONLINE"},
    {56, "PAUSE_HIDE_DRIVES"},
    {57, "DEPRECATED_2"},
    {58, "SCSIPORT"},
    {59, "RCM_DOWN_FAILED_MODULE"},
    {60, "RCM_UPDATE_STATUS"},
    {61, "DEQUARANTINE_ARRAY"},
    {62, "OTHER_STATE_CHANGE"},
    // clang-format on
};

constexpr CodeText kFailoverReason[] = {
    // clang-format off
    {0, "Not applicable"},
    {1, "Firmware incompatible"},
    {2, "Model incompatible"},
    {3, "Heartbeat lost"},
    {4, "Message to other failed"},
    {5, "Other not present"},
    {6, "CAPI requested"},
    {7, "FOC Register error"},
    {9, "Boot handshake timeout"},
    {10, "Firmware update"},
    {11, "Shutdown"},
    {12, "Rebooting"},
    {13, "Write unique data"},
    {14, "Orphan data for other"},
    {16, "Same serial number"},
    {17, "CPLD revision mismatch"},
    {18, "Hardware incompatible"},
    {19, "No Data Gate available"},
    {20, "Forced offline"},
    {21, "PCIX config sequence timeout"},
    {22, "I2C message to other failed"},
    {23, "Other shutdown"},
    {24, "Operating Mode Mismatch"},
    {25, "SAS lock timeout"},
    {26, "Intercontroller message timeout"},
    {127, "Unknown"},
    // clang-format on
};

constexpr CodeText kUtility[] = {
    {0, "None"}, {1, "Format"}, {2, "Initialize"}, {3, "Reconstruct"}, {4, "Verify"}, {5, "Expand"},
};

constexpr CodeText kFormatType[] = {
    // clang-format off
    {0, "No Init"},
    {1, "Offline Init"},
    {2, "Zero Init and Low-Level Format"},
    {3, "Online Init"},
    // clang-format on
};

constexpr CodeText kShutdownType[] = {
    // clang-format off
    {0, "Normal"},         {1, "SC code load"}, {2, "SC code load, no reboot"},
    {3, "CPLD code load"}, {4, "EC reboot"},
    // clang-format on
};

constexpr CodeText kEnclosureSeverity[] = {
    // clang-format off
    {0x8F, "Critical"},      {0x90, "Warning"},      {0x9A, "Information"},
    {0x9B, "Not Installed"}, {0x9C, "Type Unknown"},
    // clang-format on
};

constexpr CodeText kEnclosureElement[] = {
    // clang-format off
    {1, "disk"},      {2, "power supply"},  {3, "fan"},        {4, "temp sensor"},
    {5, "door lock"}, {6, "audible alarm"}, {50, "enclosure"},
    // clang-format on
};

constexpr CodeText kFanStatus[] = {{0, "Good"}, {1, "Failed"}, {2, "Off"}};

// Single values only: a combination of bits is "unknown".
constexpr CodeText kTempSensorStatus[] = {
    // clang-format off
    {1, "Over Temp Failure"},
    {2, "Over Temp Warning"},
    {4, "Under Temp Failure"},
    {8, "Under Temp Warning"},
    // clang-format on
};

// Bits 0 to 7.
constexpr const char* kPowerSupplyBits[] = {
    "Failure",        "Over voltage",      "Under voltage", "Over current",
    "Over temp fail", "Over temp warning", "DC failure",    "AC failure",
};

}  // namespace

std::string GetBatteryStatusText(uint32_t status) { return CodeTextOr(kBatteryStatus, status, kUnknown); }
std::string GetBatteryStateText(uint32_t state) { return CodeTextOr(kBatteryState, state, kUnknown); }
std::string GetModuleStatusText(uint32_t status) { return CodeTextOr(kModuleStatus, status, kUnknown); }

std::string GetModuleNameText(uint32_t moduleType, uint32_t unit) {
    // Data gates are numbered from 1; of a pair of modules, unit 1 is the A side and unit 0 the B side.
    if (moduleType == 2) {
        return unit <= 3 ? TextFormat("DG-%d", {unit + 1}) : kUnknown;
    }
    const char* pair = moduleType == 1 ? "DM" : moduleType == 3 ? "PP" : moduleType == 4 ? "PM" : nullptr;
    if (pair == nullptr || unit > 1) return kUnknown;
    return std::string(pair) + (unit == 1 ? "-A" : "-B");
}

std::string GetConfigChangeReasonText(uint32_t reason) {
    return CodeTextOr(kConfigChangeReason, reason, "Unknown Reason Code");
}

std::string GetFailoverReasonText(uint32_t reason) {
    if (const char* text = FindCodeText(kFailoverReason, reason)) return text;
    return TextFormat("Undefined Failover Code = %d", {reason});
}

std::string GetUtilityText(int32_t utility) {
    return utility < 0 ? "Bad Utility" : CodeTextOr(kUtility, static_cast<uint32_t>(utility), "Bad Utility");
}

std::string GetFormatTypeText(uint8_t formatType) {
    if (const char* text = FindCodeText(kFormatType, formatType)) return text;
    return TextFormat("Format Type=%2u", {uint32_t{formatType}});
}

std::string GetShutdownTypeText(uint8_t shutdownType) {
    if (const char* text = FindCodeText(kShutdownType, shutdownType)) return text;
    return TextFormat("%u", {uint32_t{shutdownType}});
}

std::string GetStorageControllerText() { return "Storage Controller"; }

std::string GetEnclosureSeverityText(uint8_t severity) {
    return CodeTextOr(kEnclosureSeverity, severity, kUnknown);
}
std::string GetEnclosureElementText(uint8_t element) {
    return CodeTextOr(kEnclosureElement, element, kUnknown);
}
std::string GetFanStatusText(uint8_t status) { return CodeTextOr(kFanStatus, status, kUnknown); }
std::string GetTempSensorStatusText(uint8_t status) {
    return CodeTextOr(kTempSensorStatus, status, kUnknown);
}

std::string GetPowerSupplyStatusText(uint8_t bits) {
    std::string text = " ";
    bool first = true;
    for (unsigned bit = 0; bit < 8; ++bit) {
        if ((bits & (1U << bit)) == 0) continue;
        if (!first) text += ", ";
        text += kPowerSupplyBits[bit];
        first = false;
    }
    return text;
}
