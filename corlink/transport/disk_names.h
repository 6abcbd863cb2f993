// Disks in the Windows DOS-device namespace: the disk name ("\\.\PhysicalDrive%d") of a SCSI address, for
// management LUNs that a class driver has claimed, and the disk fallback of discovery, which finds
// management LUNs by walking the host's disks when an adapter's inquiry data cannot be read. Both run
// inside discovery, under the state-change mutex.
#pragma once

#include <cstdint>
#include <string>

#include "platform/devices/scsi_layouts.h"
#include "platform/win_types.h"

// Opens a disk for commands: the handle, or INVALID_HANDLE_VALUE.
HANDLE OpenDrive(const char* name);

// The device name of the disk at `address` (adapter, bus, target and LUN compared), cut to
// nameLength - 1 characters: 1 when found, else 0 with an empty name. nameLength 0 returns 0 at once.
int GetNtPortName(const SCSI_ADDRESS* address, char* name, uint32_t nameLength);

// Probes every disk that belongs to no known controller; 1 when it probed at least one.
int EnumerateDisk();

// The 12-character controller serial text carried in a disk interface name: the 64 hexadecimal digits
// between its last '&' and its last '#' read as 32 characters, of which characters 1-6 and 10-15; empty
// when the name has no such part.
std::string ControllerSerialTextOfDiskName(const char* dosName);
// The 6-byte controller serial number of a serial text; zero unless the text is 12 hexadecimal digits.
void ControllerSerialFromText(const std::string& text, uint8_t serial[6]);
