// Start of the CAPI session and controller discovery.
#pragma once

#include <cstdint>

// Set while CAPI_Initialize_Main runs.
extern volatile int32_t g_DiscoveryRunning;
// Set by the reply callback when a reply names no controller of the database; cleared before each try.
extern volatile int32_t g_badControllerNumberError;

// Gives the CAPI library its view of the database (the controller table) and of discovery.
void InstallCapiDatabaseHooks();

// Starts the CAPI library and discovers the controllers into the database. Until controller discovery
// is built it finds no controllers; returns 0.
int CAPI_Initialize_Main();
