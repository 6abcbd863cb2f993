// The raw CAPI pass-through that an "ips" session hands each client packet to. The CAPI library
// installs it (running each packet under the state-change mutex); until then no controller answers.
#pragma once

#include <cstdint>

// The largest raw packet: an 80-byte CAPI header and an include structure of at most 0x40000 bytes.
constexpr uint32_t IPS_PACKET_HEADER_LENGTH = 80;
constexpr uint32_t IPS_MAX_PACKET_LENGTH = 262224;
// Each pass-through buffer holds a whole packet and a few spare bytes.
constexpr uint32_t IPS_BUFFER_SIZE = 262231;

// Sends the request packet to a controller and copies the controller's raw reply into reply (at most
// replyCapacity bytes); returns the reply's length, 0 when no reply came.
using IpsPassThroughFn = uint32_t (*)(const uint8_t* request, uint32_t requestLength, uint8_t* reply,
                                      uint32_t replyCapacity);

uint32_t IpsPassThrough(const uint8_t* request, uint32_t requestLength, uint8_t* reply,
                        uint32_t replyCapacity);
// Installs the pass-through (null restores the one without a controller).
void SetIpsPassThrough(IpsPassThroughFn passThrough);
