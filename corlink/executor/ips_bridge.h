// The raw CAPI pass-through of "ips" sessions: one client packet to the controller of database entry 0,
// under the state-change mutex like every other controller command.
#pragma once

#include <cstdint>

// Copies the request into the library's pass-through buffer, sends it, and copies the raw reply (at most
// replyCapacity bytes) into reply. Returns the reply's length, 0 when no reply came or the request does not
// fit. Matches the session's IpsPassThroughFn.
uint32_t RreIpsPassThrough(const uint8_t* request, uint32_t requestLength, uint8_t* reply,
                           uint32_t replyCapacity);
