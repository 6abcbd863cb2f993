#include "sim/management_lun_target.h"

#include <algorithm>

#include "corlink/capi_wire/capi_protocol.h"
#include "corlink/capi_wire/management_lun.h"
#include "platform/kernel/sync.h"
#include "platform/time/clock.h"
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
    if ((cdb[1] & 0x1F) != MANAGEMENT_LUN_WRITE_BUFFER_MODE || cdb[2] != MANAGEMENT_LUN_BUFFER_ID)
        return false;
    if (cdb[3] != 0 || cdb[4] != 0 || cdb[5] != 0) return false;
    *length = static_cast<uint32_t>(cdb[6]) << 16 | static_cast<uint32_t>(cdb[7]) << 8 | cdb[8];
    return true;
}

}  // namespace

ScsiOutcome ManagementLun::Execute(const ScsiRequest& request, const LunContext& context, bool* changed) {
    StorageSystem& system = context.pair;
    Controller& controller = system.controllers[controller_];
    if (!OnBus(controller, platform::GetClock().NowMs())) return HostFailure(kHostErrorDeviceGone);
    if (request.cdbLength == 0 || request.cdb == nullptr) return InvalidOpcode();
    switch (request.cdb[0]) {
        case SCSI_OP_TEST_UNIT_READY: return GoodOutcome(0);
        case SCSI_OP_INQUIRY:
            return AnswerInquiry(request, [&](bool evpd, uint8_t page) {
                return evpd ? ManagementLunVpd(system, controller_, page)
                            : ManagementLunInquiry(system, controller_);
            });
        case SCSI_OP_WRITE_BUFFER: return WriteBuffer(request, context, changed);
        case SCSI_OP_READ_BUFFER: return ReadBuffer(request);
        default: return InvalidOpcode();
    }
}

ScsiOutcome ManagementLun::WriteBuffer(const ScsiRequest& request, const LunContext& context, bool* changed) {
    uint32_t length = 0;
    if (!ParseBufferCdb(request, &length) || request.dataIn || length > CAPI_MAX_PACKET_SIZE ||
        length > request.length || (length > 0 && request.data == nullptr)) {
        return InvalidFieldInCdb();
    }
    // The previous reply must be read before the next request is taken.
    if (pendingReply_) return ReplyWaiting();
    replyLost_ = false;

    const DispatchContext dispatch{context.pair,      controller_, context.host, context.journal,
                                   context.overrides, faults_,     replies_};
    Delivery delivery = Dispatch(request.data, length, dispatch);
    *changed = delivery.changed;
    switch (delivery.kind) {
        case Delivery::Kind::Reply: pendingReply_ = std::move(delivery.packet); return GoodOutcome(length);
        case Delivery::Kind::NoReply: replyLost_ = true; return GoodOutcome(length);
        case Delivery::Kind::PaperJam: return ReplyWaiting();
        case Delivery::Kind::BusReset: return ResetOccurred();
        case Delivery::Kind::Vanish: return HostFailure(kHostErrorDeviceGone);
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
