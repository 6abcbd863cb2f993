// What the controller re-initialisation deletes, one kind of object at a time: on one controller the
// operations with the suffix Ex, on a controller and its mate those without it. Each returns 0, or the
// first non-zero controller result (2: something remained); a later success never hides a failure. The
// partitions' result is what remains once every deletion ran; -1 when the controller could not be read
// again to see them gone.
#pragma once

#include <cstdint>
#include <vector>

#include "corlink/capi_wire/capi_array.h"

// Every stored partition record of the controller's arrays, read afresh; false when a read failed (the
// list may then miss partitions).
bool CollectAllPartitions(int32_t index, std::vector<CAPI_ARRAY_PARTITION>* partitions);

int32_t deleteAllPartitionsEx(int32_t index);
int32_t deleteAllArrayEx(int32_t index);
int32_t deleteAllDiskSpareEx(int32_t index);
int32_t clearAllDiskMetadataEx(int32_t index);

int32_t deleteAllPartitions(int32_t index);
int32_t freeAllChache(int32_t index);
int32_t deleteAllArray(int32_t index);
int32_t deleteAllDiskSpare(int32_t index);
int32_t deleteAllDiskMetadata(int32_t index);
// One controller only: every known host's nickname set empty.
int32_t deleteAllNickName(int32_t index);
