// Handles and transport contexts. The contexts live in the controller database entries; the library
// reaches them only through the controller table installed here (the database installs itself, tests
// may install their own).
#pragma once

#include <cstdint>

#include "corlink/capi/controller_context.h"

struct CapiControllerTable {
    // The transport context of database entry `index` (below CAPI_MAX_CONTROLLERS), or null when the
    // entry is not in use.
    CAPI_CONTROLLER_CONTEXT* (*contextOf)(uint32_t index);
    // The controllerHandle that entry `index` holds (0 when the entry is not in use).
    CAPI_HANDLE (*handleOf)(uint32_t index);
};

// Installs the table (null: no controllers). The caller keeps it alive.
void CAPI_SetControllerTable(const CapiControllerTable* table);

// The handle of the entry whose context this is, searching entries 0 to 63; 0 when none.
CAPI_HANDLE Context2Handle(const CAPI_CONTROLLER_CONTEXT* context);
// The context of entry (handle / 256) - 1; null for an index of 64 or more and for an unused entry.
CAPI_CONTROLLER_CONTEXT* Handle2Context(CAPI_HANDLE handle);
// The controllerHandle held by database entry `index` (0 when none).
CAPI_HANDLE ControllerTableHandleOf(uint32_t index);
