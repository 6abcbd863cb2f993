// The GET_CONTROLLER reply: one controller's database entry as a client sees it, 3,022,008 bytes, every
// field in the host's byte order. Always written in place in the request buffer, never on a stack.
#pragma once

#include <cstddef>
#include <cstdint>

#include "corlink/capi_wire/capi_array.h"
#include "corlink/capi_wire/capi_controller.h"
#include "corlink/capi_wire/capi_drive.h"
#include "corlink/capi_wire/capi_enclosure.h"
#include "corlink/proxy_wire/controller_sizes.h"

constexpr uint32_t API_RAID_CONTROLLER_COMPONENTS = 256;
constexpr uint32_t API_RAID_CONTROLLER_PARTITIONS = 4096;

CAPI_PACKED_BEGIN
// One partition of the reply: the array and partition it belongs to, then the record.
struct CAPI_PACKED API_PARTITION_ENTRY {
    uint8_t reserved0;
    uint8_t arrayIndex;
    uint16_t partitionIndex;
    CAPI_ARRAY_PARTITION partition;
};

struct CAPI_PACKED API_RAID_CONTROLLER {
    int32_t status;
    uint32_t code;
    int32_t updateStatus;
    int32_t everUpdated;
    uint32_t controllerId;  // the client id asked for
    CAPI_CONTROLLER controller;
    CAPI_ADVANCED_NETWORK_INTERFACE networkInterface;
    uint32_t enclosureCount;
    CAPI_DRIVE_ENCLOSURE enclosures[RAID_CONTROLLER_MAX_ENCLOSURES];
    uint32_t basicChange;
    uint32_t channelChange;
    uint32_t networkChange;
    uint32_t shutdown;
    uint32_t lastLoggedSequenceNumber;
    uint32_t lastReceivedSequenceNumber;
    uint32_t driveListEverUpdated;
    uint32_t arrayListEverUpdated;
    uint32_t driveListSequenceNumber;
    uint32_t arrayListSequenceNumber;
    uint32_t numDrives;
    CAPI_DRIVE drives[RAID_CONTROLLER_MAX_DRIVES];
    uint32_t numArrays;
    CAPI_ARRAY arrays[RAID_CONTROLLER_MAX_ARRAYS];
    uint32_t partitionCount;  // entries of `partitions` in use
    char UniqueSN[RAID_CONTROLLER_UNIQUE_SN_SIZE];
    uint8_t changeRefused;
    uint8_t reserved351201[79];
    uint32_t numPools;
    uint32_t numComponents;
    uint16_t poolFirstComponent[RAID_CONTROLLER_MAX_POOLS];
    uint8_t pools[RAID_CONTROLLER_MAX_POOLS][RAID_CONTROLLER_POOL_RECORD_SIZE];
    uint8_t components[API_RAID_CONTROLLER_COMPONENTS][RAID_CONTROLLER_POOL_RECORD_SIZE];
    API_PARTITION_ENTRY partitions[API_RAID_CONTROLLER_PARTITIONS];
};
CAPI_PACKED_END

static_assert(sizeof(API_PARTITION_ENTRY) == 572);
static_assert(offsetof(API_PARTITION_ENTRY, partition) == 4);
static_assert(sizeof(API_RAID_CONTROLLER) == 3022008);
static_assert(offsetof(API_RAID_CONTROLLER, controllerId) == 16);
static_assert(offsetof(API_RAID_CONTROLLER, controller) == 20);
static_assert(offsetof(API_RAID_CONTROLLER, networkInterface) == 23676);
static_assert(offsetof(API_RAID_CONTROLLER, enclosureCount) == 27648);
static_assert(offsetof(API_RAID_CONTROLLER, enclosures) == 27652);
static_assert(offsetof(API_RAID_CONTROLLER, basicChange) == 92804);
static_assert(offsetof(API_RAID_CONTROLLER, arrayListSequenceNumber) == 92840);
static_assert(offsetof(API_RAID_CONTROLLER, numDrives) == 92844);
static_assert(offsetof(API_RAID_CONTROLLER, drives) == 92848);
static_assert(offsetof(API_RAID_CONTROLLER, numArrays) == 145848);
static_assert(offsetof(API_RAID_CONTROLLER, arrays) == 145852);
static_assert(offsetof(API_RAID_CONTROLLER, partitionCount) == 351164);
static_assert(offsetof(API_RAID_CONTROLLER, UniqueSN) == 351168);
static_assert(offsetof(API_RAID_CONTROLLER, changeRefused) == 351200);
static_assert(offsetof(API_RAID_CONTROLLER, numPools) == 351280);
static_assert(offsetof(API_RAID_CONTROLLER, numComponents) == 351284);
static_assert(offsetof(API_RAID_CONTROLLER, poolFirstComponent) == 351288);
static_assert(offsetof(API_RAID_CONTROLLER, pools) == 351416);
static_assert(offsetof(API_RAID_CONTROLLER, components) == 416952);
static_assert(offsetof(API_RAID_CONTROLLER, partitions) == 679096);
