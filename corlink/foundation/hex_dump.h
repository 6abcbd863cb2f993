// Hex dumps of buffers into the debug log file (no time prefix). They are written only while the
// registry value ToFile has bit 0x2 set.
#pragma once

#include <cstdint>

void HexDump(const char* title, const void* data, uint32_t length);
// Titles the dump "Send at <time>" (direction 1) or "Receive at <time>".
void DumpPacket(int direction, const void* data, uint32_t length);

// While one lives, packet dumps show only their first 80 bytes (a CAPI packet's header, or the start of an
// include): for the commands whose packets carry secrets. Nestable; the state-change mutex serialises them.
class HeaderOnlyPacketDumps {
  public:
    HeaderOnlyPacketDumps();
    ~HeaderOnlyPacketDumps();
    HeaderOnlyPacketDumps(const HeaderOnlyPacketDumps&) = delete;
    HeaderOnlyPacketDumps& operator=(const HeaderOnlyPacketDumps&) = delete;
};
