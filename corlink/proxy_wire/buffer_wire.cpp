#include "corlink/proxy_wire/buffer_wire.h"

#include <cstring>
#include <iterator>

#include "corlink/capi/byte_order.h"
#include "corlink/capi/capi_structures.h"
#include "corlink/capi/converter.h"
#include "corlink/proxy_wire/reply_head.h"
#include "corlink/proxy_wire/storage_system_record.h"

namespace rre_wire {
namespace {

constexpr Item Words(uint32_t offset, uint32_t count = 1) { return {ItemKind::Words, offset, count}; }
constexpr Item Id() { return Words(8); }
constexpr Item U64(uint32_t offset) { return {ItemKind::U64, offset}; }
template <class T>
constexpr Item Record(uint32_t offset, uint32_t count = 1) {
    return {ItemKind::Records, offset, count, &capi::Desc<T>::value, sizeof(T)};
}
// A list of T at `offset` counted by the word at `countOffset`, at most `capacity` of them, each element
// `stride` bytes apart.
template <class T>
constexpr Item List(uint32_t countOffset, uint32_t offset, uint32_t capacity, uint32_t stride = sizeof(T),
                    bool toNetworkOnly = false) {
    return {ItemKind::Counted, offset, capacity, &capi::Desc<T>::value, stride, countOffset, toNetworkOnly};
}

constexpr uint32_t kArrayListCapacity = 128;  // a controller's arrays
constexpr uint32_t kDriveListCapacity = 250;  // a controller's drives
constexpr uint32_t kPartitionViewCapacity = 112;  // the views a 4 MiB session buffer holds
constexpr uint32_t kEventEntrySize = 412;    // an event record and its text
constexpr uint32_t kEventListCapacity = 416;  // the event buffer's records

constexpr bool H = true;  // begins with the head

constexpr BufferFormat kFormats[] = {
    {"PackRreAbortRolloffVolume", {121}, 524, H, {Id()}},
    {"PackRreAbortUtility", {27}, 44, H, {Id()}},
    {"PackRreAddArrayPart", {14}, 728, H, {Id(), U64(16), Words(12), Record<CAPI_ARRAY_PARTITION>(160)}},
    {"PackRreAddHostNickName", {74}, 304, H, {Id(), Words(12), Record<CAPI_FLEX_ID>(16)}},
    {"PackRreSetAdvNetInterface", {29}, 3988, H, {Id(), Words(12), Record<CAPI_ADVANCED_NETWORK_INTERFACE>(16)}},
    {"PackRreGetArrayList", {4}, 16 + kArrayListCapacity * sizeof(CAPI_ARRAY), H,
     {Id(), List<CAPI_ARRAY>(12, 16, kArrayListCapacity)}},
    {"PackRreAssignPoolSpare", {19}, 80, H, {Id()}},
    {"PackRreAuthDbRecord", {110, 111, 112, 113, 114, 115, 116, 117, 118}, 1036, H,
     {Id(), Record<CAPI_AUTHDB_RECORD>(16)}},
    {"PackRreBlinkDrive", {20}, 48, H, {Id()}},
    {"PackRreChangePartitionDescription", {126}, 312, H, {Id()}},
    {"PackRreChangePartLun", {30}, 48, H, {Id()}},
    {"PackRreCommitSnapshot", {52, 54}, 360, H, {Id(), Record<CAPI_SNAPSHOT_ID_PARAMS>(16)}},
    {"PackRreGetControllerStatus", {102}, 20, H, {Id()}},
    {"PackRreConvertMasterVolume", {61}, 312, H, {Id(), Record<CAPI_ARRAY_PARTITION_PARAMS>(16)}},
    {"PackRreCreateArray", {16}, 4548, H,
     {Id(), Words(12), Record<CAPI_UNIFIED_CREATE_ARRAY_PARAMS>(16), Record<CAPI_ARRAY>(2944)}},
    {"PackRreCreateCustomView", {71}, 42508, H, {}},
    {"PackRreCreateSnapshot", {51}, 1140, H,
     {Id(), Record<CAPI_CREATE_SNAPSHOTS_PARAMS>(12), Record<CAPI_SNAPSHOT_ID_LIST>(876)}},
    {"PackRreDeleteAllSnapshots", {53}, 52, H, {Id()}},
    {"PackRreDeletePart", {15, 59}, 48, H, {Id()}},
    {"PackRreDmsGetPolicyThresholdList", {64}, 8248, H, {Id(), Words(48), Record<CAPI_DMS_POLICY_LIST>(56)}},
    {"PackRreDmsGetTag", {50}, 28, H, {Id(), U64(20)}},
    {"PackRreDmsSetPolicy", {62, 63}, 80, H, {Id(), Record<CAPI_DMS_POLICY>(16)}},
    {"PackRreDoScsiMaintenance", {93}, 572, H, {Id(), Words(12, 6), Words(52), Words(568)}},
    {"PackRreSetDriveEnclosure", {84}, 416, H, {Id(), Record<CAPI_DRIVE_ENCLOSURE_PARAMS>(16)}},
    {"PackRreGetDriveList", {5}, 16 + kDriveListCapacity * sizeof(CAPI_DRIVE), H,
     {Id(), List<CAPI_DRIVE>(12, 16, kDriveListCapacity, sizeof(CAPI_DRIVE), true)}},
    {"PackRreExpandArray", {18}, 592, H, {Id(), Words(12), Record<CAPI_DRIVE_LOCATION>(48, 68)}},
    {"PackRreExpandPart", {17}, 312, H, {Id(), Words(12), Record<CAPI_ARRAY_PARTITION_PARAMS>(16)}},
    {"PackRreFlushCache", {21}, 44, H, {Id()}},
    {"PackRreFreeCache", {22, 24}, 48, H, {Id(), Words(12)}},
    {"PackRreFreeOrphanData", {101}, 16, H, {Id(), Words(12)}},
    {"PackRreGetAdvDrvEnclosure", {99}, 16 + 16 * sizeof(CAPI_ADVANCED_DRIVE_ENCLOSURE), H,
     {Id(), Words(12), Record<CAPI_ADVANCED_DRIVE_ENCLOSURE>(16, 16)}},
    {"PackRreGetAllPartView", {72}, 48 + kPartitionViewCapacity * sizeof(CAPI_PARTITION_VIEW_TABLE), H,
     {Id(), List<CAPI_PARTITION_VIEW_TABLE>(12, 16, kPartitionViewCapacity)}},
    {"PackRreGetBackingStoreList", {55}, 10264, H, {Id(), Words(16), Record<CAPI_BACKING_STORE_LIST>(24)}},
    {"PackRreGetConnectHbaInfoList", {125}, 58128, H, {Id()}},
    {"PackRreGetConnectHbaWwpnList", {123}, 276, H, {Id(), Words(12)}},
    {"PackRreGetControllerTimeDate", {91}, 20, H, {Id(), Words(16)}},
    {"PackRreGetEvent", {9}, 32 + kEventListCapacity * kEventEntrySize, H,
     {Id(), Words(16), Words(24, 2), List<CAPI_EVENT_RECORD>(20, 32, kEventListCapacity, kEventEntrySize)}},
    {"PackRreGetFlexKnownHosts", {119}, 63576, H, {Id(), Record<CAPI_FLEX_HOST_LIST>(16)}},
    {"PackRreGetHostNickNames", {75}, 26964, H, {Id(), Words(12), Record<CAPI_HOST_NICKNAME_LIST>(16)}},
    {"PackRreGetHostView", {73}, 64824, H,
     {Id(), Words(20), Record<CAPI_FLEX_ID>(24), Record<CAPI_HOST_VIEW_TABLE>(296)}},
    {"PackRreGetKnownHosts", {76}, 12596, H, {Id(), Record<CAPI_KNOWN_HOST_LIST>(16)}},
    {"PackRreGetMasterVolumeList", {56}, 180280, H, {Id(), Words(48), Record<CAPI_MASTER_VOLUME_LIST>(56)}},
    {"PackRreGetPartitionView", {70}, 37456, H, {Id(), Words(12), Record<CAPI_PARTITION_VIEW_TABLE>(48)}},
    {"PackRrePercentComplete", {28}, 48, H, {Id(), Words(44)}},
    {"PackRreGetRolloffVolumeList", {122}, 262164, H, {Id(), Words(16), Record<CAPI_ROLLOFF_VOLUME>(20, 2048)}},
    {"PackRreGetSnapshotList", {57}, 90168, H, {Id(), Words(48), Record<CAPI_SNAPSHOT_LIST>(56)}},
    {"PackRreGetSnapshotStatistics", {58}, 131128, H, {Id(), Words(48), Record<CAPI_SNAPSHOT_STATS_LIST>(56)}},
    {"PackRreGetStorageSystems", {96}, 25104, H, {Words(12), Record<STORAGE_SYSTEM>(16, STORAGE_SYSTEM_TABLE_SIZE)}},
    {"PackRreGetUnifiedControllerData", {109}, 55748, H, {Id(), Record<CAPI_UNIFIED_CONTROLLER>(12)}},
    {"PackRreSilenceAlarm", {23, 105}, 16, H, {Id(), Words(12)}},
    {"PackRreNeedUpdateController", {108}, 56, H, {}},
    {"PackRreGetController", {1}, 4, false, {}},
    {"PackRreRebootController", {85}, 16, H, {Id()}},
    {"PackRreReinitController", {100}, 16404, H, {Id(), Words(16)}},
    {"PackRreReviveArray", {103}, 48, H, {Id()}},
    {"PackRreRollbackMasterVolume", {60}, 112, H, {Id(), Record<CAPI_ROLLBACK_PARAMS>(16)}},
    {"PackRreRolloffVolume", {120}, 540, H, {Id(), Record<CAPI_ROLLOFF_PARAMS>(12)}},
    {"PackRreSetCacheParam", {80, 81}, 80, H, {Id(), Record<CAPI_CACHE_PARAMS>(48)}},
    {"PackRreSetArrayBackoffPercent", {104}, 48, H, {Words(44)}},
    {"PackRreSetChannelParam", {82}, 248, H, {Id(), Words(16), Record<CAPI_CHANNEL_PARAMS>(20)}},
    {"PackRreSetControllerTimeDate", {90}, 20, H, {Id(), Words(16)}},
    {"PackRreSetControllerParams", {94}, 10740, H, {Id(), Record<CAPI_UNIFIED_PARAMS>(16)}},
    {"PackRreSetDMSPolicy", {124}, 76, H, {Id(), U64(44)}},
    {"PackRreSetEnclosureFeatureFlags", {95}, 100, H, {Id(), Words(16)}},
    {"PackRreSetName", {12, 13}, 80, H, {Id(), Words(12)}},
    {"PackRreSetPassword", {98}, 76, H, {}},
    {"PackRreSetPreferredOwner", {92}, 48, H, {Id()}},
    {"PackRreShutdownController", {87}, 20, H, {Id()}},
    {"PackRreVerifyArray", {86}, 48, H, {Id()}},
    {"PackRreVerifyPassword", {97}, 76, H, {}},
};

constexpr uint64_t ItemEnd(const Item& item) {
    switch (item.kind) {
        case ItemKind::None: return 0;
        case ItemKind::Words: return item.offset + 4ull * item.count;
        case ItemKind::U64: return item.offset + 8ull;
        case ItemKind::Records: return item.offset + uint64_t{item.record->size} * item.count;
        case ItemKind::Counted: return item.offset + uint64_t{item.stride} * item.count;
    }
    return 0;
}

// Every item lies inside its buffer, every list's element fits its stride, and no code has two formats.
static_assert([] {
    uint64_t seen[2] = {};
    for (const BufferFormat& f : kFormats) {
        if (f.head && f.length < 8) return false;
        for (const Item& item : f.items) {
            if (ItemEnd(item) > f.length) return false;
            if (item.kind == ItemKind::Counted && (item.record->size > item.stride || item.countOffset + 4 > f.length))
                return false;
        }
        for (int w = 0; w < 2; ++w) {
            if ((seen[w] & f.codes.bits[w]) != 0) return false;
            seen[w] |= f.codes.bits[w];
        }
    }
    return true;
}());

uint32_t ReadCount(const uint8_t* at) {
    uint32_t count = 0;
    std::memcpy(&count, at, sizeof count);
    return count;
}

void PackList(const Item& item, int32_t mode, uint8_t* buffer, size_t length) {
    if (item.toNetworkOnly && mode != PACK_TO_NETWORK) return;
    if (item.countOffset + 4 > length) return;
    uint8_t* countField = buffer + item.countOffset;
    const bool countFirst = mode != PACK_TO_NETWORK;  // a count from the network is read after converting
    if (countFirst) SwapCapi32(mode, countField);
    uint64_t count = ReadCount(countField);
    if (count > item.count) count = item.count;
    const uint64_t room = length > item.offset ? (length - item.offset) / item.stride : 0;
    if (count > room) count = room;
    for (uint64_t e = 0; e < count; ++e) capi::ConvertStruct(*item.record, mode, buffer + item.offset + e * item.stride);
    if (!countFirst) SwapCapi32(mode, countField);
}

void PackItem(const Item& item, int32_t mode, uint8_t* buffer, size_t length) {
    if (item.kind == ItemKind::Counted) return PackList(item, mode, buffer, length);
    if (ItemEnd(item) > length) return;
    uint8_t* at = buffer + item.offset;
    switch (item.kind) {
        case ItemKind::Words:
            for (uint32_t w = 0; w < item.count; ++w) SwapCapi32(mode, at + 4 * w);
            break;
        case ItemKind::U64: SwapCapi32x2(mode, at); break;
        case ItemKind::Records: capi::ConvertRecords(*item.record, mode, at, item.count, length - item.offset); break;
        case ItemKind::None:
        case ItemKind::Counted: break;
    }
}

}  // namespace

std::span<const BufferFormat> AllBufferFormats() { return kFormats; }

const BufferFormat* BufferFormatOf(uint32_t code) {
    for (const BufferFormat& f : kFormats) {
        if (f.codes.Has(code)) return &f;
    }
    return nullptr;
}

const BufferFormat* BufferFormatNamed(const char* converter) {
    for (const BufferFormat& f : kFormats) {
        if (std::strcmp(f.converter, converter) == 0) return &f;
    }
    return nullptr;
}

void Pack(const BufferFormat& format, int32_t mode, uint8_t* buffer, size_t length) {
    if (format.head && length >= RRE_REPLY_HEAD_LENGTH) PackRreHeader(mode, buffer);
    for (const Item& item : format.items) {
        if (item.kind != ItemKind::None) PackItem(item, mode, buffer, length);
    }
}

}  // namespace rre_wire

void PackRreBuffer(uint32_t code, int32_t mode, uint8_t* buffer) {
    if (const rre_wire::BufferFormat* format = rre_wire::BufferFormatOf(code)) {
        rre_wire::Pack(*format, mode, buffer, format->length);
    }
}

void PackRreBuffer(uint32_t code, int32_t mode, uint8_t* buffer, size_t length) {
    if (const rre_wire::BufferFormat* format = rre_wire::BufferFormatOf(code)) {
        rre_wire::Pack(*format, mode, buffer, length < format->length ? length : format->length);
    }
}
