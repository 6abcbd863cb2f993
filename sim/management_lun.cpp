#include "sim/management_lun.h"

#include <algorithm>

#include "corlink/capi/capi_protocol.h"
#include "corlink/capi/management_lun.h"
#include "platform/sync.h"
#include "sim/host_errors.h"
#include "sim/inquiry_data.h"

namespace sim {
namespace {

constexpr uint8_t kResetAscq = 0x00;

ScsiOutcome ReplyWaiting() {
    return CheckCondition(MANAGEMENT_LUN_REPLY_WAITING_SENSE_KEY, MANAGEMENT_LUN_REPLY_WAITING_ASC,
                          MANAGEMENT_LUN_REPLY_WAITING_ASCQ);
}

ScsiOutcome ResetOccurred() {
    return CheckCondition(MANAGEMENT_LUN_RESET_SENSE_KEY, MANAGEMENT_LUN_RESET_ASC, kResetAscq);
}

// WRITE BUFFER / READ BUFFER (10-byte CDB): mode 1, buffer 0, offset 0; the transfer length.
bool ParseBufferCdb(const ScsiRequest& request, uint32_t* length) {
    if (request.cdbLength < 10) return false;
    const uint8_t* cdb = request.cdb;
    if ((cdb[1] & 0x1F) != MANAGEMENT_LUN_WRITE_BUFFER_MODE || cdb[2] != MANAGEMENT_LUN_BUFFER_ID) return false;
    if (cdb[3] != 0 || cdb[4] != 0 || cdb[5] != 0) return false;
    *length = static_cast<uint32_t>(cdb[6]) << 16 | static_cast<uint32_t>(cdb[7]) << 8 | cdb[8];
    return true;
}

JournalEntry EntryOf(const CAPI_PACKET_HEADER& header, const Controller& controller) {
    JournalEntry entry;
    entry.timeMs = GetTickCount();
    entry.controller = HexText(controller.serial);
    entry.lun = controller.managementLun;
    entry.commandCode = header.commandCode;
    const CAPI_ADDRESS address = header.address;
    entry.address[0] = address.controllerHandle;
    entry.address[1] = address.arrayIndex;
    entry.address[2] = address.channelIndex;
    entry.address[3] = address.driveIndex;
    entry.includeType = header.includeStructType;
    entry.params[0] = header.param1;
    entry.params[1] = header.param2;
    entry.params[2] = header.param3;
    entry.params[3] = header.param4;
    entry.params[4] = header.param5;
    entry.partIndex = header.partIndex;
    return entry;
}

}  // namespace

ScsiOutcome ManagementLun::Execute(const ScsiRequest& request, StorageSystem& system, Journal& journal) {
    Controller& controller = system.controllers[controller_];
    if (!controller.present) return HostFailure(kHostErrorDeviceGone);
    if (request.cdbLength == 0 || request.cdb == nullptr) return InvalidOpcode();
    switch (request.cdb[0]) {
        case SCSI_OP_TEST_UNIT_READY:
            return GoodOutcome(0);
        case SCSI_OP_INQUIRY:
            return AnswerInquiry(request, [&](bool evpd, uint8_t page) {
                return evpd ? ManagementLunVpd(system, controller_, page) : ManagementLunInquiry(system, controller_);
            });
        case SCSI_OP_WRITE_BUFFER:
            return WriteBuffer(request, system, journal);
        case SCSI_OP_READ_BUFFER:
            return ReadBuffer(request);
        default:
            return InvalidOpcode();
    }
}

ScsiOutcome ManagementLun::WriteBuffer(const ScsiRequest& request, StorageSystem& system, Journal& journal) {
    uint32_t length = 0;
    if (!ParseBufferCdb(request, &length) || request.dataIn || length > CAPI_MAX_PACKET_SIZE ||
        length > request.length || (length > 0 && request.data == nullptr)) {
        return InvalidFieldInCdb();
    }
    // The previous reply must be read before the next request is taken.
    if (pendingReply_) return ReplyWaiting();
    replyLost_ = false;

    CAPI_PACKET_HEADER header;
    if (!ReadHeader(request.data, length, &header)) {
        pendingReply_ = responder_.Answer(request.data, length, system, controller_);
        return GoodOutcome(length);
    }
    Controller& controller = system.controllers[controller_];
    JournalEntry entry = EntryOf(header, controller);
    std::optional<Fault> fault = faults_.Take(header.commandCode);
    if (fault) entry.fault = FaultKindName(fault->kind);
    journal.Record(entry);

    if (!fault) {
        pendingReply_ = responder_.Answer(request.data, length, system, controller_);
        return GoodOutcome(length);
    }
    switch (fault->kind) {
        case FaultKind::ReturnCode:
            pendingReply_ = responder_.Refusal(header, fault->returnCode, system, controller_);
            return GoodOutcome(length);
        case FaultKind::NoReply:
            replyLost_ = true;
            return GoodOutcome(length);
        case FaultKind::PaperJam:
            return ReplyWaiting();
        case FaultKind::BusReset:
            return ResetOccurred();
        case FaultKind::Vanish:
            controller.present = false;
            return HostFailure(kHostErrorDeviceGone);
    }
    return InvalidFieldInCdb();
}

ScsiOutcome ManagementLun::ReadBuffer(const ScsiRequest& request) {
    uint32_t length = 0;
    if (!ParseBufferCdb(request, &length) || !request.dataIn) return InvalidFieldInCdb();
    if (replyLost_) return HostFailure(kHostErrorTimeout);
    // Nothing to read: the buffer was read already (the same sense as a write out of sequence).
    if (!pendingReply_) return ReplyWaiting();
    Packet reply = std::move(*pendingReply_);
    pendingReply_.reset();
    return ReturnData(request, reply.data(), static_cast<uint32_t>(reply.size()), length);
}

}  // namespace sim
