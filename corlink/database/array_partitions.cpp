#include "corlink/database/array_partitions.h"

#include <cstdlib>
#include <cstring>

#include "corlink/foundation/nt_os.h"

ArrayPartitionTable gCapiArrayPartitions;

namespace {

bool InRange(uint32_t controller, uint32_t array, uint32_t partition) {
    return controller < PARTITION_TABLE_CONTROLLERS && array < PARTITION_TABLE_ARRAYS &&
           partition < PARTITION_TABLE_PARTITIONS;
}

void* ZeroedBlock(size_t size) {
    void* block = safe_malloc(size);
    std::memset(block, 0, size);
    return block;
}

}  // namespace

ArrayPartitionTable::~ArrayPartitionTable() {
    for (auto& controller : arrays_) {
        for (CAPI_ARRAY_PARTITION**& block : controller) {
            if (block == nullptr) {
                continue;
            }
            for (uint32_t i = 0; i < PARTITION_TABLE_PARTITIONS; ++i) {
                std::free(block[i]);
            }
            std::free(block);
            block = nullptr;
        }
    }
}

CAPI_ARRAY_PARTITION* ArrayPartitionTable::Find(uint32_t controller, uint32_t array,
                                                uint32_t partition) const {
    if (!InRange(controller, array, partition)) {
        return nullptr;
    }
    CAPI_ARRAY_PARTITION** block = arrays_[controller][array];
    return block != nullptr ? block[partition] : nullptr;
}

CAPI_ARRAY_PARTITION* ArrayPartitionTable::Acquire(uint32_t controller, uint32_t array, uint32_t partition) {
    if (!InRange(controller, array, partition)) {
        return nullptr;
    }
    CAPI_ARRAY_PARTITION**& block = arrays_[controller][array];
    if (block == nullptr) {
        block = static_cast<CAPI_ARRAY_PARTITION**>(
            ZeroedBlock(PARTITION_TABLE_PARTITIONS * sizeof(CAPI_ARRAY_PARTITION*)));
    }
    if (block[partition] == nullptr) {
        block[partition] = static_cast<CAPI_ARRAY_PARTITION*>(ZeroedBlock(sizeof(CAPI_ARRAY_PARTITION)));
    }
    return block[partition];
}
