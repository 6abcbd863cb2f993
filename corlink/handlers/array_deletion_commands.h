// The commands that delete partitions and arrays and abort an array's utility.
#pragma once

#include "corlink/handlers/handler_frame.h"

extern const FramedCommand kDeletePart;
extern const FramedCommand kDeleteArray;
extern const FramedCommand kAbortUtility;
