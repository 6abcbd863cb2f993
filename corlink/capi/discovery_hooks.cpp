#include "corlink/capi/discovery_hooks.h"

namespace {
const CapiDiscoveryHooks* g_DiscoveryHooks = nullptr;
}

void CAPI_SetDiscoveryHooks(const CapiDiscoveryHooks* hooks) { g_DiscoveryHooks = hooks; }

const CapiDiscoveryHooks* CapiDiscovery() { return g_DiscoveryHooks; }
