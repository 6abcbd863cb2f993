// SET_PASSWORD (98): the first request proves the current password; later ones change the password on
// the controller pair.
#include <cstddef>
#include <cstring>

#include "corlink/capi/wrappers_unified.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/database/reply_buffers.h"
#include "corlink/database/storage_system.h"
#include "corlink/database/storage_systems.h"
#include "corlink/foundation/hex_dump.h"
#include "corlink/foundation/log.h"
#include "corlink/handlers/authentication.h"
#include "corlink/handlers/authentication_request.h"
#include "corlink/handlers/controller_params_area.h"
#include "corlink/handlers/handler_frame.h"

namespace {

// Where the password sits in the unified record's first common parameter block.
constexpr size_t kCommonParamsOffset = 4284;
constexpr size_t kPasswordInUnifiedRecord = 4716;
constexpr size_t kPasswordInParams = kPasswordInUnifiedRecord - kCommonParamsOffset;  // 432
static_assert(kPasswordInParams + PASSWORD_REQUEST_TEXT_SIZE <= sizeof(CAPI_UNIFIED_COMMON_PARAMS));
static_assert(offsetof(CAPI_UNIFIED_CONTROLLER, common) + offsetof(CAPI_UNIFIED_COMMON_DATA, params1) ==
              kCommonParamsOffset);
// The characters of a password that are sent, compared and stored: the storage system keeps 31 and a NUL.
constexpr size_t kPasswordChars = sizeof(STORAGE_SYSTEM::password) - 1;

const uint8_t* UnifiedBytes() { return reinterpret_cast<const uint8_t*>(&g_UnifiedControllerBuffer); }

bool ControllerReportsPassword(const char* password) {
    return std::strncmp(reinterpret_cast<const char*>(UnifiedBytes() + kPasswordInUnifiedRecord), password,
                        kPasswordChars) == 0;
}

// The set-parameters request as the controller reported its parameters, with the new password.
const CAPI_UNIFIED_PARAMS& ParamsWithPassword(const char* password) {
    CAPI_UNIFIED_PARAMS& params = FillControllerParamsArea();
    uint8_t* field = reinterpret_cast<uint8_t*>(&params.common) + kPasswordInParams;
    std::memset(field, 0, PASSWORD_REQUEST_TEXT_SIZE);
    std::memcpy(field, password, strnlen(password, kPasswordChars));
    return params;
}

void StorePassword(STORAGE_SYSTEM& system, const char* password) {
    std::memset(system.password, 0, sizeof(system.password));
    std::memcpy(system.password, password, strnlen(password, kPasswordChars));
}

}  // namespace

void capiSetPassword(Rre* pRre, const RreCommandInfo& info) {
    if (!RreFrameBegin(pRre, info)) {
        return;
    }
    const PasswordRequest request = ReadPasswordRequest(*pRre);
    int result = -1;
    STORAGE_SYSTEM* system = FindStorageSystemByUniqueSn(request.uniqueSN);
    const int32_t controller = system != nullptr ? StorageSystemController(*system) : -1;
    if (system != nullptr && system->authenticated == 0) {
        DebugPrint("capiSetPassword: Authenticated = 0\n");
        result = VerifyStorageSystemPassword(request.uniqueSN, request.password);
    } else if (system != nullptr && controller >= 0) {
        if (RequestUnifiedControllerData(controller) != 0) {
            DebugPrint("capiSetPassword: GetControllerData error!\n");
            RreErrorReply(pRre, RRE_ERROR_NO_CONTROLLER);
            return;
        }
        const HeaderOnlyPacketDumps passwordKeptOutOfDumps;
        int32_t rc =
            CAPI_U_SetControllerParams(ControllerHandleOf(controller), &ParamsWithPassword(request.password));
        if (rc == 0) {
            StorePassword(*system, request.password);
        } else if (RequestUnifiedControllerData(controller) == 0 &&
                   ControllerReportsPassword(request.password)) {
            StorePassword(*system, request.password);
            DebugPrint("capiSetPassword: set password %s ok\n", kMaskedPassword);
            rc = 0;
        }
        const CAPI_ADVANCED_NETWORK_INTERFACE& net =
            g_ControllerDb[static_cast<uint32_t>(controller)].networkInterface;
        DebugPrint("capiSetPassword: set %.*s's password %s result %d\n",
                   static_cast<int>(sizeof(net.systemName)), net.systemName, kMaskedPassword, rc);
        // A password the controller did not take is reported as a failure.
        result = rc == 0 ? 0 : -1;
    }
    RreWriteHead(pRre, 0, static_cast<uint32_t>(result));
    DebugPrint("capicmd==>>capiSetPassword %s!\n", result == 0 ? "success" : "failed");
}
