#include "corlink/capi/wrapper_frame.h"

#include "corlink/capi/capi_status_codes.h"
#include "corlink/capi/send_path.h"
#include "corlink/capi_wire/capi_drive.h"

namespace wrapper_frame {

namespace {

constexpr uint8_t kWholeController[kObjectIdLength] = {};

}  // namespace

CAPI_ADDRESS Address(CAPI_HANDLE handle, uint32_t array, uint32_t channel, uint32_t drive) {
    CAPI_ADDRESS address{};
    address.controllerHandle = handle;
    address.arrayIndex = array;
    address.channelIndex = channel;
    address.driveIndex = drive;
    return address;
}

int32_t Send(uint32_t code, const CAPI_ADDRESS& address, const Words& words, uint32_t includeType,
             const void* include) {
    return SendCapiCommand(code, &address, includeType, include, 0, words.p1, words.p2, words.p3, words.p4,
                           words.p5);
}

int32_t SendRecord(uint32_t code, const CAPI_ADDRESS& address, uint32_t includeType, const void* record,
                   const Words& words) {
    if (record == nullptr) return CAPI_STATUS_NULL_POINTER;
    return Send(code, address, words, includeType, record);
}

int32_t SendId(uint32_t code, CAPI_HANDLE handle, const uint8_t* id, const Words& words) {
    return SendRecord(code, Address(handle), kObjectIdIncludeType, id, words);
}

int32_t SendIdOrNull(uint32_t code, CAPI_HANDLE handle, const uint8_t* id, const Words& words) {
    return SendId(code, handle, id != nullptr ? id : kWholeController, words);
}

int32_t SendDriveId(uint32_t code, CAPI_HANDLE handle, const uint8_t* driveId, const uint8_t* arrayId) {
    if (driveId == nullptr) return CAPI_STATUS_NULL_POINTER;
    BuiltRecord<CAPI_UNIFIED_DRIVE_ID> record;
    if (arrayId != nullptr)
        record.Copy<offsetof(CAPI_UNIFIED_DRIVE_ID, serialNumber), kObjectIdLength>(arrayId);
    record.Copy<offsetof(CAPI_UNIFIED_DRIVE_ID, secondId), kDriveIdLength>(driveId);
    return Send(code, Address(handle), {}, kDriveIdIncludeType, record.data());
}

}  // namespace wrapper_frame
