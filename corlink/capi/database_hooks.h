// What the send path needs of the controller database and of discovery, installed by the database at
// start (tests install their own): mark a controller as not responding, rebuild the database, find a
// controller again by its serial number, and the discovery switches.
#pragma once

#include <cstdint>

#include "corlink/capi/controller_context.h"

struct CapiDatabaseHooks {
    // Sets the processor device's responds flag of every entry with this handle.
    void (*setResponds)(CAPI_HANDLE handle, uint8_t value);
    // Rebuilds the controller database (discovery).
    void (*rebuildDatabase)();
    // The database index of the controller with these six serial bytes, or -1.
    int (*controllerBySerialNumber)(const uint8_t* serial);
    // Periodic rediscovery is on (the discovery flag is 1).
    bool (*discoveryEnabled)();
    // A database rebuild is under way (a rediscovery never nests in one).
    bool (*discoveryRunning)();
    // Cleared before each try: the reply callback's "no such controller" note.
    void (*clearBadControllerNumberError)();
};

// Installs the hooks (null: none; rediscovery then never finds a controller). The caller keeps them alive.
void CAPI_SetDatabaseHooks(const CapiDatabaseHooks* hooks);
const CapiDatabaseHooks* CapiDatabase();
