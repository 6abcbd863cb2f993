// Debug-log printers for the outcome of a SCSI pass-through request.
#pragma once

#include "platform/win_types.h"
#include "provider/host/pass_through_buffer.h"

// A failed call: its Windows error and the system's text; a completed one with a SCSI status: the sense
// bytes; a good one: the status, the bytes returned and the first dumpLength bytes of the buffer (at most
// the buffer's size).
void printPassThroughResult(BOOL callSucceeded, DWORD bytesReturned, const BVSS_PassThroughBuffer& buffer,
                            DWORD dumpLength);
// The SCSI status and the sense bytes returned (at most the number asked for).
void printSenseInfo(const BVSS_PassThroughBuffer& buffer);
// Sixteen bytes a line under a column header, each line led by its offset.
void printHexDump(const BYTE* bytes, DWORD length);
