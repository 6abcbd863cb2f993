// SET_ARRAY_BACKOFFPERCENT: the storage system named by its UniqueSN gets a new array-creation back-off
// percentage, sent with the rest of its controller parameters as they stand.
#pragma once

#include "corlink/handlers/handler_frame.h"

extern const FramedCommand kSetArrayBackoffPercent;
