#include "corlink/handlers/controller_reresolve.h"

#include <cstring>

#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"

ControllerIdentity IdentityOf(int32_t index, bool realOnly) {
    ControllerIdentity identity{};
    identity.realOnly = realOnly;
    std::memcpy(identity.serialNumber, g_ControllerDb[static_cast<uint32_t>(index)].controller.serialNumber,
                sizeof identity.serialNumber);
    return identity;
}

int32_t FindControllerAgain(const ControllerIdentity& identity) {
    if (SerialLengthOf(identity.serialNumber) == 0) return -1;
    for (uint32_t i = 0; i < g_NumControllers; ++i) {
        const RAID_CONTROLLER& entry = g_ControllerDb[i];
        if (identity.realOnly && entry.isPartner != 0) continue;
        if (std::memcmp(entry.controller.serialNumber, identity.serialNumber, sizeof identity.serialNumber) ==
            0) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

bool TrackedController::Find() {
    if (index_ >= 0) index_ = FindControllerAgain(identity_);
    return index_ >= 0;
}

bool TrackedController::Update() {
    if (index_ >= 0) UpdateController(index_);
    return Find();
}

bool TrackedController::ReadArrays() {
    const bool read = index_ >= 0 && UpdateControllerArrays(index_);
    return Find() && read;
}

bool TrackedController::Refresh() {
    const bool refreshed = index_ >= 0 && RefreshController(index_) == 0;
    return Find() && refreshed;
}
