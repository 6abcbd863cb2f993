#include "corlink/capi/wrappers_classic.h"

#include "corlink/capi/capi_status_codes.h"
#include "corlink/capi/wrapper_records.h"
#include "corlink/capi_wire/capi_command_codes.h"

using namespace wrapper_frame;

CAPI_CLASSIC_WRAPPERS(CAPI_DEFINE_WRAPPER)
CAPI_CLASSIC_RECORD_WRAPPERS(CAPI_DEFINE_RECORD_WRAPPER)

namespace {

constexpr uint32_t kCreateArrayCode = 2;
constexpr uint32_t kScsiMaintenanceCode = 43;
constexpr uint32_t kEnvironWriteCode = 47;
constexpr uint32_t kSetAdvancedUnitMappingCode = 66;

constexpr uint32_t kRawBytesType = 5;
constexpr uint32_t kCreateArrayType = 6;
constexpr uint32_t kEnvironWriteType = 11;
constexpr uint32_t kAdvancedUnitMappingType = 14;
constexpr uint32_t kHostParamsType = 26;

constexpr uint32_t kEnvironWriteMaxLength = 256;
constexpr size_t kArrayNameLength = 20;
constexpr uint64_t kMaxDriveLocations =
    sizeof(CAPI_CREATE_ARRAY_PARAMS::drives) / sizeof(CAPI_DRIVE_LOCATION);

// param1 of the host commands that name a host either way: -1 when the identifier names it.
uint32_t HostIndexWord(const uint8_t* id, uint32_t index) { return id != nullptr ? kNone : index; }

// The drive list and its two counts, shared by create and expand: 0, or the refusal when the list does not
// fit the record's 68 locations or is missing.
int32_t PutDriveLocations(BuiltRecord<CAPI_CREATE_ARRAY_PARAMS>& record, const CAPI_DRIVE_LOCATION* drives,
                          uint32_t count, uint16_t count2) {
    using A = CAPI_CREATE_ARRAY_PARAMS;
    const uint64_t total = uint64_t{count} + count2;
    if (total > kMaxDriveLocations) return CAPI_STATUS_INVALID_PARAM;
    if (total > 0 && drives == nullptr) return CAPI_STATUS_NULL_POINTER;
    record.CopyCounted(offsetof(A, drives), drives, total * sizeof(CAPI_DRIVE_LOCATION));
    record.Put<offsetof(A, numMemberDriveIds)>(count);
    record.Put<offsetof(A, numFurtherDriveIds)>(count2);
    return 0;
}

// A caller's list of `count` items, sent as it is; the list may be missing only when it is empty.
int32_t SendCountedList(uint32_t code, CAPI_HANDLE handle, uint32_t includeType, const void* items,
                        uint32_t count) {
    if (items == nullptr && count > 0) return CAPI_STATUS_NULL_POINTER;
    return Send(code, Address(handle), {.p1 = count}, includeType, items);
}

}  // namespace

int32_t CAPI_AddHost(CAPI_HANDLE handle, uint32_t channel, const uint8_t* id, uint32_t index,
                     const CAPI_FLEX_ID* flexId, uint8_t a, uint8_t b) {
    return SendHostParams(CAPI_COMMAND_NON_U_ADD_HOST, Address(handle, kNone, channel), id, flexId,
                          {.p1 = index, .p2 = a, .p3 = b});
}

int32_t CAPI_RemoveHost(CAPI_HANDLE handle, uint32_t channel, const uint8_t* id, uint32_t index,
                        const CAPI_FLEX_ID* flexId, uint8_t a, uint8_t b) {
    return SendHostParams(CAPI_COMMAND_NON_U_REMOVE_HOST, Address(handle, kNone, channel), id, flexId,
                          {.p1 = HostIndexWord(id, index), .p2 = a, .p3 = b});
}

int32_t CAPI_ChangeHostwardenType(CAPI_HANDLE handle, uint32_t channel, const uint8_t* id, uint32_t index,
                                  uint8_t a, uint8_t b) {
    BuiltRecord<CAPI_HOST_PARAMS> record;
    if (id != nullptr) record.Copy<0, kObjectIdLength>(id);
    return Send(CAPI_COMMAND_NON_U_CHANGE_HOSTWARDEN_TYPE, Address(handle, kNone, channel),
                {.p1 = HostIndexWord(id, index), .p2 = a, .p3 = b}, kHostParamsType, record.data());
}

int32_t CAPI_GetHostTable(CAPI_HANDLE handle, uint32_t channel, uint32_t index, const uint8_t* id) {
    const Words words{.p1 = HostIndexWord(id, index)};
    const CAPI_ADDRESS address = Address(handle, kNone, channel);
    if (id == nullptr) return Send(CAPI_COMMAND_NON_U_GET_HOST_TABLE, address, words);
    return Send(CAPI_COMMAND_NON_U_GET_HOST_TABLE, address, words, kObjectIdIncludeType, id);
}

int32_t CAPI_CreateArray(CAPI_HANDLE handle, uint8_t /*unused*/, const CAPI_DRIVE_LOCATION* drives,
                         uint32_t count, uint32_t value564, uint16_t count2, uint8_t value552,
                         uint32_t value556, uint32_t value560, uint32_t value568, uint8_t owner,
                         uint8_t value576, const char* name, const CAPI_CACHE_PARAMS* cacheParams) {
    using A = CAPI_CREATE_ARRAY_PARAMS;
    constexpr size_t kValue552At = 552;
    constexpr size_t kNameAt = 580;
    BuiltRecord<A> record;
    if (const int32_t refused = PutDriveLocations(record, drives, count, count2); refused != 0)
        return refused;
    record.Put<kValue552At>(value552);
    record.Put<offsetof(A, value556)>(value556);
    record.Put<offsetof(A, value560)>(value560);
    record.Put<offsetof(A, value564)>(value564);
    record.Put<offsetof(A, value568)>(value568);
    record.Put<offsetof(A, owner)>(owner);
    record.Put<offsetof(A, value576)>(value576);
    if (name != nullptr) record.CopyText<kNameAt, kArrayNameLength>(name);
    if (cacheParams != nullptr) record.Copy<offsetof(A, cacheParams), sizeof(CAPI_CACHE_PARAMS)>(cacheParams);
    return Send(kCreateArrayCode, Address(handle), {}, kCreateArrayType, record.data());
}

int32_t CAPI_ExpandArray(CAPI_HANDLE handle, uint32_t array, const CAPI_DRIVE_LOCATION* drives,
                         uint32_t count, uint16_t count2) {
    BuiltRecord<CAPI_CREATE_ARRAY_PARAMS> record;
    if (const int32_t refused = PutDriveLocations(record, drives, count, count2); refused != 0)
        return refused;
    return Send(CAPI_COMMAND_NON_U_EXPAND_ARRAY, Address(handle, array), {}, kCreateArrayType, record.data());
}

int32_t CAPI_ScsiMaintenance(CAPI_HANDLE handle, uint32_t value0, uint32_t value4, uint32_t value8,
                             uint32_t value12, uint32_t value16, uint32_t value20, const uint8_t* cdb,
                             uint32_t cdbLength, const uint8_t* data, uint32_t dataLength, uint8_t flags) {
    const uint32_t values[] = {value0, value4, value8, value12, value16, value20};
    return SendScsiMaintenance(kScsiMaintenanceCode, handle,
                               {nullptr, values, cdb, cdbLength, data, dataLength, flags});
}

int32_t CAPI_EnvironWrite(CAPI_HANDLE handle, uint32_t p1, uint32_t p2,
                          const CAPI_ENVIRON_WRITE_PARAMS* record, uint32_t length) {
    if (length > kEnvironWriteMaxLength) return CAPI_STATUS_INVALID_PARAM;
    return SendRecord(kEnvironWriteCode, Address(handle), kEnvironWriteType, record,
                      {.p1 = p1, .p2 = p2, .p3 = length});
}

int32_t CAPI_DebugLoopBackTest(CAPI_HANDLE handle, const uint8_t* data, uint32_t length) {
    return SendCountedList(CAPI_COMMAND_NON_U_DEBUG_LOOP_BACK_TEST, handle, kRawBytesType, data, length);
}

int32_t CAPI_SetAdvancedUnitMapping(CAPI_HANDLE handle, const CAPI_ADVANCED_UNIT_MAPPING* records,
                                    uint16_t count) {
    return SendCountedList(kSetAdvancedUnitMappingCode, handle, kAdvancedUnitMappingType, records, count);
}
