// Handles and transport contexts. The contexts live in the controller database entries; the library
// reaches them, and the few database operations it needs, only through the controller table installed
// here (the database installs itself, tests may install their own).
#pragma once

#include <cstdint>

#include "corlink/capi/controller_context.h"

struct CapiControllerTable {
    // The transport context of database entry `index` (below CAPI_MAX_CONTROLLERS), or null when the
    // entry has no storage. An entry past the last one in use still has its context: discovery fills
    // an entry's context before it counts the entry.
    CAPI_CONTROLLER_CONTEXT* (*contextOf)(uint32_t index);
    // The controllerHandle that entry `index` holds (0 when the entry has no storage).
    CAPI_HANDLE (*handleOf)(uint32_t index);
    // Sets the responds flag of every entry with the handle.
    void (*setResponds)(CAPI_HANDLE handle, uint8_t value);
    // The index of the responding real controller with this serial number, or -1.
    int32_t (*findBySerialNumber)(const uint8_t serial[PROCESSOR_DEVICE_SERIAL_LENGTH]);
    // Rebuilds the whole database by a new discovery.
    void (*rebuild)();
};

// Installs the table (null: no controllers). The caller keeps it alive.
void CAPI_SetControllerTable(const CapiControllerTable* table);

// The handle of the entry whose context this is, searching entries 0 to 63; 0 when none.
CAPI_HANDLE Context2Handle(const CAPI_CONTROLLER_CONTEXT* context);
// The context of entry (handle / 256) - 1; null for an index of 64 or more and for an entry without
// storage.
CAPI_CONTROLLER_CONTEXT* Handle2Context(CAPI_HANDLE handle);
// The controllerHandle held by database entry `index` (0 when none).
CAPI_HANDLE ControllerTableHandleOf(uint32_t index);
// The database operations of the installed table; without a table they do nothing and find nothing.
void CapiSetResponds(CAPI_HANDLE handle, uint8_t value);
int32_t CapiFindControllerBySerialNumber(const uint8_t serial[PROCESSOR_DEVICE_SERIAL_LENGTH]);
void CapiRebuildControllerDb();
