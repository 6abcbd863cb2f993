// The partition table: one CAPI_ARRAY_PARTITION record per (controller index, array index, partition
// index), allocated when the partition reply first stores a partition there and reused afterwards.
// Records are never freed and stay under their controller index when database entries move.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_array.h"

constexpr uint32_t PARTITION_TABLE_CONTROLLERS = 64;
constexpr uint32_t PARTITION_TABLE_ARRAYS = 128;
constexpr uint32_t PARTITION_TABLE_PARTITIONS = 1152;

class ArrayPartitionTable {
  public:
    ArrayPartitionTable() = default;
    ~ArrayPartitionTable();
    ArrayPartitionTable(const ArrayPartitionTable&) = delete;
    ArrayPartitionTable& operator=(const ArrayPartitionTable&) = delete;

    // The stored record, or null when none was stored there or an index is out of range.
    CAPI_ARRAY_PARTITION* Find(uint32_t controller, uint32_t array, uint32_t partition) const;
    // The record to store into, allocated zeroed on first use; null only for an index out of range.
    CAPI_ARRAY_PARTITION* Acquire(uint32_t controller, uint32_t array, uint32_t partition);

  private:
    // One block of PARTITION_TABLE_PARTITIONS record pointers per (controller, array), made on first use.
    CAPI_ARRAY_PARTITION** arrays_[PARTITION_TABLE_CONTROLLERS][PARTITION_TABLE_ARRAYS] = {};
};

extern ArrayPartitionTable gCapiArrayPartitions;
