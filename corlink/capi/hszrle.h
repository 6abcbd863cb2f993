// HSZRLE, the zero-run encoding of CAPI include data. A run of 2 to 255 zero bytes becomes the escape
// byte 0x69 and the run length, a single zero byte stays 0x00, the escape byte itself becomes 0x69 0x00,
// every other byte stays as it is.
#pragma once

#include <cstdint>

inline constexpr uint8_t HSZRLE_ESCAPE = 0x69;

// Encodes `sourceLength` bytes into `destination`. Returns the number of bytes written, which is always
// below `capacity`, or 0 when the encoding would not stay below it (nothing useful is then written).
uint32_t HSZRLECompress(const uint8_t* source, uint8_t* destination, uint32_t sourceLength,
                        uint32_t capacity);

// Decodes `sourceLength` bytes into `destination`. Returns the number of bytes written, which is always
// below `capacity`, or 0 when the output would not stay below it or the input ends with a lone escape byte.
uint32_t HSZRLEUncompress(const uint8_t* source, uint8_t* destination, uint32_t sourceLength,
                          uint32_t capacity);
