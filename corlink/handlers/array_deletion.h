// Deleting arrays and partitions until they are really gone: the escalating retries for an array (waits,
// aborting its utility, downing its member drives), and for a partition its unmapping from every host
// first. Also used by the controller re-initialisation.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_array.h"
#include "corlink/capi_wire/capi_host.h"

constexpr int32_t DELETE_SURVIVED = 2;        // the object was still there after every try
constexpr int32_t DELETE_NOT_SEEN_GONE = -1;  // the controller could not be read again to see it gone

// What a read of the controller shows of an object being deleted.
enum class Listing : uint8_t {
    Listed,
    Gone,     // a read that succeeded no longer lists it
    Unknown,  // the read failed, or the controller went away: nothing is known
};

// A deletion's answer: 0 once the object is gone; otherwise the controller's last code, or, when that
// was 0, DELETE_SURVIVED for an object still listed and DELETE_NOT_SEEN_GONE when the read failed.
int32_t DeletionAnswer(Listing listing, int32_t lastCode);

// 0 once the array is gone (whatever the controller said), DELETE_SURVIVED when it outlived the
// escalation, else the controller's code or DELETE_NOT_SEEN_GONE.
int32_t deleteOneArray(int32_t index, const uint8_t* serial);

// Reads the entry and every array's partitions again: whether a partition record's serial (byte 84)
// equals `serial` over its array's serial length; that record in *record when it does.
Listing FindPartitionBySerial(int32_t index, const uint8_t* serial, const CAPI_ARRAY_PARTITION** record);
// Whether the view maps the partition on one of the controller's host channels, by default or for a host.
bool IsPartitionMapped(int32_t index, const CAPI_PARTITION_VIEW_TABLE& view);
// Unmaps the partition from its default mapping and every host, then deletes it (three tries): 0 once it
// is gone, DELETE_SURVIVED when it stays, else the controller's code or DELETE_NOT_SEEN_GONE.
int32_t deleteOnePartition(int32_t index, const uint8_t* serial);
