// Replies that carry the partitions (volumes) of one array into the partition table, the free partitions
// of an array, and the partition view.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "corlink/capi_wire/capi_reply_codes.h"
#include "corlink/database/array_partitions.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/reply_storage.h"
#include "corlink/foundation/console.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/log_switches.h"

namespace {

constexpr uint32_t kMaxPartitions = PARTITION_TABLE_PARTITIONS;
constexpr uint32_t kMaxFreePartitions = 1153;  // counts of 1,154 or more are refused
constexpr uint32_t kArraySerialInPartition = 52;
constexpr uint32_t kSerialSize = 32;
constexpr uint32_t kVolumeSize = sizeof(CAPI_UNIFIED_PARTITION);
constexpr uint32_t kVolumeArraySerial = 16;
constexpr uint32_t kVolumeSerialCompared = 16;
constexpr uint32_t kVolumeType = 83;
constexpr uint8_t kPoolObjectType = 10;

// A volume record's bytes as they go into a partition record (destination, source, size).
struct VolumeRow {
    uint32_t dst;
    uint32_t src;
    uint32_t size;
};
constexpr VolumeRow kVolumeRows[] = {
    // clang-format off
    {8, 0, 8},    {16, 8, 4},   {20, 96, 32},  {52, 16, 32},  {84, 32, 32},  {460, 48, 32}, {500, 12, 1},
    {501, 13, 1}, {503, 15, 1}, {504, 80, 2},  {508, 88, 8},  {516, 82, 1},  {517, 83, 1},  {519, 259, 1},
    // clang-format on
};
constexpr uint32_t kArrayIndexInPartition = 502;

struct ArrayPlace {
    int32_t controller = -1;
    int32_t array = -1;
    bool found() const { return controller >= 0; }
};

// The first array of entry `c` whose serial starts with `length` bytes of `serial`, or -1.
int32_t FindArrayIn(uint32_t c, const uint8_t* serial, size_t length) {
    const RAID_CONTROLLER& entry = g_ControllerDb[c];
    const uint32_t count = std::min<uint32_t>(entry.controller.raid.numArrays, RAID_CONTROLLER_MAX_ARRAYS);
    for (uint32_t a = 0; a < count; ++a) {
        if (g_VerboseReplyStorage && length == kVolumeSerialCompared) {
            const uint8_t* s = entry.arrays[a].serialNumber;
            DebugPrint(
                "comparing with controller %d array %d "
                "%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X (%.20s)\n",
                c, a, s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9], s[10], s[11], s[12], s[13],
                s[14], s[15], entry.arrays[a].name);
        }
        if (std::memcmp(entry.arrays[a].serialNumber, serial, length) == 0) return static_cast<int32_t>(a);
    }
    return -1;
}

// Where a reply's array is stored: in the entry that asked, when that entry lists the array (so each
// controller of a pair, and a placeholder, keeps its own partitions at its own array index); otherwise the
// first array over all controllers in database order.
ArrayPlace FindArray(int32_t asker, const uint8_t* serial, size_t length) {
    const uint32_t own = static_cast<uint32_t>(asker);
    const int32_t array = FindArrayIn(own, serial, length);
    if (array >= 0) return {asker, array};
    for (uint32_t c = 0; c < g_NumControllers; ++c) {
        if (c == own) continue;
        const int32_t other = FindArrayIn(c, serial, length);
        if (other >= 0) return {static_cast<int32_t>(c), other};
    }
    return {};
}

// The texts of the two partition-list replies.
struct PartitionTexts {
    const char* none;
    const char* header;
    const char* populating;
    const char* changing;
    const char* unknownArray;
};
constexpr PartitionTexts kPartitionTexts = {
    "CAPI_REPLY_GET_ARRAY_PARTITIONS: response included no partitions\n",
    "CAPI_REPLY_GET_ARRAY_PARTITIONS: controller=%d reply=%d err=%d "
    "array=%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X count=%d\n",
    "CAPI_REPLY_GET_ARRAY_PARTITIONS: populating partitions 0..%d of ctlr %d ary %d\n",
    "CAPI_REPLY_GET_ARRAY_PARTITIONS: ERROR: changing largeNumArrayPartitions from %d to %d\n",
    "CAPI_REPLY_GET_ARRAY_PARTITIONS: response did not include known array serial number\n",
};
constexpr PartitionTexts kVolumeTexts = {
    "CAPI_REPLY_U_GET_PARTITION_DATA: response included no partitions\n",
    "CAPI_REPLY_U_GET_PARTITION_DATA: controller=%d reply=%d err=%d arraysn of first "
    "partition=%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X count=%d\n",
    "CAPI_REPLY_U_GET_PARTITION_DATA: populating partitions 0..%d of ctlr %d ary %d\n",
    "CAPI_REPLY_U_GET_PARTITION_DATA: ERROR: changing largeNumArrayPartitions from %d to %d\n",
    "CAPI_REPLY_U_GET_PARTITION_DATA: response did not include known array serial number\n",
};

void LogHeader(const PartitionTexts& texts, const ReplyArgs& reply, const uint8_t* s) {
    DebugPrint(texts.header, reply.index, reply.replyCode, reply.errorCode, s[0], s[1], s[2], s[3], s[4],
               s[5], s[6], s[7], s[8], s[9], s[10], s[11], s[12], s[13], s[14], s[15], reply.param1);
}

void LogVolume(uint32_t i, const uint8_t* record) {
    const uint8_t* sn = record + 32;
    const uint8_t* asn = record + kVolumeArraySerial;
    const char* name = reinterpret_cast<const char*>(record + 96);
    DebugPrint(
        "part %d sn %02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X arraysn "
        "%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X class=%u type=%u paged=%d (%.20s)\n",
        i, sn[0], sn[1], sn[2], sn[3], sn[4], sn[5], sn[6], sn[7], sn[8], sn[9], sn[10], sn[11], sn[12],
        sn[13], sn[14], sn[15], asn[0], asn[1], asn[2], asn[3], asn[4], asn[5], asn[6], asn[7], asn[8],
        asn[9], asn[10], asn[11], asn[12], asn[13], asn[14], asn[15], record[82], record[kVolumeType],
        record[259], name);
}

// The array that the volume records belong to: that of the first record that is not a pool object.
ArrayPlace FindVolumesArray(int32_t asker, const uint8_t* records, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* record = records + i * kVolumeSize;
        if (g_VerboseReplyStorage) {
            LogVolume(i, record);
            const uint8_t* a = record + kVolumeArraySerial;
            DebugPrint(
                "examining part %d (%.20s) arraysn %02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X "
                "class,type=%u,%u isPaged=%d\n",
                i, reinterpret_cast<const char*>(record + 96), a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7],
                a[8], a[9], a[10], a[11], a[12], a[13], a[14], a[15], record[82], record[kVolumeType],
                record[259]);
        }
        if (record[kVolumeType] == kPoolObjectType) {
            if (g_VerboseReplyStorage) DebugPrint("skipping PS pool object\n");
            continue;
        }
        const ArrayPlace place = FindArray(asker, record + kVolumeArraySerial, kVolumeSerialCompared);
        if (place.found()) return place;
    }
    return {};
}

CAPI_ARRAY_PARTITION* PartitionSlot(const ArrayPlace& place, uint32_t i) {
    const bool fresh = gCapiArrayPartitions.Find(place.controller, place.array, i) == nullptr;
    CAPI_ARRAY_PARTITION* slot = gCapiArrayPartitions.Acquire(place.controller, place.array, i);
    if (fresh && g_VerboseReplyStorage) {
        DebugPrint("allocated memory for gCapiArrayPartitions[%d][%d][%d]\n", place.controller, place.array,
                   i);
    }
    return slot;
}

void StorePartitionRecord(const ArrayPlace& place, uint32_t i, const uint8_t* record, bool fromVolume) {
    auto* slot = reinterpret_cast<uint8_t*>(PartitionSlot(place, i));
    if (slot == nullptr) return;
    if (!fromVolume) {
        std::memcpy(slot, record, sizeof(CAPI_ARRAY_PARTITION));
        return;
    }
    std::memset(slot, 0, sizeof(CAPI_ARRAY_PARTITION));
    for (const VolumeRow& row : kVolumeRows) std::memcpy(slot + row.dst, record + row.src, row.size);
    slot[kArrayIndexInPartition] = static_cast<uint8_t>(place.array);
}

void LogSequenceMismatch(const RAID_CONTROLLER& entry, uint32_t param2) {
    const uint32_t stored = entry.controller.configSequenceNumber;
    if (param2 != stored)
        DebugPrint("config seq number mismatch: param2 %u != controllerDb %u\n", param2, stored);
}

void StorePartitionList(RAID_CONTROLLER& entry, const ReplyArgs& reply, bool fromVolume) {
    const PartitionTexts& texts = fromVolume ? kVolumeTexts : kPartitionTexts;
    const uint32_t count = reply.param1;
    const auto* records = static_cast<const uint8_t*>(reply.payload);
    if (count == 0) {
        DebugPrint("%s", texts.none);
    } else if (count > kMaxPartitions) {
        ConsolePrint(5, "ERROR: Capi returning too many partitions in array %d\n", count);
    } else if (records != nullptr) {
        const uint8_t* firstSerial = records + (fromVolume ? kVolumeArraySerial : kArraySerialInPartition);
        LogHeader(texts, reply, firstSerial);
        const ArrayPlace place = fromVolume ? FindVolumesArray(reply.index, records, count)
                                            : FindArray(reply.index, firstSerial, kSerialSize);
        if (place.found()) {
            DebugPrint(texts.populating, count - 1, place.controller, place.array);
            CAPI_ARRAY& array = g_ControllerDb[static_cast<uint32_t>(place.controller)].arrays[place.array];
            const uint32_t stored = array.largeNumArrayPartitions;
            if (stored != count) {
                DebugPrint(texts.changing, stored, count);
                array.largeNumArrayPartitions = static_cast<uint16_t>(count);
            }
            const uint32_t recordSize = fromVolume ? kVolumeSize : sizeof(CAPI_ARRAY_PARTITION);
            for (uint32_t i = 0; i < count; ++i)
                StorePartitionRecord(place, i, records + i * recordSize, fromVolume);
        } else {
            DebugPrint("%s", texts.unknownArray);
        }
        LogSequenceMismatch(entry, reply.param2);
        entry.driveListSequenceNumber = reply.param2;
    }
    entry.updateStatus = UPDATE_STATUS_STORED;
}

void StoreFreePartitions(RAID_CONTROLLER& entry, const ReplyArgs& reply) {
    const auto* records = static_cast<const uint8_t*>(reply.payload);
    if (reply.param1 > kMaxFreePartitions) {
        DebugPrint("ERROR: Capi returning too many free partitions in array %d\n", reply.param1);
    } else if (records != nullptr &&
               FindArray(reply.index, records + kArraySerialInPartition, kSerialSize).found()) {
        ConsolePrint(3, "controller config seq number = %u  capi config seq number = %u\n",
                     static_cast<uint32_t>(entry.controller.configSequenceNumber), reply.param2);
        LogSequenceMismatch(entry, reply.param2);
        entry.driveListSequenceNumber = reply.param2;
    } else {
        DebugPrint("Error GET_FREE_PARTITIONS couldn't find array serial number.\n");
    }
    entry.updateStatus = UPDATE_STATUS_STORED;
}

}  // namespace

int StorePartitionReply(const ReplyArgs& reply) {
    RAID_CONTROLLER& entry = g_ControllerDb[static_cast<uint32_t>(reply.index)];
    switch (reply.replyCode) {
        case CAPI_REPLY_GET_ARRAY_PARTITIONS:
        case CAPI_REPLY_U_GET_ARRAY_PARTITIONS: StorePartitionList(entry, reply, false); return 1;
        case CAPI_REPLY_U_GET_VOLUME_DATA: StorePartitionList(entry, reply, true); return 1;
        case CAPI_REPLY_GET_FREE_ARRAY_PARTITIONS:
        case CAPI_REPLY_U_GET_FREE_ARRAY_PARTITIONS: StoreFreePartitions(entry, reply); return 1;
        case CAPI_REPLY_U_GET_PARTITION_VIEW:
            if (reply.payload != nullptr)
                std::memcpy(&entry.partitionView, reply.payload, sizeof entry.partitionView);
            entry.updateStatus = UPDATE_STATUS_STORED;
            return 1;
        case CAPI_REPLY_ADD_ARRAY_PARTITION:
        case CAPI_REPLY_U_ADD_ARRAY_PARTITION: return 1;
        default: return 0;
    }
}
