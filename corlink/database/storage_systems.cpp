#include "corlink/database/storage_systems.h"

#include <cstring>

#include "corlink/database/controller_db.h"
#include "corlink/database/storage_system.h"
#include "corlink/foundation/log.h"

namespace {

// The six UniqueSN characters as the add and remove lines show them.
void LogStorageSystem(const char* action, const STORAGE_SYSTEM& system) {
    const char* sn = system.UniqueSN;
    DebugPrint("**** %s StorageSystem %.*s %s %c%c%c%c%c%c\n", action,
               static_cast<int>(sizeof(system.systemName)), system.systemName, kMaskedPassword, sn[0], sn[1],
               sn[2], sn[3], sn[4], sn[5]);
}

// A real controller of the storage system still holds one of its handles. Handles follow positions in
// the database, so the controller must also carry the system's UniqueSN: after a removal another pair
// may sit at those positions, and must not inherit this system (nor its authentication).
bool HeldByRealController(const STORAGE_SYSTEM& system) {
    for (CAPI_HANDLE handle : {system.controllerHandleA, system.controllerHandleB}) {
        const int32_t index = FindControllerByHandle(handle);
        if (index >= 0 && HasUniqueSn(system, g_ControllerDb[static_cast<uint32_t>(index)].UniqueSN)) {
            return true;
        }
    }
    return false;
}

void RemoveStorageSystem(int32_t index) {
    LogStorageSystem("remove", gStorageSystems[index]);
    for (int32_t k = index; k + 1 < nStorageSystem; ++k) {
        gStorageSystems[k] = gStorageSystems[k + 1];
    }
    std::memset(&gStorageSystems[nStorageSystem - 1], 0, sizeof(STORAGE_SYSTEM));
    --nStorageSystem;
}

}  // namespace

void UpdateStorageSystems() {
    if (nStorageSystem < 0 || nStorageSystem > static_cast<int32_t>(STORAGE_SYSTEM_TABLE_SIZE)) {
        nStorageSystem = 0;
    }
    for (int32_t i = nStorageSystem - 1; i >= 0; --i) {
        if (!HeldByRealController(gStorageSystems[i])) {
            RemoveStorageSystem(i);
        }
    }
    for (uint32_t i = 0;
         i < g_NumControllers && nStorageSystem < static_cast<int32_t>(STORAGE_SYSTEM_TABLE_SIZE); ++i) {
        if (FindStorageSystem(g_ControllerDb[i].controllerHandle) != nullptr) {
            continue;
        }
        STORAGE_SYSTEM& added = gStorageSystems[nStorageSystem];
        MakeStorageSystem(static_cast<int32_t>(i), &added);
        LogStorageSystem("add", added);
        ++nStorageSystem;
    }
}
