// The library's compression settings, process-wide: the buffer that compressed packets and replies
// pass through (0x40050 bytes, none at start) and whether requests are compressed (off at start).
// A buffer alone already asks controllers for compressed replies; compressing requests needs both.
#pragma once

#include <cstdint>

// Stores the compression buffer (null removes it). Returns 0.
int CAPI_SetCompressionBuffer(uint8_t* buffer);
// Stores the enable flag. Returns 0.
int CAPI_EnableCompression(uint8_t enable);

uint8_t* CapiCompressionBuffer();
bool CapiCompressionEnabled();
