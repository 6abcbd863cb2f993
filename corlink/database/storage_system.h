// The storage-system table: one STORAGE_SYSTEM per controller pair, returned whole to clients.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_handle.h"
#include "corlink/proxy_wire/storage_system_record.h"

extern STORAGE_SYSTEM gStorageSystems[STORAGE_SYSTEM_TABLE_SIZE];
extern int32_t nStorageSystem;  // entries 0 to nStorageSystem - 1 are in use

// Empties the table, as at start (for tests).
void ClearStorageSystems();

// The storage system that holds the handle as controllerHandleA or controllerHandleB, or null.
STORAGE_SYSTEM* FindStorageSystem(CAPI_HANDLE handle);
// Whether the system's UniqueSN is this text, compared within the field (the text need not end there).
bool HasUniqueSn(const STORAGE_SYSTEM& system, const char* uniqueSn);
// The first storage system in table order with this UniqueSN, or null.
STORAGE_SYSTEM* FindStorageSystemByUniqueSn(const char* uniqueSn);

// Builds the storage system of database entry `index` (listed first) and its mate, not authenticated.
// Returns false for an index not in use.
bool MakeStorageSystem(int32_t index, STORAGE_SYSTEM* system);
