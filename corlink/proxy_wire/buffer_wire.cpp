#include "corlink/proxy_wire/buffer_wire.h"

#include <cstring>
#include <iterator>

#include "corlink/capi_wire/byte_order.h"
#include "corlink/capi_wire/converter.h"
#include "corlink/proxy_wire/buffers_arrays.h"
#include "corlink/proxy_wire/buffers_controller.h"
#include "corlink/proxy_wire/buffers_drives.h"
#include "corlink/proxy_wire/buffers_events.h"
#include "corlink/proxy_wire/buffers_hosts.h"
#include "corlink/proxy_wire/buffers_snapshots.h"

namespace rre_wire {
namespace {

template <class S>
constexpr BufferFormat Format(const char* converter, CodeSet codes) {
    const BufferDesc& layout = Layout<S>::value;
    const Row& first = layout.rows[0];
    const bool head =
        first.offset == 0 && first.order == Order::Net && first.record == &capi::Desc<RRE_HEAD>::value;
    return {converter, codes, &layout, layout.size, head};
}

constexpr BufferFormat kFormats[] = {
    Format<RRE_ABORT_ROLLOFF_BUFFER>("PackRreAbortRolloffVolume", {121}),
    Format<RRE_SERIAL_BUFFER>("PackRreAbortUtility", {27}),
    Format<RRE_ADD_ARRAY_PART_BUFFER>("PackRreAddArrayPart", {14}),
    Format<RRE_ADD_NICKNAME_BUFFER>("PackRreAddHostNickName", {74}),
    Format<RRE_ADV_NET_INTERFACE_BUFFER>("PackRreSetAdvNetInterface", {29}),
    Format<RRE_ARRAY_LIST_BUFFER>("PackRreGetArrayList", {4}),
    Format<RRE_POOL_SPARE_BUFFER>("PackRreAssignPoolSpare", {19}),
    Format<RRE_AUTHDB_BUFFER>("PackRreAuthDbRecord", {110, 111, 112, 113, 114, 115, 116, 117, 118}),
    Format<RRE_OBJECT_BUFFER>("PackRreBlinkDrive", {20}),
    Format<RRE_DESCRIPTION_BUFFER>("PackRreChangePartitionDescription", {126}),
    Format<RRE_OBJECT_BUFFER>("PackRreChangePartLun", {30}),
    Format<RRE_SNAPSHOT_IDS_BUFFER>("PackRreCommitSnapshot", {52, 54}),
    Format<RRE_CONTROLLER_STATUS_BUFFER>("PackRreGetControllerStatus", {102}),
    Format<RRE_CONVERT_MASTER_VOLUME_BUFFER>("PackRreConvertMasterVolume", {61}),
    Format<RRE_CREATE_ARRAY_BUFFER>("PackRreCreateArray", {16}),
    Format<RRE_CUSTOM_VIEW_BUFFER>("PackRreCreateCustomView", {71}),
    Format<RRE_CREATE_SNAPSHOT_BUFFER>("PackRreCreateSnapshot", {51}),
    Format<RRE_DELETE_ALL_SNAPSHOTS_BUFFER>("PackRreDeleteAllSnapshots", {53}),
    Format<RRE_OBJECT_BUFFER>("PackRreDeletePart", {15, 59}),
    Format<RRE_POLICY_LIST_BUFFER>("PackRreDmsGetPolicyThresholdList", {64}),
    Format<RRE_DMS_TAG_BUFFER>("PackRreDmsGetTag", {50}),
    Format<RRE_DMS_POLICY_BUFFER>("PackRreDmsSetPolicy", {62, 63}),
    Format<RRE_SCSI_MAINTENANCE_BUFFER>("PackRreDoScsiMaintenance", {93}),
    Format<RRE_DRIVE_ENCLOSURE_BUFFER>("PackRreSetDriveEnclosure", {84}),
    Format<RRE_DRIVE_LIST_BUFFER>("PackRreGetDriveList", {5}),
    Format<RRE_EXPAND_ARRAY_BUFFER>("PackRreExpandArray", {18}),
    Format<RRE_EXPAND_PART_BUFFER>("PackRreExpandPart", {17}),
    Format<RRE_SERIAL_BUFFER>("PackRreFlushCache", {21}),
    Format<RRE_FREE_CACHE_BUFFER>("PackRreFreeCache", {22, 24}),
    Format<RRE_CONTROLLER_WORD_BUFFER>("PackRreFreeOrphanData", {101}),
    Format<RRE_ADV_ENCLOSURES_BUFFER>("PackRreGetAdvDrvEnclosure", {99}),
    Format<RRE_ALL_VIEWS_BUFFER>("PackRreGetAllPartView", {72}),
    Format<RRE_BACKING_STORE_LIST_BUFFER>("PackRreGetBackingStoreList", {55}),
    Format<RRE_HBA_INFO_BUFFER>("PackRreGetConnectHbaInfoList", {125}),
    Format<RRE_WWPN_LIST_BUFFER>("PackRreGetConnectHbaWwpnList", {123}),
    Format<RRE_TIME_DATE_BUFFER>("PackRreGetControllerTimeDate", {91}),
    Format<RRE_EVENT_BUFFER>("PackRreGetEvent", {9}),
    Format<RRE_FLEX_HOSTS_BUFFER>("PackRreGetFlexKnownHosts", {119}),
    Format<RRE_NICKNAMES_BUFFER>("PackRreGetHostNickNames", {75}),
    Format<RRE_HOST_VIEW_BUFFER>("PackRreGetHostView", {73}),
    Format<RRE_KNOWN_HOSTS_BUFFER>("PackRreGetKnownHosts", {76}),
    Format<RRE_MASTER_VOLUME_LIST_BUFFER>("PackRreGetMasterVolumeList", {56}),
    Format<RRE_PARTITION_VIEW_BUFFER>("PackRreGetPartitionView", {70}),
    Format<RRE_PERCENT_BUFFER>("PackRrePercentComplete", {28}),
    Format<RRE_ROLLOFF_LIST_BUFFER>("PackRreGetRolloffVolumeList", {122}),
    Format<RRE_SNAPSHOT_LIST_BUFFER>("PackRreGetSnapshotList", {57}),
    Format<RRE_SNAPSHOT_STATISTICS_BUFFER>("PackRreGetSnapshotStatistics", {58}),
    Format<RRE_STORAGE_SYSTEMS_BUFFER>("PackRreGetStorageSystems", {96}),
    Format<RRE_UNIFIED_CONTROLLER_DATA_BUFFER>("PackRreGetUnifiedControllerData", {109}),
    Format<RRE_CONTROLLER_WORD_BUFFER>("PackRreSilenceAlarm", {23, 105}),
    Format<RRE_NEED_UPDATE_BUFFER>("PackRreNeedUpdateController", {108}),
    Format<RRE_CONTROLLER_ID_REQUEST>("PackRreGetController", {1}),
    Format<RRE_REBOOT_BUFFER>("PackRreRebootController", {85}),
    Format<RRE_REINIT_BUFFER>("PackRreReinitController", {100}),
    Format<RRE_OBJECT_BUFFER>("PackRreReviveArray", {103}),
    Format<RRE_ROLLBACK_BUFFER>("PackRreRollbackMasterVolume", {60}),
    Format<RRE_ROLLOFF_BUFFER>("PackRreRolloffVolume", {120}),
    Format<RRE_CACHE_PARAM_BUFFER>("PackRreSetCacheParam", {80, 81}),
    Format<RRE_BACKOFF_BUFFER>("PackRreSetArrayBackoffPercent", {104}),
    Format<RRE_CHANNEL_PARAM_BUFFER>("PackRreSetChannelParam", {82}),
    Format<RRE_TIME_DATE_BUFFER>("PackRreSetControllerTimeDate", {90}),
    Format<RRE_CONTROLLER_PARAMS_BUFFER>("PackRreSetControllerParams", {94}),
    Format<RRE_SET_DMS_POLICY_BUFFER>("PackRreSetDMSPolicy", {124}),
    Format<RRE_FEATURE_FLAGS_BUFFER>("PackRreSetEnclosureFeatureFlags", {95}),
    Format<RRE_SET_NAME_BUFFER>("PackRreSetName", {12, 13}),
    Format<RRE_PASSWORD_BUFFER>("PackRreSetPassword", {98}),
    Format<RRE_PREFERRED_OWNER_BUFFER>("PackRreSetPreferredOwner", {92}),
    Format<RRE_SHUTDOWN_BUFFER>("PackRreShutdownController", {87}),
    Format<RRE_OBJECT_BUFFER>("PackRreVerifyArray", {86}),
    Format<RRE_PASSWORD_BUFFER>("PackRreVerifyPassword", {97}),
};

// No code has two formats, and every list's count is a Count row of its buffer.
static_assert([] {
    uint64_t seen[2] = {};
    for (const BufferFormat& f : kFormats) {
        for (int w = 0; w < 2; ++w) {
            if ((seen[w] & f.codes.bits[w]) != 0) return false;
            seen[w] |= f.codes.bits[w];
        }
        for (size_t r = 0; r < f.layout->rowCount; ++r) {
            const Row& row = f.layout->rows[r];
            if (row.order != Order::List && row.order != Order::ListOut) continue;
            bool counted = false;
            for (size_t k = 0; k < f.layout->rowCount; ++k) {
                counted = counted || (f.layout->rows[k].order == Order::Count &&
                                      f.layout->rows[k].offset == row.countOffset);
            }
            if (!counted) return false;
        }
    }
    return true;
}());

uint32_t ReadCount(const uint8_t* at) {
    uint32_t count = 0;
    std::memcpy(&count, at, sizeof count);
    return count;
}

void PackList(const Row& row, int32_t mode, uint8_t* buffer, size_t length) {
    if (row.order == Order::ListOut && mode != PACK_TO_NETWORK) return;
    if (row.countOffset + 4 > length) return;
    uint8_t* countField = buffer + row.countOffset;
    const bool countFirst = mode != PACK_TO_NETWORK;  // a count from the network is read after converting
    if (countFirst) SwapCapi32(mode, countField);
    uint64_t count = ReadCount(countField);
    if (count > row.count) count = row.count;
    const uint64_t room = length > row.offset ? (length - row.offset) / row.elemSize : 0;
    if (count > room) count = room;
    for (uint64_t e = 0; e < count; ++e)
        capi::ConvertStruct(*row.record, mode, buffer + row.offset + e * row.elemSize);
    if (!countFirst) SwapCapi32(mode, countField);
}

// A converted row, as far as it lies within the bytes present: its words, or its structures each by its
// own description. A structure cut short converts the words it holds, as a table of the buffer's words
// would: a reply shorter than its buffer still has its leading counts and fields converted.
void PackRow(const Row& row, int32_t mode, uint8_t* buffer, size_t length) {
    for (uint32_t e = 0; e < row.count; ++e) {
        const uint64_t at = row.offset + uint64_t{e} * row.elemSize;
        if (at >= length) return;
        if (row.record != nullptr) {
            capi::ConvertStructWithin(*row.record, mode, buffer + at, length - at);
        } else if (at + 4 <= length) {
            SwapCapi32(mode, buffer + at);
        }
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
    for (size_t r = 0; r < format.layout->rowCount; ++r) {
        const Row& row = format.layout->rows[r];
        switch (row.order) {
            case Order::Net: PackRow(row, mode, buffer, length); break;
            case Order::List:
            case Order::ListOut: PackList(row, mode, buffer, length); break;
            case Order::Host:
            case Order::Count:
            case Order::BigEndian: break;
        }
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
