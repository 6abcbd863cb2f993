#include "tests/unit/capi/wrappers_golden.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <map>

#include "corlink/capi/wrappers_classic.h"
#include "corlink/capi/wrappers_unified.h"

namespace golden {

namespace {

template <class R>
const R* As(const uint8_t* bytes) {
    return reinterpret_cast<const R*>(bytes);
}
const CAPI_FLEX_ID* Flex(const uint8_t* bytes) { return As<CAPI_FLEX_ID>(bytes); }
const CAPI_CACHE_PARAMS* Cache() { return As<CAPI_CACHE_PARAMS>(kCacheParams); }
template <class R>
const R* Caller(size_t size) {
    return As<R>(PatternBytes(size));
}

// A type-21 record: the identifier's 32 bytes, then 40 zero bytes.
Bytes IdRecord(const uint8_t* id) { return Record(72, {{0, Span(id, 32)}}); }
// A type-61 record: the drive identifier at 32, the array identifier (when given) at 0.
Bytes DriveIdRecord(const uint8_t* driveId, const uint8_t* arrayId = nullptr) {
    if (arrayId == nullptr) return Record(104, {{32, Span(driveId, 8)}});
    return Record(104, {{0, Span(arrayId, 32)}, {32, Span(driveId, 8)}});
}
// A type-33 record naming a drive by its WWN: flex id type 8 at 80, the WWN at 92.
Bytes WwnRecord() { return Record(384, {{80, {8}}, {92, Span(kWwn, 8)}}); }
// A caller's record of `size` bytes with an identifier written at `at`.
Bytes PatternWithId(size_t size, size_t at) {
    Bytes bytes = Pattern(size);
    std::memcpy(bytes.data() + at, kId, 32);
    return bytes;
}
Bytes Words32(std::initializer_list<uint32_t> values) {
    Bytes bytes;
    for (uint32_t v : values) {
        Bytes le = Le32(v);
        bytes.insert(bytes.end(), le.begin(), le.end());
    }
    return bytes;
}

constexpr uint32_t kAb = 1;

}  // namespace

// clang-format off
const std::vector<Row>& ClassicRows() {
    static const std::vector<Row> rows = {
        {"CAPI_AbortUtility", [](CAPI_HANDLE h) { return CAPI_AbortUtility(h, 7); }, {.code = 1, .array = 7}},
        {"CAPI_AddArrayPartition", [](CAPI_HANDLE h) { return CAPI_AddArrayPartition(h, 99, Caller<CAPI_ARRAY_PARTITION_PARAMS>(296)); },
         {.code = 78, .includeType = 27, .include = Pattern(296)}},
        {"CAPI_AddDedicatedSpare", [](CAPI_HANDLE h) { return CAPI_AddDedicatedSpare(h, 7, 2, 5); },
         {.code = 3, .array = 7, .channel = 2, .drive = 5}},
        {"CAPI_AddHost with id", [](CAPI_HANDLE h) { return CAPI_AddHost(h, 2, kId, 9, Flex(kFlexOdd), 0xF1, 0xF2); },
         {.code = 68, .channel = 2, .includeType = 26, .include = Record(120, {{0, Span(kId, 32)}, {32, Span(kFlexOdd, 48)}}),
          .p1 = 9, .p2 = 0xF1, .p3 = 0xF2}},
        {"CAPI_AddHost without id", [](CAPI_HANDLE h) { return CAPI_AddHost(h, 2, nullptr, 9, Flex(kFlexOdd), 1, 2); },
         {.code = 68, .channel = 2, .includeType = 26, .include = Record(120, {{32, Span(kFlexOdd, 48)}}),
          .p1 = 9, .p2 = 1, .p3 = 2}},
        {"CAPI_AddHostNickname odd flex id", [](CAPI_HANDLE h) { return CAPI_AddHostNickname(h, Flex(kFlexOdd), kNickname, kInitiator); },
         {.code = 91, .includeType = 33,
          .include = Record(384, {{0, Span(kNickname, 80)}, {80, Span(kFlexOdd, 48)}, {128, Text(kInitiator)}})}},
        {"CAPI_AddHostNickname even flex id", [](CAPI_HANDLE h) { return CAPI_AddHostNickname(h, Flex(kFlexEven), kNickname, kInitiator); },
         {.code = 91, .includeType = 33, .include = Record(384, {{0, Span(kNickname, 80)}, {80, Span(kFlexEven, 48)}})}},
        {"CAPI_AddPoolSpare", [](CAPI_HANDLE h) { return CAPI_AddPoolSpare(h, 2, 5); }, {.code = 32, .channel = 2, .drive = 5}},
        {"CAPI_BlinkDrive", [](CAPI_HANDLE h) { return CAPI_BlinkDrive(h, 2, 5); }, {.code = 5, .channel = 2, .drive = 5}},
        {"CAPI_CacheTest", [](CAPI_HANDLE h) { return CAPI_CacheTest(h); }, {.code = 60}},
        {"CAPI_ChangeArrayName", [](CAPI_HANDLE h) { return CAPI_ChangeArrayName(h, 7, Caller<CAPI_ARRAY_NAME_PARAMS>(40)); },
         {.code = 42, .array = 7, .includeType = 8, .include = Pattern(40)}},
        {"CAPI_ChangeArrayPartitionGeometry", [](CAPI_HANDLE h) {
             Bytes record = Pattern(296);
             return CAPI_ChangeArrayPartitionGeometry(h, kId, reinterpret_cast<CAPI_ARRAY_PARTITION_PARAMS*>(record.data())); },
         {.code = 76, .includeType = 27, .include = PatternWithId(296, 81)}},
        {"CAPI_ChangeArrayPartitionLun", [](CAPI_HANDLE h) { return CAPI_ChangeArrayPartitionLun(h, kId, 0x1234); },
         {.code = 74, .includeType = 27, .include = Record(296, {{81, Span(kId, 32)}, {120, Le32(0x1234)}})}},
        {"CAPI_ChangeArrayPartitionLunEx", [](CAPI_HANDLE h) { return CAPI_ChangeArrayPartitionLunEx(h, kId, 0x1234); },
         {.code = 74, .includeType = 27, .include = Record(296, {{48, {0x34}}, {81, Span(kId, 32)}, {120, Le32(0x1234)}})}},
        {"CAPI_ChangeArrayPartitionName", [](CAPI_HANDLE h) { return CAPI_ChangeArrayPartitionName(h, kId, "volume-7"); },
         {.code = 75, .includeType = 27, .include = Record(296, {{16, Text("volume-7")}, {81, Span(kId, 32)}})}},
        {"CAPI_ChangeHostwardenType with id", [](CAPI_HANDLE h) { return CAPI_ChangeHostwardenType(h, 2, kId, 9, 0xF1, 0xF2); },
         {.code = 83, .channel = 2, .includeType = 26, .include = Record(120, {{0, Span(kId, 32)}}),
          .p1 = kUnused, .p2 = 0xF1, .p3 = 0xF2}},
        {"CAPI_ChangeHostwardenType without id", [](CAPI_HANDLE h) { return CAPI_ChangeHostwardenType(h, 2, nullptr, 9, 1, 2); },
         {.code = 83, .channel = 2, .includeType = 26, .include = Record(120, {}), .p1 = 9, .p2 = 1, .p3 = 2}},
        {"CAPI_ChangeUtilityPriority", [](CAPI_HANDLE h) { return CAPI_ChangeUtilityPriority(h, 7, 0xF3); },
         {.code = 6, .array = 7, .p1 = 0xF3}},
        {"CAPI_ClearEventLog", [](CAPI_HANDLE h) { return CAPI_ClearEventLog(h); }, {.code = 7}},
        {"CAPI_CreateArray", [](CAPI_HANDLE h) {
             return CAPI_CreateArray(h, 0xEE, As<CAPI_DRIVE_LOCATION>(PatternBytes(24)), 2, 0x564, 1, 0x52, 0x556, 0x560,
                                     0x568, 0x72, 0x76, "array-one", Cache()); },
         {.code = 2, .includeType = 6,
          .include = Record(684, {{0, Pattern(24)}, {544, Le32(2)}, {548, Le16(1)}, {552, {0x52}}, {556, Le32(0x556)},
                                  {560, Le32(0x560)}, {564, Le32(0x564)}, {568, Le32(0x568)}, {572, {0x72}},
                                  {576, {0x76}}, {580, Text("array-one")}, {612, Span(kCacheParams, 32)}})}},
        {"CAPI_CreateArray long name, no cache parameters", [](CAPI_HANDLE h) {
             return CAPI_CreateArray(h, 0, As<CAPI_DRIVE_LOCATION>(PatternBytes(8)), 1, 0, 0, 0, 0, 0, 0, 0, 0,
                                     "ABCDEFGHIJKLMNOPQRSTUVWXYZ", nullptr); },
         {.code = 2, .includeType = 6,
          .include = Record(684, {{0, Pattern(8)}, {544, Le32(1)}, {580, Text("ABCDEFGHIJKLMNOPQRST")}})}},
        {"CAPI_DebugLoopBackTest", [](CAPI_HANDLE h) { return CAPI_DebugLoopBackTest(h, PatternBytes(10), 10); },
         {.code = 41, .includeType = 5, .include = Pattern(10), .p1 = 10}},
        {"CAPI_DeleteArray", [](CAPI_HANDLE h) { return CAPI_DeleteArray(h, kId); }, {.code = 8, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_DeleteArrayPartition", [](CAPI_HANDLE h) { return CAPI_DeleteArrayPartition(h, kId); },
         {.code = 79, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_DeleteSpare", [](CAPI_HANDLE h) { return CAPI_DeleteSpare(h, 2, 5); }, {.code = 9, .channel = 2, .drive = 5}},
        {"CAPI_DequarantineArray", [](CAPI_HANDLE h) { return CAPI_DequarantineArray(h, kId); },
         {.code = 106, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_DownDrive", [](CAPI_HANDLE h) { return CAPI_DownDrive(h, 2, 5); }, {.code = 39, .channel = 2, .drive = 5}},
        {"CAPI_EnvironRead", [](CAPI_HANDLE h) { return CAPI_EnvironRead(h, 0x11, 0x22); }, {.code = 46, .p1 = 0x11, .p2 = 0x22}},
        {"CAPI_EnvironWrite at the limit", [](CAPI_HANDLE h) { return CAPI_EnvironWrite(h, 0x11, 0x22, Caller<CAPI_ENVIRON_WRITE_PARAMS>(288), 256); },
         {.code = 47, .includeType = 11, .include = Pattern(288), .p1 = 0x11, .p2 = 0x22, .p3 = 256}},
        {"CAPI_ExpandArray with 68 drives", [](CAPI_HANDLE h) {
             return CAPI_ExpandArray(h, 7, As<CAPI_DRIVE_LOCATION>(PatternBytes(544)), 67, 1); },
         {.code = 31, .array = 7, .includeType = 6, .include = Record(684, {{0, Pattern(544)}, {544, Le32(67)}, {548, Le16(1)}})}},
        {"CAPI_FindNextEnvironProcessor", [](CAPI_HANDLE h) { return CAPI_FindNextEnvironProcessor(h, 0x33); }, {.code = 45, .p1 = 0x33}},
        {"CAPI_FlushCache", [](CAPI_HANDLE h) { return CAPI_FlushCache(h, 7); }, {.code = 11, .array = 7}},
        {"CAPI_ForceCriticalError", [](CAPI_HANDLE h) { return CAPI_ForceCriticalError(h, 0x11, 0x22); }, {.code = 88, .p1 = 0x11, .p2 = 0x22}},
        {"CAPI_ForceOffline", [](CAPI_HANDLE h) { return CAPI_ForceOffline(h, 0xF1, 0xF2, 0xF3); },
         {.code = 102, .p1 = 0xF1, .p2 = 0xF2, .p3 = 0xF3}},
        {"CAPI_ForceOnline", [](CAPI_HANDLE h) { return CAPI_ForceOnline(h, 1, 2, 3); }, {.code = 103, .p1 = 1, .p2 = 2, .p3 = 3}},
        {"CAPI_FreeCache", [](CAPI_HANDLE h) { return CAPI_FreeCache(h, kId); }, {.code = 12, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_Command89", [](CAPI_HANDLE h) { return CAPI_Command89(h); }, {.code = 89}},
        {"CAPI_GetAdvNetworkIntf", [](CAPI_HANDLE h) { return CAPI_GetAdvNetworkIntf(h); }, {.code = 86}},
        {"CAPI_GetAdvancedUnitMapping", [](CAPI_HANDLE h) { return CAPI_GetAdvancedUnitMapping(h); }, {.code = 62}},
        {"CAPI_GetArrayList", [](CAPI_HANDLE h) { return CAPI_GetArrayList(h, 0xF1); }, {.code = 73, .p1 = 0xF1}},
        {"CAPI_GetArrayPartitionStats", [](CAPI_HANDLE h) { return CAPI_GetArrayPartitionStats(h, kId); },
         {.code = 107, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_GetArrayPartitions", [](CAPI_HANDLE h) { return CAPI_GetArrayPartitions(h, kId); },
         {.code = 77, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_GetArrayStats", [](CAPI_HANDLE h) { return CAPI_GetArrayStats(h, kId); }, {.code = 108, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_GetConfigSequenceNumber", [](CAPI_HANDLE h) { return CAPI_GetConfigSequenceNumber(h); }, {.code = 64}},
        {"CAPI_GetDebugData", [](CAPI_HANDLE h) { return CAPI_GetDebugData(h, 0xF1, 0x12345678); }, {.code = 95, .p1 = 0xF1, .p2 = 0x12345678}},
        {"CAPI_GetDriveEnclosures", [](CAPI_HANDLE h) { return CAPI_GetDriveEnclosures(h); }, {.code = 97}},
        {"CAPI_GetDriveErrorStats with WWN", [](CAPI_HANDLE h) { return CAPI_GetDriveErrorStats(h, kWwn, 5); },
         {.code = 92, .drive = 5, .includeType = 33, .include = WwnRecord()}},
        {"CAPI_GetDriveErrorStats without WWN", [](CAPI_HANDLE h) { return CAPI_GetDriveErrorStats(h, nullptr, 5); },
         {.code = 92, .drive = 5, .includeType = 33, .include = Record(384, {})}},
        {"CAPI_GetDriveList", [](CAPI_HANDLE h) { return CAPI_GetDriveList(h); }, {.code = 63}},
        {"CAPI_GetEvent", [](CAPI_HANDLE h) { return CAPI_GetEvent(h, 0x44); }, {.code = 38, .p1 = 0x44}},
        {"CAPI_GetFirstEvent", [](CAPI_HANDLE h) { return CAPI_GetFirstEvent(h); }, {.code = 36}},
        {"CAPI_GetFreeArrayPartitions", [](CAPI_HANDLE h) { return CAPI_GetFreeArrayPartitions(h, kId); },
         {.code = 81, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_GetHostLunMapList", [](CAPI_HANDLE h) { return CAPI_GetHostLunMapList(h, kWwn); },
         {.code = 99, .includeType = 33, .include = WwnRecord()}},
        {"CAPI_GetHostNicknames", [](CAPI_HANDLE h) { return CAPI_GetHostNicknames(h); }, {.code = 90}},
        {"CAPI_GetHostTable with id", [](CAPI_HANDLE h) { return CAPI_GetHostTable(h, 2, 9, kId); },
         {.code = 69, .channel = 2, .includeType = 21, .include = IdRecord(kId), .p1 = kUnused}},
        {"CAPI_GetHostTable without id", [](CAPI_HANDLE h) { return CAPI_GetHostTable(h, 2, 9, nullptr); },
         {.code = 69, .channel = 2, .p1 = 9}},
        {"CAPI_GetKnownHosts", [](CAPI_HANDLE h) { return CAPI_GetKnownHosts(h); }, {.code = 82}},
        {"CAPI_GetLastEvent", [](CAPI_HANDLE h) { return CAPI_GetLastEvent(h); }, {.code = 37}},
        {"CAPI_GetMultipleEvents", [](CAPI_HANDLE h) { return CAPI_GetMultipleEvents(h, 0x11, 0x22); }, {.code = 29, .p1 = 0x11, .p2 = 0x22}},
        {"CAPI_Command15", [](CAPI_HANDLE h) { return CAPI_Command15(h, 7); }, {.code = 15, .array = 7}},
        {"CAPI_KillOther", [](CAPI_HANDLE h) { return CAPI_KillOther(h); }, {.code = 58}},
        {"CAPI_LogEvent", [](CAPI_HANDLE h) { return CAPI_LogEvent(h, Caller<CAPI_EVENT_RECORD>(156)); },
         {.code = 96, .includeType = 7, .include = Pattern(156)}},
        {"CAPI_LogIn", [](CAPI_HANDLE h) { return CAPI_LogIn(h, kCredentials); },
         {.code = 70, .includeType = 23, .include = Record(48, {{0, Span(kCredentials, 8)}})}},
        {"CAPI_LogOut", [](CAPI_HANDLE h) { return CAPI_LogOut(h, kCredentials); },
         {.code = 71, .includeType = 23, .include = Record(48, {{0, Span(kCredentials, 8)}})}},
        {"CAPI_PauseBus", [](CAPI_HANDLE h) { return CAPI_PauseBus(h, 3); }, {.code = 14, .p1 = 3}},
        {"CAPI_Command13", [](CAPI_HANDLE h) { return CAPI_Command13(h); }, {.code = 13}},
        {"CAPI_PutOffline", [](CAPI_HANDLE h) { return CAPI_PutOffline(h, 1, 2, 3); }, {.code = 100, .p1 = 1, .p2 = 2, .p3 = 3}},
        {"CAPI_PutOnline", [](CAPI_HANDLE h) { return CAPI_PutOnline(h, 1, 2, 3); }, {.code = 101, .p1 = 1, .p2 = 2, .p3 = 3}},
        {"CAPI_RebootController", [](CAPI_HANDLE h) { return CAPI_RebootController(h, 0xF1); }, {.code = 16, .p1 = 0xF1}},
        {"CAPI_RemoveHost with id", [](CAPI_HANDLE h) { return CAPI_RemoveHost(h, 2, kId, 9, Flex(kFlexOdd), 0xF1, 0xF2); },
         {.code = 67, .channel = 2, .includeType = 26, .include = Record(120, {{0, Span(kId, 32)}, {32, Span(kFlexOdd, 48)}}),
          .p1 = kUnused, .p2 = 0xF1, .p3 = 0xF2}},
        {"CAPI_RemoveHost without id", [](CAPI_HANDLE h) { return CAPI_RemoveHost(h, 2, nullptr, 9, Flex(kFlexEven), 1, 2); },
         {.code = 67, .channel = 2, .includeType = 26, .include = Record(120, {{32, Span(kFlexEven, 48)}}),
          .p1 = 9, .p2 = 1, .p3 = 2}},
        {"CAPI_RescanBus", [](CAPI_HANDLE h) { return CAPI_RescanBus(h, 2); }, {.code = 19, .channel = 2}},
        {"CAPI_ResetArrayPartitionStats", [](CAPI_HANDLE h) { return CAPI_ResetArrayPartitionStats(h, kId); },
         {.code = 80, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_ResetArrayStats", [](CAPI_HANDLE h) { return CAPI_ResetArrayStats(h, 7); }, {.code = 20, .array = 7}},
        {"CAPI_ResetDriveErrorStats", [](CAPI_HANDLE h) { return CAPI_ResetDriveErrorStats(h, kWwn, 5); },
         {.code = 93, .drive = 5, .includeType = 33, .include = WwnRecord()}},
        {"CAPI_ResetDriveStats", [](CAPI_HANDLE h) { return CAPI_ResetDriveStats(h, 2, 5); }, {.code = 21, .channel = 2, .drive = 5}},
        {"CAPI_ResetLan", [](CAPI_HANDLE h) { return CAPI_ResetLan(h); }, {.code = 84}},
        {"CAPI_RestoreControllerDefaults", [](CAPI_HANDLE h) { return CAPI_RestoreControllerDefaults(h); }, {.code = 35}},
        {"CAPI_ScsiMaintData", [](CAPI_HANDLE h) { return CAPI_ScsiMaintData(h, 1, 2, 3, 0x44); }, {.code = 44, .p1 = 0x44}},
        {"CAPI_ScsiMaintenance at the limits", [](CAPI_HANDLE h) {
             return CAPI_ScsiMaintenance(h, 1, 2, 3, 4, 5, 6, kCdb, 16, PatternBytes(32768), 32768, 0x04); },
         {.code = 43, .includeType = 9,
          .include = Record(32960, {{0, Words32({1, 2, 3, 4, 5, 6})}, {24, Span(kCdb, 16)}, {72, {1}},
                                    {184, Le32(16)}, {188, Le32(32768)}, {192, Pattern(32768)}})}},
        // Follows the full record above: the shared record starts from zero again.
        {"CAPI_ScsiMaintenance short, no data, flag bit 2 clear", [](CAPI_HANDLE h) {
             return CAPI_ScsiMaintenance(h, 1, 2, 3, 4, 5, 6, kCdb, 6, nullptr, 10, 0xFB); },
         {.code = 43, .includeType = 9,
          .include = Record(32960, {{0, Words32({1, 2, 3, 4, 5, 6})}, {24, Span(kCdb, 6)}, {184, Le32(6)}, {188, Le32(10)}})}},
        {"CAPI_SetAdvNetworkIntf", [](CAPI_HANDLE h) { return CAPI_SetAdvNetworkIntf(h, Caller<CAPI_ADVANCED_NETWORK_INTERFACE>(3972)); },
         {.code = 87, .includeType = 31, .include = Pattern(3972)}},
        {"CAPI_SetAdvancedUnitMapping", [](CAPI_HANDLE h) {
             return CAPI_SetAdvancedUnitMapping(h, Caller<CAPI_ADVANCED_UNIT_MAPPING>(360), 2); },
         {.code = 66, .includeType = 14, .include = Pattern(360), .p1 = 2}},
        {"CAPI_SetArrayPartitionCacheParams", [](CAPI_HANDLE h) { return CAPI_SetArrayPartitionCacheParams(h, kId, Cache()); },
         {.code = 94, .includeType = 36, .include = Record(64, {{0, Span(kCacheParams, 32)}, {32, Span(kId, 32)}})}},
        {"CAPI_SetBatteryMonitor", [](CAPI_HANDLE h) { return CAPI_SetBatteryMonitor(h, 0xF1, 0xF2); }, {.code = 72, .p1 = 0xF1, .p2 = 0xF2}},
        {"CAPI_SetCacheParams", [](CAPI_HANDLE h) { return CAPI_SetCacheParams(h, 7, Caller<CAPI_CACHE_PARAMS>(32)); },
         {.code = 22, .array = 7, .includeType = 3, .include = Pattern(32)}},
        {"CAPI_SetChannelParams", [](CAPI_HANDLE h) { return CAPI_SetChannelParams(h, 0xF1, 2, Caller<CAPI_CHANNEL_PARAMS>(228)); },
         {.code = 65, .channel = 2, .includeType = 19, .include = Pattern(228), .p1 = 0xF1}},
        {"CAPI_SetControllerParams", [](CAPI_HANDLE h) { return CAPI_SetControllerParams(h, Caller<CAPI_CONTROLLER_PARAMS>(284)); },
         {.code = 23, .includeType = 4, .include = Pattern(284)}},
        {"CAPI_SetControllerTimeDate", [](CAPI_HANDLE h) { return CAPI_SetControllerTimeDate(h, 0x5F5E1000); }, {.code = 34, .p1 = 0x5F5E1000}},
        {"CAPI_SetDriveEnclosureParams", [](CAPI_HANDLE h) {
             Bytes record = Pattern(400);
             return CAPI_SetDriveEnclosureParams(h, kId, reinterpret_cast<CAPI_DRIVE_ENCLOSURE_PARAMS*>(record.data())); },
         {.code = 98, .includeType = 41, .include = PatternWithId(400, 0)}},
        {"CAPI_SetPreferredOwner", [](CAPI_HANDLE h) { return CAPI_SetPreferredOwner(h, kId); },
         {.code = 57, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_SetLunMapping", [](CAPI_HANDLE h) { return CAPI_SetLunMapping(h, 7, 0x21); }, {.code = 24, .array = 7, .p1 = 0x21}},
        {"CAPI_ShutDownController", [](CAPI_HANDLE h) { return CAPI_ShutDownController(h, 0xF1, 0xF2); }, {.code = 48, .p1 = 0xF1, .p2 = 0xF2}},
        {"CAPI_SilenceAlarm", [](CAPI_HANDLE h) { return CAPI_SilenceAlarm(h); }, {.code = 56}},
        {"CAPI_TestDrive", [](CAPI_HANDLE h) { return CAPI_TestDrive(h, 2, 5); }, {.code = 25, .channel = 2, .drive = 5}},
        {"CAPI_TestSpares", [](CAPI_HANDLE h) { return CAPI_TestSpares(h, 0xF1); }, {.code = 55, .p1 = 0xF1}},
        {"CAPI_TrustArray", [](CAPI_HANDLE h) { return CAPI_TrustArray(h, 7); }, {.code = 61, .array = 7}},
        {"CAPI_UnblinkDrive", [](CAPI_HANDLE h) { return CAPI_UnblinkDrive(h, 2, 5); }, {.code = 26, .channel = 2, .drive = 5}},
        {"CAPI_UnkillOther", [](CAPI_HANDLE h) { return CAPI_UnkillOther(h); }, {.code = 59}},
        {"CAPI_UnpauseBus", [](CAPI_HANDLE h) { return CAPI_UnpauseBus(h, 3); }, {.code = 27, .channel = 3}},
        {"CAPI_UpdateController", [](CAPI_HANDLE h) { return CAPI_UpdateController(h); }, {.code = 28}},
        {"CAPI_VerifyArray", [](CAPI_HANDLE h) { return CAPI_VerifyArray(h, 7); }, {.code = 30, .array = 7}},
    };
    return rows;
}

const std::vector<Row>& UnifiedRows() {
    static const std::vector<Row> rows = {
        {"CAPI_U_GetControllerData", [](CAPI_HANDLE h) { return CAPI_U_GetControllerData(h); }, {.code = 1001}},
        {"CAPI_U_GetArrayList", [](CAPI_HANDLE h) { return CAPI_U_GetArrayList(h, kAb); }, {.code = 1002, .p4 = 1}},
        {"CAPI_U_GetDriveList", [](CAPI_HANDLE h) { return CAPI_U_GetDriveList(h, 0xF1); }, {.code = 1003, .p4 = 0xF1}},
        {"CAPI_U_GetConfigSequenceNumber", [](CAPI_HANDLE h) { return CAPI_U_GetConfigSequenceNumber(h); }, {.code = 1004}},
        {"CAPI_U_GetControllerStats", [](CAPI_HANDLE h) { return CAPI_U_GetControllerStats(h, kAb); }, {.code = 1005, .p4 = 1}},
        {"CAPI_U_Command1006", [](CAPI_HANDLE h) { return CAPI_U_Command1006(h, kAb, 0x66); }, {.code = 1006, .p1 = 0x66, .p4 = 1}},
        {"CAPI_U_Command1007", [](CAPI_HANDLE h) { return CAPI_U_Command1007(h, "0123456789abcdef0123456789ABCDEFtail"); },
         {.code = 1007, .includeType = 27, .include = Record(296, {{16, Text("0123456789abcdef0123456789ABCDEF")}})}},
        {"CAPI_U_LookupName", [](CAPI_HANDLE h) { return CAPI_U_LookupName(h, kId); },
         {.code = 1008, .includeType = 27, .include = Record(296, {{81, Span(kId, 32)}})}},
        {"CAPI_U_SetControllerParams", [](CAPI_HANDLE h) { return CAPI_U_SetControllerParams(h, Caller<CAPI_UNIFIED_PARAMS>(10724)); },
         {.code = 1010, .includeType = 57, .include = Pattern(10724)}},
        {"CAPI_U_SetControllerTimeDate", [](CAPI_HANDLE h) { return CAPI_U_SetControllerTimeDate(h, 0x5F5E1000); },
         {.code = 1012, .p1 = 0x5F5E1000}},
        {"CAPI_U_SetBatteryMonitor", [](CAPI_HANDLE h) { return CAPI_U_SetBatteryMonitor(h, 0xF1, 0xF2, kAb); },
         {.code = 1015, .p1 = 0xF1, .p2 = 0xF2, .p4 = 1}},
        {"CAPI_U_GetFirstEvent", [](CAPI_HANDLE h) { return CAPI_U_GetFirstEvent(h, kAb); }, {.code = 1020, .p4 = 1}},
        {"CAPI_U_GetLastEvent", [](CAPI_HANDLE h) { return CAPI_U_GetLastEvent(h, kAb); }, {.code = 1021, .p4 = 1}},
        {"CAPI_U_GetEvent", [](CAPI_HANDLE h) { return CAPI_U_GetEvent(h, 0x44, kAb); }, {.code = 1022, .p1 = 0x44, .p4 = 1}},
        {"CAPI_U_ClearEventLog", [](CAPI_HANDLE h) { return CAPI_U_ClearEventLog(h, kAb); }, {.code = 1023, .p4 = 1}},
        {"CAPI_U_LogEvent", [](CAPI_HANDLE h) { return CAPI_U_LogEvent(h, Caller<CAPI_EVENT_RECORD>(156), kAb); },
         {.code = 1024, .includeType = 7, .include = Pattern(156), .p4 = 1}},
        {"CAPI_U_GetMultipleEvents", [](CAPI_HANDLE h) { return CAPI_U_GetMultipleEvents(h, 0x11, 0x22, kAb); },
         {.code = 1025, .p1 = 0x11, .p2 = 0x22, .p4 = 1}},
        {"CAPI_U_ShutDownController", [](CAPI_HANDLE h) { return CAPI_U_ShutDownController(h, 0xF1, 0xF2); },
         {.code = 1030, .p1 = 0xF1, .p2 = 0xF2}},
        {"CAPI_U_RebootController", [](CAPI_HANDLE h) { return CAPI_U_RebootController(h, 0xF1); }, {.code = 1031, .p1 = 0xF1}},
        {"CAPI_U_ResetLan", [](CAPI_HANDLE h) { return CAPI_U_ResetLan(h, kAb); }, {.code = 1033, .p4 = 1}},
        {"CAPI_U_PauseBus", [](CAPI_HANDLE h) { return CAPI_U_PauseBus(h, 3); }, {.code = 1035, .p1 = 3}},
        {"CAPI_U_UnpauseBus", [](CAPI_HANDLE h) { return CAPI_U_UnpauseBus(h, 3); }, {.code = 1036, .channel = 3}},
        {"CAPI_U_RescanBus", [](CAPI_HANDLE h) { return CAPI_U_RescanBus(h, 2); }, {.code = 1037, .channel = 2}},
        {"CAPI_U_PutOffline", [](CAPI_HANDLE h) { return CAPI_U_PutOffline(h, 0xF1, 2, 3); }, {.code = 1038, .p1 = 0xF1, .p2 = 2, .p3 = 3}},
        {"CAPI_U_PutOnline", [](CAPI_HANDLE h) { return CAPI_U_PutOnline(h, 1, 0xF2, 3); }, {.code = 1039, .p1 = 1, .p2 = 0xF2, .p3 = 3}},
        {"CAPI_U_ForceOffline", [](CAPI_HANDLE h) { return CAPI_U_ForceOffline(h, 1, 2, 0xF3); }, {.code = 1040, .p1 = 1, .p2 = 2, .p3 = 0xF3}},
        {"CAPI_U_ForceOnline", [](CAPI_HANDLE h) { return CAPI_U_ForceOnline(h, 1, 2, 3); }, {.code = 1041, .p1 = 1, .p2 = 2, .p3 = 3}},
        {"CAPI_U_SilenceAlarm", [](CAPI_HANDLE h) { return CAPI_U_SilenceAlarm(h); }, {.code = 1042}},
        {"CAPI_U_RestoreControllerDefaults", [](CAPI_HANDLE h) { return CAPI_U_RestoreControllerDefaults(h, kAb); }, {.code = 1043, .p4 = 1}},
        {"CAPI_U_KillController", [](CAPI_HANDLE h) { return CAPI_U_KillController(h, kAb); }, {.code = 1045, .p4 = 1}},
        {"CAPI_U_UnkillOther", [](CAPI_HANDLE h) { return CAPI_U_UnkillOther(h); }, {.code = 1046}},
        {"CAPI_U_ControlLeds", [](CAPI_HANDLE h) { return CAPI_U_ControlLeds(h, PatternBytes(128)); },
         {.code = 1047, .includeType = 82, .include = Pattern(128)}},
        {"CAPI_U_Command1048", [](CAPI_HANDLE h) { return CAPI_U_Command1048(h, PatternBytes(32)); },
         {.code = 1048, .includeType = 86, .include = Pattern(32)}},
        {"CAPI_U_Command1049", [](CAPI_HANDLE h) { return CAPI_U_Command1049(h, PatternBytes(1)); },
         {.code = 1049, .includeType = 96, .include = Pattern(1)}},
        {"CAPI_U_CreateArray", [](CAPI_HANDLE h) { return CAPI_U_CreateArray(h, Caller<CAPI_UNIFIED_CREATE_ARRAY_PARAMS>(2928)); },
         {.code = 1050, .includeType = 60, .include = Pattern(2928)}},
        {"CAPI_U_DeleteArray", [](CAPI_HANDLE h) { return CAPI_U_DeleteArray(h, kId); }, {.code = 1051, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_U_ExpandArray", [](CAPI_HANDLE h) { return CAPI_U_ExpandArray(h, Caller<CAPI_UNIFIED_CREATE_ARRAY_PARAMS>(2928)); },
         {.code = 1052, .includeType = 60, .include = Pattern(2928)}},
        {"CAPI_U_ChangeArrayName", [](CAPI_HANDLE h) { return CAPI_U_ChangeArrayName(h, kId, "vdisk-1"); },
         {.code = 1053, .includeType = 27, .include = Record(296, {{16, Text("vdisk-1")}, {49, Span(kId, 32)}})}},
        {"CAPI_U_SetPreferredOwner", [](CAPI_HANDLE h) { return CAPI_U_SetPreferredOwner(h, kId); },
         {.code = 1054, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_U_TrustArray", [](CAPI_HANDLE h) { return CAPI_U_TrustArray(h, kId); }, {.code = 1055, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_U_VerifyArray", [](CAPI_HANDLE h) { return CAPI_U_VerifyArray(h, kId); }, {.code = 1056, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_U_ResetArrayStats", [](CAPI_HANDLE h) { return CAPI_U_ResetArrayStats(h, kId); },
         {.code = 1057, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_U_AddDedicatedSpare", [](CAPI_HANDLE h) { return CAPI_U_AddDedicatedSpare(h, kArrayId, kDriveId); },
         {.code = 1058, .includeType = 61, .include = DriveIdRecord(kDriveId, kArrayId)}},
        {"CAPI_U_DeleteSpare", [](CAPI_HANDLE h) { return CAPI_U_DeleteSpare(h, kDriveId); },
         {.code = 1059, .includeType = 61, .include = DriveIdRecord(kDriveId)}},
        {"CAPI_U_AbortUtility", [](CAPI_HANDLE h) { return CAPI_U_AbortUtility(h, kId); }, {.code = 1060, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_U_ChangeUtilityPriority", [](CAPI_HANDLE h) { return CAPI_U_ChangeUtilityPriority(h, kId, 0xF1); },
         {.code = 1061, .includeType = 21, .include = IdRecord(kId), .p1 = 0xF1}},
        {"CAPI_U_GetPercentComplete", [](CAPI_HANDLE h) { return CAPI_U_GetPercentComplete(h, kId); },
         {.code = 1062, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_U_DequarantineArray", [](CAPI_HANDLE h) { return CAPI_U_DequarantineArray(h, kId); },
         {.code = 1063, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_U_GetArrayStats", [](CAPI_HANDLE h) { return CAPI_U_GetArrayStats(h, kId, kAb); },
         {.code = 1064, .includeType = 21, .include = IdRecord(kId), .p4 = 1}},
        {"CAPI_U_ScrubArray", [](CAPI_HANDLE h) { return CAPI_U_ScrubArray(h, kId); }, {.code = 1065, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_U_GetVirtualDiskStats", [](CAPI_HANDLE h) { return CAPI_U_GetVirtualDiskStats(h, kId, kAb); },
         {.code = 1066, .includeType = 21, .include = IdRecord(kId), .p4 = 1}},
        {"CAPI_U_ChangeArrayPartitionLun", [](CAPI_HANDLE h) { return CAPI_U_ChangeArrayPartitionLun(h, kId, 0x1234); },
         {.code = 1070, .includeType = 27, .include = Record(296, {{81, Span(kId, 32)}, {120, Le32(0x1234)}})}},
        {"CAPI_U_ChangeArrayPartitionLunEx", [](CAPI_HANDLE h) { return CAPI_U_ChangeArrayPartitionLunEx(h, kId, 0x1234); },
         {.code = 1070, .includeType = 27, .include = Record(296, {{81, Span(kId, 32)}, {120, Le32(0x1234)}})}},
        {"CAPI_U_ChangeArrayPartitionName", [](CAPI_HANDLE h) { return CAPI_U_ChangeArrayPartitionName(h, kId, "volume-7"); },
         {.code = 1071, .includeType = 27, .include = Record(296, {{16, Text("volume-7")}, {81, Span(kId, 32)}})}},
        {"CAPI_U_ChangeArrayPartitionGeometry", [](CAPI_HANDLE h) {
             Bytes record = Pattern(296);
             return CAPI_U_ChangeArrayPartitionGeometry(h, kId, reinterpret_cast<CAPI_ARRAY_PARTITION_PARAMS*>(record.data())); },
         {.code = 1072, .includeType = 27, .include = PatternWithId(296, 81)}},
        {"CAPI_U_GetArrayPartitions", [](CAPI_HANDLE h) { return CAPI_U_GetArrayPartitions(h, kId); },
         {.code = 1073, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_U_AddArrayPartition", [](CAPI_HANDLE h) {
             return CAPI_U_AddArrayPartition(h, kId, Caller<CAPI_ARRAY_PARTITION_PARAMS>(296)); },
         {.code = 1074, .includeType = 27, .include = PatternWithId(296, 49)}},
        {"CAPI_U_DeleteArrayPartition", [](CAPI_HANDLE h) { return CAPI_U_DeleteArrayPartition(h, kId); },
         {.code = 1075, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_U_ResetArrayPartitionStats", [](CAPI_HANDLE h) { return CAPI_U_ResetArrayPartitionStats(h, kId); },
         {.code = 1076, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_U_GetFreeArrayPartitions", [](CAPI_HANDLE h) { return CAPI_U_GetFreeArrayPartitions(h, kId); },
         {.code = 1077, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_U_SetArrayPartitionCacheParams", [](CAPI_HANDLE h) { return CAPI_U_SetArrayPartitionCacheParams(h, kId, Cache()); },
         {.code = 1078, .includeType = 36, .include = Record(64, {{0, Span(kCacheParams, 32)}, {32, Span(kId, 32)}})}},
        {"CAPI_U_SetLunMapping", [](CAPI_HANDLE h) { return CAPI_U_SetLunMapping(h, kId, 0x21); },
         {.code = 1079, .includeType = 21, .include = IdRecord(kId), .p1 = 0x21}},
        {"CAPI_U_GetArrayPartitionStats", [](CAPI_HANDLE h) { return CAPI_U_GetArrayPartitionStats(h, kId); },
         {.code = 1080, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_U_GetPartitionData", [](CAPI_HANDLE h) { return CAPI_U_GetPartitionData(h, kId); },
         {.code = 1081, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_U_GetPartitionStats", [](CAPI_HANDLE h) { return CAPI_U_GetPartitionStats(h, kId); },
         {.code = 1082, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_U_ChangePartitionDescription", [](CAPI_HANDLE h) {
             return CAPI_U_ChangePartitionDescription(h, Caller<CAPI_ARRAY_PARTITION_PARAMS>(296)); },
         {.code = 1083, .includeType = 27,
          .include = Record(296, {{81, Span(PatternBytes(296) + 81, 32)}, {114, Span(PatternBytes(296) + 114, 2)},
                                  {152, Span(PatternBytes(296) + 152, 128)}})}},
        {"CAPI_U_BlinkDrive", [](CAPI_HANDLE h) { return CAPI_U_BlinkDrive(h, kDriveId); },
         {.code = 1090, .includeType = 61, .include = DriveIdRecord(kDriveId)}},
        {"CAPI_U_UnblinkDrive", [](CAPI_HANDLE h) { return CAPI_U_UnblinkDrive(h, kDriveId); },
         {.code = 1091, .includeType = 61, .include = DriveIdRecord(kDriveId)}},
        {"CAPI_U_TestDrive", [](CAPI_HANDLE h) { return CAPI_U_TestDrive(h, kDriveId); },
         {.code = 1093, .includeType = 61, .include = DriveIdRecord(kDriveId)}},
        {"CAPI_U_AddPoolSpare", [](CAPI_HANDLE h) { return CAPI_U_AddPoolSpare(h, kDriveId); },
         {.code = 1094, .includeType = 61, .include = DriveIdRecord(kDriveId)}},
        {"CAPI_U_DownDrive", [](CAPI_HANDLE h) { return CAPI_U_DownDrive(h, kDriveId); },
         {.code = 1095, .includeType = 61, .include = DriveIdRecord(kDriveId)}},
        {"CAPI_U_DoScsiMaintenance", [](CAPI_HANDLE h) {
             return CAPI_U_DoScsiMaintenance(h, kDriveId, 1, 2, 3, 4, 5, 6, kCdb, 16, PatternBytes(32768), 32768); },
         {.code = 1096, .includeType = 9,
          .include = Record(32960, {{0, Words32({1, 2, 3, 4, 5, 6})}, {24, Span(kCdb, 16)}, {40, Span(kDriveId, 8)},
                                    {184, Le32(16)}, {188, Le32(32768)}, {192, Pattern(32768)}})}},
        {"CAPI_U_GetScsiMaintenanceData", [](CAPI_HANDLE h) { return CAPI_U_GetScsiMaintenanceData(h, 0x97); }, {.code = 1097, .p1 = 0x97}},
        {"CAPI_U_GetDriveErrorStats", [](CAPI_HANDLE h) { return CAPI_U_GetDriveErrorStats(h, kDriveId); },
         {.code = 1098, .includeType = 61, .include = DriveIdRecord(kDriveId)}},
        {"CAPI_U_ResetDriveErrorStats", [](CAPI_HANDLE h) { return CAPI_U_ResetDriveErrorStats(h, kDriveId); },
         {.code = 1099, .includeType = 61, .include = DriveIdRecord(kDriveId)}},
        {"CAPI_U_TestSpares", [](CAPI_HANDLE h) { return CAPI_U_TestSpares(h, 0xF1); }, {.code = 1100, .p1 = 0xF1}},
        {"CAPI_U_FindNextEnvironProcessor", [](CAPI_HANDLE h) { return CAPI_U_FindNextEnvironProcessor(h, 0x33); },
         {.code = 1110, .p1 = 0x33}},
        {"CAPI_U_EnvironRead", [](CAPI_HANDLE h) { return CAPI_U_EnvironRead(h, kId, 0x22); },
         {.code = 1111, .includeType = 21, .include = IdRecord(kId), .p2 = 0x22}},
        {"CAPI_U_EnvironWrite at the limit", [](CAPI_HANDLE h) {
             Bytes record = Pattern(288);
             return CAPI_U_EnvironWrite(h, kId, 0x22, reinterpret_cast<CAPI_ENVIRON_WRITE_PARAMS*>(record.data()), 256); },
         {.code = 1112, .includeType = 11, .include = PatternWithId(288, 256), .p2 = 0x22, .p3 = 256}},
        {"CAPI_U_GetDriveEnclosures", [](CAPI_HANDLE h) { return CAPI_U_GetDriveEnclosures(h); }, {.code = 1113}},
        {"CAPI_U_SetDriveEnclosureParams", [](CAPI_HANDLE h) {
             Bytes record = Pattern(400);
             return CAPI_U_SetDriveEnclosureParams(h, kId, reinterpret_cast<CAPI_DRIVE_ENCLOSURE_PARAMS*>(record.data())); },
         {.code = 1114, .includeType = 41, .include = PatternWithId(400, 0)}},
        {"CAPI_U_GetDriveEnclosure", [](CAPI_HANDLE h) { return CAPI_U_GetDriveEnclosure(h, kId); },
         {.code = 1115, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_U_GetFruData", [](CAPI_HANDLE h) { return CAPI_U_GetFruData(h, kId, 0xF1); },
         {.code = 1116, .includeType = 21, .include = IdRecord(kId), .p1 = 0xF1}},
        {"CAPI_U_Command1119", [](CAPI_HANDLE h) { return CAPI_U_Command1119(h, PatternBytes(128), kAb); },
         {.code = 1119, .includeType = 46, .include = Pattern(128), .p4 = 1}},
        {"CAPI_U_ForceCriticalError", [](CAPI_HANDLE h) { return CAPI_U_ForceCriticalError(h, 0x11, 0x22, kAb); },
         {.code = 1121, .p1 = 0x11, .p2 = 0x22, .p4 = 1}},
        {"CAPI_U_GetDebugData", [](CAPI_HANDLE h) { return CAPI_U_GetDebugData(h, 0xF1, 0x22, kAb); },
         {.code = 1122, .p1 = 0xF1, .p2 = 0x22, .p4 = 1}},
        {"CAPI_U_FlushCache", [](CAPI_HANDLE h) { return CAPI_U_FlushCache(h, kId); }, {.code = 1130, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_U_FreeCache", [](CAPI_HANDLE h) { return CAPI_U_FreeCache(h, kId); }, {.code = 1131, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_U_SetCacheParams", [](CAPI_HANDLE h) { return CAPI_U_SetCacheParams(h, kId, Cache()); },
         {.code = 1132, .includeType = 36, .include = Record(64, {{0, Span(kCacheParams, 32)}, {32, Span(kId, 32)}})}},
        {"CAPI_U_GetHostTable", [](CAPI_HANDLE h) { return CAPI_U_GetHostTable(h, kId); },
         {.code = 1150, .includeType = 21, .include = IdRecord(kId), .p1 = kUnused}},
        {"CAPI_U_AddHost", [](CAPI_HANDLE h) { return CAPI_U_AddHost(h, kId, Flex(kFlexOdd)); },
         {.code = 1151, .includeType = 26, .include = Record(120, {{0, Span(kId, 32)}, {32, Span(kFlexOdd, 48)}}), .p1 = kUnused}},
        {"CAPI_U_RemoveHost", [](CAPI_HANDLE h) { return CAPI_U_RemoveHost(h, kId, Flex(kFlexEven)); },
         {.code = 1152, .includeType = 26, .include = Record(120, {{0, Span(kId, 32)}, {32, Span(kFlexEven, 48)}}), .p1 = kUnused}},
        {"CAPI_U_ChangeHostwardenType", [](CAPI_HANDLE h) { return CAPI_U_ChangeHostwardenType(h, kId, 0xF1, 0xF2); },
         {.code = 1162, .includeType = 21, .include = IdRecord(kId), .p1 = kUnused, .p2 = 0xF1, .p3 = 0xF2}},
        {"CAPI_U_GetKnownHosts", [](CAPI_HANDLE h) { return CAPI_U_GetKnownHosts(h, kAb); }, {.code = 1163, .p4 = 1}},
        {"CAPI_U_GetHostNicknames", [](CAPI_HANDLE h) { return CAPI_U_GetHostNicknames(h); }, {.code = 1164}},
        {"CAPI_U_AddHostNickname", [](CAPI_HANDLE h) { return CAPI_U_AddHostNickname(h, Flex(kFlexOdd), kNickname, kInitiator); },
         {.code = 1165, .includeType = 33,
          .include = Record(384, {{0, Span(kNickname, 80)}, {80, Span(kFlexOdd, 48)}, {128, Text(kInitiator)}})}},
        {"CAPI_U_GetHostLunMapList", [](CAPI_HANDLE h) { return CAPI_U_GetHostLunMapList(h, kWwn); },
         {.code = 1166, .includeType = 33, .include = WwnRecord()}},
        {"CAPI_U_Command1172", [](CAPI_HANDLE h) { return CAPI_U_Command1172(h); }, {.code = 1172}},
        {"CAPI_U_Command1173", [](CAPI_HANDLE h) { return CAPI_U_Command1173(h); }, {.code = 1173}},
        {"CAPI_U_Command1176", [](CAPI_HANDLE h) { return CAPI_U_Command1176(h); }, {.code = 1176}},
        {"CAPI_U_Command1177", [](CAPI_HANDLE h) { return CAPI_U_Command1177(h); }, {.code = 1177}},
        {"CAPI_U_Command1178", [](CAPI_HANDLE h) { return CAPI_U_Command1178(h); }, {.code = 1178}},
        {"CAPI_U_Command1179", [](CAPI_HANDLE h) { return CAPI_U_Command1179(h); }, {.code = 1179}},
        {"CAPI_U_MapUnmapPartition", [](CAPI_HANDLE h) { return CAPI_U_MapUnmapPartition(h, Caller<CAPI_MAP_UNMAP_PARAMS>(404)); },
         {.code = 1180, .includeType = 63, .include = Pattern(404), .p1 = 1}},
        {"CAPI_U_GetPartitionView", [](CAPI_HANDLE h) { return CAPI_U_GetPartitionView(h, kSerial16); },
         {.code = 1181, .includeType = 21, .include = Record(72, {{0, Span(kSerial16, 16)}})}},
        {"CAPI_U_GetHostView odd flex id", [](CAPI_HANDLE h) { return CAPI_U_GetHostView(h, 0xA5, Flex(kFlexOdd), 0x12345678, kInitiator); },
         {.code = 1182, .includeType = 64,
          .include = Record(332, {{0, {0xA5}}, {4, Span(kFlexOdd, 48)}, {52, Le32(0x12345678)}, {108, Text(kInitiator)}})}},
        {"CAPI_U_GetHostView even flex id", [](CAPI_HANDLE h) { return CAPI_U_GetHostView(h, 0xA5, Flex(kFlexEven), 7, kInitiator); },
         {.code = 1182, .includeType = 64, .include = Record(332, {{0, {0xA5}}, {4, Span(kFlexEven, 48)}, {52, Le32(7)}})}},
        {"CAPI_U_DeleteAllSnapshots", [](CAPI_HANDLE h) { return CAPI_U_DeleteAllSnapshots(h, kId, 0xF2); },
         {.code = 1200, .includeType = 21, .include = IdRecord(kId), .p2 = 0xF2}},
        {"CAPI_U_GetSnapshotList", [](CAPI_HANDLE h) { return CAPI_U_GetSnapshotList(h, kId, 0xF1, kAb); },
         {.code = 1201, .includeType = 21, .include = IdRecord(kId), .p1 = 0xF1, .p4 = 1}},
        {"CAPI_U_GetSnapshotList whole controller", [](CAPI_HANDLE h) { return CAPI_U_GetSnapshotList(h, nullptr, 0, kAb); },
         {.code = 1201, .includeType = 21, .include = Record(72, {}), .p4 = 1}},
        {"CAPI_U_GetSnapshotStats", [](CAPI_HANDLE h) { return CAPI_U_GetSnapshotStats(h, kId, 0xF1, kAb); },
         {.code = 1202, .includeType = 21, .include = IdRecord(kId), .p1 = 0xF1, .p4 = 1}},
        {"CAPI_U_CreateSnapshots", [](CAPI_HANDLE h) { return CAPI_U_CreateSnapshots(h, Caller<CAPI_CREATE_SNAPSHOTS_PARAMS>(864)); },
         {.code = 1203, .includeType = 72, .include = Pattern(864)}},
        {"CAPI_U_CommitSnapshots", [](CAPI_HANDLE h) { return CAPI_U_CommitSnapshots(h, Caller<CAPI_SNAPSHOT_ID_PARAMS>(344)); },
         {.code = 1204, .includeType = 73, .include = Pattern(344)}},
        {"CAPI_U_DeleteSnapshots", [](CAPI_HANDLE h) { return CAPI_U_DeleteSnapshots(h, Caller<CAPI_SNAPSHOT_ID_PARAMS>(344)); },
         {.code = 1205, .includeType = 73, .include = Pattern(344)}},
        {"CAPI_U_ResetSnapshot", [](CAPI_HANDLE h) { return CAPI_U_ResetSnapshot(h, kId); }, {.code = 1206, .includeType = 21, .include = IdRecord(kId)}},
        {"CAPI_U_Rolloff", [](CAPI_HANDLE h) { return CAPI_U_Rolloff(h, Caller<CAPI_ROLLOFF_PARAMS>(512)); },
         {.code = 1207, .includeType = 85, .include = Pattern(512)}},
        {"CAPI_U_Command1208", [](CAPI_HANDLE h) { return CAPI_U_Command1208(h, nullptr, 0xF1, kAb); },
         {.code = 1208, .includeType = 21, .include = Record(72, {}), .p1 = 0xF1, .p4 = 1}},
        {"CAPI_U_GetRolloffVolumeList", [](CAPI_HANDLE h) { return CAPI_U_GetRolloffVolumeList(h, kAb); }, {.code = 1209, .p4 = 1}},
        {"CAPI_U_GetBackingStoreList", [](CAPI_HANDLE h) { return CAPI_U_GetBackingStoreList(h, kAb); }, {.code = 1210, .p4 = 1}},
        {"CAPI_U_AbortRolloff", [](CAPI_HANDLE h) { return CAPI_U_AbortRolloff(h, PatternBytes(512)); },
         {.code = 1211, .includeType = 88, .include = Pattern(512)}},
        {"CAPI_U_GetMasterVolumeList", [](CAPI_HANDLE h) { return CAPI_U_GetMasterVolumeList(h, kId, 0xF1, kAb); },
         {.code = 1220, .includeType = 21, .include = IdRecord(kId), .p1 = 0xF1, .p4 = 1}},
        {"CAPI_U_DeleteAllMasterVolumes", [](CAPI_HANDLE h) { return CAPI_U_DeleteAllMasterVolumes(h, kId, 0xF2); },
         {.code = 1221, .includeType = 21, .include = IdRecord(kId), .p2 = 0xF2}},
        {"CAPI_U_ConvertMasterVolumes", [](CAPI_HANDLE h) { return CAPI_U_ConvertMasterVolumes(h, Caller<CAPI_ARRAY_PARTITION_PARAMS>(296)); },
         {.code = 1222, .includeType = 27, .include = Pattern(296)}},
        {"CAPI_U_RollbackMasterVolume", [](CAPI_HANDLE h) { return CAPI_U_RollbackMasterVolume(h, Caller<CAPI_ROLLBACK_PARAMS>(96)); },
         {.code = 1223, .includeType = 75, .include = Pattern(96)}},
        {"CAPI_U_DmsGetTag", [](CAPI_HANDLE h) { return CAPI_U_DmsGetTag(h, kAb); }, {.code = 1230, .p4 = 1}},
        {"CAPI_U_DmsSetPolicy", [](CAPI_HANDLE h) { return CAPI_U_DmsSetPolicy(h, Caller<CAPI_DMS_POLICY>(64)); },
         {.code = 1231, .includeType = 76, .include = Pattern(64)}},
        {"CAPI_U_DmsSetThresholdLevels", [](CAPI_HANDLE h) { return CAPI_U_DmsSetThresholdLevels(h, Caller<CAPI_DMS_POLICY>(64)); },
         {.code = 1232, .includeType = 76, .include = Pattern(64)}},
        {"CAPI_U_DmsGetPolicyThresholdList", [](CAPI_HANDLE h) { return CAPI_U_DmsGetPolicyThresholdList(h, kId, 0xF1, kAb); },
         {.code = 1233, .includeType = 21, .include = IdRecord(kId), .p1 = 0xF1, .p4 = 1}},
        {"CAPI_U_Command1234", [](CAPI_HANDLE h) { return CAPI_U_Command1234(h, kAb, 0x34); }, {.code = 1234, .p1 = 0x34, .p4 = 1}},
        {"CAPI_U_Command1235", [](CAPI_HANDLE h) { return CAPI_U_Command1235(h, kAb); }, {.code = 1235, .p4 = 1}},
        {"CAPI_U_GetUtilInstancePriority of a drive", [](CAPI_HANDLE h) { return CAPI_U_GetUtilInstancePriority(h, 3, kId); },
         {.code = 1240, .includeType = 21, .include = Record(72, {{0, Span(kId, 8)}}), .p1 = 3}},
        {"CAPI_U_GetUtilInstancePriority of an object", [](CAPI_HANDLE h) { return CAPI_U_GetUtilInstancePriority(h, 2, kId); },
         {.code = 1240, .includeType = 21, .include = IdRecord(kId), .p1 = 2}},
        {"CAPI_U_SetUtilInstancePriority without identifier", [](CAPI_HANDLE h) {
             return CAPI_U_SetUtilInstancePriority(h, 2, nullptr, 0xF2); },
         {.code = 1241, .includeType = 21, .include = Record(72, {}), .p1 = 2, .p2 = 0xF2}},
        {"CAPI_U_ResetActiveUtilsToGlobalTypeDef", [](CAPI_HANDLE h) { return CAPI_U_ResetActiveUtilsToGlobalTypeDef(h); }, {.code = 1242}},
        {"CAPI_U_ResetActiveUtilsToGlobalDef", [](CAPI_HANDLE h) { return CAPI_U_ResetActiveUtilsToGlobalDef(h); }, {.code = 1243}},
        {"CAPI_U_GetDefUtilTypePriority", [](CAPI_HANDLE h) { return CAPI_U_GetDefUtilTypePriority(h, 0xF1); }, {.code = 1244, .p1 = 0xF1}},
        {"CAPI_U_SetDefUtilTypePriority", [](CAPI_HANDLE h) { return CAPI_U_SetDefUtilTypePriority(h, 0xF1, 0xF2); },
         {.code = 1245, .p1 = 0xF1, .p2 = 0xF2}},
        {"CAPI_U_Command1250", [](CAPI_HANDLE h) { return CAPI_U_Command1250(h, kAb); }, {.code = 1250, .p4 = 1}},
        {"CAPI_U_Command1260", [](CAPI_HANDLE h) { return CAPI_U_Command1260(h, kId, kAb); },
         {.code = 1260, .includeType = 21, .include = IdRecord(kId), .p4 = 1}},
        {"CAPI_U_Command1261", [](CAPI_HANDLE h) { return CAPI_U_Command1261(h, PatternBytes(920)); },
         {.code = 1261, .includeType = 91, .include = Pattern(920)}},
        {"CAPI_U_Command1262", [](CAPI_HANDLE h) { return CAPI_U_Command1262(h, PatternBytes(52)); },
         {.code = 1262, .includeType = 93, .include = Pattern(52)}},
        {"CAPI_U_Command1263", [](CAPI_HANDLE h) { return CAPI_U_Command1263(h, PatternBytes(52)); },
         {.code = 1263, .includeType = 93, .include = Pattern(52)}},
        {"CAPI_U_Command1270", [](CAPI_HANDLE h) { return CAPI_U_Command1270(h, PatternBytes(316)); },
         {.code = 1270, .includeType = 94, .include = Pattern(316)}},
        {"CAPI_U_Command1271", [](CAPI_HANDLE h) { return CAPI_U_Command1271(h, PatternBytes(316)); },
         {.code = 1271, .includeType = 94, .include = Pattern(316)}},
        {"CAPI_U_Command1272", [](CAPI_HANDLE h) { return CAPI_U_Command1272(h, PatternBytes(824)); },
         {.code = 1272, .includeType = 95, .include = Pattern(824)}},
        {"CAPI_U_Command1273", [](CAPI_HANDLE h) { return CAPI_U_Command1273(h, PatternBytes(316)); },
         {.code = 1273, .includeType = 94, .include = Pattern(316)}},
        {"CAPI_U_Command1274", [](CAPI_HANDLE h) { return CAPI_U_Command1274(h, PatternBytes(316)); },
         {.code = 1274, .includeType = 94, .include = Pattern(316)}},
        {"CAPI_U_Command1275", [](CAPI_HANDLE h) { return CAPI_U_Command1275(h, PatternBytes(316)); },
         {.code = 1275, .includeType = 94, .include = Pattern(316)}},
        {"CAPI_U_Command1280", [](CAPI_HANDLE h) { return CAPI_U_Command1280(h, PatternBytes(24), kAb); },
         {.code = 1280, .includeType = 100, .include = Pattern(24), .p4 = 1}},
        {"CAPI_U_GetFlexHostList", [](CAPI_HANDLE h) { return CAPI_U_GetFlexHostList(h, kAb); }, {.code = 1281, .p4 = 1}},
        {"CAPI_U_AUTHDB_GetRecordCount", [](CAPI_HANDLE h) { return CAPI_U_AUTHDB_GetRecordCount(h, 0xF1); }, {.code = 1289, .p1 = 0xF1}},
        {"CAPI_U_AUTHDB_AddRecord", [](CAPI_HANDLE h) { return CAPI_U_AUTHDB_AddRecord(h, Caller<CAPI_AUTHDB_RECORD>(1020)); },
         {.code = 1290, .includeType = 97, .include = Pattern(1020)}},
        {"CAPI_U_AUTHDB_RemoveRecord", [](CAPI_HANDLE h) { return CAPI_U_AUTHDB_RemoveRecord(h, Caller<CAPI_AUTHDB_RECORD>(1020)); },
         {.code = 1291, .includeType = 97, .include = Pattern(1020)}},
        {"CAPI_U_AUTHDB_ModifyRecord", [](CAPI_HANDLE h) { return CAPI_U_AUTHDB_ModifyRecord(h, Caller<CAPI_AUTHDB_RECORD>(1020)); },
         {.code = 1292, .includeType = 97, .include = Pattern(1020)}},
        {"CAPI_U_AUTHDB_Commit", [](CAPI_HANDLE h) { return CAPI_U_AUTHDB_Commit(h); }, {.code = 1293}},
        {"CAPI_U_AUTHDB_GetRecord", [](CAPI_HANDLE h) { return CAPI_U_AUTHDB_GetRecord(h, Caller<CAPI_AUTHDB_RECORD>(1020)); },
         {.code = 1294, .includeType = 97, .include = Pattern(1020)}},
        {"CAPI_U_Command1295", [](CAPI_HANDLE h) { return CAPI_U_Command1295(h, Caller<CAPI_AUTHDB_RECORD>(1020)); },
         {.code = 1295, .includeType = 97, .include = Pattern(1020)}},
        {"CAPI_U_Command1296", [](CAPI_HANDLE h) { return CAPI_U_Command1296(h, Caller<CAPI_AUTHDB_RECORD>(1020)); },
         {.code = 1296, .includeType = 98, .include = Pattern(1020)}},
        {"CAPI_U_Command1297", [](CAPI_HANDLE h) { return CAPI_U_Command1297(h, Caller<CAPI_AUTHDB_RECORD>(1020)); },
         {.code = 1297, .includeType = 98, .include = Pattern(1020)}},
        {"CAPI_U_Command1300", [](CAPI_HANDLE h) { return CAPI_U_Command1300(h, Caller<CAPI_AUTHDB_RECORD>(1020)); },
         {.code = 1300, .includeType = 98, .include = Pattern(1020)}},
        {"CAPI_U_GetPSPools", [](CAPI_HANDLE h) { return CAPI_U_GetPSPools(h, kAb); }, {.code = 1354, .p4 = 1}},
        {"CAPI_U_GetPSPoolComponents", [](CAPI_HANDLE h) { return CAPI_U_GetPSPoolComponents(h, kSerial16); },
         {.code = 1355, .includeType = 138, .include = Span(kSerial16, 16)}},
    };
    return rows;
}

const std::vector<Refusal>& Refusals() {
    constexpr int32_t kInvalidParam = 2;
    constexpr int32_t kNullPointer = 6;
    static const std::vector<Refusal> rows = {
        {"CAPI_EnvironWrite above 256", [](CAPI_HANDLE h) { return CAPI_EnvironWrite(h, 0, 0, Caller<CAPI_ENVIRON_WRITE_PARAMS>(288), 257); },
         kInvalidParam},
        {"CAPI_U_EnvironWrite above 256", [](CAPI_HANDLE h) {
             Bytes record = Pattern(288);
             return CAPI_U_EnvironWrite(h, kId, 0, reinterpret_cast<CAPI_ENVIRON_WRITE_PARAMS*>(record.data()), 0x80000000); },
         kInvalidParam},
        {"CAPI_ScsiMaintenance CDB of 17", [](CAPI_HANDLE h) {
             return CAPI_ScsiMaintenance(h, 0, 0, 0, 0, 0, 0, PatternBytes(17), 17, nullptr, 0, 0); }, kInvalidParam},
        {"CAPI_ScsiMaintenance data of 32,769", [](CAPI_HANDLE h) {
             return CAPI_ScsiMaintenance(h, 0, 0, 0, 0, 0, 0, nullptr, 0, PatternBytes(32769), 32769, 0); }, kInvalidParam},
        {"CAPI_U_DoScsiMaintenance CDB length near 2^32", [](CAPI_HANDLE h) {
             return CAPI_U_DoScsiMaintenance(h, kDriveId, 0, 0, 0, 0, 0, 0, kCdb, 0xFFFFFFFF, nullptr, 0); }, kInvalidParam},
        {"CAPI_U_DoScsiMaintenance data of 32,769", [](CAPI_HANDLE h) {
             return CAPI_U_DoScsiMaintenance(h, kDriveId, 0, 0, 0, 0, 0, 0, nullptr, 0, PatternBytes(32769), 32769); },
         kInvalidParam},
        {"CAPI_CreateArray 69 drives", [](CAPI_HANDLE h) {
             return CAPI_CreateArray(h, 0, As<CAPI_DRIVE_LOCATION>(PatternBytes(552)), 60, 0, 9, 0, 0, 0, 0, 0, 0, nullptr, nullptr); },
         kInvalidParam},
        {"CAPI_CreateArray count that wraps in 32 bits", [](CAPI_HANDLE h) {
             return CAPI_CreateArray(h, 0, As<CAPI_DRIVE_LOCATION>(PatternBytes(8)), 0xFFFFFFFF, 0, 1, 0, 0, 0, 0, 0, 0, nullptr, nullptr); },
         kInvalidParam},
        {"CAPI_ExpandArray 69 drives", [](CAPI_HANDLE h) {
             return CAPI_ExpandArray(h, 7, As<CAPI_DRIVE_LOCATION>(PatternBytes(552)), 69, 0); }, kInvalidParam},
        {"CAPI_ExpandArray without drives", [](CAPI_HANDLE h) { return CAPI_ExpandArray(h, 7, nullptr, 1, 0); }, kNullPointer},
        {"CAPI_GetHostLunMapList without WWN", [](CAPI_HANDLE h) { return CAPI_GetHostLunMapList(h, nullptr); }, kNullPointer},
        {"CAPI_U_GetHostLunMapList without WWN", [](CAPI_HANDLE h) { return CAPI_U_GetHostLunMapList(h, nullptr); }, kNullPointer},
        // A missing identifier or record that the command needs.
        {"CAPI_DeleteArray without id", [](CAPI_HANDLE h) { return CAPI_DeleteArray(h, nullptr); }, kNullPointer},
        {"CAPI_ChangeArrayPartitionName without name", [](CAPI_HANDLE h) { return CAPI_ChangeArrayPartitionName(h, kId, nullptr); },
         kNullPointer},
        {"CAPI_U_ChangeArrayPartitionLun without id", [](CAPI_HANDLE h) { return CAPI_U_ChangeArrayPartitionLun(h, nullptr, 1); },
         kNullPointer},
        {"CAPI_U_BlinkDrive without drive id", [](CAPI_HANDLE h) { return CAPI_U_BlinkDrive(h, nullptr); }, kNullPointer},
        {"CAPI_U_AddDedicatedSpare without array id", [](CAPI_HANDLE h) { return CAPI_U_AddDedicatedSpare(h, nullptr, kDriveId); },
         kNullPointer},
        {"CAPI_U_AddHost without id", [](CAPI_HANDLE h) { return CAPI_U_AddHost(h, nullptr, Flex(kFlexOdd)); }, kNullPointer},
        {"CAPI_AddHost without flex id", [](CAPI_HANDLE h) { return CAPI_AddHost(h, 2, kId, 9, nullptr, 0, 0); }, kNullPointer},
        {"CAPI_U_SetControllerParams without record", [](CAPI_HANDLE h) { return CAPI_U_SetControllerParams(h, nullptr); }, kNullPointer},
        {"CAPI_U_SetCacheParams without cache parameters", [](CAPI_HANDLE h) { return CAPI_U_SetCacheParams(h, kId, nullptr); },
         kNullPointer},
        {"CAPI_U_GetPartitionView without serial number", [](CAPI_HANDLE h) { return CAPI_U_GetPartitionView(h, nullptr); }, kNullPointer},
        {"CAPI_LogIn without credentials", [](CAPI_HANDLE h) { return CAPI_LogIn(h, nullptr); }, kNullPointer},
        {"CAPI_DebugLoopBackTest without data", [](CAPI_HANDLE h) { return CAPI_DebugLoopBackTest(h, nullptr, 4); }, kNullPointer},
    };
    return rows;
}
// clang-format on

Bytes Record(size_t size, std::initializer_list<At> placed) {
    Bytes bytes(size, 0);
    for (const At& at : placed) {
        if (at.offset + at.bytes.size() > size) std::abort();  // a mistake in the table itself
        std::memcpy(bytes.data() + at.offset, at.bytes.data(), at.bytes.size());
    }
    return bytes;
}

Bytes Le32(uint32_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 24)};
}

Bytes Le16(uint16_t value) { return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)}; }

Bytes Text(const char* text) { return Bytes(text, text + std::strlen(text)); }

Bytes Span(const uint8_t* data, size_t length) { return Bytes(data, data + length); }

Bytes Pattern(size_t size) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 29 + 11) % 251 + 1);  // never 0
    return bytes;
}

const uint8_t* PatternBytes(size_t size) {
    static std::map<size_t, Bytes> patterns;
    auto [it, added] = patterns.try_emplace(size, Bytes{});
    if (added) it->second = Pattern(size);
    return it->second.data();
}

namespace {

template <size_t N>
constexpr std::array<uint8_t, N> Sequence(uint8_t first, uint8_t firstByte) {
    std::array<uint8_t, N> bytes{};
    for (size_t i = 0; i < N; ++i) bytes[i] = static_cast<uint8_t>(first + i);
    bytes[0] = firstByte;
    return bytes;
}
template <size_t N>
constexpr std::array<uint8_t, N> Sequence(uint8_t first) {
    return Sequence<N>(first, first);
}

constexpr auto kIdBytes = Sequence<32>(0xA0);
constexpr auto kArrayIdBytes = Sequence<32>(0x60);
constexpr auto kDriveIdBytes = Sequence<8>(0xD0);
constexpr auto kWwnBytes = Sequence<8>(0x50);
constexpr auto kSerial16Bytes = Sequence<16>(0xC0);
constexpr auto kCredentialsBytes = Sequence<8>(0x40);
constexpr auto kNicknameBytes = Sequence<80>(0x20);
constexpr auto kCacheParamsBytes = Sequence<32>(0x70);
constexpr auto kCdbBytes = Sequence<16>(0x12);
constexpr auto kFlexOddBytes = Sequence<48>(0x90, 0x01);
constexpr auto kFlexEvenBytes = Sequence<48>(0x90, 0x02);

}  // namespace

const uint8_t* const kId = kIdBytes.data();
const uint8_t* const kArrayId = kArrayIdBytes.data();
const uint8_t* const kDriveId = kDriveIdBytes.data();
const uint8_t* const kWwn = kWwnBytes.data();
const uint8_t* const kSerial16 = kSerial16Bytes.data();
const uint8_t* const kCredentials = kCredentialsBytes.data();
const uint8_t* const kNickname = kNicknameBytes.data();
const uint8_t* const kCacheParams = kCacheParamsBytes.data();
const uint8_t* const kCdb = kCdbBytes.data();
const uint8_t* const kFlexOdd = kFlexOddBytes.data();
const uint8_t* const kFlexEven = kFlexEvenBytes.data();
const char* const kInitiator = "iqn.2026-01.test.example:host-1";

}  // namespace golden
