// Changes to a pair's arrays, drives and partitions that the configuration commands share: drives found
// by WWN, arrays by serial, fresh serials for new objects, and an array's removal with what it held.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "sim/model/pair.h"

namespace sim {

using ArraySerial = std::array<uint8_t, 32>;

// Numbers the drives (channel 0, scsiId and a WWN in list order) and makes each array's first numDrives
// available drives its members.
void AssignDrives(StorageSystem& system);
// The drive with this 8-byte WWN, or null.
Drive* FindDriveByWwn(StorageSystem& system, const uint8_t* wwn);
// The index of the array with this 32-byte serial.
std::optional<size_t> ArrayIndex(const StorageSystem& system, const uint8_t* serial32);
// The drives that are members of the array with this serial.
size_t MemberCount(const StorageSystem& system, const ArraySerial& serial);
// A serial that no array of the system has, and one that no partition has.
ArraySerial NewArraySerial(const StorageSystem& system);
Serial16 NewPartitionSerial(const StorageSystem& system);
// Removes the array and its partitions; its members and dedicated spares become available.
void RemoveArray(StorageSystem& system, size_t array);

}  // namespace sim
