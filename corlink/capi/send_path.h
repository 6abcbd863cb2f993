// The one road every CAPI command takes: build the packet, send it through the transport slot with the
// library's retries, back-off and rediscovery, and report the result.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_shared.h"

// Results besides 0 and the controller's return codes.
constexpr int32_t CAPI_RESULT_NO_REPLY = -1;
constexpr int32_t CAPI_RESULT_STOPPING = -2;
constexpr int32_t CAPI_RESULT_NO_HANDLE = 10006;

// Sends one command and returns 0 (return codes 0, 59 and 139), a controller return code, 4, 5 or 6
// (library statuses), -1 (no reply), -2 (stop requested) or 10006 (handle 0). The reply has been handed to
// the registered callback before it returns.
int32_t SendCapiCommand(uint32_t commandCode, const CAPI_ADDRESS* address, uint32_t includeType,
                        const void* include, uint32_t errorCode, uint32_t param1, uint32_t param2,
                        uint32_t param3, uint32_t param4, uint32_t param5);

int32_t BuildAndSendPacket(uint32_t commandCode, const CAPI_ADDRESS* address, uint32_t includeType,
                           const void* include, uint32_t errorCode, uint32_t param1, uint32_t param2,
                           uint32_t param3, uint32_t param4, uint32_t param5, uint16_t partCount,
                           uint16_t partIndex);

// Counters of the send path, printed by the trace run.
struct CapiCommandCounters {
    int32_t activecommands;  // back-offs on reply 409
    int32_t okcommands;
    int32_t failcommands;
};
CapiCommandCounters& CapiCounters();
// The result line of the last command that was reported.
const char* CapiLastResultLine();
// Forgets the counters, the last reported command and its result line, as at start (for tests).
void ResetSendPath();

// 1 when another try may help: no reply, COMMAND_FAILED, LOCK_NOT_GRANTED_WAIT_TO_RETRY, OTHER_NOT_SET for
// U_GET_CONTROLLER_DATA, or command code 183.
int IsRetriableError(uint32_t commandCode, int32_t errorCode);
// Rebuilds the database to find a controller that stopped answering; on 0 the address names the controller
// found by its serial number. -1: no rediscovery was due; -2: not found (or a stop was requested).
int RediscoverController(CAPI_ADDRESS* address);
