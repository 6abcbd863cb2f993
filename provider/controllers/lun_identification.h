// How the provider recognises the arrays' LUNs among the host's disks: a LUN's serial-number text read as
// hexadecimal into a 32-byte buffer whose first 16 bytes are the partition ID, and the controller set asked
// which controller knows a partition with that ID. The provider object's identification methods run these
// under its lock.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/com/com_results.h"
#include "platform/com/vds_lun.h"
#include "platform/system/wide_text.h"
#include "provider/controllers/lun_records.h"
#include "provider/controllers/raid_controller_set.h"

// The buffer a LUN's serial text parses into; a length of 32 tells the controller layer to match the
// first 16 bytes.
constexpr DWORD kParsedSerialBytes = 32;

// The LUN's serial-number text as an event insert: "" for a missing record or text.
const char* BVSS_SerialNumberInsert(const VDS_LUN_INFORMATION* lun);
// A device name as a log or event insert: L"" for none.
const WCHAR* BVSS_DeviceNameInsert(const WCHAR* deviceName);

// E_POINTER for a null buffer, record or serial text; else the parse of the text (E_INVALIDARG for text
// that is empty, too long for the buffer or not hexadecimal).
HRESULT BVSS_GetPartitionSerialNumber(const VDS_LUN_INFORMATION* lun, BYTE* buffer, DWORD length);
// The same, writing the error event parseFailedEvent (its one insert: the LUN's serial text, "" when it has
// none) when the text does not parse.
HRESULT BVSS_ReadPartitionSerialNumber(const VDS_LUN_INFORMATION* lun, BYTE* buffer, DWORD length,
                                       const WCHAR* parseFailedEvent);
// Whether the record carries the arrays' own identifier: the first binary vendor-specific identifier of 32
// bytes decides, by its first byte being 0x11.
BOOL BVSS_IsOurDevice(const VDS_LUN_INFORMATION* lun);
// The SCSI path, target and LUN of the device; VSS_E_PROVIDER_VETO (outputs untouched) when it cannot be
// opened or asked.
HRESULT BVSS_GetSCSIPath(const WCHAR* deviceName, BYTE* path, BYTE* target, ULONG* lun);
// The first entry whose source LUN ID is sourceLunId gives its snapshot LUN ID and its position (when
// asked); false, outputs untouched, when none has it.
bool BVSS_FindSnapshotBySourceLun(const std::vector<BVSS_SnapshotInfo>& snapshots, const BYTE* sourceLunId,
                                  BYTE* snapshotLunId, size_t* position);

// Whether every LUN is an array volume the provider can snapshot (stopping at the first refused one),
// rediscovering the controllers at most once. *supported is set FALSE first and TRUE only when every LUN
// was accepted (also for no LUN). S_OK whatever was refused; a failure raised inside is returned.
HRESULT BVSS_IdentifyLuns(BVSS_RaidControllerSet& set, LONG lunCount, WCHAR* const* deviceNames,
                          VDS_LUN_INFORMATION* luns, DWORD standardVolumesAreSupported, BOOL* supported);
// When the LUN is one of the arrays' (and not a master volume), rewrites its serial text as the partition
// ID's text and its FC name identifier, and answers TRUE; otherwise leaves the record and answers FALSE.
HRESULT BVSS_CompleteLunInformation(BVSS_RaidControllerSet& set, const WCHAR* deviceName,
                                    VDS_LUN_INFORMATION* lun, BOOL* supported);
