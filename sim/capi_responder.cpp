#include "sim/capi_responder.h"

#include <algorithm>
#include <cstring>

#include "corlink/capi/capi_array.h"
#include "corlink/capi/capi_command_codes.h"
#include "corlink/capi/capi_error_codes.h"
#include "corlink/capi/capi_protocol.h"
#include "corlink/capi/capi_reply_codes.h"
#include "corlink/capi/capi_shared.h"
#include "sim/capi_payloads.h"

namespace sim {
namespace {

constexpr uint32_t kIncludeUnifiedController = 50;
constexpr uint32_t kIncludeArrays = 24;
constexpr uint32_t kIncludeUnifiedDrives = 52;
constexpr uint32_t kIncludeDriveEnclosures = 39;
constexpr uint32_t kIncludeUnifiedPartitions = 79;
constexpr uint32_t kIncludeAdvancedEnclosure = 80;
constexpr uint32_t kCommandVolumeData = 1081;  // U_GET_VOLUME_DATA: the partitions of one array

uint32_t ReplyCodeOf(uint32_t commandCode) { return commandCode + CAPI_UNIFIED_REPLY_OFFSET; }

// The configuration sequence numbers of both controllers, A's in param2 and B's in param3.
void PutPairSequenceNumbers(const StorageSystem& system, CapiAnswer* answer) {
    answer->params[1] = ConfigSequenceNumber(system, 0);
    answer->params[2] = ConfigSequenceNumber(system, 1);
}

CapiAnswer ControllerData(const CapiRequest&, StorageSystem& system, int) {
    CapiAnswer answer;
    answer.includeType = kIncludeUnifiedController;
    answer.data = UnifiedControllerPayload(system);
    PutPairSequenceNumbers(system, &answer);
    return answer;
}

CapiAnswer ConfigSequence(const CapiRequest&, StorageSystem& system, int) {
    CapiAnswer answer;
    PutPairSequenceNumbers(system, &answer);
    return answer;
}

// A list reply: `count` records of an include type, with the pair's sequence numbers.
CapiAnswer ListAnswer(const StorageSystem& system, uint32_t includeType, uint32_t count, std::vector<uint8_t> records) {
    CapiAnswer answer;
    answer.includeType = includeType;
    answer.data = std::move(records);
    answer.params[0] = count;
    PutPairSequenceNumbers(system, &answer);
    return answer;
}

CapiAnswer ArrayList(const CapiRequest&, StorageSystem& system, int) {
    return ListAnswer(system, kIncludeArrays, static_cast<uint32_t>(system.arrays.size()), ArrayListPayload(system));
}

CapiAnswer DriveList(const CapiRequest&, StorageSystem& system, int) {
    return ListAnswer(system, kIncludeUnifiedDrives, system.numDrives, DriveListPayload(system));
}

// The object a command names by the serial (or WWN) at the start of its CAPI_OBJECT_ID include.
bool NamesObject(const CapiRequest& request, const uint8_t* id, size_t length) {
    return request.includeLength >= sizeof(CAPI_OBJECT_ID) && std::memcmp(request.include, id, length) == 0;
}

CapiAnswer Refused(int32_t returnCode) {
    CapiAnswer answer;
    answer.returnCode = returnCode;
    return answer;
}

CapiAnswer VolumeData(const CapiRequest& request, StorageSystem& system, int) {
    for (size_t a = 0; a < system.arrays.size(); ++a) {
        const auto& serial = system.arrays[a].serial;
        if (!NamesObject(request, serial.data(), serial.size())) continue;
        std::vector<uint8_t> records = VolumeDataPayload(system, a);
        const auto count = static_cast<uint32_t>(records.size() / sizeof(CAPI_UNIFIED_PARTITION));
        return ListAnswer(system, kIncludeUnifiedPartitions, count, std::move(records));
    }
    return Refused(CAPI_ERROR_BAD_IDENTIFIER);
}

CapiAnswer DriveEnclosures(const CapiRequest&, StorageSystem& system, int) {
    return ListAnswer(system, kIncludeDriveEnclosures, 1, EnclosureListPayload(system));
}

CapiAnswer DriveEnclosure(const CapiRequest& request, StorageSystem& system, int) {
    if (!NamesObject(request, system.enclosureWwn.data(), system.enclosureWwn.size())) {
        return Refused(CAPI_ERROR_BAD_IDENTIFIER);
    }
    return ListAnswer(system, kIncludeAdvancedEnclosure, 1, AdvancedEnclosurePayload(system));
}

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

CapiResponder::CapiResponder() {
    SetHandler(CAPI_COMMAND_U_GET_CONTROLLER_DATA, ControllerData);
    SetHandler(CAPI_COMMAND_U_GET_CONFIG_SEQ_NUMBER, ConfigSequence);
    SetHandler(CAPI_COMMAND_U_GET_ARRAY_LIST, ArrayList);
    SetHandler(CAPI_COMMAND_U_GET_DRIVE_LIST, DriveList);
    SetHandler(kCommandVolumeData, VolumeData);
    SetHandler(CAPI_COMMAND_U_GET_DRIVE_ENCLOSURES, DriveEnclosures);
    SetHandler(CAPI_COMMAND_U_GET_DRIVE_ENCLOSURE, DriveEnclosure);
}

Packet CapiResponder::Refusal(const CAPI_PACKET_HEADER& request, int32_t returnCode, const StorageSystem& system,
                              int controller) const {
    CAPI_PACKET_HEADER header;
    std::memset(&header, 0, sizeof header);
    header.versionMajor = CAPI_VERSION_MAJOR;
    header.versionMinor = CAPI_VERSION_MINOR;
    std::memcpy(header.signature, CAPI_PACKET_SIGNATURE, sizeof header.signature);
    header.commandCode = ReplyCodeOf(request.commandCode);
    header.address = request.address;
    header.configSequenceNumber = ConfigSequenceNumber(system, controller);
    header.arrayListConfigSequenceNumber = system.arrayListChanges;
    header.driveListConfigSequenceNumber = system.driveListChanges;
    header.errorCode = static_cast<uint32_t>(returnCode);
    return MakePacket(header, nullptr, 0);
}

Packet CapiResponder::Answer(const uint8_t* request, uint32_t length, StorageSystem& system, int controller) {
    CAPI_PACKET_HEADER head;
    if (!ReadHeader(request, length, &head) || head.versionMajor != CAPI_VERSION_MAJOR) {
        CAPI_PACKET_HEADER empty;
        std::memset(&empty, 0, sizeof empty);
        if (length >= sizeof empty) empty = head;
        return Refusal(empty, CAPI_ERROR_NOT_SUPPORTED, system, controller);
    }
    if (head.commandCode == static_cast<uint32_t>(CAPI_COMMAND_NEXT_PART)) return NextPart(head, system, controller);
    auto handler = handlers_.find(head.commandCode);
    if (handler == handlers_.end()) return Refusal(head, CAPI_ERROR_NOT_SUPPORTED, system, controller);

    // The include as it arrived, never past the bytes received nor past what packetLength claims.
    const uint32_t claimed = std::clamp<uint32_t>(head.packetLength, CAPI_PACKET_HEADER_SIZE, length);
    CapiRequest capiRequest{head, request + CAPI_PACKET_HEADER_SIZE, claimed - CAPI_PACKET_HEADER_SIZE};
    CapiAnswer answer = handler->second(capiRequest, system, controller);

    Packet reply = Refusal(head, answer.returnCode, system, controller);
    CAPI_PACKET_HEADER header;
    ReadHeader(reply.data(), static_cast<uint32_t>(reply.size()), &header);
    header.includeStructType = answer.data.empty() ? 0 : answer.includeType;
    header.param1 = answer.params[0];
    header.param2 = answer.params[1];
    header.param3 = answer.params[2];
    header.param4 = answer.params[3];
    if (answer.replyCode != 0) header.commandCode = answer.replyCode;

    const size_t total = answer.data.size();
    if (total <= CAPI_MAX_INCLUDE_SIZE) return MakePacket(header, answer.data.data(), static_cast<uint32_t>(total));

    const size_t parts = (total + CAPI_MAX_INCLUDE_SIZE - 1) / CAPI_MAX_INCLUDE_SIZE;
    if (parts > kMaxReplyParts) return Refusal(head, CAPI_ERROR_NOT_SUPPORTED, system, controller);
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

Packet CapiResponder::NextPart(const CAPI_PACKET_HEADER& request, const StorageSystem& system, int controller) {
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
