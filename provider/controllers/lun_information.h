// The VDS LUN records the provider hands to the snapshot service: building, completing with the provider's
// own device identifier, copying, freeing and logging them. Every pointer member is task memory owned by the
// record.
#pragma once

#include "platform/com/com_results.h"
#include "platform/com/vds_lun.h"

// Zeroes the record and sets its inquiry fields, texts (copied), serial-number text and disk signature.
// Throws the HRESULT of a failed allocation or conversion.
void BVSS_SetBasicLunInfo(VDS_LUN_INFORMATION* record, ULONG version, BYTE deviceType,
                          BYTE deviceTypeModifier, BOOL commandQueueing, VDS_STORAGE_BUS_TYPE busType,
                          const char* vendorId, const char* productId, const char* productRevision,
                          const BYTE* serialId16, const GUID* diskSignature);
// Copies the inquiry fields, the disk signature and new copies of the four texts (the destination's texts
// must have been freed); identifiers and interconnects are not touched. Returns the destination.
VDS_LUN_INFORMATION* BVSS_CopyBasicLunInfo(VDS_LUN_INFORMATION* destination,
                                           const VDS_LUN_INFORMATION* source);
// Puts the provider's NAA identifier (binary, FC-PH name) in place of any earlier one and, for a path other
// than 0xFF, sets the record's one interconnect. Everything is allocated before anything is replaced, so a
// failure (thrown as its HRESULT) leaves the record as it was. E_POINTER for a null record or ID.
HRESULT BVSS_UpdateLunInformation(VDS_LUN_INFORMATION* record, const BYTE* partitionId,
                                  DWORD partitionIdLength, BYTE path, BYTE target, ULONG lun);
// Frees and nulls every block the record owns. Returns the record.
VDS_LUN_INFORMATION* BVSS_FreeLunInformation(VDS_LUN_INFORMATION* record);
// Writes the record's fields to the debug log; a null record writes nothing.
void BVSS_DumpLunInformation(const VDS_LUN_INFORMATION* record);
