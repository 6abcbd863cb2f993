// One entry of the controller database: everything the proxy knows about one reachable controller or
// one partner placeholder. An in-memory record (not a wire format); about 3.3 MB, so entries live on the
// heap and are never put on a stack.
#pragma once

#include <cstdint>
#include <cstring>

#include "corlink/capi/controller_context.h"
#include "corlink/capi_wire/capi_array.h"
#include "corlink/capi_wire/capi_controller.h"
#include "corlink/capi_wire/capi_drive.h"
#include "corlink/capi_wire/capi_enclosure.h"
#include "corlink/capi_wire/capi_host.h"
#include "corlink/capi_wire/capi_unified_controller.h"
#include "corlink/proxy_wire/controller_sizes.h"

constexpr uint32_t RAID_CONTROLLER_MAX_POOL_COMPONENTS = 2048;

struct RAID_CONTROLLER {
    int32_t updateStatus;  // UPDATE_STATUS_* of the last awaited reply
    int32_t everUpdated;
    CAPI_HANDLE controllerHandle;  // a placeholder carries its mate's
    CAPI_CONTROLLER controller;
    CAPI_ADVANCED_NETWORK_INTERFACE networkInterface;
    CAPI_DRIVE_ENCLOSURE enclosures[RAID_CONTROLLER_MAX_ENCLOSURES];
    uint32_t enclosureCount;
    uint32_t basicChange;
    uint32_t channelChange;
    uint32_t networkChange;
    uint32_t debugLogOffset;
    uint32_t shutdown;
    CAPI_CONTROLLER_CONTEXT controllerContext;
    uint32_t lastLoggedSequenceNumber;
    uint32_t lastReceivedSequenceNumber;
    uint8_t* pCapiBuffer;   // 8-byte aligned, inside rawCapiBuffer
    uint8_t* pEventBuffer;  // 8-byte aligned, inside rawEventBuffer
    uint32_t driveListEverUpdated;
    uint32_t arrayListEverUpdated;
    uint32_t driveListSequenceNumber;
    uint32_t arrayListSequenceNumber;
    CAPI_DRIVE drives[RAID_CONTROLLER_MAX_DRIVES];
    CAPI_ARRAY arrays[RAID_CONTROLLER_MAX_ARRAYS];
    CAPI_HOST_VIEW_TABLE hostViews;  // reserved
    CAPI_PARTITION_VIEW_TABLE partitionView;
    int32_t isPartner;
    char UniqueSN[RAID_CONTROLLER_UNIQUE_SN_SIZE];
    CAPI_ADVANCED_DRIVE_ENCLOSURE advancedEnclosures[RAID_CONTROLLER_MAX_ENCLOSURES];
    uint8_t* rawCapiBuffer;  // owned allocations; null in a placeholder
    uint8_t* rawEventBuffer;
    int32_t lastConfigSequenceNumber;
    int32_t partViewCacheSequenceNumber;
    CAPI_PARTITION_VIEW_TABLE* partViewCache;  // heap block of partViewCacheCount views
    uint32_t partViewCacheCount;
    uint8_t changeRefused;
    uint8_t needRefresh;
    CAPI_UNIFIED_CONTROLLER unifiedController;
    uint8_t pagedStorageValid;
    uint32_t numPools;
    uint8_t pools[RAID_CONTROLLER_MAX_POOLS][RAID_CONTROLLER_POOL_RECORD_SIZE];
    uint32_t numPoolComponents;
    uint8_t components[RAID_CONTROLLER_MAX_POOL_COMPONENTS][RAID_CONTROLLER_POOL_RECORD_SIZE];
    uint32_t numComponents;
    uint16_t poolFirstComponent[RAID_CONTROLLER_MAX_POOLS];
};

// A controller's serial as text and its length (the field need not be terminated). An empty serial (the
// identity was never read) names no controller: no lookup by serial matches it.
constexpr size_t kControllerSerialSize = sizeof(CAPI_CONTROLLER::serialNumber);
inline size_t SerialLengthOf(const uint8_t (&serial)[kControllerSerialSize]) {
    return strnlen(reinterpret_cast<const char*>(serial), kControllerSerialSize);
}
inline size_t SerialLengthOf(const RAID_CONTROLLER& entry) {
    return SerialLengthOf(entry.controller.serialNumber);
}
inline const char* SerialTextOf(const RAID_CONTROLLER& entry) {
    return reinterpret_cast<const char*>(entry.controller.serialNumber);
}

// The processor device that the entry's transport context holds.
inline PROCESSOR_DEVICE& ProcessorDeviceOf(RAID_CONTROLLER& entry) {
    return ProcessorDeviceOf(entry.controllerContext);
}
inline const PROCESSOR_DEVICE& ProcessorDeviceOf(const RAID_CONTROLLER& entry) {
    return ProcessorDeviceOf(entry.controllerContext);
}
