// Flushing the host's write cache of a LUN before it is snapshotted: SYNCHRONIZE CACHE (10) sent straight
// to the LUN's disk by SCSI pass-through.
#pragma once

#include <cstdint>

#include "platform/com/com_results.h"
#include "provider/controllers/lun_records.h"

// On the record's open disk device, for `blocks` blocks from `lba` (0 and 0: the whole LUN); immediate
// (non-zero) lets the LUN answer before the flush ends. 0, or VSS_E_PROVIDER_VETO when the call fails or
// the LUN answers another status than GOOD (logged, with one informational event); never retried.
HRESULT scsiSynchronizeCache(const BVSS_LunInfo& lun, uint32_t immediate, uint32_t lba, uint16_t blocks);
