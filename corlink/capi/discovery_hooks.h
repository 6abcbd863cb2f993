// The discovery state that the send path consults before it rebuilds the controller database from inside
// a failing command, installed by the controller database at start (tests install their own).
#pragma once

struct CapiDiscoveryHooks {
    // Periodic rediscovery is on (the discovery flag is 1).
    bool (*discoveryEnabled)();
    // A database rebuild is under way (a rediscovery never nests in one).
    bool (*discoveryRunning)();
    // Cleared before each try: the reply callback's "no such controller" note.
    void (*clearBadControllerNumberError)();
};

// Installs the hooks (null: none, and no rediscovery happens). The caller keeps them alive.
void CAPI_SetDiscoveryHooks(const CapiDiscoveryHooks* hooks);

// The installed hooks' answers; without hooks: off, not running, nothing to clear.
bool CapiDiscoveryEnabled();
bool CapiDiscoveryRunning();
void CapiClearBadControllerNumberError();
