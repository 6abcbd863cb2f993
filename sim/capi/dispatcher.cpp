#include "sim/capi/dispatcher.h"

#include <algorithm>
#include <cstring>

#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_protocol.h"
#include "platform/kernel/sync.h"
#include "platform/time/clock.h"
#include "sim/capi/command_rows.h"

namespace sim {
namespace {

// A request whose include is not the one the command takes is refused as a failed command.
constexpr int32_t kWrongInclude = CAPI_ERROR_COMMAND_FAILED;

JournalEntry EntryOf(const CAPI_PACKET_HEADER& header, const DispatchContext& context, const uint8_t* include,
                     uint32_t includeLength) {
    const Controller& controller = context.pair.controllers[context.half];
    JournalEntry entry;
    entry.timeMs = GetTickCount();
    entry.controller = HexText(controller.serial);
    entry.half = context.half;
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
    entry.include.assign(include, include + includeLength);
    return entry;
}

Delivery Reply(Packet packet, bool changed = false) {
    return {Delivery::Kind::Reply, std::move(packet), changed};
}
Delivery Nothing(Delivery::Kind kind) { return {kind, {}, false}; }

// A reply the host cannot take as it is: no signature, and a length that claims more than was sent.
void Damage(Packet& packet) {
    CAPI_PACKET_HEADER header;
    if (!ReadHeader(packet.data(), static_cast<uint32_t>(packet.size()), &header)) return;
    std::memset(header.signature, 0, sizeof header.signature);
    header.packetLength = static_cast<uint32_t>(packet.size()) + CAPI_PACKET_HEADER_SIZE;
    std::memcpy(packet.data(), &header, sizeof header);
}

// The command itself: the include check, the handler, the pair's numbers after a change.
Delivery Execute(const CAPI_PACKET_HEADER& head, const uint8_t* include, uint32_t includeLength,
                 const DispatchContext& context, const Fault* fault) {
    StorageSystem& pair = context.pair;
    const CommandRow* row = FindCommand(head.commandCode);
    const auto installed = context.overrides.find(head.commandCode);
    const bool overridden = installed != context.overrides.end();
    if (row == nullptr && !overridden) {
        return Reply(context.replies.Refusal(head, CAPI_ERROR_NOT_SUPPORTED, pair, context.half));
    }
    Call call(head, include, includeLength, pair, context.half, context.host, platform::GetClock().NowMs());
    const bool includeFits =
        row == nullptr || row->includeType == 0 ||
        (head.includeStructType == row->includeType && includeLength >= row->minIncludeSize);
    if (!includeFits) {
        call.Fail(kWrongInclude);
    } else if (fault != nullptr && fault->kind == FaultKind::SurvivesDeletion) {
        // Answered as done; the object stays.
    } else if (overridden) {
        call.Answer(installed->second(CapiRequest{head, include, includeLength}, pair, context.half));
    } else {
        row->handler(call);
    }
    const bool changed = row != nullptr && row->changesState && !call.failed() &&
                         (fault == nullptr || fault->kind != FaultKind::SurvivesDeletion);
    if (changed) RecordConfigurationChange(pair);
    if (row != nullptr && row->sequence == Sequence::PairInParams23) {
        call.SetParam(1, ConfigSequenceNumber(pair, 0));
        call.SetParam(2, ConfigSequenceNumber(pair, 1));
    }
    if (fault != nullptr && fault->kind == FaultKind::ExecuteThenCode) call.Fail(fault->returnCode);
    if (fault != nullptr && fault->kind == FaultKind::ClaimsRecords) {
        call.SetParam(0, static_cast<uint32_t>(fault->returnCode));
    }
    return Reply(context.replies.Reply(head, call.answer(), pair, context.half), changed);
}

}  // namespace

Delivery Dispatch(const uint8_t* request, uint32_t length, const DispatchContext& context) {
    StorageSystem& pair = context.pair;
    Controller& half = pair.controllers[context.half];
    CAPI_PACKET_HEADER head;
    if (!ReadHeader(request, length, &head)) {
        CAPI_PACKET_HEADER empty;
        std::memset(&empty, 0, sizeof empty);
        return Reply(context.replies.Refusal(empty, CAPI_ERROR_NOT_SUPPORTED, pair, context.half));
    }
    // The include as it arrived, never past the bytes received nor past what packetLength claims.
    const uint32_t claimed = std::clamp<uint32_t>(head.packetLength, CAPI_PACKET_HEADER_SIZE, length);
    const uint8_t* include = request + CAPI_PACKET_HEADER_SIZE;
    const uint32_t includeLength = claimed - CAPI_PACKET_HEADER_SIZE;
    JournalEntry entry = EntryOf(head, context, include, includeLength);

    const uint64_t now = platform::GetClock().NowMs();
    const HalfState state = CurrentState(half, now);
    // A shut-down half still takes the reboot that brings it back.
    const bool restarts = state == HalfState::ShutDown &&
                          head.commandCode == static_cast<uint32_t>(CAPI_COMMAND_U_REBOOT_CONTROLLER);
    if (state != HalfState::Up && !restarts) {
        entry.fault = state == HalfState::Down       ? "down"
                      : state == HalfState::ShutDown ? "shut down"
                                                     : "refusing";
        context.journal.Record(entry);
        if (state == HalfState::Down) return Nothing(Delivery::Kind::NoReply);
        return Reply(context.replies.Refusal(head, half.condition.refusalCode, pair, context.half));
    }

    const std::optional<Fault> fault = context.faults.Take(head.commandCode);
    if (fault) entry.fault = FaultKindName(fault->kind);
    context.journal.Record(entry);
    if (fault) {
        switch (fault->kind) {
            case FaultKind::ReturnCode:
                return Reply(context.replies.Refusal(head, fault->returnCode, pair, context.half));
            case FaultKind::NoReply: return Nothing(Delivery::Kind::NoReply);
            case FaultKind::PaperJam: return Nothing(Delivery::Kind::PaperJam);
            case FaultKind::BusReset: return Nothing(Delivery::Kind::BusReset);
            case FaultKind::Vanish: half.present = false; return Nothing(Delivery::Kind::Vanish);
            case FaultKind::DownFor:
                half.condition = {HalfState::Down, now + fault->durationMs, 0};
                return Nothing(Delivery::Kind::NoReply);
            case FaultKind::RefusingFor:
                half.condition = {HalfState::Refusing, now + fault->durationMs, fault->returnCode};
                return Reply(context.replies.Refusal(head, fault->returnCode, pair, context.half));
            case FaultKind::MalformedReply: {
                Packet packet = context.replies.Refusal(head, 0, pair, context.half);
                Damage(packet);
                return Reply(std::move(packet));
            }
            default: break;  // executed, then marked
        }
    }

    if (head.versionMajor != CAPI_VERSION_MAJOR) {
        return Reply(context.replies.Refusal(head, CAPI_ERROR_NOT_SUPPORTED, pair, context.half));
    }
    if (head.commandCode == static_cast<uint32_t>(CAPI_COMMAND_NEXT_PART)) {
        return Reply(context.replies.NextPart(head, pair, context.half));
    }
    Delivery delivery = Execute(head, include, includeLength, context, fault ? &*fault : nullptr);
    if (fault && fault->kind == FaultKind::ExecuteThenNoReply)
        return {Delivery::Kind::NoReply, {}, delivery.changed};
    return delivery;
}

}  // namespace sim
