#include "corlink/capi/capi_response.h"

#include "corlink/capi/code_name_tables.h"
#include "corlink/foundation/console.h"

namespace {

constexpr int kNormal = 3;
constexpr int kAlert = 5;

// Windows prints a 32-bit long with %lX; keep the code to its 32 bits here as well.
unsigned long Hex(int32_t code) { return static_cast<uint32_t>(code); }

// The heading and the table text of a code the table knows, else `undefined` alone.
void PrintTableCode(const char* heading, CapiNameTable table, int32_t code, const char* undefined) {
    const char* text = CapiNameTableText(table, static_cast<uint32_t>(code));
    if (text == nullptr) {
        ConsolePrint(kNormal, "%s", undefined);
        return;
    }
    ConsolePrint(kNormal, heading, code, Hex(code));
    ConsolePrint(kNormal, "%s\n", text);
}

// The heading always, then the table text or `undefined` as an alert.
void PrintCodeWithHeading(const char* heading, CapiNameTable table, int32_t code, const char* undefined) {
    ConsolePrint(kNormal, heading, code, Hex(code));
    const char* text = CapiNameTableText(table, static_cast<uint32_t>(code));
    if (text == nullptr) {
        ConsolePrint(kAlert, "%s", undefined);
    } else {
        ConsolePrint(kNormal, "%s\n", text);
    }
}

}  // namespace

void PrintCapiResponse(const CAPI_RESPONSE* response) {
    const int32_t code = response->Code;
    switch (response->CodeType) {
        case CAPI_RESPONSE_GOOD: ConsolePrint(kNormal, "Response: GOOD; no code.\n"); break;
        case CAPI_RESPONSE_RETURN:
            PrintCodeWithHeading("Response: RETURN; code = %d(dec) or x%lX\n", CapiNameTable::Status, code,
                                 "Return code is not defined.\n");
            break;
        case CAPI_RESPONSE_REPLY:
            PrintCodeWithHeading("Response: REPLY; code = %d(dec) or x%lX\n", CapiNameTable::Reply, code,
                                 "Reply code is not defined.\n");
            break;
        case CAPI_RESPONSE_EVENT:
            PrintTableCode("Response: EVENT; code = %d(dec) or x%lX\n", CapiNameTable::Event, code,
                           "Event code is not defined.\n");
            break;
        case CAPI_RESPONSE_ERROR:
            PrintTableCode("Response: ERROR; code = %d(dec) or x%lX\n", CapiNameTable::Error, code,
                           "Error code is not defined.\n");
            break;
        default:
            ConsolePrint(kAlert, "Response: unknown!\n\t CodeType = %d,  Code = %d(dec) or x%lX\n",
                         response->CodeType, code, Hex(code));
            break;
    }
}
