// How every controller command's result is judged and retried: at most 4 tries on one controller, with a
// growing pause while the controller is busy and a minute's pause while it frees resources; the HRESULT
// the operation reports; the debug-log lines and event-log records of a failed command.
#pragma once

#include "platform/com/com_results.h"
#include "platform/system/wide_text.h"

constexpr int kControllerCommandTries = 4;

// code: the wrapper's return value. TRUE when the request is to be sent again. *result is always written.
BOOL checkErrorResponse(int32_t code, const WCHAR* operation, int maximumTries, int* tries, HRESULT* result);
// Blocks for the given time on the controller layer's waitable timer; 0, or VSS_E_PROVIDER_VETO.
HRESULT CAPISleep(DWORD milliseconds);
// Closes the waitable timer (the controller layer's static de-initialisation).
void CloseCapiSleepTimer();
// "Error: CAPI_ERROR_<name>" for codes 0 to 246 that have one, else "Error: unknown CAPI error code.".
const char* CapiErrorName(int32_t code);

// The calling pattern: sends (send() returns the wrapper's value) while checkErrorResponse asks for it;
// the last result, and the last code through lastCode.
template <class Send>
HRESULT SendWithRetries(const WCHAR* operation, Send send, int32_t* lastCode = nullptr) {
    int tries = 0;
    HRESULT result = S_OK;
    int32_t code;
    do {
        code = send();
    } while (checkErrorResponse(code, operation, kControllerCommandTries, &tries, &result));
    if (lastCode != nullptr) *lastCode = code;
    return result;
}
