// Multipath pass-through: WRITE BUFFER and READ BUFFER on a multipath pseudo-disk travel down one chosen
// path (cached per device name) so that a reply is read from the controller port that got the request.
#pragma once

#include <cstdint>

#include "platform/devices/device_io.h"
#include "platform/devices/scsi_layouts.h"

// Flag bit of GetMpioPath: also deliver the chosen path's SCSI address.
constexpr uint32_t MPIO_PATH_WANT_SCSI_ADDRESS = 4;

// Stands in for DeviceIoControl of a pass-through request; non-zero on success.
BOOL MpioPassThrough(const char* deviceName, HANDLE device, DWORD ioControlCode, void* request,
                     DWORD requestSize, DWORD* bytesReturned, OVERLAPPED* overlapped);
// The chosen path id of the device, or 0 when it needs or allows no multipath route.
uint64_t GetMpioPath(const char* deviceName, uint32_t flags, SCSI_ADDRESS* address);
// Drops the cached choice of one device, or of every device when deviceName is null.
void InvalidateMpioCache(const char* deviceName);
// Windows 6.0 and later.
bool IsMpioCapableOs();
