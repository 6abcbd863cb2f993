// Replies that carry a controller's own data into its database entry.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "corlink/capi/wrappers_classic.h"
#include "corlink/capi_wire/capi_reply_codes.h"
#include "corlink/database/array_lookup.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/master_callback.h"
#include "corlink/database/reply_buffers.h"
#include "corlink/database/reply_storage.h"
#include "corlink/foundation/console.h"
#include "corlink/foundation/log.h"

namespace {

constexpr int32_t kErrorControllerShutdown = 47;
constexpr uint32_t kCapacitiesLargePartitionCount = 0x8000;
constexpr uint32_t kDebugChunk = 0x8000;
// Each next chunk is asked for from inside the reply to the last, so the chain nests on the stack; a
// controller that never sends a short chunk is cut off here (8 MiB of log).
constexpr uint32_t kMaxNestedDebugChunks = 256;
uint32_t nestedDebugChunks = 0;
constexpr uint8_t kNoArray = 255;
constexpr uint32_t kUnifiedDriveSize = sizeof(CAPI_UNIFIED_DRIVE);
constexpr uint32_t kArraySerialInDrive = offsetof(CAPI_UNIFIED_DRIVE, reserved212);
constexpr uint32_t kDriveExtra = offsetof(CAPI_DRIVE, driveDownReason) + 1;
constexpr uint32_t kDriveExtraSources[] = {215, 216, 217, 220, 221, 222, 223};

RAID_CONTROLLER& EntryOf(const ReplyArgs& reply) {
    return g_ControllerDb[static_cast<uint32_t>(reply.index)];
}

bool IsDataReply(uint32_t replyCode) {
    switch (replyCode) {
        case CAPI_REPLY_U_GET_CONTROLLER_DATA:
        case CAPI_REPLY_CONTROLLER_UPDATE:
        case CAPI_REPLY_U_GET_DRIVE_LIST:
        case CAPI_REPLY_GET_DRIVE_LIST:
        case CAPI_REPLY_GET_ARRAY_LIST:
        case CAPI_REPLY_U_GET_ARRAY_LIST: return true;
        default: return false;
    }
}

// Cuts the drive and array counts of a controller record to the entry's tables.
void ClampCounts(CAPI_RAID& raid) {
    if (raid.numDrives > RAID_CONTROLLER_MAX_DRIVES) raid.numDrives = RAID_CONTROLLER_MAX_DRIVES;
    if (raid.numArrays > RAID_CONTROLLER_MAX_ARRAYS) raid.numArrays = RAID_CONTROLLER_MAX_ARRAYS;
}

void StoreUnifiedController(RAID_CONTROLLER& entry, const ReplyArgs& reply) {
    std::memcpy(&g_UnifiedControllerBuffer, reply.payload, sizeof g_UnifiedControllerBuffer);
    if (reply.param2 != entry.controller.configSequenceNumber) {
        DebugPrint("config seq number mismatch: param2 %u != controllerDb %u\n", reply.param2,
                   static_cast<uint32_t>(entry.controller.configSequenceNumber));
    }
    entry.updateStatus = UPDATE_STATUS_STORED;
    for (CAPI_UNIFIED_CONTROLLER_DATA& half : g_UnifiedControllerBuffer.controllers) {
        const uint32_t drives = half.numDrives;
        if (drives > RAID_CONTROLLER_MAX_DRIVES) {
            half.numDrives = RAID_CONTROLLER_MAX_DRIVES;
            DebugPrint("truncated numDrives from %d to %d\n", drives, RAID_CONTROLLER_MAX_DRIVES);
        }
        if (half.numArrays > RAID_CONTROLLER_MAX_ARRAYS) half.numArrays = RAID_CONTROLLER_MAX_ARRAYS;
    }
}

void StoreDriveExtras(RAID_CONTROLLER& entry, int32_t index, uint32_t count, const uint8_t* records) {
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* record = records + i * kUnifiedDriveSize;
        CAPI_DRIVE& drive = entry.drives[i];
        const int32_t array = FindArrayBySerial(index, record + kArraySerialInDrive);
        drive.containerIndex = array < 0 ? kNoArray : static_cast<uint8_t>(array);
        auto* extra = reinterpret_cast<uint8_t*>(&drive) + kDriveExtra;
        for (uint32_t k = 0; k < std::size(kDriveExtraSources); ++k) extra[k] = record[kDriveExtraSources[k]];
        char serial[sizeof drive.serialNumber + 1] = {};
        std::memcpy(serial, drive.serialNumber, sizeof drive.serialNumber);
        const uint16_t scsiId = drive.scsiId;
        const uint8_t* b = record + kArraySerialInDrive;
        DebugPrint("[%d] CAPI_UNIFIED_DRIVE: (%d.%d) %s->%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X\n",
                   i, drive.channel, scsiId, serial, b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8],
                   b[9], b[10], b[11]);
    }
}

void StoreDriveList(RAID_CONTROLLER& entry, const ReplyArgs& reply) {
    const uint32_t count = reply.param1;
    if (count > RAID_CONTROLLER_MAX_DRIVES) {
        DebugPrint("ERROR: Capi returning too many drives in drive list %d\n", count);
    } else {
        const auto* records = static_cast<const uint8_t*>(reply.payload);
        if (reply.replyCode == CAPI_REPLY_U_GET_DRIVE_LIST) {
            for (uint32_t i = 0; i < count; ++i) {
                std::memcpy(&entry.drives[i], records + i * kUnifiedDriveSize, sizeof(CAPI_DRIVE));
            }
            DumpDiskDrivesEx(reply.index, 1525);
            StoreDriveExtras(entry, reply.index, count, records);
            DumpDiskDrivesEx(reply.index, 1527);
        } else {
            std::memcpy(entry.drives, records, count * sizeof(CAPI_DRIVE));
        }
        if (reply.param2 != entry.controller.configSequenceNumber) DebugPrint("config seq number mismatch\n");
        entry.driveListSequenceNumber = reply.param2;
    }
    entry.updateStatus = UPDATE_STATUS_STORED;
}

void StoreArrayList(RAID_CONTROLLER& entry, const ReplyArgs& reply) {
    const uint32_t count = reply.param1;
    if (count > RAID_CONTROLLER_MAX_ARRAYS) {
        DebugPrint("ERROR: Capi returning too many arrays in array list %d\n", count);
    } else {
        std::memcpy(entry.arrays, reply.payload, count * sizeof(CAPI_ARRAY));
        const bool largeCounts = (entry.controller.capabilities3 & kCapacitiesLargePartitionCount) != 0;
        for (uint32_t i = 0; i < count; ++i) {
            CAPI_ARRAY& array = entry.arrays[i];
            const uint32_t small = array.numArrayPartitions;
            const uint32_t large = array.largeNumArrayPartitions;
            if (largeCounts) {
                DebugPrint(
                    "MasterCallback: array %d (%.20s) numArrayPartitions %u largeNumArrayPartitions %u\n", i,
                    array.name, small, large);
                continue;
            }
            DebugPrint("MasterCallback: array %d (%.20s) numArrayPartitions=%u largeNumArrayPartitions=%u\n",
                       i, array.name, small, large);
            if (large != small) {
                array.largeNumArrayPartitions = static_cast<uint16_t>(small);
                DebugPrint("INCONSISTENCY FIXED largeNumArrayPartitions now %u\n", small);
            }
        }
        entry.arrayListSequenceNumber = reply.param2;
    }
    entry.updateStatus = UPDATE_STATUS_STORED;
}

void StoreEnclosures(RAID_CONTROLLER& entry, const ReplyArgs& reply) {
    const uint32_t count = reply.param1;
    if (count > RAID_CONTROLLER_MAX_ENCLOSURES) return;
    std::memcpy(entry.enclosures, reply.payload, sizeof entry.enclosures);
    std::memset(&entry.enclosures[count], 0,
                (RAID_CONTROLLER_MAX_ENCLOSURES - count) * sizeof(CAPI_DRIVE_ENCLOSURE));
    entry.enclosureCount = count;
    entry.updateStatus = UPDATE_STATUS_STORED;
}

void StoreDebugData(RAID_CONTROLLER& entry, const ReplyArgs& reply) {
    if (reply.errorCode != 0) {
        DebugPrint("Failed to get debug log\n");
        entry.updateStatus = UPDATE_STATUS_FAILED;
        return;
    }
    static char text[kDebugChunk + 1];
    const uint32_t length = std::min(reply.param1, kDebugChunk);
    if (reply.payload != nullptr) std::memcpy(text, reply.payload, length);
    std::replace(text, text + length, '\0', '\n');
    text[length] = 0;
    ConsolePrint(3, "%s", text);
    if (reply.param1 == kDebugChunk && nestedDebugChunks < kMaxNestedDebugChunks) {
        entry.debugLogOffset += kDebugChunk;
        ++nestedDebugChunks;
        CAPI_GetDebugData(entry.controllerHandle, 0, entry.debugLogOffset);  // its reply arrives inside
        --nestedDebugChunks;
        return;
    }
    entry.updateStatus = UPDATE_STATUS_STORED;
    ConsolePrint(3, "\n");
}

// Replies that need a payload.
int StoreData(RAID_CONTROLLER& entry, const ReplyArgs& reply) {
    switch (reply.replyCode) {
        case CAPI_REPLY_U_GET_CONTROLLER_DATA: StoreUnifiedController(entry, reply); return 1;
        case CAPI_REPLY_CONTROLLER_UPDATE:
            std::memcpy(&entry.controller, reply.payload, sizeof entry.controller);
            ClampCounts(entry.controller.raid);
            entry.updateStatus = UPDATE_STATUS_STORED;
            return 1;
        case CAPI_REPLY_U_GET_DRIVE_LIST:
        case CAPI_REPLY_GET_DRIVE_LIST: StoreDriveList(entry, reply); return 1;
        case CAPI_REPLY_GET_ARRAY_LIST:
        case CAPI_REPLY_U_GET_ARRAY_LIST: StoreArrayList(entry, reply); return 1;
        case CAPI_REPLY_U_GET_DRIVE_ENCLOSURES:
        case CAPI_REPLY_GET_DRIVE_ENCLOSURES: StoreEnclosures(entry, reply); return 1;
        case CAPI_REPLY_GET_ADV_NETWORK_INTF:
            std::memcpy(&entry.networkInterface, reply.payload, sizeof entry.networkInterface);
            entry.updateStatus = UPDATE_STATUS_STORED;
            return 1;
        default: return 0;
    }
}

}  // namespace

int StoreControllerReply(const ReplyArgs& reply) {
    RAID_CONTROLLER& entry = EntryOf(reply);
    if (IsDataReply(reply.replyCode)) {
        if (reply.errorCode == kErrorControllerShutdown) {
            entry.shutdown = 1;
            return 1;
        }
        entry.shutdown = 0;
    }
    if (reply.payload != nullptr && StoreData(entry, reply)) return 1;
    switch (reply.replyCode) {
        case CAPI_REPLY_U_GET_CONFIG_SEQ_NUMBER:
            entry.lastConfigSequenceNumber =
                static_cast<int32_t>(entry.controller.failover.failoverId == 1 ? reply.param2 : reply.param3);
            ConsolePrint(3, "controller %d Configuration Sequence Number = %d\n", reply.index,
                         entry.lastConfigSequenceNumber);
            return 1;
        case CAPI_REPLY_GET_CONFIG_SEQ_NUMBER:
            ConsolePrint(3, "Configuration Sequence Number = %d\n", reply.param1);
            return 1;
        case CAPI_REPLY_WRITE_BUFFER: entry.updateStatus = UPDATE_STATUS_STORED; return 1;
        case CAPI_REPLY_CAPI_VERSION_MISMATCH:
            DebugPrint("!!! CAPI_REPLY_CAPI_VERSION_MISMATCH !!!\n");
            DebugPrint("    External controller is using v%d.%d\n", reply.param1, reply.param2);
            DebugPrint("    We're using v%d.%d\n", 3, 10);
            entry.updateStatus = UPDATE_STATUS_FAILED;
            return 1;
        case CAPI_REPLY_COMMUNICATION_TIMEOUT:
            entry.updateStatus = UPDATE_STATUS_FAILED;
            DebugPrint("COMMUNICATION TIMEOUT - retry your command.\n");
            return 1;
        case CAPI_REPLY_COMMUNICATION_ERROR:
            entry.updateStatus = UPDATE_STATUS_FAILED;
            DebugPrint("COMMUNICATION ERROR - retry your command.\n");
            return 1;
        case CAPI_REPLY_SHUTDOWN_CONTROLLER:
            if (reply.param1 == 2) {
                DebugPrint("Both controllers are shutdown\n");
            } else {
                DebugPrint("Controller %s is shutdown\n", reply.param1 == 1 ? "A" : "B");
            }
            entry.updateStatus = UPDATE_STATUS_STORED;
            PollForSeconds(1);
            return 1;
        case CAPI_REPLY_SET_CHANNEL_PARAMS:
            if (reply.errorCode != 0) DebugPrint("SetChannelParams failed.\n");
            return 1;
        case CAPI_REPLY_GET_DEBUG_DATA: StoreDebugData(entry, reply); return 1;
        default: return 0;
    }
}
