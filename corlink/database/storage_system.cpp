#include "corlink/database/storage_system.h"

#include <cstring>

#include "corlink/database/controller_db.h"

STORAGE_SYSTEM gStorageSystems[STORAGE_SYSTEM_TABLE_SIZE];
int32_t nStorageSystem = 0;

namespace {

// Copies a whole field into a field of the same size.
template <class T, size_t N>
void CopyField(T (&to)[N], const T (&from)[N]) {
    std::memcpy(to, from, N * sizeof(T));
}

void FillControllerBlock(const RAID_CONTROLLER& entry, STORAGE_SYSTEM_CONTROLLER* block) {
    const CAPI_NETWORK_INTERFACE& netIf = entry.networkInterface.netIf;
    const CAPI_CONTROLLER& controller = entry.controller;
    std::memset(block, 0, sizeof(*block));
    CopyField(block->currentIp, netIf.currentIp);
    CopyField(block->currentMask, netIf.currentMask);
    CopyField(block->gateway, netIf.gateway);
    block->serialNumberLength = controller.serialNumberLength;
    block->dhcpEnable = entry.networkInterface.dhcpEnable;
    CopyField(block->serialNumber, controller.serialNumber);
    CopyField(block->currentNodeWWN, controller.currentNodeWWN);
    CopyField(block->manufacturer, controller.manufacturer);
    CopyField(block->model, controller.model);
    block->timeDate = controller.timeDate;
}

// The block of the controller by its failover identity: A (1) first, B (0) second.
void PlaceController(const RAID_CONTROLLER& entry, STORAGE_SYSTEM* system) {
    switch (entry.controller.failover.failoverId) {
        case 1: FillControllerBlock(entry, &system->controllerA); break;
        case 0: FillControllerBlock(entry, &system->controllerB); break;
        default: break;
    }
}

}  // namespace

void ClearStorageSystems() {
    std::memset(gStorageSystems, 0, sizeof gStorageSystems);
    nStorageSystem = 0;
}

namespace {

// The first system in use that matches, or null.
template <class Matches>
STORAGE_SYSTEM* FirstSystem(Matches matches) {
    const int32_t count = nStorageSystem < 0 ? 0 : nStorageSystem;
    for (int32_t i = 0; i < count && i < static_cast<int32_t>(STORAGE_SYSTEM_TABLE_SIZE); ++i) {
        if (matches(gStorageSystems[i])) return &gStorageSystems[i];
    }
    return nullptr;
}

}  // namespace

STORAGE_SYSTEM* FindStorageSystem(CAPI_HANDLE handle) {
    return FirstSystem([handle](const STORAGE_SYSTEM& system) {
        return system.controllerHandleA == handle || system.controllerHandleB == handle;
    });
}

bool HasUniqueSn(const STORAGE_SYSTEM& system, const char* uniqueSn) {
    return std::strncmp(system.UniqueSN, uniqueSn, sizeof system.UniqueSN) == 0;
}

STORAGE_SYSTEM* FindStorageSystemByUniqueSn(const char* uniqueSn) {
    return FirstSystem([uniqueSn](const STORAGE_SYSTEM& system) { return HasUniqueSn(system, uniqueSn); });
}

bool MakeStorageSystem(int32_t index, STORAGE_SYSTEM* system) {
    if (index < 0 || static_cast<uint32_t>(index) >= g_NumControllers) {
        return false;
    }
    const RAID_CONTROLLER& first = g_ControllerDb[static_cast<uint32_t>(index)];
    std::memset(system, 0, sizeof(*system));
    CopyField(system->UniqueSN, first.UniqueSN);
    CopyField(system->systemName, first.networkInterface.systemName);
    CopyField(system->password, first.networkInterface.ftpPassword);
    system->authenticated = 0;
    system->controllerHandleA = first.controllerHandle;
    PlaceController(first, system);
    const int32_t mate = FindPartnerController(index);
    if (mate >= 0) {
        const RAID_CONTROLLER& second = g_ControllerDb[static_cast<uint32_t>(mate)];
        system->controllerHandleB = second.controllerHandle;
        PlaceController(second, system);
    }
    return true;
}
