// Names of the objects a controller event concerns (Vdisks, volumes, drives and their enclosure slots),
// from the record when the controller put a name there, else from the controller's database entry, else
// a fallback built from the record's serial number. The entry may be missing (null): the lookups then
// find nothing and the fallbacks apply. Every walk over a list stops at the list's capacity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class EventRecord;
struct CAPI_ARRAY;
struct RAID_CONTROLLER;

// The Vdisk's name, at most 32 characters, never empty: the record's object name, the database name
// of the array with the record's serial number ("NoName<index>" when that is empty), "Unknown Vdisk"
// for an all-zero serial, else the serial in hexadecimal.
std::string GetVdiskName(const EventRecord& record, const RAID_CONTROLLER* controller);

// "Vdisk: <name>, volume: <volume>, SN: <serial>" when the Vdisk is known by name, else
// "volume: <volume>, SN: <serial>".
std::string FormatVolumeText(const EventRecord& record, const RAID_CONTROLLER* controller);

// "SN: " and the drive serial number of the record.
std::string FormatDriveSerial(const EventRecord& record);

// "SN:" and the drive serial number, followed by " Encl:<name> Slot:<index>" when the database places
// the drive in an enclosure slot (the last enclosure that holds it).
std::string FormatDriveLocation(const EventRecord& record, const RAID_CONTROLLER* controller);

// "Channel:<channel> LoopID:<loop id>", both signed.
std::string FormatChannelLoopId(const EventRecord& record);

// 32 lower-case hexadecimal digits of 16 bytes.
std::string FormatSerialHex(const uint8_t* bytes);
// 2 x count upper-case hexadecimal digits.
std::string FormatBytesHex(const uint8_t* bytes, size_t count);

// The first array of the entry (below its count and the list's capacity) whose serial number starts
// with the `length` bytes of `serial`, and its index; null when none does or there is no entry.
const CAPI_ARRAY* FindArrayBySerial(const RAID_CONTROLLER* controller, const uint8_t* serial, size_t length,
                                    uint32_t* index = nullptr);
