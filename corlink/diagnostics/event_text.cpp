#include "corlink/diagnostics/event_text.h"

uint16_t FormatEventText(char* text, const CAPI_EVENT_RECORD*) {
    if (text != nullptr) text[0] = '\0';
    return 0;
}
