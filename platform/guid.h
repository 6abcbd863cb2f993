// A globally unique identifier in the platform's layout.
#pragma once

#include "platform/win_types.h"

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
static_assert(sizeof(GUID) == 16, "a GUID is 16 bytes");
