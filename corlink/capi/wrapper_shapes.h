// The argument shapes of the wrapper tables. A row X(wrapper, command code, shape) of a table declares and
// defines one wrapper: CAPI_SHAPE_<shape>_ARGS are its arguments after the controller handle, and
// CAPI_SHAPE_<shape>_SEND(code) places them through the wrapper frame (wrapper_frame.h, wrapper_records.h):
// in the address selectors, in the parameter words (ab, the controller's A/B byte, in param4), in an
// identifier record, or in an include record the shape builds. Rows
// X(wrapper, command code, shape, include type, structure) send a caller's structure.
#pragma once

#include <cstdint>

#include "corlink/capi/controller_context.h"
#include "corlink/capi_wire/capi_structures.h"

// clang-format off
#define CAPI_WF ::wrapper_frame
#define CAPI_SHAPE_Controller_ARGS
#define CAPI_SHAPE_Controller_SEND(code) CAPI_WF::Send(code, CAPI_WF::Address(handle))
#define CAPI_SHAPE_Array_ARGS , uint32_t array
#define CAPI_SHAPE_Array_SEND(code) CAPI_WF::Send(code, CAPI_WF::Address(handle, array))
#define CAPI_SHAPE_Channel_ARGS , uint32_t channel
#define CAPI_SHAPE_Channel_SEND(code) CAPI_WF::Send(code, CAPI_WF::Address(handle, CAPI_WF::kNone, channel))
#define CAPI_SHAPE_ChannelDrive_ARGS , uint32_t channel, uint32_t drive
#define CAPI_SHAPE_ChannelDrive_SEND(code) \
    CAPI_WF::Send(code, CAPI_WF::Address(handle, CAPI_WF::kNone, channel, drive))
#define CAPI_SHAPE_ArrayChannelDrive_ARGS , uint32_t array, uint32_t channel, uint32_t drive
#define CAPI_SHAPE_ArrayChannelDrive_SEND(code) \
    CAPI_WF::Send(code, CAPI_WF::Address(handle, array, channel, drive))
#define CAPI_SHAPE_ArrayP1_ARGS , uint32_t array, uint32_t p1
#define CAPI_SHAPE_ArrayP1_SEND(code) CAPI_WF::Send(code, CAPI_WF::Address(handle, array), {.p1 = p1})
#define CAPI_SHAPE_ArrayP1Byte_ARGS , uint32_t array, uint8_t p1
#define CAPI_SHAPE_ArrayP1Byte_SEND CAPI_SHAPE_ArrayP1_SEND
#define CAPI_SHAPE_P1_ARGS , uint32_t p1
#define CAPI_SHAPE_P1_SEND(code) CAPI_WF::Send(code, CAPI_WF::Address(handle), {.p1 = p1})
#define CAPI_SHAPE_P1Byte_ARGS , uint8_t p1
#define CAPI_SHAPE_P1Byte_SEND CAPI_SHAPE_P1_SEND
#define CAPI_SHAPE_P1P2_ARGS , uint32_t p1, uint32_t p2
#define CAPI_SHAPE_P1P2_SEND(code) CAPI_WF::Send(code, CAPI_WF::Address(handle), {.p1 = p1, .p2 = p2})
#define CAPI_SHAPE_P1ByteP2_ARGS , uint8_t p1, uint32_t p2
#define CAPI_SHAPE_P1ByteP2_SEND CAPI_SHAPE_P1P2_SEND
#define CAPI_SHAPE_P1P2Bytes_ARGS , uint8_t p1, uint8_t p2
#define CAPI_SHAPE_P1P2Bytes_SEND CAPI_SHAPE_P1P2_SEND
#define CAPI_SHAPE_P1P2P3Bytes_ARGS , uint8_t p1, uint8_t p2, uint8_t p3
#define CAPI_SHAPE_P1P2P3Bytes_SEND(code) \
    CAPI_WF::Send(code, CAPI_WF::Address(handle), {.p1 = p1, .p2 = p2, .p3 = p3})
#define CAPI_SHAPE_UnusedP1_ARGS , uint32_t, uint32_t, uint32_t, uint32_t p1
#define CAPI_SHAPE_UnusedP1_SEND CAPI_SHAPE_P1_SEND
#define CAPI_SHAPE_Ab_ARGS , uint8_t ab
#define CAPI_SHAPE_Ab_SEND(code) CAPI_WF::Send(code, CAPI_WF::Address(handle), {.p4 = ab})
#define CAPI_SHAPE_AbP1_ARGS , uint8_t ab, uint32_t p1
#define CAPI_SHAPE_AbP1_SEND(code) CAPI_WF::Send(code, CAPI_WF::Address(handle), {.p1 = p1, .p4 = ab})
#define CAPI_SHAPE_P1Ab_ARGS , uint32_t p1, uint8_t ab
#define CAPI_SHAPE_P1Ab_SEND CAPI_SHAPE_AbP1_SEND
#define CAPI_SHAPE_P1P2Ab_ARGS , uint32_t p1, uint32_t p2, uint8_t ab
#define CAPI_SHAPE_P1P2Ab_SEND(code) \
    CAPI_WF::Send(code, CAPI_WF::Address(handle), {.p1 = p1, .p2 = p2, .p4 = ab})
#define CAPI_SHAPE_P1ByteP2Ab_ARGS , uint8_t p1, uint32_t p2, uint8_t ab
#define CAPI_SHAPE_P1ByteP2Ab_SEND CAPI_SHAPE_P1P2Ab_SEND
#define CAPI_SHAPE_P1P2BytesAb_ARGS , uint8_t p1, uint8_t p2, uint8_t ab
#define CAPI_SHAPE_P1P2BytesAb_SEND CAPI_SHAPE_P1P2Ab_SEND

#define CAPI_SHAPE_Id_ARGS , const uint8_t* id
#define CAPI_SHAPE_Id_SEND(code) CAPI_WF::SendId(code, handle, id)
#define CAPI_SHAPE_IdP1_ARGS , const uint8_t* id, uint32_t p1
#define CAPI_SHAPE_IdP1_SEND(code) CAPI_WF::SendId(code, handle, id, {.p1 = p1})
#define CAPI_SHAPE_IdP1Byte_ARGS , const uint8_t* id, uint8_t p1
#define CAPI_SHAPE_IdP1Byte_SEND CAPI_SHAPE_IdP1_SEND
#define CAPI_SHAPE_IdP2_ARGS , const uint8_t* id, uint32_t p2
#define CAPI_SHAPE_IdP2_SEND(code) CAPI_WF::SendId(code, handle, id, {.p2 = p2})
#define CAPI_SHAPE_IdP2Byte_ARGS , const uint8_t* id, uint8_t p2
#define CAPI_SHAPE_IdP2Byte_SEND CAPI_SHAPE_IdP2_SEND
#define CAPI_SHAPE_IdAb_ARGS , const uint8_t* id, uint8_t ab
#define CAPI_SHAPE_IdAb_SEND(code) CAPI_WF::SendId(code, handle, id, {.p4 = ab})
// A host named by its identifier rather than by an index: param1 = -1.
#define CAPI_SHAPE_HostId_ARGS , const uint8_t* id
#define CAPI_SHAPE_HostId_SEND(code) CAPI_WF::SendId(code, handle, id, {.p1 = CAPI_WF::kNone})
#define CAPI_SHAPE_HostIdP2P3Bytes_ARGS , const uint8_t* id, uint8_t a, uint8_t b
#define CAPI_SHAPE_HostIdP2P3Bytes_SEND(code) \
    CAPI_WF::SendId(code, handle, id, {.p1 = CAPI_WF::kNone, .p2 = a, .p3 = b})
#define CAPI_SHAPE_IdOrNullAb_ARGS , const uint8_t* id, uint8_t ab
#define CAPI_SHAPE_IdOrNullAb_SEND(code) CAPI_WF::SendIdOrNull(code, handle, id, {.p4 = ab})
#define CAPI_SHAPE_IdOrNullP1ByteAb_ARGS , const uint8_t* id, uint8_t p1, uint8_t ab
#define CAPI_SHAPE_IdOrNullP1ByteAb_SEND(code) CAPI_WF::SendIdOrNull(code, handle, id, {.p1 = p1, .p4 = ab})
#define CAPI_SHAPE_DriveId_ARGS , const uint8_t* driveId
#define CAPI_SHAPE_DriveId_SEND(code) CAPI_WF::SendDriveId(code, handle, driveId)

// Shapes that build their include record (wrapper_records.h). id: a 32-byte identifier; name: 32 characters
// at most; wwn: 8 bytes.
#define CAPI_SHAPE_PartitionLun_ARGS , const uint8_t* id, uint32_t lun
#define CAPI_SHAPE_PartitionLun_SEND(code) \
    CAPI_WF::SendPartitionParams(code, handle, {.partitionId = id, .lun = lun})
// The LUN's low byte also in the record's unit number.
#define CAPI_SHAPE_PartitionLunAndUnit_ARGS , const uint8_t* id, uint32_t lun
#define CAPI_SHAPE_PartitionLunAndUnit_SEND(code) \
    CAPI_WF::SendPartitionParams(code, handle, {.partitionId = id, .lun = lun, .lunLowByte = true})
#define CAPI_SHAPE_PartitionName_ARGS , const uint8_t* id, const char* name
#define CAPI_SHAPE_PartitionName_SEND(code) \
    CAPI_WF::SendPartitionParams(code, handle, {.name = name, .partitionId = id})
#define CAPI_SHAPE_PartitionId_ARGS , const uint8_t* id
#define CAPI_SHAPE_PartitionId_SEND(code) CAPI_WF::SendPartitionParams(code, handle, {.partitionId = id})
#define CAPI_SHAPE_ArrayName_ARGS , const uint8_t* id, const char* name
#define CAPI_SHAPE_ArrayName_SEND(code) \
    CAPI_WF::SendPartitionParams(code, handle, {.name = name, .arrayId = id})
#define CAPI_SHAPE_Name_ARGS , const char* name
#define CAPI_SHAPE_Name_SEND(code) CAPI_WF::SendPartitionParams(code, handle, {.name = name})
// The caller's record, with the identifier written into it first.
#define CAPI_SHAPE_PartitionGeometry_ARGS , const uint8_t* id, CAPI_ARRAY_PARTITION_PARAMS* record
#define CAPI_SHAPE_PartitionGeometry_SEND(code) CAPI_WF::SendPartitionGeometry(code, handle, id, record)
#define CAPI_SHAPE_EnclosureParams_ARGS , const uint8_t* id, CAPI_DRIVE_ENCLOSURE_PARAMS* record
#define CAPI_SHAPE_EnclosureParams_SEND(code) CAPI_WF::SendEnclosureParams(code, handle, id, record)
#define CAPI_SHAPE_CacheParams_ARGS , const uint8_t* id, const CAPI_CACHE_PARAMS* cacheParams
#define CAPI_SHAPE_CacheParams_SEND(code) CAPI_WF::SendUnifiedCacheParams(code, handle, id, cacheParams)
// nickname: 80 bytes, sent as they are; initiatorName: sent when bit 0 of the flex id's type is set.
#define CAPI_SHAPE_HostNickname_ARGS \
    , const CAPI_FLEX_ID* flexId, const uint8_t* nickname, const char* initiatorName
#define CAPI_SHAPE_HostNickname_SEND(code) \
    CAPI_WF::SendHostNickname(code, handle, flexId, nickname, initiatorName)
// A host named by its identifier (param1 -1) with its flex id.
#define CAPI_SHAPE_HostIdFlexId_ARGS , const uint8_t* id, const CAPI_FLEX_ID* flexId
#define CAPI_SHAPE_HostIdFlexId_SEND(code) CAPI_WF::SendHostById(code, handle, id, flexId)
// The drive WWN record: wwn may be null (an all-zero record); the drive goes to the address.
#define CAPI_SHAPE_DriveWwn_ARGS , const uint8_t* wwn, uint32_t drive
#define CAPI_SHAPE_DriveWwn_SEND(code) \
    CAPI_WF::SendDriveWwn(code, CAPI_WF::Address(handle, CAPI_WF::kNone, CAPI_WF::kNone, drive), wwn)
// The drive WWN record of a host LUN map: a missing wwn is refused.
#define CAPI_SHAPE_HostLunMap_ARGS , const uint8_t* wwn
#define CAPI_SHAPE_HostLunMap_SEND(code) CAPI_WF::SendHostLunMap(code, handle, wwn)
// 8 bytes at the start of the login record.
#define CAPI_SHAPE_Login_ARGS , const uint8_t* credentials
#define CAPI_SHAPE_Login_SEND(code) CAPI_WF::SendLogin(code, handle, credentials)

// Shapes with a caller's structure R of include type `type`.
#define CAPI_SHAPE_Record_ARGS(R) , const R* record
#define CAPI_SHAPE_Record_SEND(code, type) CAPI_WF::SendRecord(code, CAPI_WF::Address(handle), type, record)
#define CAPI_SHAPE_RecordAb_ARGS(R) , const R* record, uint8_t ab
#define CAPI_SHAPE_RecordAb_SEND(code, type) \
    CAPI_WF::SendRecord(code, CAPI_WF::Address(handle), type, record, {.p4 = ab})
// The record itself tells what to do; param1 is always 1.
#define CAPI_SHAPE_RecordP1One_ARGS(R) , const R* record
#define CAPI_SHAPE_RecordP1One_SEND(code, type) \
    CAPI_WF::SendRecord(code, CAPI_WF::Address(handle), type, record, {.p1 = 1})
#define CAPI_SHAPE_ArrayRecord_ARGS(R) , uint32_t array, const R* record
#define CAPI_SHAPE_ArrayRecord_SEND(code, type) \
    CAPI_WF::SendRecord(code, CAPI_WF::Address(handle, array), type, record)
#define CAPI_SHAPE_UnusedRecord_ARGS(R) , uint32_t, const R* record
#define CAPI_SHAPE_UnusedRecord_SEND CAPI_SHAPE_Record_SEND
#define CAPI_SHAPE_P1ByteChannelRecord_ARGS(R) , uint8_t p1, uint32_t channel, const R* record
#define CAPI_SHAPE_P1ByteChannelRecord_SEND(code, type) \
    CAPI_WF::SendRecord(code, CAPI_WF::Address(handle, CAPI_WF::kNone, channel), type, record, {.p1 = p1})

// Declaring and defining the wrappers of a table: rows X(name, code, shape) and
// X(name, code, shape, include type, structure).
#define CAPI_DECLARE_WRAPPER(name, code, shape) int32_t name(CAPI_HANDLE handle CAPI_SHAPE_##shape##_ARGS);
#define CAPI_DEFINE_WRAPPER(name, code, shape)                   \
    int32_t name(CAPI_HANDLE handle CAPI_SHAPE_##shape##_ARGS) { \
        return CAPI_SHAPE_##shape##_SEND(code);                  \
    }
#define CAPI_DECLARE_RECORD_WRAPPER(name, code, shape, type, R) \
    int32_t name(CAPI_HANDLE handle CAPI_SHAPE_##shape##_ARGS(R));
#define CAPI_DEFINE_RECORD_WRAPPER(name, code, shape, type, R)      \
    int32_t name(CAPI_HANDLE handle CAPI_SHAPE_##shape##_ARGS(R)) { \
        return CAPI_SHAPE_##shape##_SEND(code, type);               \
    }
// clang-format on
