// Conversion modes and the byte-order primitives. Proxy request and reply buffers carry their integer
// fields big-endian, CAPI packets little-endian; the network modes byte-reverse, the CAPI modes leave
// everything as it is.
#pragma once

#include <cstdint>

enum PackMode : int32_t {
    PACK_FROM_NETWORK = 0,  // a proxy request just received (or a reply a client received)
    PACK_TO_NETWORK = 1,    // a proxy reply about to be sent (or a request a client sends)
    PACK_CAPI_RECEIVE = 2,  // a CAPI packet just received from a controller
    PACK_CAPI_SEND = 3,     // a CAPI packet being built
};

// Only the two CAPI modes suppress conversion; any other value converts.
inline bool PackModeConverts(int32_t mode) { return mode != PACK_CAPI_RECEIVE && mode != PACK_CAPI_SEND; }

// Unconditional: exchange the two bytes / reverse the four bytes at the pointer.
void SwapBytes16(void* field);
void SwapBytes32(void* field);

// The same, except in the CAPI modes.
void SwapCapi16(int32_t mode, void* field);
void SwapCapi32(int32_t mode, void* field);
// A CAPI_U64: each of its two 32-bit words reversed in place; the words keep their order.
void SwapCapi32x2(int32_t mode, void* field);
