#include "corlink/handlers/authentication.h"

#include <cstring>

#include "corlink/database/controller_db.h"
#include "corlink/database/storage_system.h"
#include "corlink/database/storage_systems.h"
#include "corlink/foundation/log.h"
#include "corlink/handlers/authentication_request.h"
#include "corlink/handlers/handler_frame.h"

namespace {

// Text fields are compared over their whole declared size at most.
bool SameText(const char* a, const char* b, size_t size) { return std::strncmp(a, b, size) == 0; }

}  // namespace

int IsControllerAuthorized(int32_t index) {
    if (index < 0 || static_cast<uint32_t>(index) >= g_NumControllers) {
        return 0;
    }
    const STORAGE_SYSTEM* system =
        FindStorageSystem(g_ControllerDb[static_cast<uint32_t>(index)].controllerHandle);
    return system == nullptr || system->authenticated != 0 ? 1 : 0;
}

int32_t StorageSystemController(const STORAGE_SYSTEM& system) {
    const int32_t a = FindControllerByHandle(system.controllerHandleA);
    return a >= 0 ? a : FindControllerByHandle(system.controllerHandleB);
}

int VerifyStorageSystemPassword(const char* uniqueSN, const char* password) {
    for (int32_t i = 0; i < nStorageSystem && i < static_cast<int32_t>(STORAGE_SYSTEM_TABLE_SIZE); ++i) {
        STORAGE_SYSTEM& system = gStorageSystems[i];
        if (!SameText(system.UniqueSN, uniqueSN, sizeof(system.UniqueSN))) {
            continue;
        }
        const int32_t controller = StorageSystemController(system);
        if (controller >= 0) {
            const CAPI_ADVANCED_NETWORK_INTERFACE& net =
                g_ControllerDb[static_cast<uint32_t>(controller)].networkInterface;
            DebugPrint("\t %.*s %x %x PWD=%s %s\n", static_cast<int>(sizeof(net.systemName)), net.systemName,
                       system.controllerHandleA, system.controllerHandleB, kMaskedPassword, kMaskedPassword);
        }
        if (SameText(system.password, password, sizeof(system.password))) {
            system.authenticated = 1;
            return 0;
        }
    }
    return -1;
}

void capiVerifyPassword(Rre* pRre, const RreCommandInfo& info) {
    if (!RreFrameBegin(pRre, info)) {
        return;
    }
    const PasswordRequest request = ReadPasswordRequest(*pRre);
    DebugPrint("VerifyPassword in UniqueSN=%s\", PWD=\"%s\"\n", request.uniqueSN, kMaskedPassword);
    const int result = VerifyStorageSystemPassword(request.uniqueSN, request.password);
    RreWriteHead(pRre, 0, static_cast<uint32_t>(result));
    DebugPrint("capicmd==>>capiVerifyPassword %s!\n", result == 0 ? "success" : "failed");
}
