// Start of the CAPI session and controller discovery.
#pragma once

// Starts the CAPI library and discovers the controllers into the database. Until controller discovery
// is built it finds no controllers; returns 0.
int CAPI_Initialize_Main();
