// What every array controller fixes about the CAPI exchange: protocol version, packet limits, the
// reply codes of multi-part replies and the return codes that count as success.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_error_codes.h"

inline constexpr uint8_t CAPI_VERSION_MAJOR = 3;  // a reply with any other major version is refused
inline constexpr uint8_t CAPI_VERSION_MINOR = 10;
inline constexpr char CAPI_PACKET_SIGNATURE[4] = {'C', 'A', 'P', 'I'};  // no terminator on the wire

inline constexpr uint32_t CAPI_PACKET_HEADER_SIZE = 80;
inline constexpr uint32_t CAPI_MAX_INCLUDE_SIZE = 0x40000;
inline constexpr uint32_t CAPI_MAX_PACKET_SIZE = CAPI_PACKET_HEADER_SIZE + CAPI_MAX_INCLUDE_SIZE;
// Every buffer that holds a packet (send, receive, compression) has room for the largest one.
inline constexpr uint32_t CAPI_RECEIVE_GENERAL_BUFFER_SIZE = CAPI_MAX_PACKET_SIZE;

// A packetLength outside these bounds is illegal.
constexpr bool CapiPacketLengthIsLegal(uint32_t packetLength) {
    return packetLength >= CAPI_PACKET_HEADER_SIZE && packetLength <= CAPI_MAX_PACKET_SIZE;
}

// A controller's return code that counts as success: 0, and the two codes that report the partner
// controller down while the command itself succeeded.
constexpr bool CapiReturnCodeIsSuccess(int32_t returnCode) {
    return returnCode == CAPI_NO_ERROR || returnCode == CAPI_ERROR_OTHER_NOT_UP ||
           returnCode == CAPI_ERROR_OTHER_NOT_UP_BUT_LOCAL_SUCCESSFUL;
}

// configSequenceNumber carries two 8-bit change counters: the controller's own and its partner's.
constexpr uint32_t CapiLocalConfigChanges(uint32_t configSequenceNumber) {
    return configSequenceNumber & 0xFF;
}
constexpr uint32_t CapiOtherConfigChanges(uint32_t configSequenceNumber) {
    return (configSequenceNumber >> 16) & 0xFF;
}
