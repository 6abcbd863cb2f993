#include "corlink/capi/discovery_hooks.h"

namespace {
const CapiDiscoveryHooks* g_DiscoveryHooks = nullptr;
}

void CAPI_SetDiscoveryHooks(const CapiDiscoveryHooks* hooks) { g_DiscoveryHooks = hooks; }

bool CapiDiscoveryEnabled() {
    return g_DiscoveryHooks != nullptr && g_DiscoveryHooks->discoveryEnabled != nullptr &&
           g_DiscoveryHooks->discoveryEnabled();
}

bool CapiDiscoveryRunning() {
    return g_DiscoveryHooks != nullptr && g_DiscoveryHooks->discoveryRunning != nullptr &&
           g_DiscoveryHooks->discoveryRunning();
}

void CapiClearBadControllerNumberError() {
    if (g_DiscoveryHooks != nullptr && g_DiscoveryHooks->clearBadControllerNumberError != nullptr) {
        g_DiscoveryHooks->clearBadControllerNumberError();
    }
}
