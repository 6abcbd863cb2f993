#include "corlink/capi/wrapper_records.h"

namespace wrapper_frame {

namespace {

constexpr uint32_t kHostParamsType = 26;
constexpr uint32_t kHostNicknameType = 33;
constexpr uint32_t kPartitionParamsType = 27;
constexpr uint32_t kUnifiedCacheParamsType = 36;
constexpr uint32_t kScsiMaintType = 9;
constexpr uint32_t kLoginType = 23;
constexpr uint32_t kDriveEnclosureParamsType = 41;

constexpr size_t kNicknameLength = 80;
constexpr size_t kInitiatorNameAt = 128;
constexpr uint8_t kFlexIdTypeWwn = 8;
constexpr size_t kWwnLength = 8;
constexpr size_t kPartitionNameLength = 32;
constexpr uint8_t kScsiMaintFlagSet72 = 0x04;
constexpr size_t kScsiMaintDriveIdAt = 40;
constexpr size_t kScsiMaintFlagAt = 72;
constexpr size_t kCredentialsLength = 8;

template <class T>
bool NamedButMissing(const std::optional<const T*>& field) {
    return field.has_value() && *field == nullptr;
}

// The one SCSI maintenance record of the library, shared by both maintenance commands: it is too large for
// a stack, and commands run one at a time.
BuiltRecord<CAPI_SCSI_MAINT_PARAMS> g_ScsiMaintRecord;

}  // namespace

int32_t SendHostParams(uint32_t code, const CAPI_ADDRESS& address, const uint8_t* id,
                       const CAPI_FLEX_ID* flexId, const Words& words) {
    if (flexId == nullptr) return CAPI_STATUS_NULL_POINTER;
    BuiltRecord<CAPI_HOST_PARAMS> record;
    if (id != nullptr) record.Copy<0, kObjectIdLength>(id);
    record.Copy<offsetof(CAPI_HOST_PARAMS, flexId), sizeof(CAPI_FLEX_ID)>(flexId);
    return Send(code, address, words, kHostParamsType, record.data());
}

int32_t SendHostById(uint32_t code, CAPI_HANDLE handle, const uint8_t* id, const CAPI_FLEX_ID* flexId) {
    if (id == nullptr) return CAPI_STATUS_NULL_POINTER;
    return SendHostParams(code, Address(handle), id, flexId, {.p1 = kNone});
}

int32_t SendHostNickname(uint32_t code, CAPI_HANDLE handle, const CAPI_FLEX_ID* flexId,
                         const uint8_t* nickname, const char* initiatorName) {
    if (AnyNull(flexId, nickname)) return CAPI_STATUS_NULL_POINTER;
    const uint8_t flexType = flexId->type;
    BuiltRecord<CAPI_HOST_NICKNAME> record;
    record.Copy<0, kNicknameLength>(nickname);
    record.Copy<offsetof(CAPI_HOST_NICKNAME, flexId), sizeof(CAPI_FLEX_ID)>(flexId);
    if ((flexType & kFlexIdHasInitiatorName) != 0 && initiatorName != nullptr) {
        record.CopyText<kInitiatorNameAt, kInitiatorNameLength>(initiatorName);
    }
    return Send(code, Address(handle), {}, kHostNicknameType, record.data());
}

int32_t SendDriveWwn(uint32_t code, const CAPI_ADDRESS& address, const uint8_t* wwn) {
    constexpr size_t kFlexIdAt = offsetof(CAPI_HOST_NICKNAME, flexId);
    BuiltRecord<CAPI_HOST_NICKNAME> record;
    if (wwn != nullptr) {
        record.Put<kFlexIdAt + offsetof(CAPI_FLEX_ID, type)>(kFlexIdTypeWwn);
        record.Copy<kFlexIdAt + offsetof(CAPI_FLEX_ID, FCNodeWWN), kWwnLength>(wwn);
    }
    return Send(code, address, {}, kHostNicknameType, record.data());
}

int32_t SendHostLunMap(uint32_t code, CAPI_HANDLE handle, const uint8_t* wwn) {
    if (wwn == nullptr) return CAPI_STATUS_NULL_POINTER;
    return SendDriveWwn(code, Address(handle), wwn);
}

int32_t SendPartitionParams(uint32_t code, CAPI_HANDLE handle, const PartitionFields& fields) {
    using P = CAPI_ARRAY_PARTITION_PARAMS;
    if (NamedButMissing(fields.name) || NamedButMissing(fields.arrayId) ||
        NamedButMissing(fields.partitionId)) {
        return CAPI_STATUS_NULL_POINTER;
    }
    BuiltRecord<P> record;
    if (fields.name) record.CopyText<offsetof(P, name), kPartitionNameLength>(*fields.name);
    if (fields.arrayId) record.Copy<offsetof(P, arraySerialNumber), kObjectIdLength>(*fields.arrayId);
    if (fields.partitionId)
        record.Copy<offsetof(P, partitionSerialNumber), kObjectIdLength>(*fields.partitionId);
    if (fields.lun.has_value()) {
        record.Put<offsetof(P, lun)>(*fields.lun);
        if (fields.lunLowByte) record.Put<offsetof(P, unitNum)>(static_cast<uint8_t>(*fields.lun & 0xFF));
    }
    return Send(code, Address(handle), {}, kPartitionParamsType, record.data());
}

int32_t SendPartitionGeometry(uint32_t code, CAPI_HANDLE handle, const uint8_t* id,
                              CAPI_ARRAY_PARTITION_PARAMS* record) {
    return SendRecordWithId<CAPI_ARRAY_PARTITION_PARAMS,
                            offsetof(CAPI_ARRAY_PARTITION_PARAMS, partitionSerialNumber)>(
        code, handle, kPartitionParamsType, record, id);
}

int32_t SendEnclosureParams(uint32_t code, CAPI_HANDLE handle, const uint8_t* id,
                            CAPI_DRIVE_ENCLOSURE_PARAMS* record) {
    return SendRecordWithId<CAPI_DRIVE_ENCLOSURE_PARAMS, 0>(code, handle, kDriveEnclosureParamsType, record,
                                                            id);
}

int32_t SendUnifiedCacheParams(uint32_t code, CAPI_HANDLE handle, const uint8_t* id,
                               const CAPI_CACHE_PARAMS* cacheParams) {
    using C = CAPI_UNIFIED_CACHE_PARAMS;
    if (AnyNull(id, cacheParams)) return CAPI_STATUS_NULL_POINTER;
    BuiltRecord<C> record;
    record.Copy<offsetof(C, cacheParams), sizeof(CAPI_CACHE_PARAMS)>(cacheParams);
    record.Copy<offsetof(C, reserved32), kObjectIdLength>(id);
    return Send(code, Address(handle), {}, kUnifiedCacheParamsType, record.data());
}

int32_t SendScsiMaintenance(uint32_t code, CAPI_HANDLE handle, const ScsiMaintenanceArgs& args) {
    using M = CAPI_SCSI_MAINT_PARAMS;
    constexpr size_t kValueCount = 6;
    BuiltRecord<M>& record = g_ScsiMaintRecord;
    record.Clear();
    if (args.cdbLength > kScsiMaintCdbMax || args.dataLength > kScsiMaintDataMax)
        return CAPI_STATUS_INVALID_PARAM;
    if (args.values == nullptr) return CAPI_STATUS_NULL_POINTER;
    record.Copy<offsetof(M, value0), kValueCount * sizeof(uint32_t)>(args.values);
    if (args.driveId != nullptr) record.Copy<kScsiMaintDriveIdAt, kDriveIdLength>(args.driveId);
    if (args.cdb != nullptr) record.CopyCounted(offsetof(M, entry), args.cdb, args.cdbLength);
    record.Put<offsetof(M, value184)>(args.cdbLength);
    if (args.data != nullptr) record.CopyCounted(offsetof(M, data), args.data, args.dataLength);
    record.Put<offsetof(M, value188)>(args.dataLength);
    if ((args.flags & kScsiMaintFlagSet72) != 0) record.Put<kScsiMaintFlagAt>(uint8_t{1});
    return Send(code, Address(handle), {}, kScsiMaintType, record.data());
}

int32_t SendLogin(uint32_t code, CAPI_HANDLE handle, const uint8_t* credentials) {
    if (credentials == nullptr) return CAPI_STATUS_NULL_POINTER;
    BuiltRecord<CAPI_LOGIN_PARAMS> record;
    record.Copy<0, kCredentialsLength>(credentials);
    return Send(code, Address(handle), {}, kLoginType, record.data());
}

}  // namespace wrapper_frame
