// Finding what a database entry lists (arrays, drives) by serial number or location, and the serial and
// name comparisons the commands share. Every walk stops at the entry's own tables.
#pragma once

#include <cstdint>
#include <cstring>

#include "corlink/capi_wire/capi_drive.h"

constexpr uint32_t kObjectSerialSize = 32;  // the serial number field of arrays, drives and partitions
constexpr uint32_t kNameFieldSize = 32;     // names are at most 31 characters and a NUL
constexpr uint32_t kDriveWwnSize = 8;

// A name from a request, cut to the 31 characters and NUL of a name field.
struct BoundedName {
    explicit BoundedName(const uint8_t* field) { std::memcpy(text, field, kNameFieldSize - 1); }
    char text[kNameFieldSize] = {};
};

// The first array of entry `index` whose serialNumber equals `serial` over the array's own
// serialNumberLength bytes; -1 when none does (an array without a serial length matches nothing).
int32_t FindArrayBySerial(int32_t index, const uint8_t* serial);
// The first array of entry `index` whose 32-byte serialNumber equals `serial` byte for byte; -1 for none.
int32_t FindArrayByWholeSerial(int32_t index, const uint8_t* serial);

// Two 32-byte drive serials are the same when equal as bytes, or equal once each keeps only its
// characters 0x21-0x7E other than '&', '<' and '>' (moved together, the rest zero).
bool IsSameDriveSerial(const uint8_t* serial, const uint8_t* other);
// The drives of entry `index` in list order: how many there are, and the k-th.
uint32_t DriveCount(int32_t index);
const CAPI_DRIVE& DriveAt(int32_t index, uint32_t k);
// The drive whose 32-byte serialNumber equals `serial` byte for byte, or null.
const CAPI_DRIVE* FindDriveBySerial(int32_t index, const uint8_t* serial);
// The first drive on this channel (8-bit) with this scsiId (16-bit), or null.
const CAPI_DRIVE* FindDriveByLocation(int32_t index, uint32_t channel, uint32_t scsiId);
// The drive's WWN: the 8-byte FCNodeWWN of its identity.
inline const uint8_t* DriveWwn(const CAPI_DRIVE& drive) { return drive.flexId.FCNodeWWN; }
