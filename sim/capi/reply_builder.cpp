#include "sim/capi/reply_builder.h"

#include <algorithm>
#include <cstring>

#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_protocol.h"
#include "corlink/capi_wire/capi_reply_codes.h"

namespace sim {
namespace {

Packet MakePacket(const CAPI_PACKET_HEADER& head, const uint8_t* data, uint32_t length) {
    CAPI_PACKET_HEADER header = head;
    header.packetLength = CAPI_PACKET_HEADER_SIZE + length;
    Packet packet(CAPI_PACKET_HEADER_SIZE + length);
    std::memcpy(packet.data(), &header, sizeof header);
    if (length > 0) std::memcpy(packet.data() + CAPI_PACKET_HEADER_SIZE, data, length);
    return packet;
}

}  // namespace

bool ReadHeader(const uint8_t* packet, uint32_t length, CAPI_PACKET_HEADER* header) {
    if (packet == nullptr || length < sizeof(CAPI_PACKET_HEADER)) return false;
    std::memcpy(header, packet, sizeof(CAPI_PACKET_HEADER));
    return true;
}

Packet ReplyBuilder::Refusal(const CAPI_PACKET_HEADER& request, int32_t returnCode,
                             const StorageSystem& system, int controller) const {
    CAPI_PACKET_HEADER header;
    std::memset(&header, 0, sizeof header);
    header.versionMajor = CAPI_VERSION_MAJOR;
    header.versionMinor = CAPI_VERSION_MINOR;
    std::memcpy(header.signature, CAPI_PACKET_SIGNATURE, sizeof header.signature);
    header.commandCode = request.commandCode + CAPI_UNIFIED_REPLY_OFFSET;
    header.address = request.address;
    header.configSequenceNumber = ConfigSequenceNumber(system, controller);
    header.arrayListConfigSequenceNumber = system.arrayListChanges;
    header.driveListConfigSequenceNumber = system.driveListChanges;
    header.errorCode = static_cast<uint32_t>(returnCode);
    return MakePacket(header, nullptr, 0);
}

Packet ReplyBuilder::Reply(const CAPI_PACKET_HEADER& request, const CapiAnswer& answer,
                           const StorageSystem& system, int controller) {
    Packet reply = Refusal(request, answer.returnCode, system, controller);
    CAPI_PACKET_HEADER header;
    ReadHeader(reply.data(), static_cast<uint32_t>(reply.size()), &header);
    header.includeStructType = answer.data.empty() ? 0 : answer.includeType;
    header.param1 = answer.params[0];
    header.param2 = answer.params[1];
    header.param3 = answer.params[2];
    header.param4 = answer.params[3];
    if (answer.replyCode != 0) header.commandCode = answer.replyCode;

    const size_t total = answer.data.size();
    if (total <= CAPI_MAX_INCLUDE_SIZE)
        return MakePacket(header, answer.data.data(), static_cast<uint32_t>(total));

    const size_t parts = (total + CAPI_MAX_INCLUDE_SIZE - 1) / CAPI_MAX_INCLUDE_SIZE;
    if (parts > kMaxReplyParts) return Refusal(request, CAPI_ERROR_NOT_SUPPORTED, system, controller);
    heldParts_.clear();
    heldPartsId_ = nextPartsId_++;
    if (nextPartsId_ == 0) nextPartsId_ = 1;
    header.partCount = static_cast<uint16_t>(parts);
    header.param5 = heldPartsId_;
    for (size_t k = 0; k < parts; ++k) {
        header.partIndex = static_cast<uint16_t>(k);
        if (k > 0) header.commandCode = CAPI_REPLY_NEXT_PART;
        const size_t offset = k * CAPI_MAX_INCLUDE_SIZE;
        const size_t size = std::min<size_t>(CAPI_MAX_INCLUDE_SIZE, total - offset);
        heldParts_.push_back(MakePacket(header, answer.data.data() + offset, static_cast<uint32_t>(size)));
    }
    Packet first = std::move(heldParts_.front());
    heldParts_.front().clear();
    return first;
}

Packet ReplyBuilder::NextPart(const CAPI_PACKET_HEADER& request, const StorageSystem& system,
                              int controller) {
    const uint32_t index = request.partIndex;
    if (heldParts_.empty() || request.param5 != heldPartsId_ || index == 0 || index >= heldParts_.size() ||
        heldParts_[index].empty()) {
        return Refusal(request, CAPI_ERROR_NOT_SUPPORTED, system, controller);
    }
    Packet part = std::move(heldParts_[index]);
    heldParts_[index].clear();
    if (index + 1 == heldParts_.size()) heldParts_.clear();
    return part;
}

}  // namespace sim
