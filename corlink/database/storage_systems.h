// Keeping the storage-system table in step with the controller database.
#pragma once

// Drops the storage systems none of whose controllers is left, then adds one for every entry that no
// storage system holds (at most 64 storage systems).
void UpdateStorageSystems();

// A password as the log shows it: never the password itself.
constexpr const char* kMaskedPassword = "********";
