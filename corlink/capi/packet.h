// Building the request packet of a CAPI command: the 80-byte header, then the include data (one
// structure, param1 records or param1 raw bytes, by include type), optionally zero-run compressed.
#pragma once

#include <cstdint>

#include "corlink/capi/capi_packet_header.h"

// Builds one packet into `packet`, which holds CAPI_MAX_PACKET_SIZE bytes, and returns the number of
// bytes to send: packetLength rounded up to an even number (the rounding byte is written as 0).
// - byte6Flag: 1 writes 0 into byte 6, 0 writes 1.
// - compress: 1 compresses the include into `compressionBuffer` (capacity bytes) and sends the compressed
//   form when it fits the packet; otherwise the include goes out as it is.
// - include: may be null only when the include type and param1 give no include data.
// An include larger than CAPI_MAX_INCLUDE_SIZE (or missing) is never copied: the packet goes out without
// include data and with errorCode 1, unless the caller gave a non-zero errorCode.
uint32_t BuildPacket(uint8_t* packet, uint8_t byte6Flag, uint8_t acceptCompressed, uint8_t compress,
                     uint8_t* compressionBuffer, uint32_t compressionCapacity, uint32_t configSequenceNumber,
                     uint32_t commandCode, const CAPI_ADDRESS* address, uint32_t includeStructType,
                     const void* include, uint32_t errorCode, uint32_t param1, uint32_t param2,
                     uint32_t param3, uint32_t param4, uint32_t param5,
                     uint32_t driveListConfigSequenceNumber, uint32_t arrayListConfigSequenceNumber,
                     uint16_t partCount, uint16_t partIndex);
