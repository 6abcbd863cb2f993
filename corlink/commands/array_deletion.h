// Deleting arrays and partitions until they are really gone: the escalating retries for an array (waits,
// aborting its utility, downing its member drives), and for a partition its unmapping from every host
// first. Also used by the controller re-initialisation.
#pragma once

#include <cstdint>

#include "corlink/capi/capi_array.h"
#include "corlink/capi/capi_host.h"

constexpr int32_t DELETE_SURVIVED = 2;  // the object was still there after every try

// Up to `tries` deletions of the array, 3 s apart, while the entry lists it; its index afterwards, or -1.
int32_t deleteArrayRetry(int32_t index, const uint8_t* serial, int tries);
// 0 once the array is gone (whatever the controller said), DELETE_SURVIVED when it outlived the
// escalation, else the controller's code.
int32_t deleteOneArray(int32_t index, const uint8_t* serial);

// Reads the entry and every array's partitions again; the partition record whose serial (byte 84) equals
// `serial` over its array's serial length, or null.
const CAPI_ARRAY_PARTITION* FindPartitionBySerial(int32_t index, const uint8_t* serial);
// Whether the view maps the partition on one of the controller's host channels, by default or for a host.
bool IsPartitionMapped(int32_t index, const CAPI_PARTITION_VIEW_TABLE& view);
// Unmaps the partition from its default mapping and every host, then deletes it (three tries): 0 once it
// is gone, DELETE_SURVIVED when it stays, else the controller's code.
int32_t deleteOnePartition(int32_t index, const uint8_t* serial);
