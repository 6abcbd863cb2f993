#include "corlink/capi/include_converter.h"

#include "corlink/capi_wire/capi_structures.h"
#include "corlink/capi_wire/converter.h"

namespace capi {
namespace {

template <class T>
constexpr IncludeConversion One(uint32_t type) {
    return {type, &Desc<T>::value, false};
}
template <class T>
constexpr IncludeConversion Records(uint32_t type) {
    return {type, &Desc<T>::value, true};
}

constexpr IncludeConversion kIncludeConversions[] = {
    One<CAPI_CONTROLLER>(1),
    One<CAPI_ARRAY>(2),
    One<CAPI_CACHE_PARAMS>(3),
    One<CAPI_CONTROLLER_PARAMS>(4),
    One<CAPI_CREATE_ARRAY_PARAMS>(6),
    One<CAPI_EVENT_RECORD>(7),
    One<CAPI_ARRAY_NAME_PARAMS>(8),
    One<CAPI_SCSI_MAINT_PARAMS>(9),
    One<CAPI_ENVIRON_WRITE_PARAMS>(11),
    One<CAPI_ENVIRON_PROCESSOR>(12),
    Records<CAPI_ADVANCED_UNIT_MAPPING>(14),
    One<CAPI_CHANNEL_PARAMS>(19),
    Records<CAPI_DRIVE>(20),
    One<CAPI_OBJECT_ID>(21),
    One<CAPI_FLEX_ID>(22),
    One<CAPI_LOGIN_PARAMS>(23),
    Records<CAPI_ARRAY>(24),
    One<CAPI_HOST_TABLE>(25),
    One<CAPI_HOST_PARAMS>(26),
    One<CAPI_ARRAY_PARTITION_PARAMS>(27),
    Records<CAPI_ARRAY_PARTITION>(28),
    One<CAPI_KNOWN_HOST_LIST>(29),
    One<CAPI_ADVANCED_NETWORK_INTERFACE>(31),
    One<CAPI_ADVANCED_ENVIRONMENTALS>(32),
    One<CAPI_HOST_NICKNAME>(33),
    One<CAPI_HOST_NICKNAME_LIST>(34),
    One<CAPI_DRIVE_ERROR_STATS>(35),
    One<CAPI_UNIFIED_CACHE_PARAMS>(36),
    One<CAPI_EVENT_LIST>(38),
    Records<CAPI_DRIVE_ENCLOSURE>(39),
    One<CAPI_DRIVE_ENCLOSURE_PARAMS>(41),
    One<CAPI_ARRAY_STATS>(42),
    One<CAPI_UNIFIED_CONTROLLER>(50),
    Records<CAPI_UNIFIED_DRIVE>(52),
    One<CAPI_UNIFIED_PARAMS>(57),
    One<CAPI_UNIFIED_KNOWN_HOST_LIST>(58),
    One<CAPI_UNIFIED_CREATE_ARRAY_PARAMS>(60),
    One<CAPI_UNIFIED_DRIVE_ID>(61),
    One<CAPI_CREATE_ARRAY_REPLY>(62),
    One<CAPI_MAP_UNMAP_PARAMS>(63),
    One<CAPI_GET_HOST_VIEW_PARAMS>(64),
    One<CAPI_PARTITION_VIEW_TABLE>(65),
    One<CAPI_HOST_VIEW_TABLE>(66),
    Records<CAPI_BACKING_STORE>(67),
    Records<CAPI_MASTER_VOLUME>(68),
    Records<CAPI_SNAPSHOT>(69),
    Records<CAPI_SNAPSHOT_STATS>(70),
    One<CAPI_DMS_TAG>(71),
    One<CAPI_CREATE_SNAPSHOTS_PARAMS>(72),
    One<CAPI_SNAPSHOT_ID_PARAMS>(73),
    One<CAPI_SNAPSHOT_ID_LIST>(74),
    One<CAPI_ROLLBACK_PARAMS>(75),
    One<CAPI_DMS_POLICY>(76),
    Records<CAPI_DMS_POLICY>(77),
};

}  // namespace

const IncludeConversion* FindIncludeConversion(uint32_t includeType) {
    for (const IncludeConversion& c : kIncludeConversions) {
        if (c.type == includeType) return &c;
    }
    return nullptr;
}

}  // namespace capi

void PackIncludeStruct(uint32_t includeType, void* include, uint32_t param1, size_t includeLength) {
    const capi::IncludeConversion* conversion = capi::FindIncludeConversion(includeType);
    if (conversion == nullptr || include == nullptr) return;
    const uint64_t count = conversion->records ? param1 : 1;
    capi::ConvertRecords(*conversion->desc, PACK_CAPI_SEND, include, count, includeLength);
}
