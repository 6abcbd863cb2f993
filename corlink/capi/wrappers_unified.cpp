#include "corlink/capi/wrappers_unified.h"

#include "corlink/capi/capi_status_codes.h"
#include "corlink/capi/wrapper_records.h"
#include "corlink/capi_wire/capi_command_codes.h"

using namespace wrapper_frame;

CAPI_UNIFIED_WRAPPERS(CAPI_DEFINE_WRAPPER)
CAPI_UNIFIED_RECORD_WRAPPERS(CAPI_DEFINE_RECORD_WRAPPER)

namespace {

constexpr uint32_t kGetUtilInstancePriorityCode = 1240;
constexpr uint32_t kSetUtilInstancePriorityCode = 1241;
constexpr uint32_t kGetPSPoolComponentsCode = 1355;

constexpr uint32_t kEnvironWriteType = 11;
constexpr uint32_t kPartitionParamsType = 27;
constexpr uint32_t kHostViewParamsType = 64;
constexpr uint32_t kPoolIdType = 138;

constexpr uint32_t kEnvironWriteMaxLength = 256;
constexpr size_t kEnvironWriteIdAt = 256;
constexpr size_t kSerialNumberLength = 16;
constexpr size_t kHostViewInitiatorNameAt = 108;
constexpr uint8_t kUtilityOfDrive = 3;  // the utility type named by a drive identifier

// A 16-byte serial number at the start of an otherwise zero record R.
template <class R>
int32_t SendSerialNumber(uint32_t code, CAPI_HANDLE handle, uint32_t includeType,
                         const uint8_t* serialNumber) {
    if (serialNumber == nullptr) return CAPI_STATUS_NULL_POINTER;
    BuiltRecord<R> record;
    record.template Copy<0, kSerialNumberLength>(serialNumber);
    return Send(code, Address(handle), {}, includeType, record.data());
}

int32_t SendUtilInstancePriority(uint32_t code, CAPI_HANDLE handle, uint8_t type, const uint8_t* identifier,
                                 const Words& words) {
    BuiltRecord<CAPI_OBJECT_ID> record;
    if (identifier != nullptr && type == kUtilityOfDrive) {
        record.Copy<0, kDriveIdLength>(identifier);
    } else if (identifier != nullptr) {
        record.Copy<0, kObjectIdLength>(identifier);
    }
    return Send(code, Address(handle), words, kObjectIdIncludeType, record.data());
}

}  // namespace

int32_t CAPI_U_AddArrayPartition(CAPI_HANDLE handle, const uint8_t* arrayId,
                                 const CAPI_ARRAY_PARTITION_PARAMS* record) {
    using P = CAPI_ARRAY_PARTITION_PARAMS;
    if (AnyNull(arrayId, record)) return CAPI_STATUS_NULL_POINTER;
    BuiltRecord<P> copy;
    copy.Copy<0, sizeof(P)>(record);
    copy.Copy<offsetof(P, arraySerialNumber), kObjectIdLength>(arrayId);
    return Send(CAPI_COMMAND_U_ADD_ARRAY_PARTITION, Address(handle), {}, kPartitionParamsType, copy.data());
}

int32_t CAPI_U_ChangePartitionDescription(CAPI_HANDLE handle, const CAPI_ARRAY_PARTITION_PARAMS* record) {
    using P = CAPI_ARRAY_PARTITION_PARAMS;
    if (record == nullptr) return CAPI_STATUS_NULL_POINTER;
    const auto* from = reinterpret_cast<const uint8_t*>(record);
    BuiltRecord<P> built;
    built.Copy<offsetof(P, partitionSerialNumber), kObjectIdLength>(from +
                                                                    offsetof(P, partitionSerialNumber));
    built.Put<offsetof(P, descriptionLength)>(uint16_t{record->descriptionLength});
    built.Copy<offsetof(P, description), sizeof(P::description)>(from + offsetof(P, description));
    return Send(CAPI_COMMAND_U_CHANGE_PARTITION_DESCRIPTION, Address(handle), {}, kPartitionParamsType,
                built.data());
}

int32_t CAPI_U_AddDedicatedSpare(CAPI_HANDLE handle, const uint8_t* arrayId, const uint8_t* driveId) {
    if (arrayId == nullptr) return CAPI_STATUS_NULL_POINTER;
    return SendDriveId(CAPI_COMMAND_U_ADD_DEDICATED_SPARE, handle, driveId, arrayId);
}

int32_t CAPI_U_DoScsiMaintenance(CAPI_HANDLE handle, const uint8_t* driveId, uint32_t value0, uint32_t value4,
                                 uint32_t value8, uint32_t value12, uint32_t value16, uint32_t value20,
                                 const uint8_t* cdb, uint32_t cdbLength, const uint8_t* data,
                                 uint32_t dataLength) {
    if (driveId == nullptr) return CAPI_STATUS_NULL_POINTER;
    const uint32_t values[] = {value0, value4, value8, value12, value16, value20};
    return SendScsiMaintenance(CAPI_COMMAND_U_DO_SCSI_MAINT, handle,
                               {driveId, values, cdb, cdbLength, data, dataLength, 0});
}

int32_t CAPI_U_EnvironWrite(CAPI_HANDLE handle, const uint8_t* id, uint32_t p2,
                            CAPI_ENVIRON_WRITE_PARAMS* record, uint32_t length) {
    if (length > kEnvironWriteMaxLength) return CAPI_STATUS_INVALID_PARAM;
    return SendRecordWithId<CAPI_ENVIRON_WRITE_PARAMS, kEnvironWriteIdAt>(
        CAPI_COMMAND_U_WRITE_ENVIRON, handle, kEnvironWriteType, record, id, {.p2 = p2, .p3 = length});
}

int32_t CAPI_U_GetPartitionView(CAPI_HANDLE handle, const uint8_t* serialNumber) {
    return SendSerialNumber<CAPI_OBJECT_ID>(CAPI_COMMAND_U_GET_PARTITION_VIEW, handle, kObjectIdIncludeType,
                                            serialNumber);
}

int32_t CAPI_U_GetHostView(CAPI_HANDLE handle, uint8_t a, const CAPI_FLEX_ID* flexId, uint32_t value,
                           const char* initiatorName) {
    using V = CAPI_GET_HOST_VIEW_PARAMS;
    if (flexId == nullptr) return CAPI_STATUS_NULL_POINTER;
    const uint8_t flexType = flexId->type;
    BuiltRecord<V> record;
    record.Put<0>(a);
    record.Copy<offsetof(V, flexId), sizeof(CAPI_FLEX_ID)>(flexId);
    record.Put<offsetof(V, value52)>(value);
    if ((flexType & kFlexIdHasInitiatorName) != 0 && initiatorName != nullptr) {
        record.CopyText<kHostViewInitiatorNameAt, kInitiatorNameLength>(initiatorName);
    }
    return Send(CAPI_COMMAND_U_GET_HOST_VIEW, Address(handle), {}, kHostViewParamsType, record.data());
}

int32_t CAPI_U_GetUtilInstancePriority(CAPI_HANDLE handle, uint8_t type, const uint8_t* identifier) {
    return SendUtilInstancePriority(kGetUtilInstancePriorityCode, handle, type, identifier, {.p1 = type});
}

int32_t CAPI_U_SetUtilInstancePriority(CAPI_HANDLE handle, uint8_t type, const uint8_t* identifier,
                                       uint8_t priority) {
    return SendUtilInstancePriority(kSetUtilInstancePriorityCode, handle, type, identifier,
                                    {.p1 = type, .p2 = priority});
}

int32_t CAPI_U_GetPSPoolComponents(CAPI_HANDLE handle, const uint8_t* poolId) {
    return SendSerialNumber<CAPI_SERIAL_NUMBER>(kGetPSPoolComponentsCode, handle, kPoolIdType, poolId);
}
