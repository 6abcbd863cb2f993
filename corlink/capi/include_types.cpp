#include "corlink/capi/include_types.h"

namespace {

constexpr CapiIncludeType kIncludeTypes[] = {
    // clang-format off
    {1, IncludeSizeRule::Fixed, 23656, "CAPI_CONTROLLER", true},
    {2, IncludeSizeRule::Fixed, 1604, "CAPI_ARRAY", true},
    {3, IncludeSizeRule::Fixed, 32, "CAPI_CACHE_PARAMS", true},
    {4, IncludeSizeRule::Fixed, 284, "CAPI_CONTROLLER_PARAMS", true},
    {5, IncludeSizeRule::RawBytes, 1, nullptr, false},
    {6, IncludeSizeRule::Fixed, 684, "CAPI_CREATE_ARRAY_PARAMS", true},
    {7, IncludeSizeRule::Fixed, 156, "CAPI_EVENT_RECORD", true},
    {8, IncludeSizeRule::Fixed, 40, "CAPI_ARRAY_NAME_PARAMS", true},
    {9, IncludeSizeRule::Fixed, 32960, "CAPI_SCSI_MAINT_PARAMS", true},
    {10, IncludeSizeRule::RawBytes, 1, nullptr, false},
    {11, IncludeSizeRule::Fixed, 288, "CAPI_ENVIRON_WRITE_PARAMS", true},
    {12, IncludeSizeRule::Fixed, 320, "CAPI_ENVIRON_PROCESSOR", true},
    {13, IncludeSizeRule::RawBytes, 1, nullptr, false},
    {14, IncludeSizeRule::Records, 180, "CAPI_ADVANCED_UNIT_MAPPING", true},
    {19, IncludeSizeRule::Fixed, 228, "CAPI_CHANNEL_PARAMS", true},
    {20, IncludeSizeRule::Records, 212, "CAPI_DRIVE", true},
    {21, IncludeSizeRule::Fixed, 72, "CAPI_OBJECT_ID", true},
    {22, IncludeSizeRule::Fixed, 48, "CAPI_FLEX_ID", true},
    {23, IncludeSizeRule::Fixed, 48, "CAPI_LOGIN_PARAMS", true},
    {24, IncludeSizeRule::Records, 1604, "CAPI_ARRAY", true},
    {25, IncludeSizeRule::Fixed, 1508, "CAPI_HOST_TABLE", true},
    {26, IncludeSizeRule::Fixed, 120, "CAPI_HOST_PARAMS", true},
    {27, IncludeSizeRule::Fixed, 296, "CAPI_ARRAY_PARTITION_PARAMS", true},
    {28, IncludeSizeRule::Records, 568, "CAPI_ARRAY_PARTITION", true},
    {29, IncludeSizeRule::Fixed, 12580, "CAPI_KNOWN_HOST_LIST", true},
    {31, IncludeSizeRule::Fixed, 3972, "CAPI_ADVANCED_NETWORK_INTERFACE", true},
    {32, IncludeSizeRule::Fixed, 436, "CAPI_ADVANCED_ENVIRONMENTALS", true},
    {33, IncludeSizeRule::Fixed, 384, "CAPI_HOST_NICKNAME", true},
    {34, IncludeSizeRule::Fixed, 26948, "CAPI_HOST_NICKNAME_LIST", true},
    {35, IncludeSizeRule::Fixed, 280, "CAPI_DRIVE_ERROR_STATS", true},
    {36, IncludeSizeRule::Fixed, 64, "CAPI_UNIFIED_CACHE_PARAMS", true},
    {37, IncludeSizeRule::RawBytes, 1, nullptr, false},
    {38, IncludeSizeRule::Fixed, 64896, "CAPI_EVENT_LIST", true},
    {39, IncludeSizeRule::Records, 4072, "CAPI_DRIVE_ENCLOSURE", true},
    {40, IncludeSizeRule::RawBytes, 1, nullptr, false},
    {41, IncludeSizeRule::Fixed, 400, "CAPI_DRIVE_ENCLOSURE_PARAMS", true},
    {42, IncludeSizeRule::Fixed, 344, "CAPI_ARRAY_STATS", true},
    {43, IncludeSizeRule::Fixed, 2204, nullptr, false},
    {44, IncludeSizeRule::Records, 472, nullptr, false},
    {45, IncludeSizeRule::Records, 184, nullptr, false},
    {46, IncludeSizeRule::Fixed, 128, nullptr, false},
    {47, IncludeSizeRule::Fixed, 17596, nullptr, false},
    {50, IncludeSizeRule::Fixed, 55732, "CAPI_UNIFIED_CONTROLLER", true},
    {52, IncludeSizeRule::Records, 260, "CAPI_UNIFIED_DRIVE", true},
    {57, IncludeSizeRule::Fixed, 10724, "CAPI_UNIFIED_PARAMS", true},
    {58, IncludeSizeRule::Fixed, 50016, "CAPI_UNIFIED_KNOWN_HOST_LIST", true},
    {60, IncludeSizeRule::Fixed, 2928, "CAPI_UNIFIED_CREATE_ARRAY_PARAMS", true},
    {61, IncludeSizeRule::Fixed, 104, "CAPI_UNIFIED_DRIVE_ID", true},
    {62, IncludeSizeRule::Fixed, 32, "CAPI_CREATE_ARRAY_REPLY", true},
    {63, IncludeSizeRule::Fixed, 404, "CAPI_MAP_UNMAP_PARAMS", true},
    {64, IncludeSizeRule::Fixed, 332, "CAPI_GET_HOST_VIEW_PARAMS", true},
    {65, IncludeSizeRule::Fixed, 37408, "CAPI_PARTITION_VIEW_TABLE", true},
    {66, IncludeSizeRule::Fixed, 64528, "CAPI_HOST_VIEW_TABLE", true},
    {67, IncludeSizeRule::Records, 80, "CAPI_BACKING_STORE", true},
    {68, IncludeSizeRule::Records, 88, "CAPI_MASTER_VOLUME", true},
    {69, IncludeSizeRule::Records, 88, "CAPI_SNAPSHOT", true},
    {70, IncludeSizeRule::Records, 128, "CAPI_SNAPSHOT_STATS", true},
    {71, IncludeSizeRule::Fixed, 8, "CAPI_DMS_TAG", true},
    {72, IncludeSizeRule::Fixed, 864, "CAPI_CREATE_SNAPSHOTS_PARAMS", true},
    {73, IncludeSizeRule::Fixed, 344, "CAPI_SNAPSHOT_ID_PARAMS", true},
    {74, IncludeSizeRule::Fixed, 264, "CAPI_SNAPSHOT_ID_LIST", true},
    {75, IncludeSizeRule::Fixed, 96, "CAPI_ROLLBACK_PARAMS", true},
    {76, IncludeSizeRule::Fixed, 64, "CAPI_DMS_POLICY", true},
    {77, IncludeSizeRule::Records, 64, "CAPI_DMS_POLICY", true},
    {78, IncludeSizeRule::Fixed, 84992, nullptr, false},
    {79, IncludeSizeRule::Records, 304, nullptr, false},
    {80, IncludeSizeRule::Fixed, 41896, "CAPI_ADVANCED_DRIVE_ENCLOSURE", false},
    {81, IncludeSizeRule::Fixed, 8192, nullptr, false},
    {82, IncludeSizeRule::Fixed, 128, nullptr, false},
    {83, IncludeSizeRule::Fixed, 512, nullptr, false},
    {85, IncludeSizeRule::Fixed, 512, "CAPI_ROLLOFF_PARAMS", false},
    {86, IncludeSizeRule::Fixed, 32, nullptr, false},
    {87, IncludeSizeRule::Records, 128, nullptr, false},
    {88, IncludeSizeRule::Fixed, 512, nullptr, false},
    {89, IncludeSizeRule::Records, 336, nullptr, false},
    {90, IncludeSizeRule::Records, 1108, nullptr, false},
    {91, IncludeSizeRule::Fixed, 920, nullptr, false},
    {92, IncludeSizeRule::Fixed, 296, nullptr, false},
    {93, IncludeSizeRule::Fixed, 52, nullptr, false},
    {94, IncludeSizeRule::Fixed, 316, nullptr, false},
    {95, IncludeSizeRule::Fixed, 824, nullptr, false},
    {96, IncludeSizeRule::Fixed, 1, nullptr, false},
    {97, IncludeSizeRule::Fixed, 1020, "CAPI_AUTHDB_RECORD", false},
    {98, IncludeSizeRule::Fixed, 1020, "CAPI_AUTHDB_RECORD", false},
    {99, IncludeSizeRule::Fixed, 136, nullptr, false},
    {100, IncludeSizeRule::Fixed, 24, nullptr, false},
    {101, IncludeSizeRule::Records, 64, nullptr, false},
    {102, IncludeSizeRule::Fixed, 63560, "CAPI_FLEX_HOST_LIST", false},
    {138, IncludeSizeRule::Fixed, 16, nullptr, false},
    // clang-format on
};

}  // namespace

const CapiIncludeType* FindCapiIncludeType(uint32_t includeType) {
    for (const CapiIncludeType& row : kIncludeTypes) {
        if (row.type == includeType) return &row;
    }
    return nullptr;
}

uint64_t CapiIncludeSize(uint32_t includeType, uint32_t param1) {
    const CapiIncludeType* row = FindCapiIncludeType(includeType);
    if (row == nullptr) return 0;
    if (row->rule == IncludeSizeRule::Fixed) return row->bytes;
    return static_cast<uint64_t>(param1) * row->bytes;
}
