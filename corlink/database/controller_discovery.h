// Controller discovery: filling the controller database from the controllers the transport reaches,
// merging duplicate paths, partner placeholders for mates that are not reachable, and the repair of
// entries whose path died. Everything here runs under the state-change mutex.
#pragma once

#include <cstdint>

struct RAID_CONTROLLER;

// Starts the CAPI library and appends every controller the transport enumerates (at most 64 entries).
int InitializeCAPI(int quiet, int allowDuplicates);
// Reads entries last down to first; an entry that cannot be read three times, or whose record names no
// serial number, is removed.
void UpdateControllers(int32_t first, int32_t last);
// Partitions, enclosures and UniqueSN of the entries from `first` on.
void UpdateUniqueSN(int32_t first);

// Merges entries with the same serial number into the older one (nothing when allowDuplicates is set).
void RemoveDuplicatedController(int allowDuplicates);
// A placeholder for the mate of every controller that no entry names as its mate.
void AddPartner();
// Of a pair with one responding and one dead path, turns the dead one into a placeholder of the live one.
void replaceDeadDevices();
// Turns entry `bad` into a placeholder of entry `good`, which speaks for both controllers of the pair.
void SetPartner(int32_t bad, int32_t good);

// The storage-system identifier from the entry's enclosures: the six-character supplier serial of the
// FRU that names the storage system, else bytes 4-6 of the first enclosure's WWN; "000000" is stored
// as "555555".
void SetUniqueSNFromEnclosures(RAID_CONTROLLER& entry);

// Prints the title and one line per entry to the list capture.
void DumpControllerTable(const char* title);
