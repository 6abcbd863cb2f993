// Sizes of a controller's records, shared by the proxy's database entry and the GET_CONTROLLER reply that
// copies it, and the entry's update states as a client reads them.
#pragma once

#include <cstdint>

constexpr uint32_t RAID_CONTROLLER_MAX_ENCLOSURES = 16;
constexpr uint32_t RAID_CONTROLLER_MAX_DRIVES = 250;
constexpr uint32_t RAID_CONTROLLER_MAX_ARRAYS = 128;
constexpr uint32_t RAID_CONTROLLER_MAX_POOLS = 64;
constexpr uint32_t RAID_CONTROLLER_POOL_RECORD_SIZE = 1024;
constexpr uint32_t RAID_CONTROLLER_UNIQUE_SN_SIZE = 32;

// updateStatus of an entry and of the GET_CONTROLLER reply
constexpr int32_t UPDATE_STATUS_PENDING = 0;
constexpr int32_t UPDATE_STATUS_STORED = 1;
constexpr int32_t UPDATE_STATUS_FAILED = 2;
