#include "tests/support/fake_transport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_packet_header.h"
#include "corlink/capi_wire/capi_protocol.h"
#include "corlink/capi_wire/capi_reply_codes.h"

namespace testsupport {

namespace {

FakeTransport* g_Current = nullptr;

PROCESSOR_DEVICE DefaultDevice(uint32_t index) {
    PROCESSOR_DEVICE device{};
    device.adapter = 2;
    device.target = static_cast<uint8_t>(index);
    const char inquiry[] = "Brenlow CAPI-ARRAY      0100";  // 28 characters, not terminated in the record
    std::memcpy(device.inquiryString, inquiry, sizeof(device.inquiryString));
    std::snprintf(device.deviceName, sizeof(device.deviceName), "%s", "\\\\.\\Scsi2:");
    device.responds = 1;
    device.ready = 1;
    device.id = index % 2 == 0 ? PROCESSOR_DEVICE_ID_A : PROCESSOR_DEVICE_ID_B;
    const uint8_t serial[PROCESSOR_DEVICE_SERIAL_LENGTH] = {0x00, 0xC0, 0xFF,
                                                            0x10, 0x00, static_cast<uint8_t>(index + 1)};
    std::memcpy(device.controllerSerialNumber, serial, sizeof(serial));
    std::memcpy(device.controllerUniqueId, serial, sizeof(serial));
    return device;
}

CAPI_PACKET_HEADER HeaderOf(const uint8_t* bytes) {
    CAPI_PACKET_HEADER header;
    std::memcpy(&header, bytes, sizeof(header));
    return header;
}

}  // namespace

std::vector<uint8_t> BuildReplyPacket(const ReplyPacket& reply) {
    CAPI_PACKET_HEADER header{};
    header.versionMajor = reply.versionMajor;
    header.versionMinor = reply.versionMinor;
    std::memcpy(header.signature, CAPI_PACKET_SIGNATURE, sizeof(header.signature));
    header.includeStructType = reply.includeType;
    header.commandCode = reply.commandCode;
    header.address = reply.address;
    header.configSequenceNumber = reply.configSequenceNumber;
    header.errorCode = static_cast<uint32_t>(reply.errorCode);
    header.param1 = reply.param[0];
    header.param2 = reply.param[1];
    header.param3 = reply.param[2];
    header.param4 = reply.param[3];
    header.param5 = reply.param[4];
    header.packetLength = static_cast<uint32_t>(CAPI_PACKET_HEADER_SIZE + reply.payload.size());
    header.partCount = reply.partCount;
    header.partIndex = reply.partIndex;
    std::vector<uint8_t> bytes(sizeof(header) + reply.payload.size());
    std::memcpy(bytes.data(), &header, sizeof(header));
    std::copy(reply.payload.begin(), reply.payload.end(), bytes.begin() + sizeof(header));
    return bytes;
}

FakeTransport::FakeTransport(uint32_t controllers, int32_t completionState)
    : completionState_(completionState), savedSlot_(g_LmxTable[0]) {
    for (uint32_t i = 0; i < controllers; ++i) {
        devices_.push_back(DefaultDevice(i));
    }
    g_Current = this;
    g_LmxTable[0] = LMX_ENTRY{&FakeTransport::Initialize, {}, 0, 0, nullptr};  // a freshly installed slot
}

FakeTransport::~FakeTransport() {
    g_LmxTable[0] = savedSlot_;
    g_Current = nullptr;
}

void FakeTransport::Reply(const ReplyPacket& reply) { RawReply(BuildReplyPacket(reply)); }

void FakeTransport::RawReply(std::vector<uint8_t> bytes) {
    script_.push_back({StepKind::Bytes, std::move(bytes), {}});
}

void FakeTransport::Silence() { script_.push_back({StepKind::Silence, {}, {}}); }

void FakeTransport::Abandon() { script_.push_back({StepKind::Abandon, {}, {}}); }

void FakeTransport::AlreadyActive(int32_t errorCode) {
    ReplyPacket reply;
    reply.commandCode = CAPI_REPLY_COMMAND_ALREADY_ACTIVE;
    reply.errorCode = errorCode;
    Reply(reply);
}

void FakeTransport::MultiPart(const ReplyPacket& first, std::vector<uint8_t> payload) {
    script_.push_back({StepKind::MultiPart, std::move(payload), first});
}

void FakeTransport::Initialize(LMX_ENTRY* slot, LMX_INIT_COMPLETE complete, LMX_OPS* ops) {
    FakeTransport& self = *g_Current;
    ++self.initializeCalls_;
    *ops = LMX_OPS{};
    ops->sendAndReceive = &FakeTransport::SendAndReceive;
    ops->poll = &FakeTransport::Poll;
    ops->findNextController = &FakeTransport::FindNextController;
    slot->linkType = LMX_LINK_TYPE_SCSI;
    if (complete != nullptr && self.completionState_ != kNeverCompletes) {
        complete(slot, self.completionState_);
    }
}

void FakeTransport::Poll() { ++g_Current->polls_; }

uint8_t FakeTransport::FindNextController(uint32_t first, uint32_t* lastTime,
                                          CAPI_CONTROLLER_CONTEXT* context) {
    FakeTransport& self = *g_Current;
    if (first) {
        self.enumerationIndex_ = 0;
    }
    uint8_t found = 0;
    if (self.enumerationIndex_ < self.devices_.size()) {
        ProcessorDeviceOf(*context) = self.devices_[self.enumerationIndex_++];
        found = 1;
    }
    if (self.enumerationIndex_ >= self.devices_.size()) {
        *lastTime = 1;
    }
    return found;
}

void FakeTransport::Record(const LMX_IOB& iob) {
    SentPacket packet;
    const uint32_t length = std::min(iob.sendLength, CAPI_RECEIVE_GENERAL_BUFFER_SIZE);
    if (iob.pSendBuffer != nullptr) {
        packet.bytes.assign(iob.pSendBuffer, iob.pSendBuffer + length);
    }
    packet.context = iob.pControllerContext;
    if (packet.bytes.size() >= CAPI_PACKET_HEADER_SIZE) {
        const CAPI_PACKET_HEADER header = HeaderOf(packet.bytes.data());
        packet.commandCode = header.commandCode;
        packet.address = header.address;
        packet.includeType = header.includeStructType;
        packet.errorCode = header.errorCode;
        packet.param[0] = header.param1;
        packet.param[1] = header.param2;
        packet.param[2] = header.param3;
        packet.param[3] = header.param4;
        packet.param[4] = header.param5;
        packet.partCount = header.partCount;
        packet.partIndex = header.partIndex;
        packet.packetLength = header.packetLength;
    }
    sent_.push_back(std::move(packet));
}

std::vector<uint8_t> FakeTransport::PartReply(uint16_t index) const {
    ReplyPacket part = partsHeader_;
    part.partIndex = index;
    if (index > 0) {
        part.commandCode = static_cast<uint32_t>(CAPI_COMMAND_NEXT_PART) + 1000;
    }
    const size_t begin = std::min(partsPayload_.size(), static_cast<size_t>(index) * kPartSize);
    const size_t end = std::min(partsPayload_.size(), begin + kPartSize);
    part.payload.assign(partsPayload_.begin() + static_cast<std::ptrdiff_t>(begin),
                        partsPayload_.begin() + static_cast<std::ptrdiff_t>(end));
    return BuildReplyPacket(part);
}

FakeTransport::Step FakeTransport::NextStep(const SentPacket& request) {
    if (partsPending_ && request.commandCode == static_cast<uint32_t>(CAPI_COMMAND_NEXT_PART)) {
        if (request.partIndex >= partsHeader_.partCount) {
            return {StepKind::Silence, {}, {}};
        }
        if (request.partIndex + 1 == partsHeader_.partCount) {
            partsPending_ = false;
        }
        return {StepKind::Bytes, PartReply(request.partIndex), {}};
    }
    if (script_.empty()) {
        return {StepKind::Silence, {}, {}};
    }
    Step step = std::move(script_.front());
    script_.pop_front();
    if (step.kind == StepKind::MultiPart) {
        partsHeader_ = step.first;
        partsPayload_ = std::move(step.bytes);
        const size_t parts = std::max<size_t>(1, (partsPayload_.size() + kPartSize - 1) / kPartSize);
        partsHeader_.partCount = static_cast<uint16_t>(parts);
        if (partsHeader_.param[4] == 0) {
            partsHeader_.param[4] = 1;
        }
        partsPending_ = parts > 1;
        return {StepKind::Bytes, PartReply(0), {}};
    }
    return step;
}

// What a successful read does: the receive buffer zeroed and refilled, the return code from the reply
// header, then the completion.
void FakeTransport::Deliver(LMX_IOB* iob, const std::vector<uint8_t>& reply) {
    std::memset(iob->pReceiveBuffer, 0, iob->maxRecLength);
    const uint32_t length = static_cast<uint32_t>(std::min<size_t>(reply.size(), iob->maxRecLength));
    std::memcpy(iob->pReceiveBuffer, reply.data(), length);
    iob->recLength = length;
    iob->status = LMX_STATUS_REPLY_RECEIVED;
    int32_t errorCode = 0;
    if (length >= offsetof(CAPI_PACKET_HEADER, errorCode) + sizeof(errorCode)) {
        std::memcpy(&errorCode, iob->pReceiveBuffer + offsetof(CAPI_PACKET_HEADER, errorCode),
                    sizeof(errorCode));
    }
    iob->errorCode = errorCode;
    iob->needRescan = 0;
    if (iob->callback != nullptr) {
        iob->callback(iob);
    }
}

void FakeTransport::SendAndReceive(LMX_IOB* iob) {
    FakeTransport& self = *g_Current;
    iob->linkType = LMX_LINK_TYPE_SCSI;
    iob->status = LMX_STATUS_UNDER_WAY;
    iob->needRescan = 1;
    self.Record(*iob);
    const Step step = self.NextStep(self.sent_.back());
    switch (step.kind) {
        case StepKind::Bytes:
            if (iob->pReceiveBuffer == nullptr) {
                iob->status = LMX_STATUS_COMMUNICATION_ERROR;
                return;
            }
            self.maxNesting_ = std::max(self.maxNesting_, ++self.nesting_);
            Deliver(iob, step.bytes);
            --self.nesting_;
            return;
        case StepKind::Abandon: iob->status = LMX_STATUS_READ_ABANDONED; return;
        case StepKind::Silence:
        case StepKind::MultiPart: iob->status = LMX_STATUS_COMMUNICATION_ERROR; return;
    }
}

}  // namespace testsupport
