// Hex dumps of buffers into the debug log file (no time prefix). They are written only while the
// registry value ToFile has bit 0x2 set.
#pragma once

#include <cstdint>

void HexDump(const char* title, const void* data, uint32_t length);
// Titles the dump "Send at <time>" (direction 1) or "Receive at <time>".
void DumpPacket(int direction, const void* data, uint32_t length);
