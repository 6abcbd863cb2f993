// The paged-storage pool and component records (1,024 bytes each) as the proxy reads them: a name, the
// 16-byte serial, and for a pool its component count, for a component its pool's and its vdisk's serials.
// The rest of each record is carried as it came.
#pragma once

#include <cstdint>

constexpr uint32_t PS_NAME_OFFSET = 0;
constexpr uint32_t PS_NAME_SIZE = 32;
constexpr uint32_t PS_SERIAL_OFFSET = 32;
constexpr uint32_t PS_SERIAL_SIZE = 16;
constexpr uint32_t PS_POOL_COMPONENT_COUNT_OFFSET = 48;
constexpr uint32_t PS_COMPONENT_POOL_SERIAL_OFFSET = 48;
constexpr uint32_t PS_COMPONENT_VDISK_SERIAL_OFFSET = 64;

inline const uint8_t* PoolSerial(const uint8_t* record) { return record + PS_SERIAL_OFFSET; }

// "PS Pool ..." with the pool's name, serial and component count.
void LogPool(const uint8_t* pool);
// "  Component ..." and, when the component names another pool, the serial mismatch.
void LogPoolComponent(const uint8_t* component, const uint8_t* pool);
