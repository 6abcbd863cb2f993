#include "corlink/capi/database_hooks.h"

namespace {
const CapiDatabaseHooks* g_DatabaseHooks = nullptr;
}

void CAPI_SetDatabaseHooks(const CapiDatabaseHooks* hooks) { g_DatabaseHooks = hooks; }

const CapiDatabaseHooks* CapiDatabase() { return g_DatabaseHooks; }
