// Building the request packet of a CAPI command: the 80-byte header, then the include data (one
// structure, param1 records or param1 raw bytes, by include type), optionally zero-run compressed.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_packet_header.h"

// What one request packet carries; a field left out is 0 (byte6Flag: 1).
struct PacketFields {
    uint8_t byte6Flag = 1;  // 1 writes 0 into byte 6, 0 writes 1
    uint8_t acceptCompressed = 0;
    // 1 compresses the include into compressionBuffer (compressionCapacity bytes) and sends the compressed
    // form when it fits the packet; otherwise the include goes out as it is.
    uint8_t compress = 0;
    uint8_t* compressionBuffer = nullptr;
    uint32_t compressionCapacity = 0;
    uint32_t configSequenceNumber = 0;
    uint32_t commandCode = 0;
    CAPI_ADDRESS address{};
    uint32_t includeStructType = 0;
    // May be null only when the include type and param1 give no include data.
    const void* include = nullptr;
    uint32_t errorCode = 0;
    uint32_t param1 = 0;
    uint32_t param2 = 0;
    uint32_t param3 = 0;
    uint32_t param4 = 0;
    uint32_t param5 = 0;
    uint32_t driveListConfigSequenceNumber = 0;
    uint32_t arrayListConfigSequenceNumber = 0;
    uint16_t partCount = 0;
    uint16_t partIndex = 0;
};

// Builds one packet into `packet`, which holds CAPI_MAX_PACKET_SIZE bytes, and returns the number of
// bytes to send: packetLength rounded up to an even number (the rounding byte is written as 0).
// An include larger than CAPI_MAX_INCLUDE_SIZE (or missing) is never copied: the packet goes out without
// include data and with errorCode 1, unless the caller gave a non-zero errorCode.
uint32_t BuildPacket(uint8_t* packet, const PacketFields& fields);
