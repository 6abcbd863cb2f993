// Include records that wrappers build: host parameters, host nicknames and the drive WWN form of them, array
// partition parameters, unified cache parameters, SCSI maintenance, login, and a caller's structure with an
// identifier written into it. Each refuses a missing pointer it needs with CAPI_STATUS_NULL_POINTER.
#pragma once

#include <cstdint>
#include <optional>

#include "corlink/capi/capi_status_codes.h"
#include "corlink/capi/wrapper_frame.h"
#include "corlink/capi_wire/capi_structures.h"

namespace wrapper_frame {

// A flex id whose type has bit 0 set is an iSCSI initiator: records that carry one also carry its name.
constexpr uint8_t kFlexIdHasInitiatorName = 0x01;
constexpr size_t kInitiatorNameLength = 224;

// True when any of the pointers is null: a wrapper refuses before sending.
template <class... P>
bool AnyNull(const P*... pointers) {
    return ((pointers == nullptr) || ...);
}

// CAPI_HOST_PARAMS (type 26): the host's identifier at 0 when given, the flex id at 32.
int32_t SendHostParams(uint32_t code, const CAPI_ADDRESS& address, const uint8_t* id,
                       const CAPI_FLEX_ID* flexId, const Words& words);
// The same for a host that the identifier names: param1 -1, the identifier needed.
int32_t SendHostById(uint32_t code, CAPI_HANDLE handle, const uint8_t* id, const CAPI_FLEX_ID* flexId);

// CAPI_HOST_NICKNAME (type 33): 80 bytes of the nickname argument at 0, the flex id at 80 and, when bit 0
// of the flex id's type is set, the initiator name (224 characters at most) at 128.
int32_t SendHostNickname(uint32_t code, CAPI_HANDLE handle, const CAPI_FLEX_ID* flexId,
                         const uint8_t* nickname, const char* initiatorName);
// The drive WWN form of the nickname record: with a WWN, flex id type 8 and the WWN as its node WWN; without
// one, all zero.
int32_t SendDriveWwn(uint32_t code, const CAPI_ADDRESS& address, const uint8_t* wwn);
// The drive WWN record of a host LUN map, to the whole controller; the WWN is needed.
int32_t SendHostLunMap(uint32_t code, CAPI_HANDLE handle, const uint8_t* wwn);

// CAPI_ARRAY_PARTITION_PARAMS (type 27) built from the fields a wrapper names; the rest stays zero. A named
// pointer that is null is refused.
struct PartitionFields {
    std::optional<const char*> name = {};            // 32 characters at most, at 16
    std::optional<const uint8_t*> arrayId = {};      // at 49
    std::optional<const uint8_t*> partitionId = {};  // at 81
    std::optional<uint32_t> lun = {};                // at 120
    bool lunLowByte = false;                         // the LUN's low byte also at 48
};
int32_t SendPartitionParams(uint32_t code, CAPI_HANDLE handle, const PartitionFields& fields);
// The caller's partition record with the partition's identifier written into it at 81.
int32_t SendPartitionGeometry(uint32_t code, CAPI_HANDLE handle, const uint8_t* id,
                              CAPI_ARRAY_PARTITION_PARAMS* record);
// The caller's enclosure record with the enclosure's identifier written into it at 0.
int32_t SendEnclosureParams(uint32_t code, CAPI_HANDLE handle, const uint8_t* id,
                            CAPI_DRIVE_ENCLOSURE_PARAMS* record);

// CAPI_UNIFIED_CACHE_PARAMS (type 36): the 32 bytes of cache parameters at 0, the identifier at 32.
int32_t SendUnifiedCacheParams(uint32_t code, CAPI_HANDLE handle, const uint8_t* id,
                               const CAPI_CACHE_PARAMS* cacheParams);

// CAPI_SCSI_MAINT_PARAMS (type 9) in the library's one maintenance record.
constexpr uint32_t kScsiMaintCdbMax = 16;
constexpr uint32_t kScsiMaintDataMax = 32768;
struct ScsiMaintenanceArgs {
    const uint8_t* driveId;  // unified command: 8 bytes at 40; classic: null
    const uint32_t* values;  // six words at 0
    const uint8_t* cdb;      // may be null
    uint32_t cdbLength;
    const uint8_t* data;  // may be null
    uint32_t dataLength;
    uint8_t flags;  // classic: bit 2 sets byte 72
};
int32_t SendScsiMaintenance(uint32_t code, CAPI_HANDLE handle, const ScsiMaintenanceArgs& args);

// CAPI_LOGIN_PARAMS (type 23): 8 bytes of credentials at 0.
int32_t SendLogin(uint32_t code, CAPI_HANDLE handle, const uint8_t* credentials);

// A caller's structure R sent after the identifier is copied into it at byte At (the caller sees the change).
template <class R, size_t At>
int32_t SendRecordWithId(uint32_t code, CAPI_HANDLE handle, uint32_t includeType, R* record,
                         const uint8_t* id, const Words& words = {}) {
    static_assert(At + kObjectIdLength <= sizeof(R), "outside the record");
    if (AnyNull(record, id)) return CAPI_STATUS_NULL_POINTER;
    std::memcpy(reinterpret_cast<uint8_t*>(record) + At, id, kObjectIdLength);
    return SendRecord(code, Address(handle), includeType, record, words);
}

}  // namespace wrapper_frame
