// Start of the CAPI session and controller discovery.
#pragma once

#include <cstdint>

// Set while CAPI_Initialize_Main runs.
extern volatile int32_t g_DiscoveryRunning;
// Set by the reply callback when a reply names no controller of the database; cleared before each try.
extern volatile int32_t g_badControllerNumberError;

// Gives the CAPI library its view of the database (the controller table) and of discovery.
void InstallCapiDatabaseHooks();

// 1 until the first discovery run has finished.
extern int32_t g_FirstDiscovery;

// Starts the CAPI library and (re)builds the controller database from the controllers the transport
// reaches, then the storage-system table. Existing entries stay; new ones are appended, merged with
// their duplicates and paired. Returns 0.
int CAPI_Initialize_Main();
