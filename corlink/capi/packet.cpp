#include "corlink/capi/packet.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "corlink/capi/hszrle.h"
#include "corlink/capi/include_converter.h"
#include "corlink/capi/include_types.h"
#include "corlink/capi_wire/capi_protocol.h"
#include "corlink/foundation/console_text.h"
#include "corlink/foundation/log.h"

namespace {

constexpr uint32_t kOversizeErrorCode = 1;

// The include is staged here before it reaches the packet: compression reads it from here, and the
// caller's structure is never touched. Commands are built one at a time (under the state-change mutex).
uint8_t g_IncludeStaging[CAPI_MAX_INCLUDE_SIZE];

CAPI_PACKET_HEADER MakeHeader(const PacketFields& f) {
    CAPI_PACKET_HEADER header{};
    header.acceptCompressed = f.acceptCompressed;
    header.configSequenceNumber = f.configSequenceNumber;
    const uint32_t sequence = f.configSequenceNumber;
    DebugPrint("configSequenceNumber = %u (local=%u, other=%u)\n", sequence, CapiLocalConfigChanges(sequence),
               CapiOtherConfigChanges(sequence));
    std::memcpy(header.signature, CAPI_PACKET_SIGNATURE, sizeof header.signature);
    header.versionMajor = CAPI_VERSION_MAJOR;
    header.versionMinor = CAPI_VERSION_MINOR;
    header.reserved6 = f.byte6Flag == 0 ? 1 : 0;
    header.commandCode = f.commandCode;
    header.address = f.address;
    header.errorCode = f.errorCode;
    header.param1 = f.param1;
    header.param2 = f.param2;
    header.param3 = f.param3;
    header.param4 = f.param4;
    header.param5 = f.param5;
    header.driveListConfigSequenceNumber = f.driveListConfigSequenceNumber;
    header.arrayListConfigSequenceNumber = f.arrayListConfigSequenceNumber;
    header.partCount = f.partCount;
    header.partIndex = f.partIndex;
    header.includeStructType = f.includeStructType;
    return header;
}

// The include's size, or 0 (with errorCode set) when it cannot be sent.
uint32_t CheckedIncludeSize(CAPI_PACKET_HEADER& header, const void* include) {
    const uint32_t includeType = header.includeStructType;
    const uint32_t param1 = header.param1;
    const uint64_t size = CapiIncludeSize(includeType, param1);
    if (size > CAPI_MAX_INCLUDE_SIZE) {
        ConsoleWritef("BuildPacket: INTERNAL ERROR: includeStructureSize (%" PRIu64
                      ") is too large; commandCode=%u; errorCode=%u; includeStructType=%u; param1=%u\n",
                      size, static_cast<uint32_t>(header.commandCode),
                      static_cast<uint32_t>(header.errorCode), includeType, param1);
    } else if (size > 0 && include == nullptr) {
        DebugPrint("BuildPacket: no include structure for includeStructType=%u; param1=%u\n", includeType,
                   param1);
    } else {
        return static_cast<uint32_t>(size);
    }
    if (header.errorCode == 0) header.errorCode = kOversizeErrorCode;
    return 0;
}

// The compressed include's length when compression was asked for and its result fits the packet, else 0.
uint32_t CompressInclude(uint32_t includeSize, uint8_t* compressionBuffer, uint32_t compressionCapacity) {
    if (compressionBuffer == nullptr) return 0;
    const uint32_t n = HSZRLECompress(g_IncludeStaging, compressionBuffer, includeSize, compressionCapacity);
    return n <= CAPI_MAX_INCLUDE_SIZE ? n : 0;
}

}  // namespace

uint32_t BuildPacket(uint8_t* packet, const PacketFields& fields) {
    std::memset(g_IncludeStaging, 0, sizeof g_IncludeStaging);
    CAPI_PACKET_HEADER header = MakeHeader(fields);

    const uint32_t includeSize = CheckedIncludeSize(header, fields.include);
    if (includeSize > 0) std::memcpy(g_IncludeStaging, fields.include, includeSize);
    PackIncludeStruct(fields.includeStructType, g_IncludeStaging, fields.param1, includeSize);

    uint8_t* data = packet + CAPI_PACKET_HEADER_SIZE;
    uint32_t dataLength = 0;
    if (fields.compress == 1 && includeSize > 0) {
        dataLength = CompressInclude(includeSize, fields.compressionBuffer, fields.compressionCapacity);
        if (dataLength > 0) std::memcpy(data, fields.compressionBuffer, dataLength);
    }
    header.includeCompressed = dataLength > 0 ? 1 : 0;
    if (dataLength == 0) {
        dataLength = includeSize;
        if (includeSize > 0) std::memcpy(data, g_IncludeStaging, includeSize);
    }

    const uint32_t packetLength = CAPI_PACKET_HEADER_SIZE + dataLength;
    header.packetLength = packetLength;
    std::memcpy(packet, &header, sizeof header);
    if (packetLength % 2 == 0) return packetLength;
    packet[packetLength] = 0;  // the rounding byte
    return packetLength + 1;
}
